#pragma once

#include <atomic>
#include <string>
#include <vector>

// The cables a board can be had on, by the names VX5H_CABLE, `vx5h --cable` and the
// Python module's Board(cable=...) take.
namespace cables {

// The simulator's cable name.
constexpr const char* SIMULATOR = "sim";

// The cables jtagconfig's listing names ("1) USB-Blaster [1-1]"), in its order.
std::vector<std::string> CablesListed(const std::string& jtagconfigOutput);

// The simulator's boards when it answers (sim, sim-2 ... of a lab), else "sim" when the
// simulator lies in the program folder; then every cable, local or remote, the vendor's
// jtagconfig lists when its tools are installed (QUARTUS_ROOTDIR). Asks no board. When
// `stop` (optional) becomes true, the programs asked are ended and the list is what was
// found so far.
std::vector<std::string> KnownCables(const std::atomic<bool>* stop = nullptr);

// The boards of the simulator's answer to "boards", one name a line; any line that is
// not a simulated board's name is left out.
std::vector<std::string> LabBoardsListed(const std::string& answer);

enum class TWhere { Simulated, Local, Remote };
// Where a cable named as jtagconfig names it is: a remote one reads
// "USB-Blaster on labhost [1-1]" or "USB-BlasterII on labhost:1310 [3-1.4.1]".
TWhere WhereIs(const std::string& cable);
// "simulated", "local" or "remote", as vx5h shows it.
const char* WhereName(TWhere where);
// The host of a remote cable ("labhost", "labhost:1310"); empty for any other.
std::string RemoteHost(const std::string& cable);

} // namespace cables
