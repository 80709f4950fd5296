#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reading a file the user names: a FIFO, a device or a pipe must not hold the reader, and
// a file larger than the caller can use is not read into memory.
namespace platform {

struct TRegularFileRead {
    enum class TEnd {
        Read,       // `bytes` holds the whole file
        CannotOpen, // reason: the system's words
        NotRegular, // a folder, FIFO, device or pipe
        TooLarge,   // size: what the file said it holds
        CannotRead, // reason: the system's words
        Grew,       // it was written to while it was read, past the limit
    };
    TEnd end = TEnd::CannotOpen;
    std::uint64_t size = 0;
    std::string reason;
};

// Reads all of `path` into `bytes` when it is a regular file of at most `limit` bytes;
// `bytes` is empty unless the end is Read.
TRegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes);

} // namespace platform
