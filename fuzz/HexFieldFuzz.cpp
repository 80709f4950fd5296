// The check of the hexadecimal input fields (addresses, lengths, data words) on any typed
// text and bounds.
// Input: maximum (i32), minimum (i32), field name length (u8) and name, then the text.
//
// Properties: a text is taken exactly when it is one to eight hexadecimal digits whose
// value, as a signed 32-bit number, lies within the bounds, and then with that value and
// no error; any other text gets an error text, quoting it whole, and no value.
#include "fuzz/FuzzSupport.h"
#include "core/HexField.h"

#include <cctype>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::Require;
    fuzz::TInput in(data, size);
    const auto maximum = static_cast<std::int32_t>(in.U32());
    const auto minimum = static_cast<std::int32_t>(in.U32());
    const std::vector<std::uint8_t> name = in.Bytes(in.U8());
    const std::vector<std::uint8_t> typed = in.Rest();
    const std::string fieldName(name.begin(), name.end());
    const std::string text(typed.begin(), typed.end());

    const memory::THexField field = memory::ParseHexField(text, fieldName, maximum, minimum);

    bool digits = !text.empty() && text.size() <= 8;
    std::uint32_t value = 0;
    for (std::size_t i = 0; digits && i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        digits = std::isxdigit(c) != 0;
        value = value << 4 | static_cast<std::uint32_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    const auto signedValue = static_cast<std::int32_t>(value);
    const bool taken = digits && signedValue >= minimum && signedValue <= maximum;
    Require(field.ok == taken, "a field is taken exactly when its digits lie within the bounds");
    if (taken)
        Require(field.value == signedValue && field.error.empty(), "a taken field has its value and no error");
    else
        Require(!field.error.empty() && field.value == 0, "a refused field has an error text and no value");
    // The error box quotes the text and names the field in full (texts hold no NUL when typed).
    if (!taken && text.find('\0') == std::string::npos && fieldName.find('\0') == std::string::npos)
        Require(field.error.find(text) != std::string::npos && field.error.find(fieldName) != std::string::npos,
            "the error quotes the whole text and the field's name");
    return 0;
}
