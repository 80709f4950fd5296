#include "sim/Image.h"

#include "board/Crc32.h"
#include "board/Protocol.h"

#include <array>
#include <cstring>

namespace sim {

namespace {

constexpr char MAGIC[8] = {'V', 'X', '5', 'H', 'I', 'M', 'G', '1'};
constexpr std::size_t TARGET_LEN = 16;

} // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t count) { return crc32::Of(data, count); }

std::vector<std::uint8_t> MakeImage(std::size_t bitstreamLength)
{
    std::vector<std::uint8_t> image(IMAGE_HEADER_LEN + bitstreamLength, 0);
    std::memcpy(image.data(), MAGIC, sizeof MAGIC);
    protocol::PutU32(image.data() + 8, static_cast<std::uint32_t>(image.size()));
    std::memcpy(image.data() + 16, protocol::BOARD_NAME, std::strlen(protocol::BOARD_NAME));
    protocol::PutU32(image.data() + 32, static_cast<std::uint32_t>(bitstreamLength));
    std::uint32_t x = 0x2545F491u; // xorshift: a bitstream-like, incompressible filler
    for (std::size_t i = 0; i < bitstreamLength; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image[IMAGE_HEADER_LEN + i] = static_cast<std::uint8_t>(x);
    }
    protocol::PutU32(image.data() + 12, Crc32(image.data() + 16, image.size() - 16));
    return image;
}

bool LooksLikeImage(const std::uint8_t* data, std::size_t count)
{
    return count >= sizeof MAGIC && std::memcmp(data, MAGIC, sizeof MAGIC) == 0;
}

bool CheckImage(const std::uint8_t* data, std::size_t count, std::string& why)
{
    if (!LooksLikeImage(data, count)) {
        why = "not a VX5h-260 configuration image";
        return false;
    }
    if (count < IMAGE_HEADER_LEN || protocol::GetU32(data + 8) != count) {
        why = "image truncated or too long";
        return false;
    }
    if (protocol::GetU32(data + 12) != Crc32(data + 16, count - 16)) {
        why = "image CRC error";
        return false;
    }
    char target[TARGET_LEN + 1] = {};
    std::memcpy(target, data + 16, TARGET_LEN);
    if (std::strcmp(target, protocol::BOARD_NAME) != 0) {
        why = "image is for another device";
        return false;
    }
    if (protocol::GetU32(data + 32) != count - IMAGE_HEADER_LEN) {
        why = "image bitstream length wrong";
        return false;
    }
    return true;
}

} // namespace sim
