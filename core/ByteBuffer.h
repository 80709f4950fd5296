#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace memory {

// A buffer of bytes that is not cleared when allocated: a 128 MB range is overwritten
// right away, so clearing it first would only cost time.
struct TByteBuffer {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    // False when the memory could not be had.
    bool Allocate(std::size_t count);
};

} // namespace memory
