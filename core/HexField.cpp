#include "core/HexField.h"

#include "core/HexCodec.h"

#include <cstdio>

namespace memory {

namespace {

std::string Quoted(const char* format, const std::string& text, const std::string& field)
{
    std::string result;
    result.resize(text.size() + field.size() + 128);
    const int n = std::snprintf(result.data(), result.size(), format, text.c_str(), field.c_str());
    result.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return result;
}

std::string Bounded(const char* format, const std::string& text, const std::string& field, std::int32_t bound)
{
    std::string result;
    result.resize(text.size() + field.size() + 128);
    const int n = std::snprintf(
        result.data(), result.size(), format, text.c_str(), field.c_str(), static_cast<unsigned>(bound));
    result.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return result;
}

} // namespace

THexField ParseHexField(
    const std::string& text, const std::string& fieldName, std::int32_t maximum, std::int32_t minimum)
{
    THexField result;
    std::uint32_t value = 0;
    bool valid = !text.empty() && text.size() <= 8;
    for (std::size_t i = 0; valid && i < text.size(); ++i) {
        const int digit = hexcodec::NibbleOf(text[i]);
        valid = digit >= 0;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    if (!valid) {
        result.error = Quoted("Value '%s' is invalid for '%s'", text, fieldName);
        result.fault = THexField::TFault::NotHex;
        return result;
    }
    const auto signedValue = static_cast<std::int32_t>(value);
    if (signedValue > maximum) {
        result.error = Bounded(
            "The input value(%s) for the field '%s' is expected to less or equal to %Xh.", text, fieldName, maximum);
        result.fault = THexField::TFault::Above;
        return result;
    }
    if (signedValue < minimum) {
        result.error = Bounded(
            "The intput value(%s) for the field '%s' is expected to larger or equal to %Xh.", text, fieldName, minimum);
        result.fault = THexField::TFault::Below;
        return result;
    }
    result.ok = true;
    result.value = signedValue;
    return result;
}

} // namespace memory
