#pragma once

#include "core/selftest/TestContext.h"

// The tests a person must watch or touch: LEDs and digits lit with a question, switches
// and keys to flip and press, a key of the IR remote.
namespace selftest {

TVerdict LedTest(TContext& ctx);
TVerdict Seg7Test(TContext& ctx);
TVerdict SwitchTest(TContext& ctx);
TVerdict KeyTest(TContext& ctx);
TVerdict IrTest(TContext& ctx);

} // namespace selftest
