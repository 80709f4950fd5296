#include "sim/SparseMemory.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
constexpr std::uint32_t MAX_PAGE = 64 * 1024;
}

TSparseMemory::TSparseMemory(std::uint32_t size, std::uint8_t blankValue)
    : size_(size)
    , blank_(blankValue)
    , pageSize_(std::min(size, MAX_PAGE))
{
    pages_.resize(pageSize_ ? (size + pageSize_ - 1) / pageSize_ : 0);
}

// Calls op(pageIndex, offsetInPage, bytesInPage, offsetInRequest) for each page touched.
template<typename Op> void TSparseMemory::ForEachPiece(std::uint32_t address, std::uint32_t length, Op op) const
{
    if (!Contains(address, length))
        return;
    std::uint32_t done = 0;
    while (done < length) {
        const std::uint32_t at = address + done;
        const std::uint32_t page = at / pageSize_;
        const std::uint32_t offset = at % pageSize_;
        const std::uint32_t piece = std::min(pageSize_ - offset, length - done);
        op(page, offset, piece, done);
        done += piece;
    }
}

std::uint8_t* TSparseMemory::PageForWrite(std::uint32_t index)
{
    auto& page = pages_[index];
    if (!page) {
        page = std::make_unique<std::uint8_t[]>(pageSize_);
        std::memset(page.get(), blank_, pageSize_);
    }
    return page.get();
}

void TSparseMemory::Read(std::uint32_t address, std::uint8_t* dest, std::uint32_t length) const
{
    ForEachPiece(address, length, [&](std::uint32_t page, std::uint32_t offset, std::uint32_t piece, std::uint32_t at) {
        if (pages_[page])
            std::memcpy(dest + at, pages_[page].get() + offset, piece);
        else
            std::memset(dest + at, blank_, piece);
    });
}

void TSparseMemory::Write(std::uint32_t address, const std::uint8_t* source, std::uint32_t length)
{
    ForEachPiece(address, length, [&](std::uint32_t page, std::uint32_t offset, std::uint32_t piece, std::uint32_t at) {
        std::memcpy(PageForWrite(page) + offset, source + at, piece);
    });
}

void TSparseMemory::Program(std::uint32_t address, const std::uint8_t* source, std::uint32_t length)
{
    ForEachPiece(address, length, [&](std::uint32_t page, std::uint32_t offset, std::uint32_t piece, std::uint32_t at) {
        // Programming all-ones changes nothing: keep the page unallocated.
        bool allOnes = true;
        for (std::uint32_t i = 0; i < piece && allOnes; ++i)
            allOnes = source[at + i] == 0xFF;
        if (allOnes)
            return;
        std::uint8_t* bytes = PageForWrite(page) + offset;
        for (std::uint32_t i = 0; i < piece; ++i)
            bytes[i] &= source[at + i];
    });
}

void TSparseMemory::Blank(std::uint32_t address, std::uint32_t length)
{
    ForEachPiece(address, length, [&](std::uint32_t page, std::uint32_t offset, std::uint32_t piece, std::uint32_t) {
        if (offset == 0 && piece == pageSize_)
            pages_[page].reset();
        else if (pages_[page])
            std::memset(pages_[page].get() + offset, blank_, piece);
    });
}

void TSparseMemory::Clear()
{
    for (auto& page : pages_)
        page.reset();
}

std::size_t TSparseMemory::AllocatedBytes() const
{
    std::size_t total = 0;
    for (const auto& page : pages_)
        if (page)
            total += pageSize_;
    return total;
}

} // namespace sim
