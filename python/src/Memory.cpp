#include "Memory.h"

#include "board/Protocol.h"
#include "core/MemoryGeometry.h"
#include "core/Counted.h"

#include <cstdio>

namespace py = pybind11;

namespace pyvx5h {

namespace {

std::string Hex(long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%s0x%llX", value < 0 ? "-" : "",
        value < 0 ? -static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value));
    return text;
}

// Steps of one packet, so that Ctrl-C and close() stop a read at its next packet.
constexpr std::uint32_t PACKET_STEP = protocol::MEMORY_READ_CHUNK;

} // namespace

std::string TMemory::Name() const { return memory::MemoryTypeName(type); }

TRange RangeOf(const TMemory& memory, long long offset, std::optional<long long> length)
{
    if (offset < 0 || offset > memory.size)
        throw py::value_error(
            "offset " + Hex(offset) + " lies outside " + memory.Name() + " (0 to " + Hex(memory.size) + ")");
    const long long room = memory.size - offset;
    const long long count = length.value_or(room);
    if (count < 0)
        throw py::value_error("length " + std::to_string(count) + " is negative");
    if (count > room)
        throw py::value_error(text::Counted(count, "byte") + " from offset " + Hex(offset)
            + (count == 1 ? " runs" : " run") + " past the end of " + memory.Name() + " (" + Hex(memory.size)
            + " bytes)");
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(count)};
}

TInputBytes::TInputBytes(py::handle data)
{
    if (!PyObject_CheckBuffer(data.ptr()))
        throw py::type_error("data must be a bytes-like object (bytes, bytearray, memoryview, a numpy array), not "
            + std::string(Py_TYPE(data.ptr())->tp_name));
    if (PyObject_GetBuffer(data.ptr(), &m_View, PyBUF_C_CONTIGUOUS) == 0)
        return;
    // A strided view (a numpy slice with a step, a transposed array) goes as its C-order copy.
    PyErr_Clear();
    m_Copy = py::memoryview(py::reinterpret_borrow<py::object>(data)).attr("tobytes")();
    if (PyObject_GetBuffer(m_Copy.ptr(), &m_View, PyBUF_SIMPLE) != 0)
        throw py::error_already_set();
}

TInputBytes::~TInputBytes() { PyBuffer_Release(&m_View); }

std::string StoppedText(const char* what, const TMemory& memory, std::uint32_t offset)
{
    return std::string(what) + " of " + memory.Name() + " stopped at byte offset " + Hex(offset);
}

std::string NotErasedText(const TMemory& memory, const memory::TRangeResult& result)
{
    char words[48];
    std::snprintf(words, sizeof words, "the word there reads %04X, not %04X", result.readWord, result.wroteWord);
    return memory.Name() + " does not hold what was written from byte offset " + Hex(result.badAddress) + " on ("
        + words + "): programming only clears bits, so erase() it first";
}

std::filesystem::path AbsolutePath(const std::filesystem::path& path)
{
    // A path that has no absolute form (an empty one) is left for the open to refuse, with
    // the system's reason, as any other file that cannot be had.
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

void ReadInto(TMemory& memory, const TRange& range, std::uint8_t* dest, const py::object& progress)
{
    TPyProgress watch(*memory.session, progress);
    if (progress.is_none() && range.length <= protocol::MEMORY_READ_CHUNK) {
        memory.session->Run([&](TBoard& board) {
            bool accepted = true;
            const bool exchanged = board.MemoryRead(accepted, memory.type, range.offset, range.length, dest);
            memory.session->Check(exchanged, accepted, "read");
        });
        return;
    }
    memory::TBufferSink sink(dest);
    Transfer(memory, watch, "read", range, [&](TBoard& board) {
        return memory::ReadRangeWithProgress(board, watch, memory.type, range.offset, range.length, sink, PACKET_STEP);
    });
}

void WriteFrom(TMemory& memory, const TRange& range, const std::uint8_t* source, const py::object& progress)
{
    TPyProgress watch(*memory.session, progress);
    if (progress.is_none() && range.length <= protocol::MEMORY_WRITE_CHUNK) {
        memory.session->Run([&](TBoard& board) {
            bool accepted = true;
            const bool exchanged = board.MemoryWrite(accepted, memory.type, range.offset, range.length, source);
            memory.session->Check(exchanged, accepted, "write");
        });
    } else {
        memory::TBufferSource data(source);
        Transfer(memory, watch, "write", range, [&](TBoard& board) {
            return memory::WriteRangeWithProgress(board, watch, memory.type, range.offset, range.length, data);
        });
    }
    memory::TBufferSource written(source);
    CheckProgrammed(memory, watch, range, written);
}

memory::TVerifyResult Compare(
    TMemory& memory, TPyProgress& progress, const TRange& range, memory::IWriteSource& expected)
{
    memory::TVerifyResult result;
    Transfer(memory, progress, "verify", range, [&](TBoard& board) {
        result = memory::VerifyRangeWithProgress(
            board, progress, memory.type, range.offset, range.length, expected, PACKET_STEP);
        return result.read;
    });
    return result;
}

void CheckProgrammed(TMemory& memory, TPyProgress& progress, const TRange& range, memory::IWriteSource& expected)
{
    if (!memory::IsErasable(memory.type) || range.length == 0)
        return;
    const memory::TVerifyResult result = Compare(memory, progress, range, expected);
    if (result.differentBytes > 0)
        throw TRefusedError(memory.Name() + " does not hold what was written from byte offset "
            + Hex(result.firstDifference) + " on (" + text::Counted(result.differentBytes, "byte")
            + (result.differentBytes == 1 ? " differs" : " differ")
            + "): programming only clears bits, so erase() it first");
}

} // namespace pyvx5h
