#pragma once

#include "sim/SimBoard.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

// What the control commands need from the process that serves the board.
class IControlHost {
public:
    virtual ~IControlHost() = default;
    virtual bool JtagClientConnected() const = 0;
    // Who holds the cable ("python3 (pid 4242)", "another program"); empty when nobody
    // does. A client that has just gone is noticed first.
    virtual std::string CableHolder() = 0;
    virtual bool CablePlugged() const = 0;
    virtual void SetCablePlugged(bool plugged) = 0;
    virtual void RequestQuit() = 0;
};

// The statuses of a download through the cable that the cable itself refused: pulled
// (before or during the load), or held by a client (the text names it).
constexpr int CONTROL_CABLE_UNPLUGGED = 4;
constexpr int CONTROL_CABLE_HELD = 5;

struct ControlAnswer {
    int status = 0; // 0 = success, as a process exit code
    std::string text;
    std::uint32_t delayMs = 0; // the answer comes this much later (a configuration's time)
    // Where set, the command ends only once the delay is over: this gives the answer then.
    // A client that hangs up before never gets it run (a load cut short).
    std::function<ControlAnswer()> finish{};
};

// Runs one control command (`args` without the leading "ctl"). The commands
// "configure-image" (ctl configure: the image loaded at once, whoever holds the cable) and
// "download-image" (the download library's load through the cable) take the image's bytes
// as their one argument.
ControlAnswer RunControl(const std::vector<std::string>& args, TSimBoard& board, IControlHost& host);

// What `ctl help` says: every control command, one line for a few. Known without a
// simulator running.
std::string ControlHelpText();

// The board's state as one JSON object.
std::string StateJson(const TSimBoard& board, const IControlHost& host);

// Decimal or 0x-hexadecimal, optionally signed.
bool ParseNumber(const std::string& text, std::int64_t& value);

} // namespace sim
