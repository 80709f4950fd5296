// vx5h mem read|write: words of a memory, as the memory page's random access moves them.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/MemRange.h"
#include "core/MemoryGeometry.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <vector>

namespace cli {

namespace {

// Words printed a line, and read an exchange: one line's worth keeps memory small.
constexpr std::uint32_t WORDS_PER_LINE = 8;
constexpr std::uint32_t WORDS_PER_READ = 8192;

struct TWordsArgs {
    std::string memory;
    std::string address;
    std::string count = "1";
    std::vector<std::string> words;
};

void ReadWords(TContext& context, const TWordsArgs& args)
{
    const TMemRange range = WordRange(args.memory, args.address, args.count);
    TBoard& board = context.Board();
    std::vector<std::uint8_t> bytes(2 * WORDS_PER_READ);
    for (std::uint32_t done = 0; done < range.words;) {
        const std::uint32_t words = std::min(WORDS_PER_READ, range.words - done);
        context.Check(board.MemoryRead(range.type, 2 * (range.address + done), 2 * words, bytes.data()), "mem read");
        for (std::uint32_t i = 0; i < words; ++i) {
            const bool lineEnds = (done + i + 1) % WORDS_PER_LINE == 0 || done + i + 1 == range.words;
            std::printf("%04X%c", bytes[2 * i] | bytes[2 * i + 1] << 8, lineEnds ? '\n' : ' ');
        }
        done += words;
    }
}

void WriteWords(TContext& context, const TWordsArgs& args)
{
    const TMemRange range = WordRange(args.memory, args.address, memory::HexText(static_cast<std::uint32_t>(args.words.size())));
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < args.words.size(); ++i) {
        const std::uint32_t word = HexArgument(args.words[i], "WORD " + std::to_string(i + 1), 0xFFFF);
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    context.Check(context.Board().MemoryWrite(range.type, 2 * range.address,
                      static_cast<std::uint32_t>(bytes.size()), bytes.data()),
        "mem write");
}

} // namespace

void AddMemCommand(CLI::App& app, TContext& context)
{
    auto* mem = app.add_subcommand("mem", "The memories: SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH (any case); "
                                          "addresses and lengths in hex words, as the memory page takes them");
    mem->require_subcommand(1);
    auto args = std::make_shared<TWordsArgs>();

    auto* read = mem->add_subcommand("read", "Print COUNT words from ADDRESS, eight a line");
    read->add_option("MEMORY", args->memory, "The memory")->required();
    read->add_option("ADDRESS", args->address, "Word address in hex")->required();
    read->add_option("COUNT", args->count, "Words in hex (1 by default)");
    read->callback([&context, args] { ReadWords(context, *args); });

    auto* write = mem->add_subcommand("write", "Write words from ADDRESS on");
    write->add_option("MEMORY", args->memory, "The memory")->required();
    write->add_option("ADDRESS", args->address, "Word address in hex")->required();
    write->add_option("WORD", args->words, "Words in hex (0 to FFFF)")->required();
    write->callback([&context, args] { WriteWords(context, *args); });

    AddMemFileCommands(*mem, context);
}

} // namespace cli
