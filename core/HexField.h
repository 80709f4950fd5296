#pragma once

#include <cstdint>
#include <string>

// The check of a hexadecimal field the user types: addresses, lengths and data words,
// in the window's edit boxes and on the command line alike.
namespace memory {

// Result of checking one hexadecimal input field. On failure `error` is the text of the
// error box the page shows.
struct THexField {
    enum class TFault {
        None,
        NotHex, // empty, too long, or a character that is no hexadecimal digit
        Above,  // above the maximum
        Below,  // below the minimum (a value with the top bit set is negative)
    };
    bool ok = false;
    std::int32_t value = 0;
    std::string error;
    TFault fault = TFault::None;
};

// Checks the text of a hexadecimal field: one to eight hexadecimal digits and nothing
// else; the value, taken as a signed 32-bit integer, must lie in [minimum, maximum].
// Longer texts are refused rather than cut to their low 32 bits, so that a typed
// address is never silently replaced by a different one.
THexField ParseHexField(
    const std::string& text, const std::string& fieldName, std::int32_t maximum, std::int32_t minimum);

} // namespace memory
