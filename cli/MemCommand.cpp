// vx5h mem read|write: words of a memory, as the memory page's random access moves them.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/MemRange.h"
#include "cli/Transfer.h"
#include "core/MemoryGeometry.h"
#include "core/MemoryTransfer.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

namespace cli {

namespace {

constexpr std::uint32_t WORDS_PER_LINE = 8;

struct TWordsArgs {
    std::string memory;
    std::string address;
    std::string count = "1";
    std::vector<std::string> words;
    bool json = false;
};

// Prints the words as they arrive: eight a line after the word address of the first, as
// xxd prints, or as one JSON object whose list of words is written as it grows.
class TWordPrinter final : public memory::IReadSink {
public:
    TWordPrinter(const TMemRange& range, bool json)
        : m_Next(range.address)
        , m_Json(json)
    {
        if (m_Json)
            std::printf("{\"memory\":%s,\"address\":%u,\"words\":[",
                nlohmann::json(memory::MemoryTypeName(range.type)).dump().c_str(), range.address);
    }

    std::uint8_t* Room(std::size_t count) override
    {
        m_Room.resize(count);
        return m_Room.data();
    }

    bool Filled(std::size_t count) override
    {
        // A step may end inside a word; its first byte waits for the next step.
        m_Bytes.insert(m_Bytes.end(), m_Room.begin(), m_Room.begin() + static_cast<std::ptrdiff_t>(count));
        std::size_t at = 0;
        for (; at + 1 < m_Bytes.size(); at += 2)
            Print(static_cast<std::uint16_t>(m_Bytes[at] | m_Bytes[at + 1] << 8));
        m_Bytes.erase(m_Bytes.begin(), m_Bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }

    void Finish()
    {
        if (m_Json)
            std::printf("]}\n");
        else if (m_OnLine > 0)
            std::printf("\n");
        std::fflush(stdout);
    }

private:
    void Print(std::uint16_t word)
    {
        if (m_Json) {
            std::printf("%s%u", m_Printed++ ? "," : "", word);
            return;
        }
        if (m_OnLine == 0)
            std::printf("%08X:", m_Next);
        std::printf(" %04X", word);
        ++m_Next;
        if (++m_OnLine == WORDS_PER_LINE) {
            std::printf("\n");
            m_OnLine = 0;
        }
    }

    std::uint32_t m_Next; // word address of the next word printed
    bool m_Json;
    std::uint32_t m_OnLine = 0;
    std::uint64_t m_Printed = 0;
    std::vector<std::uint8_t> m_Room;
    std::vector<std::uint8_t> m_Bytes;
};

void ReadWords(TContext& context, const TWordsArgs& args)
{
    const TMemRange range = WordRange(args.memory, args.address, args.count);
    TBoard& board = context.Board();
    TWordPrinter printer(range, args.json);
    memory::TNoProgress quiet;
    const memory::TRangeResult result = memory::ReadRangeWithProgress(
        board, quiet, range.type, 2 * range.address, 2 * range.words, printer, memory::STREAM_STEP);
    if (result.ok)
        printer.Finish();
    CheckTransfer(result, "mem read", memory::MemoryTypeName(range.type), 2 * range.address, "");
    NoteRetries(context, result, "mem read", false);
}

void WriteWords(TContext& context, const TWordsArgs& args)
{
    const TMemRange range = WordRange(args.memory, args.address, "1");
    const std::uint32_t room = memory::TMemoryGeometry().SizeWords(range.type) - range.address;
    if (args.words.size() > room)
        Fail(exitcode::USAGE, "WORD: " + std::to_string(args.words.size()) + " words from ADDRESS "
                + memory::HexText(range.address) + " run past the end of " + memory::MemoryTypeName(range.type) + "; "
                + std::to_string(room) + (room == 1 ? " fits" : " fit"));
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < args.words.size(); ++i) {
        const std::uint32_t word = HexArgument(args.words[i], "WORD " + std::to_string(i + 1), 0xFFFF);
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    // The range transfer sends a failed packet again and reads back what flash took.
    memory::TNoProgress quiet;
    memory::TBufferSource source(bytes.data());
    const memory::TRangeResult result = memory::WriteRangeWithProgress(context.Board(), quiet, range.type,
        2 * range.address, static_cast<std::uint32_t>(bytes.size()), source);
    CheckTransfer(result, "mem write", memory::MemoryTypeName(range.type), 2 * range.address, "");
    NoteRetries(context, result, "mem write", false);
}

} // namespace

void AddMemCommand(CLI::App& app, TContext& context)
{
    auto* mem = app.add_subcommand("mem", "The memories: SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH (any case); "
                                          "addresses and lengths in hex words, as the memory page takes them");
    mem->require_subcommand(1);
    auto args = std::make_shared<TWordsArgs>();

    auto* read = mem->add_subcommand("read", "Print COUNT words from ADDRESS, eight a line after their word address");
    read->add_option("MEMORY", args->memory, "The memory")->required();
    read->add_option("ADDRESS", args->address, "Word address in hex")->required();
    read->add_option("COUNT", args->count, "Words in hex (1 by default)");
    read->add_flag("--json", args->json, "One JSON object: memory, address, words");
    read->callback([&context, args] { ReadWords(context, *args); });

    auto* write = mem->add_subcommand("write", "Write words from ADDRESS on (FLASH, EPCS: read back, as they must be "
                                               "erased first)");
    write->add_option("MEMORY", args->memory, "The memory")->required();
    write->add_option("ADDRESS", args->address, "Word address in hex")->required();
    write->add_option("WORD", args->words, "Words in hex (0 to FFFF)")->required();
    write->callback([&context, args] { WriteWords(context, *args); });

    AddMemFileCommands(*mem, context);
}

} // namespace cli
