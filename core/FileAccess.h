#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

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

// The size of an open file (its position goes back to the start); 0 when it cannot be told.
std::uint64_t FileSize(std::FILE* file);

} // namespace memory
