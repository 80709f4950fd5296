#pragma once

#include <functional>
#include <string>

// The ways core code reaches the person at the screen: the default beep, an error dialog
// with an OK button, and the sign that the program is waiting. Core code never knows about windows; the application
// points these hooks at its message box, tests at a recorder.
namespace platform {

// Sounds the system's default beep (by default the system's own; the terminal bell on
// stderr where the system has none).
void Beep();
using BeepHandler = std::function<void()>;
void SetBeepHandler(BeepHandler handler); // empty = default

// Shows `text` in an error dialog with an OK button and returns when it was dismissed
// (by default the text goes to stderr).
void ShowErrorDialog(const std::string& text);
using ErrorDialogHandler = std::function<void(const std::string&)>;
void SetErrorDialogHandler(ErrorDialogHandler handler); // empty = default

// Brackets a wait for the board that lasts longer than a moment: WaitBegins once it has
// lasted that long, WaitEnds when it is over (only after a WaitBegins). The window shows
// its busy cursor meanwhile; by default nothing happens.
void WaitBegins();
void WaitEnds();
using WaitHandler = std::function<void(bool waiting)>;
void SetWaitHandler(WaitHandler handler); // empty = default

} // namespace platform
