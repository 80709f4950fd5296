#pragma once

#include <QAccessible>

class QAccessibleInterface;

namespace ui {

class TButtonManager;
class TSkinnedWindow;

// Screen readers and other assistive tools see a skinned window's buttons, which are
// drawn on its canvas and are no widgets, as children of the window: each with its name
// (the caption, or a name the window gave it, such as "GLED3"), its role (push button,
// toggle button, radio button or page tab), its state (disabled, focused, on) and an
// action that presses it.

// Lets Qt ask for skinned windows' interfaces; once per process, from every window's
// constructor.
void InstallAccessibility();

// A new interface for button `id` of `group` in `window`, for the window to register.
QAccessibleInterface* MakeAccessibleButton(TSkinnedWindow* window, TButtonManager* group, int id);

// Tells assistive tools that `button` got the keyboard focus, or that its state changed.
void NotifyButtonFocus(QAccessibleInterface* button);
void NotifyButtonState(QAccessibleInterface* button, QAccessible::State changed);

} // namespace ui
