#pragma once

#include <QLoggingCategory>

// The panel's log for a user to send: quiet by default, turned on with Qt's usual rules,
// e.g. QT_LOGGING_RULES="vx5h.*=true" (or one category: "vx5h.link=true"), and written
// wherever Qt's messages go (standard error).
Q_DECLARE_LOGGING_CATEGORY(lcLink)          // "vx5h.link": every failed exchange, with its cause
Q_DECLARE_LOGGING_CATEGORY(lcConnect)       // "vx5h.connect": each connect step and its outcome
Q_DECLARE_LOGGING_CATEGORY(lcConfiguration) // "vx5h.configuration": each attempt, the programmer's words
Q_DECLARE_LOGGING_CATEGORY(lcPages)         // "vx5h.pages": pages entered and left, links they lost
Q_DECLARE_LOGGING_CATEGORY(lcStartup)       // "vx5h.startup": how long the window took to show, at what scale
