#pragma once

#include <string_view>

// Names the user types (memories, patterns, file extensions) match in any case, as the
// names the window lists do: "sdram" is SDRAM. Only ASCII letters fold; the names are
// ASCII.
namespace names {

bool EqualIgnoringCase(std::string_view a, std::string_view b);

} // namespace names
