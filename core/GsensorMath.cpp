#include "core/GsensorMath.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace gsensor {

namespace {

// The angle formula has always used this rounded value of pi; keeping it keeps the shown
// tilts identical to the ones users compare against.
constexpr float PI_APPROX = 3.14159f;

} // namespace

std::string OneDecimal(float value)
{
    double shown = value;
    const double quarters = shown * 4.0;
    // Exact ties of one decimal are the odd multiples of a quarter (only they are both
    // binary and decimal halves); away from zero they land on a tenth that is no tie.
    if (std::isfinite(quarters) && std::fabs(quarters) < 1e15 && std::floor(quarters) == quarters
        && std::fmod(std::fabs(quarters), 2.0) == 1.0)
        shown = std::round(shown * 10.0) / 10.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", shown);
    // A small negative value rounds to zero, and a zero has no sign to show.
    if (std::string_view(text) == "-0.0")
        return "0.0";
    return text;
}

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
    view.textX = "X=" + OneDecimal(mgX) + "mg";
    view.textY = "Y=" + OneDecimal(mgY) + "mg";
    view.textZ = "Z=" + OneDecimal(mgZ) + "mg";
    view.tiltX = TiltDegrees(x, z);
    view.tiltY = TiltDegrees(storedY, z);
    view.textTiltX = OneDecimal(view.tiltX);
    view.textTiltY = OneDecimal(view.tiltY);
    view.gX = mgX / FULL_SCALE_MG * 2.0f;
    view.gY = mgY / FULL_SCALE_MG * 2.0f;
    return view;
}

} // namespace gsensor
