#pragma once

#include <string>
#include <vector>

// The cables a board can be had on, by the names VX5H_CABLE, `vx5h --cable` and the
// Python module's Board(cable=...) take.
namespace cables {

// The simulator's cable name.
constexpr const char* SIMULATOR = "sim";

// The cables jtagconfig's listing names ("1) USB-Blaster [1-1]"), in its order.
std::vector<std::string> CablesListed(const std::string& jtagconfigOutput);

// "sim" when the simulator lies in the program folder, then every cable the vendor's
// jtagconfig lists when its tools are installed (QUARTUS_ROOTDIR). Asks no board.
std::vector<std::string> KnownCables();

} // namespace cables
