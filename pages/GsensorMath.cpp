#include "pages/GsensorMath.h"

#include <cmath>

namespace gsensor {

namespace {

// The angle formula has always used this rounded value of pi; keeping it keeps the shown
// tilts identical to the ones users compare against.
constexpr float PI_APPROX = 3.14159f;

} // namespace

float ScaleMgPerCount() { return 2.0f * FULL_SCALE_MG / 65535.0f; }

float CountToMg(std::int32_t count) { return static_cast<float>(count) * ScaleMgPerCount(); }

float TiltDegrees(std::int32_t axis, std::int32_t z)
{
    if (z == 0)
        return 0.0f;
    const long double ratio = static_cast<long double>(axis) / static_cast<long double>(z);
    const auto degrees = static_cast<float>(-std::atan(ratio) * 180.0L / static_cast<long double>(PI_APPROX));
    // A level board gives -atan(0) = -0, which would read "-0.0".
    return degrees + 0.0f;
}

TGsensorView ViewOf(std::int32_t x, std::int32_t storedY, std::int32_t z)
{
    TGsensorView view;
    const float mgX = CountToMg(x);
    const float mgY = CountToMg(storedY);
    const float mgZ = CountToMg(z);
    view.textX = QString::asprintf("X=%.1fmg", static_cast<double>(mgX));
    view.textY = QString::asprintf("Y=%.1fmg", static_cast<double>(mgY));
    view.textZ = QString::asprintf("Z=%.1fmg", static_cast<double>(mgZ));
    view.tiltX = TiltDegrees(x, z);
    view.tiltY = TiltDegrees(storedY, z);
    view.textTiltX = QString::asprintf("%.1f", static_cast<double>(view.tiltX));
    view.textTiltY = QString::asprintf("%.1f", static_cast<double>(view.tiltY));
    view.gX = mgX / FULL_SCALE_MG * 2.0f;
    view.gY = mgY / FULL_SCALE_MG * 2.0f;
    return view;
}

} // namespace gsensor
