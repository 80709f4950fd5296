#pragma once

#include "core/selftest/TestContext.h"

// The peripherals that test themselves without a person: G-sensor, SD card, HSMC
// loopback, RS232 loopback.
namespace selftest {

// |g| at rest within this much of 1 g.
constexpr double GSENSOR_TOLERANCE_G = 0.15;

TVerdict GsensorTest(TContext& ctx);
TVerdict SdCardTest(TContext& ctx);
TVerdict HsmcTest(TContext& ctx);
TVerdict Rs232Test(TContext& ctx);

} // namespace selftest
