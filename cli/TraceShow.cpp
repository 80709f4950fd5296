// vx5h trace show: a transcript as the commands the program sent, with their outcomes.
#include "cli/Trace.h"

#include "board/LinkFailure.h"
#include "board/Protocol.h"
#include "core/MemoryGeometry.h"
#include "core/TraceExchanges.h"
#include "core/TraceText.h"

#include <cstdio>
#include <string>

namespace cli {
namespace {

using namespace protocol;

struct TCommandName {
    std::uint8_t code;
    const char* name;
};
constexpr TCommandName COMMAND_NAMES[] = {
    {CMD_QUERY_BOARD_NAME, "QueryBoardName"},
    {CMD_PING, "Ping"},
    {CMD_SET_LED, "SetLed"},
    {CMD_GET_SWITCH_KEY_STATE, "GetSwitchKeyState"},
    {CMD_SET_SEG7, "SetSeg7"},
    {CMD_GET_SDCARD_INFO, "GetSdCardInfo"},
    {CMD_GET_ERASE_BLOCK_COUNT, "GetEraseBlockCount"},
    {CMD_ERASE_BLOCK, "EraseBlock"},
    {CMD_MEMORY_WRITE, "MemoryWrite"},
    {CMD_MEMORY_READ, "MemoryRead"},
    {CMD_GSENSOR_INIT, "GsensorInit"},
    {CMD_GSENSOR_READ, "GsensorRead"},
    {CMD_SET_VGA_PATTERN, "SetVgaPattern"},
    {CMD_CHANNEL_WRITE, "ChannelWrite"},
    {CMD_CHANNEL_READ, "ChannelRead"},
    {CMD_CHANNEL_ENABLE, "ChannelEnable"},
    {CMD_HSMC_LOOPBACK_TEST, "HsmcLoopbackTest"},
};
const char* CHANNEL_NAMES[] = {"IR", "LCD", "RS232"};

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string CommandName(std::uint8_t code)
{
    for (const TCommandName& entry : COMMAND_NAMES)
        if (entry.code == code)
            return entry.name;
    return "Command" + std::to_string(code);
}

std::string MemoryName(std::uint8_t code)
{
    const std::string name = memory::MemoryTypeName(code);
    return name.empty() ? "memory " + std::to_string(code) : name;
}

std::string ChannelName(std::uint8_t code) { return code < 3 ? CHANNEL_NAMES[code] : "channel " + std::to_string(code); }

// Up to `count` bytes of a person's text (sent to the LCD or the RS232 port) in quotes:
// printable ASCII as it is, every other byte escaped.
std::string Quoted(const std::uint8_t* bytes, std::size_t count)
{
    std::string text = "\"";
    for (std::size_t i = 0; i < count; ++i)
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F && bytes[i] != '"' && bytes[i] != '\\'
            ? std::string(1, char(bytes[i]))
            : Format("\\x%02x", bytes[i]);
    return text + "\"";
}

// The request's arguments, where its payload (`p` the first bytes of `n`) has the length
// its command takes.
std::string Arguments(std::uint8_t command, const std::vector<std::uint8_t>& p, std::size_t n)
{
    switch (command) {
    case CMD_SET_LED:
        return n == 4 ? Format(" mask=%07X", GetU32(&p[0])) : "";
    case CMD_SET_SEG7:
        return n == 5 ? Format(" digits=%08X extra=%u", GetU32(&p[0]), unsigned(p[4])) : "";
    case CMD_GET_ERASE_BLOCK_COUNT:
        return n == 1 ? " " + MemoryName(p[0]) : "";
    case CMD_ERASE_BLOCK:
        return n == 5 ? " " + MemoryName(p[0]) + Format(" block=%u", GetU32(&p[1])) : "";
    case CMD_MEMORY_WRITE:
        return n >= 5 ? " " + MemoryName(p[0]) + Format(" 0x%08X+%zu", GetU32(&p[1]), n - 5) : "";
    case CMD_MEMORY_READ:
        return n == 9 ? " " + MemoryName(p[0]) + Format(" 0x%08X+%u", GetU32(&p[1]), GetU32(&p[5])) : "";
    case CMD_SET_VGA_PATTERN:
        return n == 2 ? Format(" mode=%u pattern=%u", unsigned(p[0]), unsigned(p[1])) : "";
    case CMD_CHANNEL_WRITE:
        return n == REQUEST_LEN_CHANNEL_WRITE && p[1] <= CHANNEL_CHUNK ? " " + ChannelName(p[0]) + " " + Quoted(&p[2], p[1]) : "";
    case CMD_CHANNEL_READ:
        return n == 1 ? " " + ChannelName(p[0]) : "";
    case CMD_CHANNEL_ENABLE:
        return n == 2 ? " " + ChannelName(p[0]) + (p[1] ? " on" : " off") : "";
    default:
        return "";
    }
}

// What a valid reply (`r` the first bytes of `n`) says beyond its status.
std::string ReplyText(std::uint8_t command, const std::vector<std::uint8_t>& r, std::size_t n)
{
    switch (command) {
    case CMD_QUERY_BOARD_NAME: {
        std::size_t length = 0;
        while (length + 1 < n && length < 32 && r[1 + length] != 0)
            ++length;
        return n > 1 ? " " + Quoted(&r[1], length) : "";
    }
    case CMD_GET_SWITCH_KEY_STATE:
        return n == REPLY_LEN_SWITCH_KEY ? Format(" keys=%X switches=%05X", GetU32(&r[1]) & 0xF, GetU32(&r[9]) & 0x3FFFF)
                                         : "";
    case CMD_GET_ERASE_BLOCK_COUNT:
        return n == REPLY_LEN_ERASE_BLOCK_COUNT ? Format(" blocks=%u", GetU32(&r[1])) : "";
    case CMD_GSENSOR_READ:
        return n == REPLY_LEN_GSENSOR ? Format(" x=%d y=%d z=%d", GetI16(&r[1]), GetI16(&r[3]), GetI16(&r[5])) : "";
    case CMD_CHANNEL_READ:
        return n == REPLY_LEN_CHANNEL_READ && r[1] <= CHANNEL_CHUNK ? " " + Quoted(&r[2], r[1]) : "";
    case CMD_HSMC_LOOPBACK_TEST:
        return n == REPLY_LEN_HSMC ? Format(" W1=%08X W5=%08X W9=%08X W13=%08X", GetU32(&r[1]), GetU32(&r[5]),
                                         GetU32(&r[9]), GetU32(&r[13]))
                                   : "";
    default:
        return "";
    }
}

std::string Seconds(std::uint64_t us) { return Format("%10.3f", us / 1e6); }

std::string Duration(std::uint64_t us)
{
    return us < 10000000 ? Format("%.2f ms", us / 1000.0) : Format("%.1f s", us / 1e6);
}

std::string Outcome(const trace::TExchange& e, bool& escaped)
{
    if (!e.written)
        return "  FAILED: the link refused the request";
    if (!e.replied) {
        TLinkFailure cause{};
        if (!e.failure.empty() && LinkFailureFromKey(e.failure, cause))
            return std::string("  FAILED: ") + LinkFailureText(cause);
        return e.failure.empty() ? "  no valid reply" : "  FAILED: " + trace::PrintableText(e.failure, &escaped);
    }
    const std::string extra = ReplyText(e.command, e.reply, e.replyLength);
    if (e.reply.empty())
        return "  empty reply";
    if (e.reply[0] == 0)
        return "  ok" + extra;
    return Format("  refused (status %u)", unsigned(e.reply[0]));
}

std::string EventText(const trace::TEvent& event, bool& escaped)
{
    using trace::TEventKind;
    const auto text = [&escaped](const std::string& fromFile) { return trace::PrintableText(fromFile, &escaped); };
    switch (event.kind) {
    case TEventKind::Open:
        return event.ok ? "open " + text(event.text)
                        : "open FAILED (" + std::to_string(event.number) + "): " + text(event.reason);
    case TEventKind::Close:
        return "close";
    case TEventKind::Configure:
        return "configure " + text(event.text) + (event.ok ? "  ok" : "  FAILED: " + text(event.reason)) + "  "
            + Duration(event.us);
    case TEventKind::Cut:
        return "cut: the transcript reached its limit of " + std::to_string(event.number) + " bytes";
    case TEventKind::Start:
        return "--- another run: " + text(event.text) + " (times from its start)";
    case TEventKind::Fail: {
        TLinkFailure cause{};
        return CommandName(static_cast<std::uint8_t>(event.number))
            + "  FAILED: " + (LinkFailureFromKey(event.text, cause) ? LinkFailureText(cause) : text(event.text));
    }
    default:
        return "";
    }
}

} // namespace

std::string RequestText(const trace::TExchange& exchange)
{
    if (!exchange.isFrame)
        return "bytes that are no request frame";
    return CommandName(exchange.command) + Arguments(exchange.command, exchange.request, exchange.requestLength);
}

TTranscriptText ShowTranscript(const trace::TTranscript& transcript)
{
    TTranscriptText shown;
    bool& escaped = shown.escaped;
    const auto text = [&escaped](const std::string& fromFile) { return trace::PrintableText(fromFile, &escaped); };
    std::string& out = shown.text;
    out = "# " + text(transcript.program) + " " + text(transcript.version) + " on " + text(transcript.platform)
        + (transcript.cable.empty() ? "" : ", cable " + text(transcript.cable))
        + (transcript.wholeData ? ", memory contents whole\n" : ", memory contents left out\n");
    for (const trace::TItem& item : trace::ReadExchanges(transcript)) {
        if (item.event) {
            out += Seconds(item.event->t) + "  " + EventText(*item.event, escaped) + "\n";
            continue;
        }
        const trace::TExchange& e = item.exchange;
        out += Seconds(e.t) + "  " + RequestText(e) + Outcome(e, escaped) + "  " + Duration(e.end - e.t);
        if (e.requestElided || e.replyElided)
            out += "  [data left out]";
        out += "\n";
        for (const std::string& mark : e.marks)
            out += "            " + mark + "\n";
    }
    return shown;
}

} // namespace cli
