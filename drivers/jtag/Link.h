#pragma once

#include <cstdint>
#include <string>

namespace drivers {

// One open byte stream to a board, whichever way it goes. A link that has broken stays
// broken: every later write fails and every read delivers nothing.
class Link {
public:
    virtual ~Link() = default;
    // Up to `count` pending bytes, without waiting for more.
    virtual std::int32_t Read(std::uint8_t* dest, std::int32_t count) = 0;
    // All `count` bytes, handed on to the board; false when not all went.
    virtual bool Write(const std::uint8_t* bytes, std::int32_t count) = 0;
    // The cable's own description, and where on its chain the UART sits.
    virtual std::string Description() const = 0;
    virtual int Device() const { return 1; }
    virtual int Instance() const { return 0; }
};

} // namespace drivers
