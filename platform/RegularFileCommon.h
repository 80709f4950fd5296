#pragma once

#include "RegularFile.h"

#include <functional>

// What both systems' ReadRegularFile share once the file is open.
namespace platform::detail {

// Reads a file the system says is `regular` and `size` bytes long through `read` (bytes
// into the buffer, 0 at the end, negative on an error), stopping once more than `limit`
// bytes came; the caller adds the reason of a CannotRead.
TRegularFileRead ReadOpenFile(bool regular, std::uint64_t size, std::size_t limit, std::string& bytes,
    const std::function<long(char*, std::size_t)>& read);

} // namespace platform::detail
