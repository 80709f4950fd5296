#pragma once

#include <QImage>
#include <QList>

namespace resources::art {

inline constexpr const char* kWelcomeAnimation = "WELCOME_AVI";
inline constexpr int kWelcomeWidth = 387;
inline constexpr int kWelcomeHeight = 296;
// The player shows frames 0 to 160 and loops, so the motion closes on itself after 161.
inline constexpr int kWelcomeFrames = 161;

// One frame (0 .. kWelcomeFrames - 1; other indexes wrap). The still parts are drawn
// once and kept, so a frame costs only its moving parts (about a millisecond).
QImage RenderWelcomeFrame(int index);

QList<QImage> RenderWelcomeAnimation();

} // namespace resources::art
