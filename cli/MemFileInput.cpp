#include "cli/MemFileInput.h"

#include "cli/Args.h"
#include "cli/Cli.h"
#include "core/Counted.h"
#include "cli/Transfer.h"
#include "core/MemoryGeometry.h"
#include "platform/Console.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace cli {

namespace {

// More than the text of the largest memory in any format: a pipe that never ends fills no disk.
constexpr std::uint64_t STANDARD_INPUT_LIMIT = 512ull << 20;
constexpr std::size_t COPY_PIECE = 1 << 20;

// Standard input can be read once only, while a load reads its file up to three times
// (checked, written, verified): it is copied into a temporary file that the system
// removes however vx5h ends.
memory::TFilePtr CopyOfStandardInput()
{
    if (platform::IsTerminal(platform::TStream::Input))
        Fail(exitcode::USAGE, "FILE: '-' reads standard input, which is a terminal; pipe or redirect the file into vx5h");
    memory::TFilePtr copy(std::tmpfile());
    if (!copy)
        Fail(exitcode::FILE, "FILE: no temporary file for standard input: " + memory::SystemReason(errno));
    std::vector<char> piece(COPY_PIECE);
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t n = std::fread(piece.data(), 1, piece.size(), stdin);
        if (platform::InterruptRequested())
            Fail(exitcode::CANCELLED, "stopped with Ctrl-C while reading standard input");
        if (n > 0 && std::fwrite(piece.data(), 1, n, copy.get()) != n)
            Fail(exitcode::FILE, "FILE: copying standard input failed: " + memory::SystemReason(errno));
        total += n;
        if (total > STANDARD_INPUT_LIMIT)
            Fail(exitcode::FILE, "FILE: standard input holds more than any memory's file can");
        if (n < piece.size())
            break;
    }
    if (std::ferror(stdin))
        Fail(exitcode::FILE, "FILE: reading standard input failed: " + memory::SystemReason(errno));
    std::rewind(copy.get());
    return copy;
}

std::string Bytes(std::uint64_t count) { return text::Counted(count, "byte"); }

} // namespace

std::string FileText(const std::string& file) { return file == "-" ? "standard input" : "'" + file + "'"; }

std::string LoadProblem(const memory::TMemoryFileReader& reader, memory::TLoadStatus status, const std::string& file)
{
    const std::string name = FileText(file);
    switch (status) {
    case memory::TLoadStatus::Ok:
        break;
    case memory::TLoadStatus::OpenFailed:
        return "FILE: cannot open " + name + ": " + reader.Reason();
    case memory::TLoadStatus::SizeLess:
        return "FILE: " + name + " holds fewer bytes than --length asks for";
    case memory::TLoadStatus::ReadError:
        return "FILE: reading " + name + " failed: " + reader.Reason();
    case memory::TLoadStatus::InvalidHex:
        return "FILE: " + name + " is not a valid "
            + (reader.Format() == memory::TFileFormat::IntelHex ? "Intel HEX" : "HEX") + " file: " + reader.Reason();
    case memory::TLoadStatus::NotRegular:
        return "FILE: " + name + " is not a regular file";
    }
    return "FILE: " + name + " is empty";
}

void OpenPlanned(memory::TMemoryFileReader& reader, const TInputArgs& args, const TMemRange& range, TTooLong tooLong)
{
    const memory::TFileFormat format = FormatArgument(args.format, args.file);
    memory::TLoadStatus status
        = args.file == "-" ? reader.Open(CopyOfStandardInput(), format) : reader.Open(args.file, format);
    if (status != memory::TLoadStatus::Ok)
        Fail(exitcode::FILE, LoadProblem(reader, status, args.file));
    // The window reads a missing last digit as 0; here that would change the data silently.
    if (args.wholeFile && reader.OddText())
        Fail(exitcode::FILE, LoadProblem(reader, reader.RefuseOddText(), args.file));
    const char* memory = memory::MemoryTypeName(range.type);
    const std::uint32_t space = memory::TMemoryGeometry().SizeBytes(range.type) - 2 * range.address;
    if (args.wholeFile && reader.ContentBytes() > space) {
        const std::string lengths = FileText(args.file) + " holds " + Bytes(reader.ContentBytes()) + ", but from word "
            + WordAddressText(2 * range.address) + " to its end " + memory + " holds " + Bytes(space);
        if (tooLong == TTooLong::Differ)
            Fail(exitcode::DIFFERENT, std::string(memory) + " differs from " + FileText(args.file) + ": " + lengths);
        Fail(exitcode::USAGE, "FILE: " + lengths + "; nothing was written (--length takes a part of the file)");
    }
    status = reader.Plan(args.wholeFile, 2 * range.words, space);
    if (status != memory::TLoadStatus::Ok || reader.Count() == 0)
        Fail(exitcode::FILE, LoadProblem(reader, status, args.file));
}

} // namespace cli
