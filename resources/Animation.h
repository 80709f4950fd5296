#pragma once

#include <QImage>
#include <QList>

namespace resources::art {

inline constexpr const char* kWelcomeAnimation = "WELCOME_AVI";
inline constexpr int kWelcomeWidth = 387;
inline constexpr int kWelcomeHeight = 296;
// The player shows frames 0 to 160 and loops, so the motion closes on itself after 161.
inline constexpr int kWelcomeFrames = 161;

QList<QImage> RenderWelcomeAnimation();

} // namespace resources::art
