#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A strict reader of one JSON text, for files a user sends us: no dependency, bounded
// depth (a hostile file cannot exhaust the stack), whole numbers only, and a message with
// the column of the first fault. Enough for the transcripts of the link; not a general
// JSON library.
namespace json {

struct TValue {
    enum class TKind { Null, Bool, Number, String, Array, Object };
    TKind kind = TKind::Null;
    bool boolean = false;
    std::int64_t number = 0;
    std::string text;
    std::vector<TValue> items;       // an array's
    std::vector<std::string> names;  // an object's members' names, in order,
    std::vector<TValue> members;     // and their values

    // The member `key` of an object (the first of that name), or nullptr.
    const TValue* Find(std::string_view key) const;
};

// `text` as one JSON value (white space around it allowed); false and `error` ("column
// 17: a string is not closed") otherwise, or when it nests deeper than `maxDepth`.
bool Parse(std::string_view text, TValue& value, std::string& error, int maxDepth = 8);

} // namespace json
