#pragma once

#include <functional>
#include <string>

// The two ways core code reaches the person at the screen: the default beep, and an
// error dialog with an OK button. Core code never knows about windows; the application
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

} // namespace platform
