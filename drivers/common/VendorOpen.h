#pragma once

#include "drivers/common/LinkError.h"

#include <string>

struct JTAGATLANTIC;

namespace drivers {

class VendorLibrary;

// Opens the JTAG UART of `cable` (empty: the vendor's library chooses) through the
// vendor's library within the open budget (15 s, VX5H_JTAG_OPEN_TIMEOUT_MS for tests).
// How long the JTAG server takes to scan the chain is not ours to know, and one that
// never answers must not hold the caller: an open that has not ended in time is given up
// on (its link is closed whenever it comes) and fails as an unreachable server. nullptr,
// with `failure` set, when no link was opened.
JTAGATLANTIC* OpenWithinBudget(
    VendorLibrary& vendor, const std::string& cable, const char* appName, Failure& failure);

} // namespace drivers
