// vx5h mem dump|load|verify|erase: whole ranges streamed through files in constant
// memory, with the memory page's packets, range rules and file formats.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/MemRange.h"
#include "cli/ProgressLine.h"
#include "core/DumpFile.h"
#include "core/FileAccess.h"
#include "core/MemoryFile.h"
#include "core/MemoryGeometry.h"
#include "core/MemoryTransfer.h"
#include "core/MemoryVerify.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

struct TFileArgs {
    std::string memory;
    std::string file;
    std::string start;  // hex words; "" = 0
    std::string length; // hex words; "" = to the end (dump) or the file's length (load)
    bool verify = false;
    bool force = false; // dump: replace a FILE the user may not write
};

std::string WordAddressText(std::uint32_t byteAddress)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", byteAddress / 2);
    return text;
}

// A step that failed: the board refused it when it still answers, else the link is gone.
[[noreturn]] void FailStep(TBoard& board, const std::string& what, std::uint32_t byteAddress)
{
    const bool answers = board.Ping();
    Fail(answers ? exitcode::REFUSED : exitcode::LINK,
        what + " stopped at word " + WordAddressText(byteAddress)
            + (answers ? ": the board refused the transfer" : ": the board did not answer; the link is lost"));
}

// Ends a transfer that did not finish, in the order that matters to the user.
void CheckTransfer(TBoard& board, const memory::TRangeResult& result, const std::string& what,
    std::uint32_t byteAddress, const std::string& fileProblem)
{
    if (result.aborted)
        Fail(exitcode::CANCELLED, what + " stopped with Ctrl-C at word " + WordAddressText(byteAddress + result.moved));
    if (result.dataFailed)
        Fail(exitcode::FILE, fileProblem);
    if (!result.ok)
        FailStep(board, what, byteAddress + result.moved);
}

// Everything that keeps the dump from its file ends it here, before the board is touched.
void BeginDump(memory::TDumpFileWriter& writer, const TFileArgs& args)
{
    const std::string file = "'" + args.file + "'";
    switch (writer.Begin(args.file, memory::IsHexFileName(args.file), args.force)) {
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
    Fail(exitcode::FILE, "FILE: cannot create " + file + ": " + writer.Reason());
}

void Dump(TContext& context, const TFileArgs& args)
{
    const TMemRange range = RangeFrom(args.memory, args.start, args.length);
    memory::TDumpFileWriter writer;
    BeginDump(writer, args);
    TBoard& board = context.Board();
    memory::TDumpSink sink(writer);
    TProgressLine progress(context.ProgressWanted());
    const memory::TRangeResult result = memory::ReadRangeWithProgress(
        board, progress, range.type, 2 * range.address, 2 * range.words, sink, memory::STREAM_STEP);
    progress.Finish(result.ok);
    // The writer removes its temporary file on every way out; the old file stays.
    CheckTransfer(board, result, "mem dump", 2 * range.address, "FILE: writing '" + args.file + "' failed");
    if (writer.Commit() != memory::TDumpStatus::Ok)
        Fail(exitcode::FILE, "FILE: writing '" + args.file + "' failed: " + writer.Reason());
}

std::string LoadProblem(memory::TLoadStatus status, const std::string& file)
{
    switch (status) {
    case memory::TLoadStatus::Ok:
        break;
    case memory::TLoadStatus::OpenFailed:
        return "FILE: cannot open '" + file + "'";
    case memory::TLoadStatus::SizeLess:
        return "FILE: '" + file + "' holds fewer bytes than --length asks for";
    case memory::TLoadStatus::ReadError:
        return "FILE: reading '" + file + "' failed";
    case memory::TLoadStatus::InvalidHex:
        return "FILE: '" + file + "' is not a valid HEX file";
    case memory::TLoadStatus::NotRegular:
        return "FILE: '" + file + "' is not a regular file";
    }
    return "FILE: '" + file + "' is empty";
}

// Plans the file's bytes for the range, or ends with the reason there are none.
void OpenPlanned(memory::TMemoryFileReader& reader, const TFileArgs& args, const TMemRange& range)
{
    const std::uint32_t space = memory::TMemoryGeometry().SizeBytes(range.type) - 2 * range.address;
    memory::TLoadStatus status = reader.Open(args.file, memory::IsHexFileName(args.file));
    if (status == memory::TLoadStatus::Ok)
        status = reader.Plan(args.length.empty(), 2 * range.words, space);
    if (status != memory::TLoadStatus::Ok || reader.Count() == 0)
        Fail(exitcode::FILE, LoadProblem(status, args.file));
}

// A HEX file is read through once before the first packet, so that bad text changes
// nothing on the board; a binary file has nothing to check.
void CheckWholeFile(const TFileArgs& args, const TMemRange& range)
{
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, args, range);
    if (!memory::IsHexFileName(args.file))
        return;
    memory::TFileSource source(reader);
    while (reader.Left() > 0)
        if (!source.Next(std::min<std::uint32_t>(reader.Left(), memory::STREAM_STEP)))
            Fail(exitcode::FILE, LoadProblem(source.Status(), args.file));
}

void Verify(TContext& context, const TFileArgs& args, const TMemRange& range)
{
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, args, range);
    memory::TFileSource source(reader);
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted());
    const memory::TVerifyResult result
        = memory::VerifyRangeWithProgress(board, progress, range.type, 2 * range.address, reader.Count(), source);
    progress.Finish(result.read.ok);
    CheckTransfer(board, result.read, "mem verify", 2 * range.address, LoadProblem(source.Status(), args.file));
    if (result.differentBytes > 0)
        Fail(exitcode::DIFFERENT, memory::MemoryTypeName(range.type) + std::string(" differs from '") + args.file
                + "': first at word " + WordAddressText(result.firstDifference) + ", "
                + std::to_string(result.differentWords) + (result.differentWords == 1 ? " word differs" : " words differ"));
    context.Note(std::string(memory::MemoryTypeName(range.type)) + " holds what '" + args.file + "' holds");
}

void Load(TContext& context, const TFileArgs& args)
{
    const TMemRange range = RangeFrom(args.memory, args.start, args.length);
    CheckWholeFile(args, range);
    memory::TMemoryFileReader reader;
    OpenPlanned(reader, args, range);
    memory::TFileSource source(reader);
    TBoard& board = context.Board();
    TProgressLine progress(context.ProgressWanted());
    const memory::TRangeResult result
        = memory::WriteRangeWithProgress(board, progress, range.type, 2 * range.address, reader.Count(), source);
    progress.Finish(result.ok);
    CheckTransfer(board, result, "mem load", 2 * range.address, LoadProblem(source.Status(), args.file));
    if (args.verify)
        Verify(context, args, range);
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
    progress.Finish(result.success);
    if (result.aborted)
        Fail(exitcode::CANCELLED, "mem erase stopped with Ctrl-C; part of the memory is erased");
    if (!result.success)
        Fail(board.Ping() ? exitcode::REFUSED : exitcode::LINK, "mem erase failed: the board did not erase every block");
}

CLI::App* AddFileCommand(CLI::App& mem, TFileArgs& args, const char* name, const char* description)
{
    auto* command = mem.add_subcommand(name, description);
    command->add_option("MEMORY", args.memory, "The memory")->required();
    command->add_option("FILE", args.file, "The file: HEX text when its name ends in .hex, else raw bytes")->required();
    command->add_option("--start", args.start, "First word, hex (0 by default)");
    command->add_option("--length", args.length, "Words, hex");
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
    load->callback([&context, args] { Load(context, *args); });
    AddFileCommand(mem, *args, "verify", "Compare the memory with FILE, over the range load would write")
        ->callback([&context, args] { Verify(context, *args, RangeFrom(args->memory, args->start, args->length)); });

    auto* erase = mem.add_subcommand("erase", "Erase FLASH or EPCS, block by block");
    erase->add_option("MEMORY", args->memory, "FLASH or EPCS")->required();
    erase->callback([&context, args] { Erase(context, args->memory); });
}

} // namespace cli
