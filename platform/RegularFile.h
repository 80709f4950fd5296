#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reading a file the user names: a FIFO, a device or a pipe must not hold the reader, and
// a file larger than the caller can use is not read into memory.
namespace platform {

struct TRegularFileRead {
    enum class TEnd {
        Read,       // `bytes` holds the whole file (a reader: the file is open)
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

// The same file, read a piece at a time, for a reader that keeps only what it needs of
// it: Open refuses what ReadRegularFile refuses, before anything is read.
class TRegularFileReader {
public:
    TRegularFileReader() = default;
    ~TRegularFileReader();
    TRegularFileReader(const TRegularFileReader&) = delete;
    TRegularFileReader& operator=(const TRegularFileReader&) = delete;

    // The end is Read (and `size` what the file holds) once `path` is open; CannotOpen,
    // NotRegular or TooLarge (more than `limit` bytes) otherwise.
    TRegularFileRead Open(const std::string& path, std::uint64_t limit);
    // Up to `capacity` bytes into `chunk`: how many came, 0 at the end of the file, -1 on
    // an error (`reason`: the system's words).
    long Read(char* chunk, std::size_t capacity, std::string& reason);

private:
    void Close();
    // What both systems decide once the file is open: Read, NotRegular or TooLarge.
    static TRegularFileRead Checked(bool regular, std::uint64_t size, std::uint64_t limit);

    std::intptr_t m_Handle = -1; // the system's handle of the open file, or -1
};

} // namespace platform
