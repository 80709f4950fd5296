#include "core/LcdText.h"

#include "core/Latin1.h"

namespace lcd {

std::vector<std::uint8_t> LcdBytes(std::string_view line0, std::string_view line1)
{
    const std::string text = latin1::FromUtf8(line0) + '\n' + latin1::FromUtf8(line1) + '\n';
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
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
