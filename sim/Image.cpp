#include "sim/Image.h"

#include "board/Crc32.h"
#include "board/Protocol.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr char MAGIC[8] = {'V', 'X', '5', 'H', 'I', 'M', 'G', '1'};
constexpr std::size_t TARGET_LEN = 16;

// Reads to the end, or until more than `limit` bytes came.
bool ReadUpTo(int fd, std::string& bytes, std::size_t limit)
{
    char chunk[65536];
    while (bytes.size() <= limit) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

// Says why the open file `fd` is no image to read, or nothing.
std::string ImageFileProblem(int fd, const std::string& path)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return path + " is not a regular file";
    if (static_cast<std::uint64_t>(status.st_size) > IMAGE_MAX_LEN)
        return path + " is too large for an image (" + std::to_string(status.st_size) + " bytes, at most "
            + std::to_string(IMAGE_MAX_LEN) + ")";
    return {};
}

} // namespace

bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    error = ImageFileProblem(fd, path);
    if (error.empty() && !ReadUpTo(fd, bytes, IMAGE_MAX_LEN))
        error = "cannot read " + path + ": " + std::strerror(errno);
    else if (error.empty() && bytes.size() > IMAGE_MAX_LEN)
        error = path + " grew beyond " + std::to_string(IMAGE_MAX_LEN) + " bytes while it was read";
    ::close(fd);
    if (!error.empty())
        bytes.clear();
    return error.empty();
}

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
