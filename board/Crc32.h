#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// CRC-32 as zip and PNG use it (reflected polynomial 0xEDB88320, initial and final value
// 0xFFFFFFFF), so that any tool can check one. Eight bytes a step: a transcript takes the
// CRC of every memory payload that passes the link, and must not slow the transfer.
namespace crc32 {

namespace detail {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

inline constexpr Tables TABLES = MakeTables();

} // namespace detail

// Continues a CRC over more bytes: start with Update(0, ...), feed the pieces in order.
inline std::uint32_t Update(std::uint32_t crc, const std::uint8_t* data, std::size_t count)
{
    const auto& t = detail::TABLES;
    crc = ~crc;
    for (; count >= 8; count -= 8, data += 8) {
        const std::uint32_t low = crc ^ (std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8
                                         | std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24]
            ^ t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (; count > 0; --count, ++data)
        crc = t[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

inline std::uint32_t Of(const std::uint8_t* data, std::size_t count) { return Update(0, data, count); }

} // namespace crc32
