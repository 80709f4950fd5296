#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

// How the memory files are opened, shared by their reader and their writer.
namespace memory {

// A file is a HEX file when its extension is ".hex" in any case; any other is binary.
bool IsHexFileName(const std::filesystem::path& path);

struct TFileCloser {
    void operator()(std::FILE* file) const
    {
        if (file)
            std::fclose(file);
    }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// fopen of a path in any characters the system allows; nullptr on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// The system's reason for the error number `error` ("Permission denied"), in English.
std::string SystemReason(int error);

// The reason given to a file that exists but is neither a regular file nor missing (a
// FIFO, a device, a folder): opening such a file could block until a writer appears, or
// read a device without end, so memory files refuse it before they open it.
inline constexpr const char* NOT_REGULAR_REASON = "not a regular file";

// True when `path` (its target, for a symbolic link) exists and is not a regular file.
bool IsSpecialFile(const std::filesystem::path& path);

// The size of an open file (its position goes back to the start); 0 when it cannot be told.
std::uint64_t FileSize(std::FILE* file);

} // namespace memory
