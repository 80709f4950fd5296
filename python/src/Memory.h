#pragma once

#include "Arguments.h"
#include "Progress.h"
#include "Session.h"

#include "core/MemoryTransfer.h"
#include "core/MemoryVerify.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// A memory of the board as Python sees it: byte offsets from 0 to its size, read and
// written through the core's range transfers (the packets, keep-alives and checks of the
// window and of vx5h), checked against what Python hands in.
namespace pyvx5h {

struct TMemory {
    std::shared_ptr<TSession> session;
    std::uint8_t type = 0;
    std::uint32_t size = 0;

    std::string Name() const;
};

// A checked range of a memory, in bytes.
struct TRange {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// `length` bytes from `offset`, or to the end when `length` is nothing; ValueError when
// they do not lie within the memory.
TRange RangeOf(const TMemory& memory, long long offset, std::optional<long long> length);

// The bytes of a bytes-like object (bytes, bytearray, memoryview, a numpy array), held
// while the board reads them without the GIL. A buffer that is not one contiguous block
// is copied in C order first. Made and dropped with the GIL.
class TInputBytes {
public:
    explicit TInputBytes(pybind11::handle data);
    ~TInputBytes();
    TInputBytes(const TInputBytes&) = delete;
    TInputBytes& operator=(const TInputBytes&) = delete;

    const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(m_View.buf); }
    std::size_t Size() const { return static_cast<std::size_t>(m_View.len); }

private:
    pybind11::object m_Copy;
    Py_buffer m_View{};
};

// Reads the range into `dest`; one packet goes alone, as the memory page's word access
// sends it, anything longer through the range transfer with progress and cancel.
void ReadInto(TMemory& memory, const TRange& range, std::uint8_t* dest, const pybind11::object& progress);
// Writes the range from `source`; FLASH and EPCS are read back, since programming only
// clears bits and a word that was not erased would hold something else than written.
void WriteFrom(TMemory& memory, const TRange& range, const std::uint8_t* source, const pybind11::object& progress);

// Runs a range transfer (`op`, inside the session) and settles its outcome: a lost link
// closes the board and raises LinkError, Ctrl-C or the progress callable's exception is
// raised, a refusal raises RefusedError. Returns the result when the range moved or only
// its data source or sink failed (`dataFailed`), which the caller explains.
template<typename Op>
memory::TRangeResult Transfer(TMemory& memory, TPyProgress& progress, const char* what, const TRange& range, Op op);

// The range compared with `expected`, read as a transfer is.
memory::TVerifyResult Compare(
    TMemory& memory, TPyProgress& progress, const TRange& range, memory::IWriteSource& expected);

// For a programmed FLASH or EPCS range: RefusedError when it does not hold `expected`.
void CheckProgrammed(TMemory& memory, TPyProgress& progress, const TRange& range, memory::IWriteSource& expected);

// "read of SDRAM stopped at byte offset 0x1000".
std::string StoppedText(const char* what, const TMemory& memory, std::uint32_t offset);
// A FLASH or EPCS word that the transfer read back otherwise than it wrote.
std::string NotErasedText(const TMemory& memory, const memory::TRangeResult& result);

// A user's file name as an absolute path: taken at the call, so that the program folder
// a connect in another thread moves to for a moment never changes which file is meant.
std::filesystem::path AbsolutePath(const std::filesystem::path& path);

// dump, load, verify and erase, added to the Memory class.
void AddMemoryFiles(pybind11::class_<TMemory>& memory);

template<typename Op>
memory::TRangeResult Transfer(TMemory& memory, TPyProgress& progress, const char* what, const TRange& range, Op op)
{
    const memory::TRangeResult result = memory.session->Run([&](TBoard& board) {
        const memory::TRangeResult outcome = op(board);
        if (!outcome.aborted && outcome.linkLost)
            memory.session->LinkLost(StoppedText(what, memory, range.offset + outcome.moved)
                + ": the link is lost (" + LinkFailureText(outcome.failure) + ")");
        return outcome;
    });
    progress.RaiseIfStopped();
    if (result.notErased)
        throw TRefusedError(NotErasedText(memory, result));
    if (!result.ok && !result.dataFailed)
        throw TRefusedError(
            StoppedText(what, memory, range.offset + result.moved) + ": the board refused the transfer");
    return result;
}

} // namespace pyvx5h
