#include "ui/TextLines.h"

#include <QFontMetrics>
#include <QTextLayout>
#include <QTextOption>

namespace ui {

namespace {

const QChar WORD_JOINER(0x2060);

QString WithoutTrailingBlanks(QString line)
{
    line.remove(WORD_JOINER);
    while (!line.isEmpty() && (line.back().isSpace() || line.back() == QChar::LineSeparator))
        line.chop(1);
    return line;
}

} // namespace

QStringList WrapToLines(const QString& text, const QFont& font, int width, int maxLines)
{
    if (text.isEmpty() || maxLines <= 0)
        return {};
    // The layout breaks at line separators, not at the text's own line feeds.
    QString flowing = text;
    flowing.remove(QLatin1Char('\r'));
    flowing.replace(QLatin1Char('\n'), QChar::LineSeparator);
    // A name such as "lab-bench-07" stays whole where a blank offers a break: no break
    // after a hyphen (a word joiner holds it to the next character; it has no width and
    // is taken out of the lines again).
    flowing.replace(QLatin1Char('-'), QStringLiteral("-") + WORD_JOINER);
    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    int lastStart = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines) {
            // One line too many: the last line kept takes the rest, elided.
            const QString rest
                = flowing.mid(lastStart).replace(QChar::LineSeparator, QLatin1Char(' ')).remove(WORD_JOINER);
            lines.back() = QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        lastStart = line.textStart();
        lines << WithoutTrailingBlanks(flowing.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return lines;
}

} // namespace ui
