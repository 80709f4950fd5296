// vx5h mem dump|load|verify|erase: whole ranges streamed through files in constant
// memory, with the memory page's packets, range rules and file formats.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/MemFileInput.h"
#include "cli/MemRange.h"
#include "cli/ProgressLine.h"
#include "cli/Transfer.h"
#include "core/DumpFile.h"
#include "core/MemoryGeometry.h"
#include "core/MemoryTransfer.h"
#include "core/MemoryVerify.h"
#include "platform/Console.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

struct TFileArgs {
    std::string memory;
    std::string file;   // "-": standard input or output
    std::string start;  // hex words; "" = 0
    std::string length; // hex words; "" = to the end (dump) or the file's length (load)
    std::string format; // bin, hex, ihex; "" = by the name
    bool verify = false;
    bool force = false; // dump: replace a FILE the user may not write
    bool erase = false;

    TInputArgs Input() const { return {file, format, length.empty()}; }
};

// Where a dump's bytes go: a file that is replaced only once it is whole, or standard
// output as they come.
class TDumpTarget {
public:
    explicit TDumpTarget(const TFileArgs& args)
        : m_Args(args)
        , m_Format(FormatArgument(args.format, args.file))
        , m_Stream(stdout, m_Format)
        , m_File(m_Writer)
    {
        if (args.file == "-") {
            // Raw bytes would scramble a terminal, as curl refuses to.
            if (m_Format == memory::TFileFormat::Binary && platform::IsTerminal(platform::TStream::Output))
                Fail(exitcode::USAGE, "FILE: '-' would write raw bytes to the terminal; pipe them on (| xxd) or "
                                      "give --format hex or ihex");
            return;
        }
        Begin();
    }

    memory::IReadSink& Sink() { return m_Args.file == "-" ? static_cast<memory::IReadSink&>(m_Stream) : m_File; }

    std::string Problem() const
    {
        return m_Args.file == "-" ? "FILE: writing standard output failed"
                                  : "FILE: writing '" + m_Args.file + "' failed: " + m_Writer.Reason();
    }

    // The writer removes its temporary file on every way out; an old file stays.
    void Commit()
    {
        const bool done = m_Args.file == "-" ? m_Stream.Finish() : m_Writer.Commit() == memory::TDumpStatus::Ok;
        if (!done)
            Fail(exitcode::FILE, Problem());
    }

private:
    // Everything that keeps the dump from its file ends it here, before the board is touched.
    void Begin()
    {
        const std::string file = "'" + m_Args.file + "'";
        switch (m_Writer.Begin(m_Args.file, m_Format, m_Args.force)) {
        case memory::TDumpStatus::Ok:
            return;
        case memory::TDumpStatus::ReadOnly:
            Fail(exitcode::FILE, "FILE: cannot replace " + file + ": you may not write it (--force replaces it)");
        case memory::TDumpStatus::NotRegular:
            Fail(exitcode::FILE, "FILE: " + file + " is not a regular file");
        case memory::TDumpStatus::UnsafeLink:
            Fail(exitcode::FILE, "FILE: " + file + " is a symbolic link another user made in a folder others may "
                                                    "write to; it is not followed");
        default:
            break;
        }
        Fail(exitcode::FILE, "FILE: cannot create " + file + ": " + m_Writer.Reason());
    }

    const TFileArgs& m_Args;
    memory::TFileFormat m_Format;
    memory::TStreamSink m_Stream;
    memory::TDumpFileWriter m_Writer;
    memory::TDumpSink m_File;
};

void Dump(TContext& context, const TFileArgs& args)
{
    const TMemRange range = RangeFrom(args.memory, args.start, args.length);
    TDumpTarget target(args);
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted());
    const memory::TRangeResult result = memory::ReadRangeWithProgress(
        board, progress, range.type, 2 * range.address, 2 * range.words, target.Sink(), memory::STREAM_STEP);
    progress.Finish(result.ok, result.retried);
    CheckTransfer(result, "mem dump", memory::MemoryTypeName(range.type), 2 * range.address, target.Problem());
    target.Commit();
    NoteRetries(context, result, "mem dump", context.ProgressWanted());
}

// A HEX file is read through once before the first packet, so that bad text changes
// nothing on the board; a raw file has nothing to check, and Intel HEX was checked
// whole when it was opened.
void CheckWholeFile(memory::TMemoryFileReader& reader, const std::string& file)
{
    if (reader.Format() != memory::TFileFormat::Hex)
        return;
    memory::TFileSource source(reader);
    while (reader.Left() > 0)
        if (!source.Next(std::min<std::uint32_t>(reader.Left(), memory::STREAM_STEP)))
            Fail(exitcode::FILE, LoadProblem(reader, source.Status(), file));
    if (reader.Rewind() != memory::TLoadStatus::Ok)
        Fail(exitcode::FILE, LoadProblem(reader, memory::TLoadStatus::ReadError, file));
}

void Verify(TContext& context, memory::TMemoryFileReader& reader, const TFileArgs& args, const TMemRange& range)
{
    memory::TFileSource source(reader);
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted());
    const memory::TVerifyResult result
        = memory::VerifyRangeWithProgress(board, progress, range.type, 2 * range.address, reader.Count(), source);
    progress.Finish(result.read.ok, result.read.retried);
    const char* name = memory::MemoryTypeName(range.type);
    CheckTransfer(result.read, "mem verify", name, 2 * range.address, LoadProblem(reader, source.Status(), args.file));
    NoteRetries(context, result.read, "mem verify", context.ProgressWanted());
    if (result.differentBytes > 0)
        Fail(exitcode::DIFFERENT, name + std::string(" differs from ") + FileText(args.file) + ": first at word "
                + WordAddressText(result.firstDifference) + ", " + std::to_string(result.differentWords)
                + (result.differentWords == 1 ? " word differs" : " words differ"));
    context.Note(std::string(name) + " holds what " + FileText(args.file) + " holds");
}

void VerifyFile(TContext& context, const TFileArgs& args)
{
    const TMemRange range = RangeFrom(args.memory, args.start, args.length);
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, args.Input(), range, TTooLong::Differ);
    Verify(context, reader, args, range);
}

// --erase: the blocks the range touches, on the load's progress line; what they hold
// around the range stays.
void EraseForLoad(TBoard& board, TProgressLine& progress, std::uint8_t type, std::uint32_t byteAddress,
    std::uint32_t byteCount)
{
    progress.NextStep("erase", TUnit::Blocks);
    const memory::TEraseResult erased = memory::EraseRangeWithProgress(board, progress, type, byteAddress, byteCount);
    if (erased.success)
        return;
    progress.Finish(false);
    const std::string what = "mem load --erase";
    if (erased.aborted)
        Fail(exitcode::CANCELLED, what + " stopped with Ctrl-C; part of the blocks are erased, nothing is programmed");
    const std::string cause = erased.linkLost ? std::string(": the link failed (") + LinkFailureText(erased.failure) + ")"
                                              : ": the board refused it";
    if (erased.keptFailed)
        Fail(erased.linkLost ? exitcode::LINK : exitcode::REFUSED,
            what + ": the bytes around the range in its first and last block could not be kept" + cause);
    Fail(erased.linkLost ? exitcode::LINK : exitcode::REFUSED, what + ": erasing the blocks failed" + cause);
}

void Load(TContext& context, const TFileArgs& args)
{
    const TMemRange range = RangeFrom(args.memory, args.start, args.length);
    if (args.erase && !memory::IsErasable(range.type))
        Fail(exitcode::USAGE, "--erase: " + std::string(memory::MemoryTypeName(range.type))
                + " has no erase; only FLASH and EPCS are erased");
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, args.Input(), range, TTooLong::Refuse);
    CheckWholeFile(reader, args.file);
    memory::TFileSource source(reader);
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted());
    if (args.erase) {
        EraseForLoad(board, progress, range.type, 2 * range.address, reader.Count());
        progress.NextStep("program and verify", TUnit::Bytes);
    }
    const memory::TRangeResult result
        = memory::WriteRangeWithProgress(board, progress, range.type, 2 * range.address, reader.Count(), source);
    progress.Finish(result.ok, result.retried);
    CheckTransfer(result, "mem load", memory::MemoryTypeName(range.type), 2 * range.address,
        LoadProblem(reader, source.Status(), args.file));
    NoteRetries(context, result, "mem load", context.ProgressWanted());
    if (!args.verify)
        return;
    if (reader.Rewind() != memory::TLoadStatus::Ok)
        Fail(exitcode::FILE, LoadProblem(reader, memory::TLoadStatus::ReadError, args.file));
    Verify(context, reader, args, range);
}

void Erase(TContext& context, const std::string& memoryName)
{
    const std::uint8_t type = MemoryArgument(memoryName);
    if (!memory::IsErasable(type))
        Fail(exitcode::USAGE, "MEMORY: " + std::string(memory::MemoryTypeName(type))
                + " has no erase; only FLASH and EPCS are erased");
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted(), TUnit::Blocks);
    const memory::TEraseResult result = memory::EraseChipWithProgress(board, progress, type);
    progress.Finish(result.success, result.retried);
    if (result.aborted)
        Fail(exitcode::CANCELLED, "mem erase stopped with Ctrl-C; part of the memory is erased");
    if (result.linkLost)
        Fail(exitcode::LINK, std::string("mem erase failed: the link failed (") + LinkFailureText(result.failure) + ")");
    if (!result.success)
        Fail(exitcode::REFUSED, "mem erase failed: the board did not erase every block");
}

CLI::App* AddFileCommand(CLI::App& mem, TFileArgs& args, const char* name, const char* description)
{
    auto* command = mem.add_subcommand(name, description);
    command->add_option("MEMORY", args.memory, "The memory")->required();
    command->add_option("FILE", args.file,
               "The file, '-' for standard input or output: HEX text when its name ends in .hex (Intel HEX when "
               "that text starts with ':'), else raw bytes")
        ->required();
    command->add_option("--start", args.start, "First word, hex (0 by default)");
    command->add_option("--length", args.length, "Words, hex");
    command->add_option("--format", args.format, "bin, hex or ihex, whatever the name says");
    return command;
}

} // namespace

void AddMemFileCommands(CLI::App& mem, TContext& context)
{
    auto args = std::make_shared<TFileArgs>();
    auto* dump = AddFileCommand(mem, *args, "dump", "Save a range (the whole memory by default) to FILE");
    dump->add_flag("--force", args->force, "Replace FILE even when you may not write it, as cp --force does");
    dump->callback([&context, args] { Dump(context, *args); });
    auto* load = AddFileCommand(mem, *args, "load", "Write FILE into the memory from --start on (the whole file by default)");
    load->add_flag("--verify", args->verify, "Read the range back and compare it with FILE");
    load->add_flag("--erase", args->erase,
        "FLASH, EPCS: first erase the blocks the range touches (what they hold around it stays), then program "
        "and verify");
    load->callback([&context, args] { Load(context, *args); });
    AddFileCommand(mem, *args, "verify", "Compare the memory with FILE, over the range load would write")
        ->callback([&context, args] { VerifyFile(context, *args); });

    auto* erase = mem.add_subcommand("erase", "Erase FLASH or EPCS, block by block");
    erase->add_option("MEMORY", args->memory, "FLASH or EPCS")->required();
    erase->callback([&context, args] { Erase(context, args->memory); });
}

} // namespace cli
