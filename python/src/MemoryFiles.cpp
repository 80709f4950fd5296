// Memory.dump, load, verify and erase: whole ranges to and from files (raw bytes, or HEX
// text when the name ends in .hex), streamed in constant memory as vx5h streams them.
#include "Memory.h"

#include "board/Protocol.h"
#include "core/DumpFile.h"
#include "core/FileAccess.h"
#include "core/MemoryFile.h"
#include "core/MemoryGeometry.h"
#include "core/Counted.h"

#include <pybind11/stl.h>

#include <algorithm>

namespace py = pybind11;
namespace fs = std::filesystem;

namespace pyvx5h {

namespace {

struct TVerifyOutcome {
    bool same = false;
    std::uint64_t differentBytes = 0;
    std::uint64_t differentWords = 0;
    std::optional<std::uint32_t> firstDifference;
    std::uint32_t checked = 0;
};

std::string Quoted(const fs::path& path) { return pyvx5h::Quoted(path.string()); }

// Why a memory file gives no bytes, as the exception Python code expects for it.
[[noreturn]] void FailLoad(memory::TLoadStatus status, const fs::path& path, const memory::TMemoryFileReader& reader)
{
    switch (status) {
    case memory::TLoadStatus::SizeLess:
        throw py::value_error(Quoted(path) + " holds fewer bytes than the length asks for");
    case memory::TLoadStatus::InvalidHex:
        if (reader.Format() == memory::TFileFormat::IntelHex)
            throw py::value_error(Quoted(path) + " is not a valid Intel HEX file: " + reader.Reason());
        throw py::value_error(Quoted(path) + " is not a valid HEX file: " + reader.Reason());
    case memory::TLoadStatus::NotRegular:
        throw TFileError(Quoted(path) + " is not a regular file");
    case memory::TLoadStatus::OpenFailed:
        throw TFileError("cannot open " + Quoted(path) + ": " + reader.Reason());
    default:
        throw TFileError("reading " + Quoted(path) + " failed: " + reader.Reason());
    }
}

// Opens the file and plans its bytes for the range from `offset`: all of it when `length`
// is nothing, which must then fit in the room to the memory's end.
void OpenPlanned(memory::TMemoryFileReader& reader, const TMemory& memory, const fs::path& path, long long offset,
    std::optional<long long> length)
{
    const TRange room = RangeOf(memory, offset, std::nullopt);
    const TRange wanted = RangeOf(memory, offset, length);
    memory::TLoadStatus status = reader.Open(path, memory::IsHexFileName(path));
    // A file cut to the room left would be written, or checked, only in part, and
    // reported as done.
    if (status == memory::TLoadStatus::Ok && !length && reader.ContentBytes() > room.length)
        throw py::value_error(Quoted(path) + " holds " + std::to_string(reader.ContentBytes())
            + " bytes, but from offset " + std::to_string(offset) + " " + memory.Name() + " has room for "
            + std::to_string(room.length) + "; pass length= to take a part of it");
    // The window reads a missing last digit as 0; a script would get a byte it never wrote.
    if (status == memory::TLoadStatus::Ok && !length && reader.OddText())
        status = reader.RefuseOddText();
    if (status == memory::TLoadStatus::Ok)
        status = reader.Plan(!length, wanted.length, room.length);
    if (status != memory::TLoadStatus::Ok)
        FailLoad(status, path, reader);
    // An empty file, or one that says it is (a /proc file), holds no bytes to compare or
    // to write: passing it as "same, 0 bytes" would hide that the wrong file was named.
    if (!length && reader.Count() == 0)
        throw py::value_error(Quoted(path) + " is empty");
}

// A HEX file is read through once before the first packet, so that bad text changes
// nothing on the board.
void CheckHexText(const TMemory& memory, const fs::path& path, long long offset, std::optional<long long> length)
{
    if (!memory::IsHexFileName(path))
        return;
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, memory, path, offset, length);
    memory::TFileSource source(reader);
    while (reader.Left() > 0)
        if (!source.Next(std::min<std::uint32_t>(reader.Left(), memory::STREAM_STEP)))
            FailLoad(source.Status(), path, reader);
}

void Dump(TMemory& memory, const fs::path& file, TInteger offset, std::optional<TInteger> lengthAsked,
    const py::object& progress)
{
    const std::optional<long long> length = Plain(lengthAsked);
    const TRange range = RangeOf(memory, offset, length);
    const fs::path path = AbsolutePath(file);
    TPyProgress watch(*memory.session, progress);
    memory::TDumpFileWriter writer;
    {
        const TGilRelease release;
        if (writer.Begin(path, memory::IsHexFileName(path)) != memory::TDumpStatus::Ok)
            throw TFileError("cannot create " + Quoted(file) + ": " + writer.Reason());
    }
    // The writer drops its part file on every way out; an existing file stays as it was.
    memory::TDumpSink sink(writer);
    const memory::TRangeResult result = Transfer(memory, watch, "dump", range, [&](TBoard& board) {
        return memory::ReadRangeWithProgress(
            board, watch, memory.type, range.offset, range.length, sink, protocol::MEMORY_READ_CHUNK);
    });
    const TGilRelease release;
    if (result.dataFailed || writer.Commit() != memory::TDumpStatus::Ok)
        throw TFileError("writing " + Quoted(file) + " failed: " + writer.Reason());
}

std::uint32_t Load(TMemory& memory, const fs::path& file, TInteger offset, std::optional<TInteger> lengthAsked,
    const py::object& progress)
{
    const std::optional<long long> length = Plain(lengthAsked);
    const fs::path path = AbsolutePath(file);
    memory::TMemoryFileReader reader;
    {
        const TGilRelease release;
        CheckHexText(memory, path, offset, length);
        OpenPlanned(reader, memory, path, offset, length);
    }
    const TRange range{static_cast<std::uint32_t>(offset), reader.Count()};
    TPyProgress watch(*memory.session, progress);
    memory::TFileSource source(reader);
    const memory::TRangeResult result = Transfer(memory, watch, "load", range, [&](TBoard& board) {
        return memory::WriteRangeWithProgress(board, watch, memory.type, range.offset, range.length, source);
    });
    if (result.dataFailed)
        FailLoad(source.Status(), path, reader);
    memory::TMemoryFileReader again;
    {
        const TGilRelease release;
        OpenPlanned(again, memory, path, offset, length);
    }
    memory::TFileSource written(again);
    CheckProgrammed(memory, watch, range, written);
    return range.length;
}

TVerifyOutcome Outcome(const memory::TVerifyResult& result, std::uint32_t checked)
{
    TVerifyOutcome outcome{result.Same(), result.differentBytes, result.differentWords, std::nullopt, checked};
    if (result.differentBytes > 0)
        outcome.firstDifference = result.firstDifference;
    return outcome;
}

TVerifyOutcome VerifyFile(TMemory& memory, const fs::path& file, long long offset, std::optional<long long> length,
    const py::object& progress)
{
    const fs::path path = AbsolutePath(file);
    memory::TMemoryFileReader reader;
    {
        const TGilRelease release;
        OpenPlanned(reader, memory, path, offset, length);
    }
    const TRange range{static_cast<std::uint32_t>(offset), reader.Count()};
    TPyProgress watch(*memory.session, progress);
    memory::TFileSource source(reader);
    const memory::TVerifyResult result = Compare(memory, watch, range, source);
    if (result.read.dataFailed)
        FailLoad(source.Status(), path, reader);
    return Outcome(result, range.length);
}

TVerifyOutcome VerifyData(TMemory& memory, const py::handle data, long long offset, std::optional<long long> length,
    const py::object& progress)
{
    const TInputBytes bytes(data);
    const long long size = static_cast<long long>(bytes.Size());
    if (length && *length > size)
        throw py::value_error(
            "length " + std::to_string(*length) + " asks for more than the data's " + text::Counted(size, "byte"));
    const TRange range = RangeOf(memory, offset, length.value_or(size));
    TPyProgress watch(*memory.session, progress);
    memory::TBufferSource source(bytes.Data());
    return Outcome(Compare(memory, watch, range, source), range.length);
}

TVerifyOutcome Verify(TMemory& memory, const py::object& expected, TInteger offset, std::optional<TInteger> length,
    const py::object& progress)
{
    if (py::isinstance<py::str>(expected) || py::hasattr(expected, "__fspath__"))
        return VerifyFile(memory, expected.cast<fs::path>(), offset, Plain(length), progress);
    return VerifyData(memory, expected, offset, Plain(length), progress);
}

void Erase(TMemory& memory, const py::object& progress)
{
    if (!memory::IsErasable(memory.type))
        throw py::value_error(memory.Name() + " has no erase; only FLASH and EPCS are erased");
    TPyProgress watch(*memory.session, progress);
    const memory::TEraseResult result = memory.session->Run([&](TBoard& board) {
        const memory::TEraseResult outcome = memory::EraseChipWithProgress(board, watch, memory.type);
        if (!outcome.aborted && outcome.linkLost)
            memory.session->LinkLost("erase of " + memory.Name() + ": the board did not answer; the link is lost ("
                + LinkFailureText(outcome.failure) + ")");
        return outcome;
    });
    watch.RaiseIfStopped();
    if (!result.success)
        throw TRefusedError("erase of " + memory.Name() + " failed: the board did not erase every block");
}

} // namespace

void AddMemoryFiles(py::class_<TMemory>& memory)
{
    py::class_<TVerifyOutcome>(
        memory, "Verify", "What verify() found: true (as a bool) when the range holds exactly what was expected.")
        .def_readonly("same", &TVerifyOutcome::same, "The range holds exactly what was expected.")
        .def_readonly("differing_bytes", &TVerifyOutcome::differentBytes)
        .def_readonly("differing_words", &TVerifyOutcome::differentWords,
            "Words (two bytes from an even offset) with at least one differing byte.")
        .def_readonly("first_difference", &TVerifyOutcome::firstDifference,
            "The byte offset of the first differing byte, or None.")
        .def_readonly("checked", &TVerifyOutcome::checked, "The bytes compared.")
        .def("__bool__", [](const TVerifyOutcome& self) { return self.same; })
        .def("__repr__", [](const TVerifyOutcome& self) {
            if (self.same)
                return "<vx5h.Memory.Verify same, " + text::Counted(self.checked, "byte") + ">";
            return "<vx5h.Memory.Verify " + text::Counted(self.differentWords, "word")
                + (self.differentWords == 1 ? " differs" : " differ") + ", the first at byte "
                + std::to_string(*self.firstDifference) + ">";
        });

    const char* fileNote = "A file whose name ends in .hex (any case) is HEX text, two hex digits a byte (read as "
                           "Intel HEX records when its first character is ':'); any other is raw bytes. ";
    memory.def("dump", &Dump, py::arg("path"), py::arg("offset") = 0, py::arg("length") = py::none(),
        py::arg("progress") = py::none(),
        (std::string("Saves `length` bytes from `offset` (to the memory's end by default) to a file. ") + fileNote
            + "The data goes to a part file beside it that takes the file's place only once complete: a dump that "
              "fails or is stopped leaves an existing file as it was.")
            .c_str());
    memory.def("load", &Load, py::arg("path"), py::arg("offset") = 0, py::arg("length") = py::none(),
        py::arg("progress") = py::none(),
        (std::string("Writes a file into the memory from `offset`: all of it by default (ValueError when it does "
                     "not fit), or its first `length` bytes. Returns the bytes written. ")
            + fileNote + "HEX text is checked whole before the first byte is written.")
            .c_str());
    memory.def("verify", &Verify, py::arg("expected"), py::arg("offset") = 0, py::arg("length") = py::none(),
        py::arg("progress") = py::none(),
        "Compares the memory from `offset` with a file (a path) or with bytes-like data, over the file's or the "
        "data's length or `length` bytes of it. Returns a Verify, true when the range holds what was expected.");
    memory.def("erase", &Erase, py::arg("progress") = py::none(),
        "Erases FLASH or EPCS block by block (erased bytes read 0xFF); `progress` counts blocks. ValueError for "
        "the other memories.");
}

} // namespace pyvx5h
