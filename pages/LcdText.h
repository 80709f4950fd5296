#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

// What the LCD page sends and how it reports the outcome: plain functions.
namespace lcd {

// The edit boxes' own input limit: the LCD shows 16 characters a line.
constexpr int LINE_CHARS = 16;

// Line 0, a line feed, line 1, a line feed and the terminating NUL, one byte per
// character. The LCD's controller knows 8-bit characters only: characters beyond
// Latin-1 become '?', so two full lines are always 35 bytes, one chunk.
QByteArray LcdBytes(const QString& line0, const QString& line1);

// The outcome of one Set as the information line and a message box show it.
struct TSetOutcome {
    QString infoText;
    QColor infoColour;
    QString errorBox; // empty: no box
    bool linkFailure = false;
};

// `exchanged`: the write went through the link; `accepted`: the board's status was 0.
TSetOutcome SetOutcome(bool exchanged, bool accepted);

} // namespace lcd
