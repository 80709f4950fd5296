#include "cli/MemRange.h"

#include "cli/Args.h"
#include "cli/Cli.h"
#include "core/MemoryGeometry.h"

namespace cli {

TMemRange WordRange(const std::string& memory, const std::string& address, const std::string& length,
    const std::string& addressName, const std::string& lengthName)
{
    TMemRange range;
    range.type = MemoryArgument(memory);
    const std::uint32_t words = memory::TMemoryGeometry().SizeWords(range.type);
    const std::string name = memory::MemoryTypeName(range.type);
    range.address = HexArgument(address, addressName, words - 1, 0, " in " + name);
    range.words = HexArgument(length, lengthName, words - range.address, 1,
        " from " + addressName + " " + memory::HexText(range.address) + " in " + name);
    return range;
}

TMemRange RangeFrom(const std::string& memory, const std::string& address, const std::string& length)
{
    const std::string start = address.empty() ? "0" : address;
    if (!length.empty())
        return WordRange(memory, start, length, "--start", "--length");
    TMemRange range = WordRange(memory, start, "1", "--start", "--length");
    range.words = memory::TMemoryGeometry().SizeWords(range.type) - range.address;
    return range;
}

} // namespace cli
