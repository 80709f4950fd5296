#include "ui/Fonts.h"

#include <QFontDatabase>

namespace ui {

namespace {

struct TStandIn {
    const char* family;
    const char* standIn;
};

constexpr TStandIn STAND_INS[] = {
    {"MS Sans Serif", "Arial"},
    {"Microsoft Sans Serif", "Arial"},
    {"Tahoma", "Arial"},
};

} // namespace

QFont PixelFont(const QString& family, int pixelSize, bool bold)
{
    QString chosen = family;
    if (!QFontDatabase::hasFamily(family)) {
        for (const TStandIn& s : STAND_INS)
            if (family.compare(QLatin1String(s.family), Qt::CaseInsensitive) == 0)
                chosen = QString::fromLatin1(s.standIn);
    }
    QFont font(chosen);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace ui
