// vx5h rs232 send|receive|term: the board's serial port.
#include "board/Board.h"
#include "cli/Channel.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Watch.h"
#include "core/Rs232Text.h"
#include "platform/Console.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

// Ctrl-], as telnet has it: a key no serial session needs.
constexpr std::uint8_t LEAVE_KEY = 0x1D;
constexpr std::uint32_t KEY_WAIT_MS = 20;

void Send(TContext& context, const std::vector<std::uint8_t>& bytes, const char* what)
{
    bool accepted = false;
    const bool exchanged = context.Board().ChannelWrite(
        accepted, protocol::CHANNEL_RS232, static_cast<std::int32_t>(bytes.size()), bytes.data());
    context.Check(exchanged, accepted, what);
}

void PrintReceived(const std::string& bytes)
{
    const std::string text = rs232::ReceivedText(reinterpret_cast<const std::uint8_t*>(bytes.data()),
        static_cast<int>(bytes.size()));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Keys to the board as they are typed, the board's bytes to the screen, until the leave
// key, the end of the input or Ctrl-C. The terminal's mode comes back however it ends.
void Terminal(TContext& context)
{
    // Without a keyboard there is nobody to type or to leave: a script sends with rs232 send.
    if (!platform::IsTerminal(platform::TStream::Input))
        Fail(exitcode::USAGE,
            "rs232 term needs a terminal on standard input; a script sends with rs232 send "
            "and reads with rs232 receive");
    const TChannelReception reception(context, protocol::CHANNEL_RS232, "rs232 term");
    const platform::TRawTerminal raw;
    if (raw.Active())
        std::fprintf(stderr, "Connected to the board's RS232 port; Ctrl-] leaves.\r\n");
    std::uint8_t keys[256];
    bool open = true;
    while (open && !platform::InterruptRequested()) {
        const int count = platform::ReadInput(keys, sizeof keys, KEY_WAIT_MS);
        std::vector<std::uint8_t> typed;
        for (int i = 0; i < count && open; ++i)
            open = keys[i] != LEAVE_KEY ? (typed.push_back(keys[i]), true) : false;
        if (!typed.empty())
            Send(context, typed, "rs232 term");
        PrintReceived(ReadChannel(context, protocol::CHANNEL_RS232, "rs232 term"));
        if (count < 0)
            open = false;
    }
    // What the board sent just before the end still reaches the screen.
    PrintReceived(ReadChannel(context, protocol::CHANNEL_RS232, "rs232 term"));
}

} // namespace

void AddRs232Command(CLI::App& app, TContext& context)
{
    auto* rs232 = app.add_subcommand("rs232", "The board's RS232 port");
    rs232->require_subcommand(1);

    auto text = std::make_shared<std::string>();
    auto* send = rs232->add_subcommand("send", "Send TEXT and its terminating NUL, as the page sends it");
    send->add_option("TEXT", *text, "The text (Latin-1 characters; others become '?')")->required();
    send->callback([&context, text] { Send(context, rs232::SendBytes(*text), "rs232 send"); });

    auto options = std::make_shared<TWatchOptions>();
    auto* receive = rs232->add_subcommand(
        "receive", "Print what the port receives for --timeout seconds (--watch: until Ctrl-C)");
    AddWatchOptions(*receive, *options, TInputKind::Arrivals);
    receive->callback([&context, options] {
        const TChannelReception reception(context, protocol::CHANNEL_RS232, "rs232 receive");
        Watch(*options, TInputKind::Arrivals, "text", [&context] {
            const std::string bytes = ReadChannel(context, protocol::CHANNEL_RS232, "rs232 receive");
            if (bytes.empty())
                return std::vector<TReading>{};
            const std::string text = rs232::ReceivedText(
                reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
            return std::vector<TReading>{{text, {text}, {{"text", text}}}};
        });
    });

    rs232->add_subcommand("term", "An interactive terminal on the port: keys to the board, its bytes to the screen; "
                                  "Ctrl-] leaves")
        ->callback([&context] { Terminal(context); });
}

} // namespace cli
