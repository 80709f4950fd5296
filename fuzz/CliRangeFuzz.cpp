// The memory and range arguments of vx5h's mem commands (read, write, dump, load, verify)
// on any text typed for them: the memory by name in any case, the first word and the
// length in hex words with an optional 0x.
// Input: flags u8 (bit 0: a file command's range, where the address and the length may
// be left out; else a word command's), then MEMORY, ADDRESS and LENGTH separated by NUL
// bytes.
//
// Properties: the range is taken exactly when the memory is one of the board's (its
// name in any case, with or without the hyphen: "ssram1" as the simulator spells it), the
// address is one to eight hex digits naming one of its words, and the length is one to
// eight hex digits from one word to the memory's end (a file command without a length
// runs to the end, without an address from word 0); a taken range is the one typed; a
// refused one fails with the usage code and a message that starts with the first
// argument that broke its rule.
#include "cli/Cli.h"
#include "cli/MemRange.h"
#include "core/MemoryGeometry.h"
#include "fuzz/FuzzSupport.h"

#include <cctype>
#include <optional>
#include <string>

namespace {

using fuzz::Require;

std::string Next(fuzz::TInput& in)
{
    std::string text;
    while (!in.AtEnd()) {
        const char c = static_cast<char>(in.U8());
        if (c == '\0')
            break;
        text += c;
    }
    return text;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A name is typed in any case, and "SSRAM-0" also without its hyphen; no other hyphen
// may go or come.
bool SameName(const std::string& typed, std::string name)
{
    name = Lower(name);
    std::string bare = name;
    if (const auto hyphen = bare.find('-'); hyphen != std::string::npos)
        bare.erase(hyphen, 1);
    const std::string lower = Lower(typed);
    return lower == name || lower == bare;
}

std::optional<std::uint8_t> MemoryNamed(const std::string& text)
{
    for (int position = 0; position < memory::MEMORY_LIST_COUNT; ++position) {
        const std::uint8_t type = memory::MemoryTypeOfPosition(position);
        if (SameName(text, memory::MemoryTypeName(type)))
            return type;
    }
    return std::nullopt;
}

// One to eight hex digits after an optional 0x, within [minimum, maximum].
std::optional<std::uint32_t> HexWithin(std::string text, std::uint32_t minimum, std::uint32_t maximum)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const unsigned char digit = static_cast<unsigned char>(c);
        if (!std::isxdigit(digit))
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(std::isdigit(digit) ? digit - '0' : std::tolower(digit) - 'a' + 10);
    }
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

struct TExpected {
    const char* brokenArgument = nullptr; // null: the range is taken
    cli::TMemRange range;
};

TExpected Expect(bool fileRange, const std::string& memoryText, const std::string& address, const std::string& length)
{
    TExpected expected;
    const std::optional<std::uint8_t> type = MemoryNamed(memoryText);
    if (!type) {
        expected.brokenArgument = "MEMORY:";
        return expected;
    }
    const std::uint32_t words = memory::TMemoryGeometry().SizeWords(*type);
    const auto first = HexWithin(fileRange && address.empty() ? "0" : address, 0, words - 1);
    if (!first) {
        expected.brokenArgument = fileRange ? "--start:" : "ADDRESS:";
        return expected;
    }
    const auto count = fileRange && length.empty() ? std::optional(words - *first) : HexWithin(length, 1, words - *first);
    if (!count) {
        expected.brokenArgument = fileRange ? "--length:" : "COUNT:";
        return expected;
    }
    expected.range = {*type, *first, *count};
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::TInput in(data, size);
    const bool fileRange = (in.U8() & 1) != 0;
    const std::string memoryText = Next(in);
    const std::string address = Next(in);
    const std::string length = Next(in);

    const TExpected expected = Expect(fileRange, memoryText, address, length);
    try {
        const cli::TMemRange range = fileRange ? cli::RangeFrom(memoryText, address, length)
                                               : cli::WordRange(memoryText, address, length);
        Require(expected.brokenArgument == nullptr, "a range is taken only when every argument keeps its rule");
        Require(range.type == expected.range.type && range.address == expected.range.address
                && range.words == expected.range.words,
            "a taken range is the one typed");
    } catch (const cli::TFailure& failure) {
        Require(expected.brokenArgument != nullptr, "a range is refused only when an argument breaks its rule");
        Require(failure.code == cli::exitcode::USAGE, "a refused range is a usage error");
        Require(failure.message.rfind(expected.brokenArgument, 0) == 0,
            "the message starts with the first argument that broke its rule");
    }
    return 0;
}
