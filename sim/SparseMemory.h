#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace sim {

// A memory chip whose storage is spent only where it was written: it is split into pages
// that are allocated on the first write and read as the chip's blank value until then.
// 128 MB of SDRAM therefore cost nothing until the panel fills them.
class TSparseMemory {
public:
    TSparseMemory(std::uint32_t size, std::uint8_t blankValue);

    std::uint32_t Size() const { return size_; }
    std::uint8_t BlankValue() const { return blank_; }

    // Callers check ranges first (Contains); out-of-range bytes are ignored here.
    bool Contains(std::uint64_t address, std::uint64_t length) const
    {
        return address <= size_ && length <= size_ - address;
    }
    void Read(std::uint32_t address, std::uint8_t* dest, std::uint32_t length) const;
    // Plain write (RAM, EEPROM).
    void Write(std::uint32_t address, const std::uint8_t* source, std::uint32_t length);
    // NOR programming: a bit can only go from 1 to 0; only an erase sets it again.
    void Program(std::uint32_t address, const std::uint8_t* source, std::uint32_t length);
    // Back to the blank value over [address, address + length); whole pages are freed.
    void Blank(std::uint32_t address, std::uint32_t length);
    void Clear();

    // Bytes actually allocated (for tests and the state report).
    std::size_t AllocatedBytes() const;

private:
    std::uint8_t* PageForWrite(std::uint32_t index);
    template<typename Op> void ForEachPiece(std::uint32_t address, std::uint32_t length, Op op) const;

    std::uint32_t size_;
    std::uint8_t blank_;
    std::uint32_t pageSize_;
    std::vector<std::unique_ptr<std::uint8_t[]>> pages_;
};

} // namespace sim
