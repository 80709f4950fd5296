#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Bytes that look random and differ with the seed (xorshift), so that a transfer that
// drops, repeats or shifts a piece is seen.
inline std::vector<std::uint8_t> BytePattern(std::size_t count, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

} // namespace testsupport
