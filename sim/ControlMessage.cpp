#include "sim/ControlMessage.h"

#include "board/Protocol.h"
#include "sim/Endpoint.h"

#include <chrono>

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
    // Walked through first without copying: a message arrives in many pieces, and each
    // piece must not cost a copy of all that came before.
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < argc; ++i) {
        if (in.size() < at + 4)
            return false;
        const std::uint32_t length = protocol::GetU32(in.data() + at);
        if (length > MAX_CONTROL_MESSAGE) {
            bad = true;
            return false;
        }
        at += 4 + std::size_t(length);
        if (in.size() < at)
            return false;
    }
    args.clear();
    for (std::size_t next = 4; args.size() < argc;) {
        const std::uint32_t length = protocol::GetU32(in.data() + next);
        args.emplace_back(reinterpret_cast<const char*>(in.data() + next + 4), length);
        next += 4 + std::size_t(length);
    }
    return true;
}

std::uint64_t MonotonicUs()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

int MsLeft(std::uint64_t deadlineUs)
{
    const std::uint64_t now = MonotonicUs();
    return now >= deadlineUs ? 0 : static_cast<int>((deadlineUs - now + 999) / 1000);
}

std::vector<std::uint8_t> EncodeControl(const std::vector<std::string>& args)
{
    std::vector<std::uint8_t> message;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            message.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    message.push_back(static_cast<std::uint8_t>(HELLO_CONTROL));
    put32(static_cast<std::uint32_t>(args.size()));
    for (const auto& arg : args) {
        put32(static_cast<std::uint32_t>(arg.size()));
        message.insert(message.end(), arg.begin(), arg.end());
    }
    return message;
}

} // namespace sim
