#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Decodes a complete control message (after its hello byte, as EncodeControl writes it):
// the argument count, then each argument as a u32 length and its bytes. False while the
// message is incomplete; `bad` when it can never become one (a count or a length beyond
// the limits), so that the server drops the connection instead of waiting for ever.
bool DecodeControl(const std::vector<std::uint8_t>& in, std::vector<std::string>& args, bool& bad);

} // namespace sim
