#pragma once

#include <QColor>
#include <QString>
#include <functional>

// The main window's information line, reachable from every page. The main window
// installs itself as the sink when it is built; until then (and in page tests that
// install a recorder) calls go wherever the sink says.

// Status colours of the whole program.
inline const QColor INFO_YELLOW(255, 246, 0); // something runs
inline const QColor INFO_GREEN(0, 128, 0);    // success, or clearing the line
inline const QColor INFO_RED(255, 0, 0);      // failure

void ShowInfo(const QString& text, const QColor& colour);

using ShowInfoSink = std::function<void(const QString&, const QColor&)>;
// Installs the sink; returns the previous one so that a caller can restore it.
ShowInfoSink SetShowInfoSink(ShowInfoSink sink);
