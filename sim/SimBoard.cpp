#include "sim/SimBoard.h"

#include "board/Protocol.h"
#include "sim/Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace sim {

namespace {

struct FaultName {
    FaultKind kind;
    const char* name;
};
const FaultName FAULT_NAMES[] = {
    {FaultKind::None, "none"},
    {FaultKind::Drop, "drop"},
    {FaultKind::Checksum, "checksum"},
    {FaultKind::Echo, "echo"},
    {FaultKind::Length, "length"},
    {FaultKind::Truncate, "truncate"},
    {FaultKind::Stall, "stall"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::Refuse, "refuse"},
};

// Stray bytes on a disturbed link. Never the start marker, so that the reply after them
// is still found by a reader that searches for it.
std::vector<std::uint8_t> Garbage(std::uint32_t count)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = 0x9E3779B9u;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
        if (b == protocol::START_MARKER)
            b = 0x5A;
    }
    return bytes;
}

} // namespace

bool ParseFaultKind(const std::string& name, FaultKind& kind)
{
    for (const auto& f : FAULT_NAMES)
        if (name == f.name) {
            kind = f.kind;
            return true;
        }
    return false;
}

const char* FaultKindName(FaultKind kind)
{
    for (const auto& f : FAULT_NAMES)
        if (kind == f.kind)
            return f.name;
    return "none";
}

TSimBoard::TSimBoard()
    : firmware_(state_)
{ }

bool TSimBoard::Configure(const std::uint8_t* image, std::size_t count, std::string& why)
{
    ResetLink();
    configured_ = CheckImage(image, count, why);
    // A refused image leaves the FPGA unconfigured: nothing drives the LEDs.
    if (configured_)
        state_.ResetFirmware();
    else
        state_.StopFirmware();
    return configured_;
}

void TSimBoard::ClearConfiguration()
{
    ResetLink();
    state_.ResetFirmware();
    configured_ = false;
}

void TSimBoard::PowerCycle()
{
    ResetLink();
    state_.PowerCycle();
    configured_ = false;
    fault_ = {};
}

void TSimBoard::SetLink(double bytesPerSecond, double latencyMs)
{
    rate_ = bytesPerSecond > 0 ? bytesPerSecond : 0;
    latencyUs_ = latencyMs > 0 ? static_cast<std::uint64_t>(std::llround(latencyMs * 1000.0)) : 0;
}

void TSimBoard::SetFault(FaultKind kind, std::uint32_t param, std::uint32_t count)
{
    fault_.kind = count ? kind : FaultKind::None;
    fault_.param = param;
    fault_.remaining = fault_.kind == FaultKind::None ? 0 : count;
}

void TSimBoard::Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs)
{
    if (!configured_ || count == 0)
        return; // an unconfigured FPGA has no firmware to listen
    const double start = std::max<double>(static_cast<double>(nowUs), inboundFreeUs_);
    inboundFreeUs_ = start + TransferUs(count);
    const auto ready = static_cast<std::uint64_t>(std::ceil(inboundFreeUs_)) + latencyUs_;
    inbound_.push_back({ready, std::vector<std::uint8_t>(data, data + count)});
    inboundBytes_ += count;
}

void TSimBoard::Advance(std::uint64_t nowUs)
{
    RequestFrame frame;
    while (!inbound_.empty() && inbound_.front().readyUs <= nowUs) {
        const std::uint64_t arrived = inbound_.front().readyUs;
        // A frame that had gone stale before these bytes came is given up first.
        while (parser_.Next(frame, arrived))
            Answer(frame, arrived);
        parser_.Feed(inbound_.front().bytes.data(), inbound_.front().bytes.size(), arrived);
        inboundBytes_ -= inbound_.front().bytes.size();
        inbound_.pop_front();
        while (parser_.Next(frame, arrived))
            Answer(frame, arrived);
    }
    while (parser_.Next(frame, nowUs)) // frames found behind a stale, given-up one
        Answer(frame, nowUs);
}

void TSimBoard::Answer(const RequestFrame& frame, std::uint64_t atUs)
{
    FirmwareReply reply
        = firmware_.Execute(frame.command, frame.payload.data(), static_cast<std::uint32_t>(frame.payload.size()));
    // The firmware handles one request at a time.
    const std::uint64_t start = std::max(atUs, firmwareFreeUs_);
    firmwareFreeUs_ = start + (realTiming_ ? reply.costUs : 0);
    std::uint64_t ready = firmwareFreeUs_ + latencyUs_;

    std::uint8_t code = frame.command;
    FaultKind kind = FaultKind::None;
    if (fault_.remaining) {
        kind = fault_.kind;
        if (--fault_.remaining == 0)
            fault_.kind = FaultKind::None;
    }
    if (kind == FaultKind::Echo)
        code = static_cast<std::uint8_t>(code + 1);
    if (kind == FaultKind::Length)
        reply.payload.push_back(0);
    // A well-formed reply that refuses, as the firmware refuses what it cannot do.
    if (kind == FaultKind::Refuse && !reply.payload.empty() && reply.payload[0] == STATUS_OK)
        reply.payload[0] = STATUS_BAD_ARGUMENT;
    std::vector<std::uint8_t> bytes = BuildFrame(code, reply.payload);
    switch (kind) {
    case FaultKind::Drop:
        return;
    case FaultKind::Checksum:
        bytes[bytes.size() - 2] ^= 0x5A;
        break;
    case FaultKind::Truncate:
        // The header and half of the rest arrive, then nothing.
        bytes.resize(protocol::HEADER_LEN + (bytes.size() - protocol::HEADER_LEN) / 2);
        break;
    case FaultKind::Stall:
        ready += std::uint64_t(fault_.param) * 1000;
        break;
    case FaultKind::Garbage:
        Queue(Garbage(fault_.param), ready);
        break;
    default:
        break;
    }
    Queue(std::move(bytes), ready);
}

void TSimBoard::Queue(std::vector<std::uint8_t> bytes, std::uint64_t readyUs)
{
    if (!bytes.empty())
        outbound_.push_back({readyUs, std::move(bytes)});
}

std::size_t TSimBoard::Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity)
{
    std::size_t n = 0;
    while (!outbound_.empty() && n < capacity) {
        Chunk& chunk = outbound_.front();
        if (chunk.readyUs > nowUs)
            break;
        std::size_t take = std::min(chunk.bytes.size() - chunk.sent, capacity - n);
        if (rate_ > 0) {
            const double start = std::max<double>(outboundFreeUs_, static_cast<double>(chunk.readyUs));
            const double allowed = std::floor((static_cast<double>(nowUs) - start) * rate_ / 1e6);
            if (allowed < 1)
                break;
            take = std::min<std::size_t>(take, static_cast<std::size_t>(allowed));
            outboundFreeUs_ = start + TransferUs(take);
        }
        std::memcpy(dest + n, chunk.bytes.data() + chunk.sent, take);
        chunk.sent += take;
        n += take;
        if (chunk.sent == chunk.bytes.size())
            outbound_.pop_front();
    }
    return n;
}

std::uint64_t TSimBoard::NextEventUs() const
{
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    if (!inbound_.empty())
        next = inbound_.front().readyUs;
    if (!outbound_.empty()) {
        double due = static_cast<double>(outbound_.front().readyUs);
        if (rate_ > 0)
            due = std::max(due, outboundFreeUs_) + TransferUs(1);
        next = std::min(next, static_cast<std::uint64_t>(std::ceil(due)));
    }
    if (const std::uint64_t stale = parser_.StaleDeadlineUs())
        next = std::min(next, stale);
    return next;
}

void TSimBoard::ResetLink()
{
    inbound_.clear();
    inboundBytes_ = 0;
    outbound_.clear();
    parser_.Reset();
}

} // namespace sim
