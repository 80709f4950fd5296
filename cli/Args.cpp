#include "cli/Args.h"

#include "cli/Cli.h"
#include "core/HexCodec.h"
#include "core/HexField.h"
#include "core/MemoryGeometry.h"
#include "core/Names.h"

#include <CLI/CLI.hpp>
#include <cmath>

namespace cli {

namespace {

// The digits of a hexadecimal argument without its 0x.
std::string WithoutHexPrefix(const std::string& text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return text.substr(2);
    return text;
}

// A number within [low, high], or the rule it broke in plain words.
CLI::Validator RangeCheck(double low, double high, const std::string& rule)
{
    return CLI::Validator(
        [low, high, rule](std::string& text) -> std::string {
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            const bool valid = !text.empty() && end && *end == '\0' && std::isfinite(value);
            return valid && value >= low && value <= high ? std::string() : rule + ", not '" + text + "'";
        },
        "");
}

} // namespace

void RefuseEmptyOptionValues(const std::vector<std::string>& words)
{
    for (const std::string& word : words) {
        if (word == "--")
            return;
        if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=')
            Fail(exitcode::USAGE, word.substr(0, word.size() - 1) + ": the value after '=' is empty");
    }
}


std::uint32_t HexArgument(const std::string& text, const std::string& name, std::uint32_t maximum,
    std::uint32_t minimum, const std::string& scope)
{
    const std::string digits = WithoutHexPrefix(text);
    const bool allDigits = !digits.empty()
        && std::all_of(digits.begin(), digits.end(), [](char c) { return hexcodec::NibbleOf(c) >= 0; });
    const std::string largest = "the largest " + name + scope + " is " + memory::HexText(maximum);
    // The window's field takes eight digits as a signed number; said plainly here instead
    // of as a bound that a number too large for it would seem to break the other way.
    if (allDigits && digits.size() > 8)
        Fail(exitcode::USAGE, name + ": '" + text + "' has more than eight hex digits; " + largest);
    if (allDigits && std::stoul(digits, nullptr, 16) > 0x7FFFFFFFul)
        Fail(exitcode::USAGE, name + ": " + text + " is too large; " + largest);
    // The window's rules, in vx5h's words: its error boxes speak of fields.
    const memory::THexField field = memory::ParseHexField(
        digits, name, static_cast<std::int32_t>(maximum), static_cast<std::int32_t>(minimum));
    switch (field.fault) {
    case memory::THexField::TFault::None:
        return static_cast<std::uint32_t>(field.value);
    case memory::THexField::TFault::Above:
        Fail(exitcode::USAGE, name + ": " + text + " is too large; " + largest);
    case memory::THexField::TFault::Below:
        Fail(exitcode::USAGE,
            name + ": " + text + " is too small; the smallest " + name + " is " + memory::HexText(minimum));
    case memory::THexField::TFault::NotHex:
        break;
    }
    Fail(exitcode::USAGE, name + ": '" + text + "' is not a hex number (one to eight hex digits, 0x allowed)");
}

std::uint8_t MemoryArgument(const std::string& text)
{
    if (const auto type = memory::FindMemoryType(text))
        return *type;
    Fail(exitcode::USAGE, "MEMORY: " + memory::UnknownMemoryText(text));
}

memory::TFileFormat FormatArgument(const std::string& text, const std::string& file)
{
    if (text.empty())
        return memory::FormatOfName(file);
    if (const auto format = memory::FindFormat(text))
        return *format;
    Fail(exitcode::USAGE, "--format: '" + text + "' is none of bin, hex, ihex");
}

CLI::Validator RateCheck() { return RangeCheck(0.1, 1000, "samples a second must lie between 0.1 and 1000"); }

CLI::Validator TimeoutCheck() { return RangeCheck(0, 86400, "seconds must lie between 0 and 86400"); }

CLI::Validator BudgetCheck() { return RangeCheck(0.5, 120, "seconds must lie between 0.5 and 120"); }

} // namespace cli
