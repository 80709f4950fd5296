#include "core/JsonLine.h"

#include <limits>

namespace json {
namespace {

class TParser {
public:
    TParser(std::string_view text, int maxDepth)
        : m_Text(text)
        , m_MaxDepth(maxDepth)
    { }

    bool Document(TValue& value)
    {
        SkipSpace();
        if (!Value(value, 0))
            return false;
        SkipSpace();
        return m_At == m_Text.size() || Fault("more text after the value");
    }

    std::string Error() const { return "column " + std::to_string(m_FaultAt + 1) + ": " + m_Error; }

private:
    bool Fault(const char* what)
    {
        if (m_Error.empty()) {
            m_Error = what;
            m_FaultAt = m_At;
        }
        return false;
    }
    bool AtEnd() const { return m_At >= m_Text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_Text[m_At]; }
    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            ++m_At;
    }
    bool Literal(std::string_view word)
    {
        if (m_Text.substr(m_At, word.size()) != word)
            return Fault("not a JSON value");
        m_At += word.size();
        return true;
    }

    bool Value(TValue& value, int depth)
    {
        if (depth > m_MaxDepth)
            return Fault("nested too deeply");
        switch (Peek()) {
        case '{':
            return Object(value, depth);
        case '[':
            return Array(value, depth);
        case '"':
            value.kind = TValue::TKind::String;
            return String(value.text);
        case 't':
            value.kind = TValue::TKind::Bool;
            value.boolean = true;
            return Literal("true");
        case 'f':
            value.kind = TValue::TKind::Bool;
            return Literal("false");
        case 'n':
            return Literal("null");
        default:
            return Number(value);
        }
    }

    bool Number(TValue& value)
    {
        value.kind = TValue::TKind::Number;
        const bool negative = Peek() == '-';
        if (negative)
            ++m_At;
        if (Peek() < '0' || Peek() > '9')
            return Fault(AtEnd() ? "the line ends where a value should be" : "not a JSON value");
        if (Peek() == '0' && m_At + 1 < m_Text.size() && m_Text[m_At + 1] >= '0' && m_Text[m_At + 1] <= '9')
            return Fault("a number with a leading zero");
        std::uint64_t magnitude = 0;
        const std::uint64_t limit = negative ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1
                                             : std::uint64_t(std::numeric_limits<std::int64_t>::max());
        while (Peek() >= '0' && Peek() <= '9') {
            const auto digit = static_cast<std::uint64_t>(Peek() - '0');
            if (magnitude > (limit - digit) / 10)
                return Fault("a number too large");
            magnitude = magnitude * 10 + digit;
            ++m_At;
        }
        if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
            return Fault("not a whole number");
        value.number = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
        return true;
    }

    bool Hex4(std::uint32_t& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++m_At) {
            const char c = Peek();
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return Fault("a \\u escape needs four hexadecimal digits");
            unit = unit << 4 | static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    bool Unicode(std::string& out)
    {
        std::uint32_t code = 0;
        if (!Hex4(code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return Fault("a lone low surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (m_Text.substr(m_At, 2) != "\\u")
                return Fault("a high surrogate without its low half");
            m_At += 2;
            if (!Hex4(low))
                return false;
            if (low < 0xDC00 || low > 0xDFFF)
                return Fault("a high surrogate without its low half");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool String(std::string& out)
    {
        ++m_At; // the opening quote
        out.clear();
        for (;;) {
            if (AtEnd())
                return Fault("a string is not closed");
            const char c = m_Text[m_At++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fault("a control character inside a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char escaped = Peek();
            ++m_At;
            switch (escaped) {
            case '"':
            case '\\':
            case '/':
                out += escaped;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                if (!Unicode(out))
                    return false;
                break;
            default:
                --m_At;
                return Fault("an unknown escape in a string");
            }
        }
    }

    bool Array(TValue& value, int depth)
    {
        value.kind = TValue::TKind::Array;
        ++m_At;
        SkipSpace();
        if (Peek() == ']') {
            ++m_At;
            return true;
        }
        for (;;) {
            SkipSpace();
            value.items.emplace_back();
            if (!Value(value.items.back(), depth + 1))
                return false;
            SkipSpace();
            if (Peek() == ']') {
                ++m_At;
                return true;
            }
            if (Peek() != ',')
                return Fault(AtEnd() ? "the line ends inside an array" : "expected ',' or ']'");
            ++m_At;
        }
    }

    bool Object(TValue& value, int depth)
    {
        value.kind = TValue::TKind::Object;
        ++m_At;
        SkipSpace();
        if (Peek() == '}') {
            ++m_At;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"')
                return Fault(AtEnd() ? "the line ends inside an object" : "expected a member's name");
            std::string key;
            if (!String(key))
                return false;
            SkipSpace();
            if (Peek() != ':')
                return Fault("expected ':'");
            ++m_At;
            SkipSpace();
            value.names.push_back(std::move(key));
            value.members.emplace_back();
            if (!Value(value.members.back(), depth + 1))
                return false;
            SkipSpace();
            if (Peek() == '}') {
                ++m_At;
                return true;
            }
            if (Peek() != ',')
                return Fault(AtEnd() ? "the line ends inside an object" : "expected ',' or '}'");
            ++m_At;
        }
    }

    std::string_view m_Text;
    int m_MaxDepth;
    std::size_t m_At = 0;
    std::string m_Error;
    std::size_t m_FaultAt = 0;
};

} // namespace

const TValue* TValue::Find(std::string_view key) const
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == key)
            return &members[i];
    return nullptr;
}

bool Parse(std::string_view text, TValue& value, std::string& error, int maxDepth)
{
    value = TValue{};
    TParser parser(text, maxDepth);
    if (parser.Document(value))
        return true;
    error = parser.Error();
    return false;
}

} // namespace json
