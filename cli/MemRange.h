#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace CLI {
class App;
}

// A range of a memory as the memory page checks it: the word address at most the last
// word, the length from one word to the memory's end, both in hex words. Messages name
// the two as the command's help does.
namespace cli {

class TContext;

struct TMemRange {
    std::uint8_t type = 0;
    std::uint32_t address = 0; // words
    std::uint32_t words = 0;
};

// `addressName` and `lengthName` as the help names them: ADDRESS and COUNT, or --start
// and --length.
TMemRange WordRange(const std::string& memory, const std::string& address, const std::string& length,
    const std::string& addressName = "ADDRESS", const std::string& lengthName = "COUNT");
// The whole memory from --start (hex words; "" = 0) to its end, or --length words.
TMemRange RangeFrom(const std::string& memory, const std::string& address, const std::string& length);

// mem dump, load, verify and erase.
void AddMemFileCommands(CLI::App& mem, TContext& context);

} // namespace cli
