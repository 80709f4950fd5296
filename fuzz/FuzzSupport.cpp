#include "fuzz/FuzzSupport.h"

namespace fuzz {

bool IsUtf8(const std::string& text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned c = s[i];
        int follow = 0;
        unsigned low = 0x80, high = 0xBF; // range of the first continuation byte
        if (c < 0x80) {
            follow = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (n - i - 1 < static_cast<std::size_t>(follow))
            return false;
        for (int k = 1; k <= follow; ++k) {
            const unsigned b = s[i + k];
            if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF))
                return false;
        }
        i += 1 + follow;
    }
    return true;
}

namespace {

bool IsRegisterText(const std::string& text)
{
    if (!IsUtf8(text))
        return false;
    for (std::size_t line = 0; line < text.size();) {
        const std::size_t end = text.find('\n', line);
        if (text[line] != '-' || end == std::string::npos)
            return false;
        line = end + 1;
    }
    return true;
}

} // namespace

void RequireSdCardTexts(const std::string& csdText, const std::string& cidText, const std::string& fileSystem)
{
    Require(IsRegisterText(csdText), "CSD text: UTF-8 lines that start with '-' and end with a line feed");
    Require(IsRegisterText(cidText), "CID text: UTF-8 lines that start with '-' and end with a line feed");
    Require(fileSystem == "FAT16" || fileSystem == "FAT32" || fileSystem == "NA", "file system name");
}

} // namespace fuzz
