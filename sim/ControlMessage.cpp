#include "sim/ControlMessage.h"

#include "board/Protocol.h"
#include "sim/Endpoint.h"

namespace sim {

namespace {
constexpr std::uint32_t MAX_CONTROL_ARGS = 4096;
}

bool DecodeControl(const std::vector<std::uint8_t>& in, std::vector<std::string>& args, bool& bad)
{
    bad = false;
    if (in.size() < 4)
        return false;
    const std::uint32_t argc = protocol::GetU32(in.data());
    if (argc > MAX_CONTROL_ARGS) {
        bad = true;
        return false;
    }
    std::size_t at = 4;
    args.clear();
    for (std::uint32_t i = 0; i < argc; ++i) {
        if (in.size() < at + 4)
            return false;
        const std::uint32_t length = protocol::GetU32(in.data() + at);
        if (length > MAX_CONTROL_MESSAGE) {
            bad = true;
            return false;
        }
        at += 4;
        if (in.size() < at + length)
            return false;
        args.emplace_back(reinterpret_cast<const char*>(in.data() + at), length);
        at += length;
    }
    return true;
}

} // namespace sim
