#include "core/LcdText.h"

#include "core/Latin1.h"
#include "core/TraceText.h"

namespace lcd {

std::vector<std::uint8_t> LcdBytes(std::string_view line0, std::string_view line1)
{
    const std::string text = latin1::FromUtf8(line0) + '\n' + latin1::FromUtf8(line1) + '\n';
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::string UnshowableText(std::string_view line0, std::string_view line1)
{
    const std::string_view lines[] = {line0, line1};
    for (int i = 0; i < 2; ++i) {
        if (const auto outside = latin1::FirstOutside(lines[i], FIRST_SHOWN, LAST_SHOWN))
            return "Line " + std::to_string(i + 1) + ", character " + std::to_string(outside->index + 1) + ": \""
                + trace::PrintableText(outside->character) + "\" is not in the LCD's character set.";
    }
    return {};
}

TSetOutcome SetOutcome(bool exchanged, bool accepted)
{
    if (!exchanged)
        return {"Set LCD Fail", false, "Set LCD Fail", true};
    // A refusal is the board's answer, not a lost link: it must never read "Success".
    if (!accepted)
        return {"Failed to set lcd.", false, "Failed to set lcd.", false};
    return {"Set LCD Success", true, "", false};
}

} // namespace lcd
