#pragma once

#include "sim/BoardState.h"
#include "sim/Firmware.h"
#include "sim/FrameParser.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sim {

enum class FaultKind {
    None,
    Drop,
    Checksum,
    Echo,
    Length,
    Truncate,
    Stall,
    Garbage,
    Refuse // the firmware's answer carries a refusal's status
};

// Parses a fault name ("drop", "stall", ...); false for an unknown name.
bool ParseFaultKind(const std::string& name, FaultKind& kind);
const char* FaultKindName(FaultKind kind);

// The whole simulated board as its JTAG cable sees it: the FPGA (configured or not), the
// firmware with its peripherals, and the link with its bandwidth, latency, the chips'
// own timing and faults injected on request. Time is passed in by the caller
// (microseconds of a monotonic clock), so the model is deterministic and testable.
class TSimBoard {
public:
    TSimBoard();

    TBoardState& State() { return state_; }
    const TBoardState& State() const { return state_; }

    // --- the FPGA ---
    bool Configured() const { return configured_; }
    // Loads an image; a bad one leaves the FPGA unconfigured, as a real device is cleared
    // when a configuration starts.
    bool Configure(const std::uint8_t* image, std::size_t count, std::string& why);
    // A configuration has begun: the design the FPGA held is gone (and its link with it).
    void ClearConfiguration();
    void PowerCycle();
    // What the cable finds in an unconfigured FPGA: by default no JTAG UART, so that no
    // byte stream opens; or, when `silent`, a UART of some other design that never
    // answers the panel's commands.
    void SetSilentWhenUnconfigured(bool silent) { silentUnconfigured_ = silent; }
    bool SilentWhenUnconfigured() const { return silentUnconfigured_; }
    // The cable finds a JTAG UART to open a byte stream to.
    bool HasJtagUart() const { return configured_ || silentUnconfigured_; }

    // --- the link ---
    void SetLink(double bytesPerSecond, double latencyMs);
    double LinkRate() const { return rate_; }
    double LinkLatencyMs() const { return latencyUs_ / 1000.0; }
    void SetRealTiming(bool real) { realTiming_ = real; }
    bool RealTiming() const { return realTiming_; }
    // The next `count` replies suffer `kind` (param: stall ms or garbage byte count).
    void SetFault(FaultKind kind, std::uint32_t param, std::uint32_t count);
    FaultKind PendingFault() const { return fault_.kind; }
    std::uint32_t PendingFaultCount() const { return fault_.remaining; }

    // Bytes from the PC.
    void Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs);
    // Bytes from the PC still on their way through the (modelled) cable.
    std::size_t InboundBytes() const { return inboundBytes_; }
    // Runs the firmware on whatever has arrived by `nowUs`.
    void Advance(std::uint64_t nowUs);
    // Reply bytes due by `nowUs` (at most `capacity`); their count.
    std::size_t Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity);
    bool HasOutput() const { return !outbound_.empty(); }
    // When something next becomes due, or UINT64_MAX.
    std::uint64_t NextEventUs() const;
    // The cable's connection ended: bytes in flight are lost, a half-received request too.
    void ResetLink();

private:
    struct Chunk {
        std::uint64_t readyUs;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
    };

    void Answer(const RequestFrame& frame, std::uint64_t atUs);
    void Queue(std::vector<std::uint8_t> bytes, std::uint64_t readyUs);
    double TransferUs(std::size_t bytes) const { return rate_ > 0 ? bytes * 1e6 / rate_ : 0.0; }

    TBoardState state_;
    TFirmware firmware_;
    TFrameParser parser_;
    bool configured_ = false;
    bool silentUnconfigured_ = false;

    double rate_ = 0; // bytes per second, 0 = unthrottled
    std::uint64_t latencyUs_ = 0;
    bool realTiming_ = false;
    struct {
        FaultKind kind = FaultKind::None;
        std::uint32_t param = 0;
        std::uint32_t remaining = 0;
    } fault_;

    std::deque<Chunk> inbound_;
    std::size_t inboundBytes_ = 0;
    std::deque<Chunk> outbound_;
    double inboundFreeUs_ = 0;  // when the PC-to-board direction is free again
    double outboundFreeUs_ = 0; // likewise board-to-PC
    std::uint64_t firmwareFreeUs_ = 0;
};

} // namespace sim
