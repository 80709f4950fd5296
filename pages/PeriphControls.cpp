#include "pages/PeriphControls.h"

#include <QLabel>
#include <QPalette>

namespace periph {

QFont PointFont(const QString& family, int points)
{
    // Windows' rule for a font of `points` at 96 dpi: MulDiv(points, 96, 72) pixels.
    return PixelFont(family, (points * 96 + 36) / 72);
}

QFont PixelFont(const QString& family, int pixels)
{
    QFont font(family);
    // The old bitmap sans font is rarely installed; its successor or a face with Arial's
    // metrics keeps the texts inside their boxes, where a wider default would not.
    if (family == QLatin1String("MS Sans Serif"))
        font.setFamilies({family, "Microsoft Sans Serif", "Liberation Sans", "Arial"});
    font.setPixelSize(pixels);
    return font;
}

void SetLabelColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colour);
    label->setPalette(palette);
}

static QLabel* NewLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    // Clicks go to the page below, where the skinned buttons are.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFont(font);
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    SetLabelColour(label, colour);
    return label;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font, const QColor& colour)
{
    QLabel* label = NewLabel(parent, text, font, colour);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeFixedLabel(QWidget* parent, const QString& text, const QRect& rect, const QFont& font,
                       const QColor& colour)
{
    QLabel* label = NewLabel(parent, text, font, colour);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    return label;
}

void SetAutoText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

} // namespace periph
