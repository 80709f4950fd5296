#include "pages/Rs232Text.h"

#include <algorithm>

namespace rs232 {

QString ReceivedText(const std::uint8_t* bytes, int count)
{
    if (!bytes || count <= 0)
        return {};
    const std::uint8_t* end = std::find(bytes, bytes + count, std::uint8_t{0});
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes), static_cast<int>(end - bytes));
}

QByteArray SendBytes(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    bytes.append('\0');
    return bytes;
}

} // namespace rs232
