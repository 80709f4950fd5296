#pragma once

#include <array>

namespace testsupport {

// The faults the simulator's link can suffer, as control commands. Each `fault` command
// hits the next reply only; "unplug" lasts until "plug".
struct TSimFault {
    const char* name;
    const char* command;
};

inline constexpr std::array<TSimFault, 9> SIM_FAULTS{{
    {"drop", "fault drop"},
    {"checksum", "fault checksum"},
    {"echo", "fault echo"},
    {"length", "fault length"},
    {"truncate", "fault truncate"},
    {"garbage", "fault garbage 7"},
    {"stall-short", "fault stall 500"}, // well within every reply's budget
    {"stall-long", "fault stall 4000"}, // beyond the 3-s budget of a reply
    {"unplug", "unplug"},
}};

} // namespace testsupport
