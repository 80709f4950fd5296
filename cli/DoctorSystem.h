#pragma once

#include "cli/DoctorChecks.h"

#include <functional>

namespace doctor {

// The checks of this system's own way to a board, where it has one of its own: on Windows
// (cli/DoctorWindows.cpp) the program folder with its libraries' word size, the vendor's
// tools through the registry, the cable's driver and the JTAG server's service, made in
// place of the program folder, USB, udev and QUARTUS_ROOTDIR checks. Each check is given
// to `add` as soon as it is made. False, with none made, where the system has none of its
// own (cli/DoctorUnix.cpp).
bool SystemChecks(const std::function<void(const TCheck&)>& add);

} // namespace doctor
