#include "sim/Control.h"

#include "sim/Image.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace sim {

namespace {

constexpr std::int64_t MAX_DUMP = 1 << 20;
constexpr std::uint32_t REAL_CONFIGURATION_MS = 4000;

ControlAnswer Ok(std::string text = "ok") { return {0, std::move(text) + "\n"}; }
ControlAnswer Fail(std::string text) { return {1, std::move(text) + "\n"}; }
ControlAnswer Usage(const char* usage) { return {2, std::string("usage: ") + usage + "\n"}; }

bool NumberIn(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    return ParseNumber(text, value) && value >= low && value <= high;
}

bool ParseHexBytes(const std::vector<std::string>& args, std::size_t from, std::vector<std::uint8_t>& bytes)
{
    std::string digits;
    for (std::size_t i = from; i < args.size(); ++i)
        for (char c : args[i])
            if (c != ' ' && c != ':' && c != '-')
                digits += c;
    if (digits.size() % 2)
        return false;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::int64_t value = 0;
        if (!ParseNumber("0x" + digits.substr(i, 2), value))
            return false;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

std::string HexDump(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        out += hex;
        out += (i % 16 == 15 || i + 1 == bytes.size()) ? '\n' : ' ';
    }
    return out;
}

// Bytes from outside reach a receiver only while the firmware has it switched on.
ControlAnswer Inject(RxChannel& rx, const std::vector<std::uint8_t>& bytes, const char* what)
{
    if (!rx.enabled)
        return Ok(std::string("dropped ") + std::to_string(bytes.size()) + " (" + what + " receiver off)");
    std::size_t taken = 0;
    for (std::uint8_t b : bytes) {
        if (rx.fifo.size() >= RxChannel::CAPACITY)
            break;
        rx.fifo.push_back(b);
        ++taken;
    }
    if (taken < bytes.size())
        return Ok(
            "queued " + std::to_string(taken) + ", dropped " + std::to_string(bytes.size() - taken) + " (FIFO full)");
    return Ok("queued " + std::to_string(taken));
}

using Args = std::vector<std::string>;
using Command = std::function<ControlAnswer(const Args&, TSimBoard&, IControlHost&)>;

ControlAnswer Set(const Args& a, TSimBoard& board, IControlHost&)
{
    TBoardState& s = board.State();
    std::int64_t v[3] = {};
    if (a.size() == 3 && a[1] == "keys" && NumberIn(a[2], 0, 0xF, v[0])) {
        s.keys = static_cast<std::uint32_t>(v[0]);
        return Ok();
    }
    if (a.size() == 3 && a[1] == "switches" && NumberIn(a[2], 0, 0x3FFFF, v[0])) {
        s.switches = static_cast<std::uint32_t>(v[0]);
        return Ok();
    }
    if (a.size() == 5 && a[1] == "gsensor" && NumberIn(a[2], -32768, 32767, v[0]) && NumberIn(a[3], -32768, 32767, v[1])
        && NumberIn(a[4], -32768, 32767, v[2])) {
        for (int i = 0; i < 3; ++i)
            s.gsensor[i] = static_cast<std::int16_t>(v[i]);
        return Ok();
    }
    return Usage("set keys 0-15 | set switches 0-0x3FFFF | set gsensor X Y Z (counts, 16384 = 1 g)");
}

ControlAnswer SdCard(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() == 2 && (a[1] == "insert" || a[1] == "remove")) {
        board.State().sdPresent = a[1] == "insert";
        return Ok();
    }
    return Usage("sdcard insert|remove");
}

ControlAnswer Ir(const Args& a, TSimBoard& board, IControlHost&)
{
    std::vector<std::uint8_t> codes;
    for (std::size_t i = 1; i < a.size(); ++i) {
        std::int64_t v = 0;
        if (!NumberIn(a[i], 0, 255, v))
            return Usage("ir CODE... (each 0-255)");
        codes.push_back(static_cast<std::uint8_t>(v));
    }
    if (codes.empty())
        return Usage("ir CODE... (each 0-255)");
    return Inject(board.State().ir, codes, "IR");
}

ControlAnswer Rs232(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() < 2)
        return Usage("rs232 TEXT");
    std::string text;
    for (std::size_t i = 1; i < a.size(); ++i)
        text += (i > 1 ? " " : "") + a[i];
    return Inject(board.State().rs232, std::vector<std::uint8_t>(text.begin(), text.end()), "RS232");
}

ControlAnswer Rs232Loopback(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() == 2 && (a[1] == "on" || a[1] == "off")) {
        board.State().rs232Loopback = a[1] == "on";
        return Ok();
    }
    return Usage("rs232-loopback on|off");
}

ControlAnswer ClearSent(const Args&, TSimBoard& board, IControlHost&)
{
    board.State().rs232Sent.clear();
    return Ok();
}

ControlAnswer Hsmc(const Args& a, TSimBoard& board, IControlHost&)
{
    TBoardState& s = board.State();
    std::int64_t io = 0, xcvr = 0;
    if (a.size() == 2 && a[1] == "adapter") {
        s.hsmcAdapter = HsmcAdapter::Fitted;
        return Ok();
    }
    if (a.size() == 2 && a[1] == "none") {
        s.hsmcAdapter = HsmcAdapter::Absent;
        return Ok();
    }
    if (a.size() == 4 && a[1] == "fail" && NumberIn(a[2], 0, static_cast<std::int64_t>(HSMC_IO_ALL), io)
        && NumberIn(a[3], 0, 0xFF, xcvr)) {
        s.hsmcAdapter = HsmcAdapter::Faulty;
        s.hsmcIoFail = static_cast<std::uint64_t>(io);
        s.hsmcXcvrFail = static_cast<std::uint32_t>(xcvr);
        return Ok();
    }
    return Usage("hsmc adapter | hsmc none | hsmc fail IO_MASK(41 bits) XCVR_MASK(8 bits)");
}

// A line stuck at one level is in exactly one of the two masks.
template<typename Mask> void HoldLine(Mask& stuck0, Mask& stuck1, int line, bool high)
{
    const auto bit = static_cast<Mask>(1u << line);
    stuck0 = static_cast<Mask>(stuck0 & ~bit);
    stuck1 = static_cast<Mask>(stuck1 & ~bit);
    (high ? stuck1 : stuck0) = static_cast<Mask>((high ? stuck1 : stuck0) | bit);
}

// Broken wiring of one memory: a data line or an address line stuck, two address lines
// shorted; "none" mends it.
ControlAnswer MemFault(const Args& a, TBoardState& s)
{
    const char* usage = "mem fault NAME data LINE 0|1 | mem fault NAME address LINE 0|1 | "
                        "mem fault NAME short LINE LINE | mem fault NAME none";
    const int code = a.size() >= 4 ? MemoryCodeByName(a[2]) : -1;
    if (code < 0)
        return Usage(usage);
    TMemoryFaults& faults = s.memoryFaults[code];
    if (a.size() == 4 && a[3] == "none") {
        faults = TMemoryFaults{};
        return Ok();
    }
    const int addressLines = AddressLinesOf(MemorySpecOf(static_cast<std::uint8_t>(code)).size);
    std::int64_t line = 0, other = 0;
    if (a.size() != 6 || !NumberIn(a[4], 0, (a[3] == "data" ? DATA_LINES : addressLines) - 1, line))
        return Usage(usage);
    if (a[3] == "short" && NumberIn(a[5], 0, addressLines - 1, other) && other != line) {
        faults.addressShorts.emplace_back(static_cast<int>(line), static_cast<int>(other));
        return Ok();
    }
    if ((a[3] != "data" && a[3] != "address") || !NumberIn(a[5], 0, 1, other))
        return Usage(usage);
    if (a[3] == "data")
        HoldLine(faults.dataStuck0, faults.dataStuck1, static_cast<int>(line), other == 1);
    else
        HoldLine(faults.addressStuck0, faults.addressStuck1, static_cast<int>(line), other == 1);
    return Ok();
}

ControlAnswer Mem(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() >= 2 && a[1] == "fault")
        return MemFault(a, board.State());
    const char* usage = "mem read NAME ADDR LEN | mem write NAME ADDR HEXBYTES "
                        "(NAME: ssram0 ssram1 sdram flash eeprom epcs; any case, SSRAM-0 too)";
    if (a.size() < 4)
        return Usage(usage);
    const int code = MemoryCodeByName(a[2]);
    std::int64_t address = 0;
    if (code < 0 || !ParseNumber(a[3], address) || address < 0)
        return Usage(usage);
    TSparseMemory& memory = *board.State().memories[code];
    if (a[1] == "read" && a.size() == 5) {
        std::int64_t length = 0;
        if (!NumberIn(a[4], 0, MAX_DUMP, length))
            return Fail("length must be 0 to " + std::to_string(MAX_DUMP));
        if (!memory.Contains(static_cast<std::uint64_t>(address), static_cast<std::uint64_t>(length)))
            return Fail("range outside " + a[2]);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        memory.Read(static_cast<std::uint32_t>(address), bytes.data(), static_cast<std::uint32_t>(length));
        return {0, HexDump(bytes)};
    }
    std::vector<std::uint8_t> bytes;
    if (a[1] == "write" && ParseHexBytes(a, 4, bytes)) {
        if (!memory.Contains(static_cast<std::uint64_t>(address), bytes.size()))
            return Fail("range outside " + a[2]);
        // The outside world writes as a programmer would, whatever the chip's kind.
        memory.Write(static_cast<std::uint32_t>(address), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return Ok("wrote " + std::to_string(bytes.size()));
    }
    return Usage(usage);
}

ControlAnswer PowerCycle(const Args&, TSimBoard& board, IControlHost&)
{
    board.PowerCycle();
    return Ok();
}

ControlAnswer Quit(const Args&, TSimBoard&, IControlHost& host)
{
    host.RequestQuit();
    return Ok("bye");
}

ControlAnswer Link(const Args& a, TSimBoard& board, IControlHost&)
{
    std::int64_t rate = 0;
    double latency = -1;
    char* end = nullptr;
    if (a.size() == 3 && NumberIn(a[1], 0, 1LL << 40, rate)) {
        latency = std::strtod(a[2].c_str(), &end);
        if (end && *end == '\0' && !a[2].empty() && latency >= 0 && latency <= 60000) {
            board.SetLink(static_cast<double>(rate), latency);
            return Ok();
        }
    }
    return Usage("link BYTES_PER_SECOND(0 = unthrottled) LATENCY_MS");
}

ControlAnswer Timing(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() == 2 && (a[1] == "fast" || a[1] == "real")) {
        board.SetRealTiming(a[1] == "real");
        return Ok();
    }
    return Usage("timing fast|real");
}

ControlAnswer Fault(const Args& a, TSimBoard& board, IControlHost&)
{
    const char* usage = "fault none | fault drop|checksum|echo|length|truncate|refuse [COUNT] | "
                        "fault stall MS [COUNT] | fault garbage N [COUNT]";
    FaultKind kind;
    if (a.size() < 2 || !ParseFaultKind(a[1], kind))
        return Usage(usage);
    std::size_t next = 2;
    std::int64_t param = 0, count = 1;
    if (kind == FaultKind::Stall || kind == FaultKind::Garbage) {
        if (a.size() < 3 || !NumberIn(a[2], 0, 600000, param))
            return Usage(usage);
        next = 3;
    }
    if (a.size() > next + 1 || (a.size() == next + 1 && !NumberIn(a[next], 0, 1000000, count)))
        return Usage(usage);
    board.SetFault(
        kind, static_cast<std::uint32_t>(param), kind == FaultKind::None ? 0 : static_cast<std::uint32_t>(count));
    return Ok();
}

ControlAnswer Cable(const Args& a, TSimBoard&, IControlHost& host)
{
    host.SetCablePlugged(a[0] == "plug");
    return Ok();
}

ControlAnswer Unconfigured(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() != 2 || (a[1] != "closed" && a[1] != "silent"))
        return Usage("unconfigured closed|silent");
    board.SetSilentWhenUnconfigured(a[1] == "silent");
    return Ok();
}

ControlAnswer ConfigureImage(const Args& a, TSimBoard& board, IControlHost&)
{
    if (a.size() != 2)
        return Usage("configure PATH");
    std::string why;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(a[1].data());
    ControlAnswer answer
        = board.Configure(bytes, a[1].size(), why) ? Ok("configured") : Fail("configuration failed: " + why);
    // A USB-Blaster takes a few seconds to shift an image of this size into the FPGA.
    if (board.RealTiming())
        answer.delayMs = REAL_CONFIGURATION_MS;
    return answer;
}

// The download library's load goes down the cable, as the vendor's programmer sends a
// bitstream: not through a pulled cable, nor past a program that holds the cable (its
// board would change under it). A real load takes seconds, during which the FPGA holds no
// design; pulling the cable meanwhile, or the loader giving up, leaves it so.
ControlAnswer DownloadImage(const Args& a, TSimBoard& board, IControlHost& host)
{
    if (a.size() != 2)
        return Usage("download-image IMAGE");
    if (!host.CablePlugged())
        return {CONTROL_CABLE_UNPLUGGED, "The simulated board's cable is unplugged\n"};
    if (const std::string holder = host.CableHolder(); !holder.empty())
        return {CONTROL_CABLE_HELD, holder + "\n"};
    if (!board.RealTiming())
        return ConfigureImage(a, board, host);
    board.ClearConfiguration();
    ControlAnswer answer = Ok("configuring");
    answer.delayMs = REAL_CONFIGURATION_MS;
    answer.finish = [&board, &host, image = a[1]] {
        if (!host.CablePlugged())
            return ControlAnswer{CONTROL_CABLE_UNPLUGGED,
                "The simulated board's cable was unplugged during the configuration; its FPGA holds no design\n"};
        std::string why;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
        return board.Configure(bytes, image.size(), why) ? Ok("configured") : Fail("configuration failed: " + why);
    };
    return answer;
}

ControlAnswer Help(const Args&, TSimBoard&, IControlHost&) { return {0, ControlHelpText()}; }

ControlAnswer State(const Args&, TSimBoard& board, IControlHost& host) { return {0, StateJson(board, host) + "\n"}; }

const std::map<std::string, Command>& Commands()
{
    static const std::map<std::string, Command> commands = {
        {"help", Help},
        {"state", State},
        {"set", Set},
        {"sdcard", SdCard},
        {"ir", Ir},
        {"rs232", Rs232},
        {"rs232-loopback", Rs232Loopback},
        {"clear-sent", ClearSent},
        {"hsmc", Hsmc},
        {"mem", Mem},
        {"power-cycle", PowerCycle},
        {"quit", Quit},
        {"link", Link},
        {"timing", Timing},
        {"fault", Fault},
        {"unplug", Cable},
        {"plug", Cable},
        {"unconfigured", Unconfigured},
        {"configure-image", ConfigureImage},
        {"download-image", DownloadImage},
    };
    return commands;
}

} // namespace

std::string ControlHelpText()
{
    return "help | boards (the lab's cables) | replay (how far a --replay got) |\n"
           "state | set keys N | set switches N | set gsensor X Y Z | sdcard insert|remove |\n"
           "ir CODE... | rs232 TEXT... | rs232-loopback on|off | clear-sent | hsmc adapter|none|fail IO XCVR |\n"
           "mem read NAME ADDR LEN | mem write NAME ADDR HEXBYTES | configure PATH |\n"
           "mem fault NAME data LINE 0|1 | mem fault NAME address LINE 0|1 | mem fault NAME short LINE LINE |\n"
           "mem fault NAME none |\n"
           "power-cycle | quit | link RATE LATENCY_MS | timing fast|real |\n"
           "fault KIND [COUNT] (drop checksum echo length truncate refuse | stall MS | garbage N | none) |\n"
           "unplug | plug | unconfigured closed|silent\n";
}

bool ParseNumber(const std::string& text, std::int64_t& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (v > (std::uint64_t(1) << 62) / base)
            return false; // far beyond any value a command takes
        v = v * base + static_cast<std::uint64_t>(digit);
    }
    value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

ControlAnswer RunControl(const std::vector<std::string>& args, TSimBoard& board, IControlHost& host)
{
    if (args.empty())
        return Usage("ctl COMMAND ... (see sim/README.md)");
    const auto& commands = Commands();
    const auto it = commands.find(args[0]);
    if (it == commands.end())
        return {2, "unknown command: " + args[0] + "\n"};
    return it->second(args, board, host);
}

} // namespace sim
