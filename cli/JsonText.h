#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace cli {

// `value` as one line of JSON, whatever text it carries. JSON must be UTF-8, and a cable's
// name, a host in ~/.jtag.conf, a file's path or the bytes a board sent need not be: in a
// string (or an object's key) each byte that is no part of a UTF-8 character is written
// as the four characters \xHH, lower-case hex ("sim-\xe9" for a Latin-1 "sim-é"), as
// docs/command-line.md tells scripts; the text output shows such names as they are.
std::string JsonText(const nlohmann::json& value);

} // namespace cli
