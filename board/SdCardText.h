#pragma once

#include <cstdint>
#include <string>

// The texts the SD card page shows for the card's identification registers. Both
// registers arrive as 16 bytes, most significant byte first (byte 0 = bits 127-120).
// Every line starts with "-" and ends with a line feed.
namespace sdcard {

constexpr int REGISTER_LEN = 16;

std::string CsdText(const std::uint8_t* csd);
std::string CidText(const std::uint8_t* cid);
// "FAT16", "FAT32" or "NA".
std::string FileSystemText(std::uint8_t type);

} // namespace sdcard
