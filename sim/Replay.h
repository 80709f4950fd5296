#pragma once

#include "core/TraceFile.h"
#include "sim/CableEnd.h"
#include "sim/Control.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class TServer;

// The board of a transcript: it follows the recorded program step by step. Each open
// of the cable, request and configuration the client makes must be the next one on
// record; it is answered as it was (the cable given or refused, the bytes that were read
// after the request, at the recorded pace divided by `speed`, or at once with speed 0;
// the configuration's outcome). The first step that differs is reported with its line,
// what was expected and what came, and from then on nothing answers, as with a pulled
// cable. Memory contents left out of the transcript come back as made-up bytes with the
// recorded sum, and a request that carries them is matched by length and CRC-32.
class TReplay final : public ICableEnd {
public:
    using Reporter = std::function<void(const std::string&)>;

    TReplay(trace::TTranscript transcript, double speed, Reporter report);

    char OpenCable() override;
    void CloseCable() override;
    // A link that broke on record breaks once the bytes read before the break are out.
    bool CableUsable() const override { return !stopped_ && !(broken_ && out_.empty()); }
    void Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs) override;
    void Advance(std::uint64_t) override { }
    std::size_t Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity) override;
    std::uint64_t NextEventUs() const override;

    // The control commands a replay answers itself: "configure-image" (the recorded
    // outcome) and "replay" (how far it got); false for the others.
    bool Control(const std::vector<std::string>& args, ControlAnswer& answer, std::uint64_t nowUs);

    // Every step on record was asked for, and nothing differed.
    bool Complete() const { return !stopped_ && next_ == events().size(); }
    // "complete: ...", "mismatch at line ...", or where it waits.
    std::string Status() const;

private:
    // A read on record, sent from the transcript's own events: their left-out bytes are
    // made up as they go out, never all at once.
    struct TOutbound {
        std::uint64_t dueUs;
        const trace::TBytes* bytes;
        std::size_t sent = 0;
    };

    const std::vector<trace::TEvent>& events() const { return transcript_.events; }
    // Moves past what the client does not do itself (reads, flushes, failures), queueing
    // the bytes read to go out at their time after `anchor`, the step just matched.
    void Settle(const trace::TEvent* anchor, std::uint64_t nowUs);
    const trace::TEvent* Expected() const { return next_ < events().size() ? &events()[next_] : nullptr; }
    // The expected step was done: on to the next.
    void Matched(std::uint64_t nowUs);
    void Mismatch(const std::string& came);
    bool MatchRequest(std::uint64_t nowUs);

    trace::TTranscript transcript_;
    double speed_;
    Reporter report_;
    std::size_t next_ = 0;
    bool stopped_ = false;
    bool broken_ = false;  // the link breaks here, as it did on record
    bool cableOpen_ = false;
    std::string mismatch_;
    std::vector<std::uint8_t> in_; // request bytes not matched yet
    std::deque<TOutbound> out_;
    std::size_t requests_ = 0;
};

// The slowest replay: a recorded millisecond takes about 17 minutes. Anything slower
// waits for nothing anybody would see.
constexpr double MIN_REPLAY_SPEED = 1e-6;

// Reads the transcript for a replay; nullptr and the reason (with the line) when it is
// damaged, or when `speed` cannot be waited. `speed`: 1 = the recorded pace, 2 = twice
// as fast, 0 = no waiting at all.
std::unique_ptr<TReplay> LoadReplay(const std::string& path, double speed, TReplay::Reporter report, std::string& error);

// The server's cable and control commands go to `replay` (which must outlive it).
void AttachReplay(TServer& server, TReplay& replay);

} // namespace sim
