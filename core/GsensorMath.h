#pragma once

#include <cstdint>
#include <string>

// What is shown for one reading of the G-sensor: plain arithmetic, checked number by
// number.
namespace gsensor {

// The accelerometer's range is +-2 g over the signed 16-bit count.
constexpr float FULL_SCALE_MG = 2000.0f;

// Milli-g per count: 2 x 2000 / 65535, held as a single-precision float.
float ScaleMgPerCount();

// One axis in milli-g (count x scale, single precision).
float CountToMg(std::int32_t count);

// Tilt in degrees about an axis from that axis' count and the Z count:
// -atan(axis / z) in degrees within (-90, 90); 0 when z is 0 (the board lies on its edge
// and no tilt can be told).
float TiltDegrees(std::int32_t axis, std::int32_t z);

// The board reports Y with the opposite sign to the picture's axes; the page keeps the
// negated count. Held in 32 bits so that -(-32768) stays positive.
inline std::int32_t StoredY(std::int16_t reportedY) { return -static_cast<std::int32_t>(reportedY); }

// One decimal, rounded as the panel has always shown it: an exact tie (x.25, x.75) goes
// away from zero, where C's printf would round it to even.
std::string OneDecimal(float value);

struct TGsensorView {
    std::string textX, textY, textZ;  // "X=%.1fmg" ...
    std::string textTiltX, textTiltY; // "%.1f"
    float tiltX = 0, tiltY = 0;       // degrees
    float gX = 0, gY = 0;             // accelerations in g for the levels
};

// Everything shown for the stored counts (Y already negated).
TGsensorView ViewOf(std::int32_t x, std::int32_t storedY, std::int32_t z);

} // namespace gsensor
