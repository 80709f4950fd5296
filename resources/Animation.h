#pragma once

#include <QImage>
#include <QList>

namespace resources::art {

inline constexpr const char* kWelcomeAnimation = "WELCOME_AVI";
inline constexpr int kWelcomeWidth = 387;
inline constexpr int kWelcomeHeight = 296;
// The player shows frames 0 to 160 and loops, so the motion closes on itself after 161.
inline constexpr int kWelcomeFrames = 161;

// The still parts of every frame, drawn for a device pixel ratio.
QImage RenderWelcomeStill(qreal ratio);
// One frame (0 .. kWelcomeFrames - 1; other indexes wrap): a copy of `still` (from
// RenderWelcomeStill, for the frame's ratio) with the moving parts drawn over it, so a
// frame costs only those (about a millisecond at ratio 1).
QImage RenderWelcomeFrame(int index, const QImage& still);

} // namespace resources::art
