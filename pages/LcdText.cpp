#include "pages/LcdText.h"

#include "app/ShowInfo.h"

namespace lcd {

QByteArray LcdBytes(const QString& line0, const QString& line1)
{
    QByteArray bytes = QString("%1\n%2\n").arg(line0, line1).toLatin1();
    bytes.append('\0');
    return bytes;
}

TSetOutcome SetOutcome(bool exchanged, bool accepted)
{
    if (!exchanged) {
        const QString text = QString("%1 %2").arg("Set LCD", "Fail");
        return {text, INFO_RED, text, true};
    }
    // A refusal is the board's answer, not a lost link: it must never read "Success".
    if (!accepted)
        return {"Failed to set lcd.", INFO_RED, "Failed to set lcd.", false};
    return {QString("%1 %2").arg("Set LCD", "Success"), INFO_GREEN, QString(), false};
}

} // namespace lcd
