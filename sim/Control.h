#pragma once

#include "sim/SimBoard.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// What the control commands need from the process that serves the board.
class IControlHost {
public:
    virtual ~IControlHost() = default;
    virtual bool JtagClientConnected() const = 0;
    virtual bool CablePlugged() const = 0;
    virtual void SetCablePlugged(bool plugged) = 0;
    virtual void RequestQuit() = 0;
};

struct ControlAnswer {
    int status = 0; // 0 = success, as a process exit code
    std::string text;
    std::uint32_t delayMs = 0; // the answer comes this much later (a configuration's time)
};

// Runs one control command (`args` without the leading "ctl"). The command
// "configure-image" takes the image's bytes as its one argument.
ControlAnswer RunControl(const std::vector<std::string>& args, TSimBoard& board, IControlHost& host);

// The board's state as one JSON object.
std::string StateJson(const TSimBoard& board, const IControlHost& host);

// Decimal or 0x-hexadecimal, optionally signed.
bool ParseNumber(const std::string& text, std::int64_t& value);

} // namespace sim
