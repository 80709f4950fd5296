#include "sim/Control.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

// Bytes are shown as Latin-1 code points, so that any byte stays valid JSON.
std::string Latin1AsUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

// Whole numbers read as integers ("rate":102400), others in their shortest exact form.
Json Number(double value)
{
    if (std::trunc(value) == value && std::fabs(value) < 9.0e15)
        return static_cast<std::int64_t>(value);
    return value;
}

const char* AdapterName(HsmcAdapter adapter)
{
    switch (adapter) {
    case HsmcAdapter::Fitted:
        return "fitted";
    case HsmcAdapter::Absent:
        return "none";
    case HsmcAdapter::Faulty:
        return "fail";
    }
    return "fitted";
}

} // namespace

std::string StateJson(const TSimBoard& board, const IControlHost& host)
{
    const TBoardState& s = board.State();
    Json memories = Json::object();
    Json faults = Json::object();
    for (int code = 0; code < MEMORY_COUNT; ++code) {
        const char* name = MemorySpecOf(static_cast<std::uint8_t>(code)).name;
        memories[name] = s.memories[code]->AllocatedBytes();
        if (s.memoryFaults[code].Any())
            faults[name] = s.memoryFaults[code].Describe();
    }
    const Json state = {
        {"configured", board.Configured()},
        {"jtag_client", host.JtagClientConnected()},
        {"plugged", host.CablePlugged()},
        {"unconfigured", board.SilentWhenUnconfigured() ? "silent" : "closed"},
        {"leds", s.leds},
        {"seg7", s.seg7},
        {"seg7_extra", s.seg7Extra},
        {"keys", s.keys},
        {"switches", s.switches},
        {"lcd", {Latin1AsUtf8(s.lcd[0]), Latin1AsUtf8(s.lcd[1])}},
        {"vga", {{"mode", s.vgaMode}, {"pattern", s.vgaPattern}}},
        {"rs232_enabled", s.rs232.enabled},
        {"rs232_sent", Latin1AsUtf8(s.Rs232SentTail())},
        {"rs232_waiting", s.rs232.fifo.size()},
        {"rs232_loopback", s.rs232Loopback},
        {"ir_enabled", s.ir.enabled},
        {"ir_waiting", s.ir.fifo.size()},
        {"sdcard", s.sdPresent},
        {"gsensor", {s.gsensor[0], s.gsensor[1], s.gsensor[2]}},
        {"gsensor_ready", s.gsensorReady},
        {"hsmc", {{"adapter", AdapterName(s.hsmcAdapter)}, {"io_fail", s.hsmcIoFail}, {"xcvr_fail", s.hsmcXcvrFail}}},
        {"link", {{"rate", Number(board.LinkRate())}, {"latency_ms", Number(board.LinkLatencyMs())}}},
        {"timing", board.RealTiming() ? "real" : "fast"},
        {"fault", {{"kind", FaultKindName(board.PendingFault())}, {"count", board.PendingFaultCount()}}},
        {"memory_allocated", memories},
        {"memory_faults", faults},
    };
    // Escaped to ASCII: every byte above 0x7F shows as \u00XX.
    return state.dump(-1, ' ', true);
}

} // namespace sim
