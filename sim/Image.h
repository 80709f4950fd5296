#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The configuration image the simulated FPGA accepts. Layout (little-endian):
//   0  magic "VX5HIMG1"
//   8  u32 total file length
//  12  u32 CRC-32 of bytes 16 .. end
//  16  target board name, 16 bytes, NUL-padded ("VX5h-260")
//  32  u32 bitstream length
//  36  bitstream
// Like a real FPGA, the board refuses an image for another device, a truncated one and
// one whose CRC does not match.
constexpr std::size_t IMAGE_HEADER_LEN = 36;
constexpr std::size_t IMAGE_MAX_LEN = 64 * 1024 * 1024;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t count);

// An image for the VX5h-260 with a deterministic bitstream of the given length.
std::vector<std::uint8_t> MakeImage(std::size_t bitstreamLength);

// True when the bytes start like an image of this format (whether valid or not).
bool LooksLikeImage(const std::uint8_t* data, std::size_t count);

// Reads a configuration image file of at most IMAGE_MAX_LEN bytes. Its size is known
// before anything is read, and no more than the limit and one byte is ever read, so a
// huge file (or one that grows) costs neither memory nor time; a FIFO or a device is
// refused without waiting for it. False, with `error` set, otherwise. (Not on Windows yet.)
bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error);

// Full check; `why` says what is wrong.
bool CheckImage(const std::uint8_t* data, std::size_t count, std::string& why);

} // namespace sim
