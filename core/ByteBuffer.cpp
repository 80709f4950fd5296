#include "core/ByteBuffer.h"

#include <new>

namespace memory {

bool TByteBuffer::Allocate(std::size_t count)
{
    data.reset(new (std::nothrow) std::uint8_t[count ? count : 1]);
    size = data ? count : 0;
    return data != nullptr;
}

} // namespace memory
