#pragma once

#include <QString>
#include <memory>
#include <string>

namespace platform {
class InstanceLock;
}

// The process's start: the single-instance guard and the hooks through which the core
// (link and download layers) reaches the person at the screen.

// Takes the system-wide lock `name`. When another process holds it, tells the user "The
// application is running." in an information box and returns nullptr; when there is no
// lock to take (its folder or file is not safely the user's), says so and why in an error
// box and returns nullptr.
std::unique_ptr<platform::InstanceLock> GuardSingleInstance(const std::string& name);

// Points the core's error dialog at an error message box and its beep at the desktop's
// beep. Either may be raised on a worker thread (the connect sequence opens the link off
// the user-interface thread); the box is then shown on the user-interface thread while
// the worker waits for it to be dismissed.
void InstallCoreHooks();
void RemoveCoreHooks();

// The title of the program's message boxes.
QString MessageTitle();

// Runs the program: guard, main window, event loop. Returns the exit code.
int RunControlPanel(int& argc, char** argv);
