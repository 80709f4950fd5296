#include "cli/Args.h"

#include "cli/Cli.h"
#include "core/HexField.h"
#include "core/MemoryGeometry.h"
#include "core/Names.h"

#include <cmath>

namespace cli {

std::uint32_t HexArgument(const std::string& text, const std::string& name, std::uint32_t maximum,
    std::uint32_t minimum)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    const memory::THexField field = memory::ParseHexField(
        digits, name, static_cast<std::int32_t>(maximum), static_cast<std::int32_t>(minimum));
    if (field.ok)
        return static_cast<std::uint32_t>(field.value);
    Fail(exitcode::USAGE, name + ": " + field.error);
}

std::uint8_t MemoryArgument(const std::string& text)
{
    if (const auto type = memory::FindMemoryType(text))
        return *type;
    Fail(exitcode::USAGE, "MEMORY: " + memory::UnknownMemoryText(text));
}

double RateArgument(double rate)
{
    if (!std::isfinite(rate) || rate < 0.1 || rate > 1000)
        Fail(exitcode::USAGE, "--rate: samples a second must lie between 0.1 and 1000");
    return rate;
}

} // namespace cli
