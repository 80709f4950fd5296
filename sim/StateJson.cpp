#include "sim/Control.h"

#include <cstdio>

namespace sim {

namespace {

void AppendString(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            // Bytes are shown as Latin-1 code points, so that any byte stays valid JSON.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

class TJsonObject {
public:
    explicit TJsonObject(std::string& out)
        : out_(out)
    {
        out_ += '{';
    }
    ~TJsonObject() { out_ += '}'; }
    std::string& Key(const char* name)
    {
        if (!first_)
            out_ += ',';
        first_ = false;
        AppendString(out_, name);
        out_ += ':';
        return out_;
    }
    void Number(const char* name, double value)
    {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value);
        Key(name) += text;
    }
    void Unsigned(const char* name, std::uint64_t value) { Key(name) += std::to_string(value); }
    void Bool(const char* name, bool value) { Key(name) += value ? "true" : "false"; }
    void String(const char* name, const std::string& value) { AppendString(Key(name), value); }

private:
    std::string& out_;
    bool first_ = true;
};

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
    std::string out;
    {
        TJsonObject root(out);
        root.Bool("configured", board.Configured());
        root.Bool("jtag_client", host.JtagClientConnected());
        root.Bool("plugged", host.CablePlugged());
        root.Unsigned("leds", s.leds);
        root.Unsigned("seg7", s.seg7);
        root.Unsigned("seg7_extra", s.seg7Extra);
        root.Unsigned("keys", s.keys);
        root.Unsigned("switches", s.switches);
        {
            std::string& lcd = root.Key("lcd");
            lcd += '[';
            AppendString(lcd, s.lcd[0]);
            lcd += ',';
            AppendString(lcd, s.lcd[1]);
            lcd += ']';
        }
        {
            root.Key("vga");
            TJsonObject vga(out);
            vga.Unsigned("mode", s.vgaMode);
            vga.Unsigned("pattern", s.vgaPattern);
        }
        root.Bool("rs232_enabled", s.rs232.enabled);
        root.String("rs232_sent", s.rs232Sent);
        root.Unsigned("rs232_waiting", s.rs232.fifo.size());
        root.Bool("ir_enabled", s.ir.enabled);
        root.Unsigned("ir_waiting", s.ir.fifo.size());
        root.Bool("sdcard", s.sdPresent);
        root.Key("gsensor") += "[" + std::to_string(s.gsensor[0]) + "," + std::to_string(s.gsensor[1]) + ","
            + std::to_string(s.gsensor[2]) + "]";
        root.Bool("gsensor_ready", s.gsensorReady);
        {
            root.Key("hsmc");
            TJsonObject hsmc(out);
            hsmc.String("adapter", AdapterName(s.hsmcAdapter));
            hsmc.Unsigned("io_fail", s.hsmcIoFail);
            hsmc.Unsigned("xcvr_fail", s.hsmcXcvrFail);
        }
        {
            root.Key("link");
            TJsonObject link(out);
            link.Number("rate", board.LinkRate());
            link.Number("latency_ms", board.LinkLatencyMs());
        }
        root.String("timing", board.RealTiming() ? "real" : "fast");
        {
            root.Key("fault");
            TJsonObject fault(out);
            fault.String("kind", FaultKindName(board.PendingFault()));
            fault.Unsigned("count", board.PendingFaultCount());
        }
        {
            root.Key("memory_allocated");
            TJsonObject mem(out);
            for (int code = 0; code < MEMORY_COUNT; ++code)
                mem.Unsigned(MemorySpecOf(static_cast<std::uint8_t>(code)).name, s.memories[code]->AllocatedBytes());
        }
    }
    return out;
}

} // namespace sim
