#pragma once

#include <string>
#include <string_view>

// Text of a transcript for a terminal. A transcript comes from someone else: its texts
// (a cable's description, a reason, a file name) may hold escape sequences that set a
// terminal's title, fill its clipboard or clear it, carriage returns that overwrite what
// was printed, or bytes that are no UTF-8 at all.
namespace trace {

// `text` with printable UTF-8 as it is and everything else escaped byte by byte as
// `\x1b`: control characters (line breaks too), DEL, the C1 controls, the marks that turn
// the writing direction around, and bytes that are no UTF-8; a backslash becomes `\\`, so
// that an escape can be told from the text. `escaped` (if given) is set when something
// was escaped.
std::string PrintableText(std::string_view text, bool* escaped = nullptr);

// As PrintableText, but a backslash stays one: for lines in which backslashes are a
// Windows path's or a registry key's (vx5h doctor's), which doubled would misname them.
std::string PrintableKeepingBackslashes(std::string_view text);

} // namespace trace
