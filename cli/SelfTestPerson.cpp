#include "cli/SelfTestPerson.h"

#include "platform/Console.h"
#include "platform/Tick.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace cli {

namespace {
constexpr std::uint8_t CTRL_C = 0x03;
}

TTerminalPerson::TTerminalPerson(std::function<void()> clearLine)
    : m_Present(platform::IsTerminal(platform::TStream::Input) && platform::IsTerminal(platform::TStream::Error))
    , m_ClearLine(std::move(clearLine))
{ }

void TTerminalPerson::Tell(const std::string& text)
{
    m_ClearLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

std::optional<bool> TTerminalPerson::Ask(const std::string& question, std::uint32_t budgetMs)
{
    m_ClearLine();
    std::fprintf(stderr, "%s [y/n] ", question.c_str());
    std::fflush(stderr);
    platform::TRawTerminal raw;
    const std::uint32_t start = platform::TickCount();
    while (raw.Active() && platform::TicksSince(start) < budgetMs) {
        std::uint8_t key = 0;
        const int n = platform::ReadInput(&key, 1, budgetMs - platform::TicksSince(start));
        if (n < 0)
            break;
        if (n == 0)
            continue;
        if (key == 'y' || key == 'Y' || key == 'n' || key == 'N') {
            std::fprintf(stderr, "%c\n", key);
            return key == 'y' || key == 'Y';
        }
        if (key == CTRL_C) {
            // The raw terminal takes Ctrl-C as a key; it still means stop.
            std::fprintf(stderr, "^C\n");
            std::raise(SIGINT);
            return std::nullopt;
        }
    }
    std::fprintf(stderr, "(no answer)\n");
    return std::nullopt;
}

void TTerminalPerson::Pause(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace cli
