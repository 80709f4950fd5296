#include "sim/Replay.h"

#include "board/Crc32.h"
#include "board/JtagApi.h"
#include "core/Counted.h"
#include "sim/Server.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sim {
namespace {

using trace::TEvent;
using trace::TEventKind;

constexpr std::size_t SHOWN_BYTES = 24;
// The longest wait a replay counts, in µs (290 000 years); what is longer is never over.
constexpr double MAX_WAIT_US = 9.2e18;
constexpr std::uint64_t NEVER = std::numeric_limits<std::uint64_t>::max();

bool IsStep(const TEvent& event)
{
    return event.kind == TEventKind::Open || event.kind == TEventKind::Close || event.kind == TEventKind::Write
        || event.kind == TEventKind::Configure;
}

// The client's driver turns each refusal into the reason the recorded program was given,
// as near as the simulated cable can say it.
char RefusalFor(std::int64_t errorCode)
{
    switch (errorCode) {
    case jtagapi::JTAG_ERROR_IN_USE:
        return JTAG_REFUSED;
    case jtagapi::JTAG_ERROR_NONE:
    case jtagapi::JTAG_ERROR_NO_JTAG_UART:
        return JTAG_NO_UART;
    case jtagapi::JTAG_ERROR_SERVER_UNREACHABLE:
        return '?';
    default:
        return JTAG_UNPLUGGED;
    }
}

std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < std::min(count, SHOWN_BYTES); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return count > SHOWN_BYTES ? text + "..." : text;
}

// `bytes`: at least the first SHOWN_BYTES of `count`, or all of them.
std::string RequestText(const std::uint8_t* bytes, std::size_t count)
{
    const std::string code = count > 1 ? "command " + std::to_string(bytes[1]) + ", " : "";
    return "a request (" + code + std::to_string(count) + " bytes: " + Hex(bytes, count) + ")";
}

std::string StepText(const TEvent& event)
{
    switch (event.kind) {
    case TEventKind::Open:
        return "an open of the cable";
    case TEventKind::Close:
        return "the cable closed";
    case TEventKind::Configure:
        return "a configuration of the FPGA";
    default: {
        std::uint8_t shown[SHOWN_BYTES];
        event.data.Copy(0, std::min(SHOWN_BYTES, event.data.Size()), shown);
        return RequestText(shown, event.data.Size());
    }
    }
}

// When bytes read `afterUs` after the step they answer are due, the step having come at
// `nowUs`: at once with speed 0, and never where the wait is longer than any clock counts.
std::uint64_t DueAt(std::uint64_t nowUs, std::uint64_t afterUs, double speed)
{
    if (!(speed > 0))
        return nowUs;
    const double wait = static_cast<double>(afterUs) / speed;
    if (!(wait < MAX_WAIT_US))
        return NEVER;
    const auto delay = static_cast<std::uint64_t>(wait);
    return delay >= NEVER - nowUs ? NEVER : nowUs + delay;
}

} // namespace

TReplay::TReplay(trace::TTranscript transcript, double speed, Reporter report)
    : transcript_(std::move(transcript))
    , speed_(speed)
    , report_(std::move(report))
{
    Settle(nullptr, 0);
}

void TReplay::Settle(const TEvent* anchor, std::uint64_t nowUs)
{
    for (; next_ < events().size() && !IsStep(events()[next_]); ++next_) {
        const TEvent& event = events()[next_];
        if (event.kind != TEventKind::Read || !anchor)
            continue;
        const std::uint64_t after = event.End() > anchor->t ? event.End() - anchor->t : 0;
        out_.push_back({DueAt(nowUs, after, speed_), &event.data});
    }
    // A request the link refused on record: the link breaks before it is sent.
    if (const TEvent* step = Expected(); step && step->kind == TEventKind::Write && !step->ok)
        broken_ = true;
}

void TReplay::Matched(std::uint64_t nowUs)
{
    const TEvent* anchor = &events()[next_++];
    Settle(anchor, nowUs);
}

void TReplay::Mismatch(const std::string& came)
{
    if (stopped_)
        return;
    stopped_ = true;
    const TEvent* step = Expected();
    mismatch_ = step ? "line " + std::to_string(step->line) + ": expected " + StepText(*step) + ", came " + came
                     : "the transcript has ended, came " + came;
    out_.clear();
    if (report_)
        report_("replay stopped: " + mismatch_);
}

char TReplay::OpenCable()
{
    if (stopped_)
        return JTAG_UNPLUGGED;
    out_.clear();
    in_.clear();
    const TEvent* step = Expected();
    if (!step || step->kind != TEventKind::Open) {
        Mismatch("an open of the cable");
        return JTAG_UNPLUGGED;
    }
    cableOpen_ = step->ok;
    const char refusal = step->ok ? 0 : RefusalFor(step->number);
    Matched(MonotonicUs());
    return refusal;
}

void TReplay::CloseCable()
{
    out_.clear();
    in_.clear();
    if (stopped_ || !cableOpen_)
        return;
    cableOpen_ = false;
    const std::uint64_t now = MonotonicUs();
    if (broken_) {
        // The requests the broken link refused never reach us, nor does the close after.
        broken_ = false;
        while (Expected() && Expected()->kind == TEventKind::Write && !Expected()->ok)
            Matched(now);
        if (Expected() && Expected()->kind == TEventKind::Close)
            Matched(now);
        return;
    }
    const TEvent* step = Expected();
    if (!step)
        return; // the program ended without closing on record
    if (step->kind == TEventKind::Close)
        Matched(now);
    else
        Mismatch("the cable closed");
}

void TReplay::Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs)
{
    if (stopped_ || broken_)
        return;
    in_.insert(in_.end(), data, data + count);
    while (!in_.empty() && MatchRequest(nowUs)) { }
}

// The bytes come in pieces; each piece is checked as it comes, so that a request that
// differs is reported at once, not when its full recorded length has come.
bool TReplay::MatchRequest(std::uint64_t nowUs)
{
    const TEvent* step = Expected();
    if (!step || step->kind != TEventKind::Write) {
        Mismatch(RequestText(in_.data(), in_.size()));
        return false;
    }
    const trace::TBytes& expected = step->data;
    const std::size_t length = expected.Size();
    const std::size_t have = std::min(in_.size(), length);
    if (const std::size_t differs = expected.FirstDifference(in_.data(), have); differs < have) {
        Mismatch(RequestText(in_.data(), in_.size()) + ", differing at byte " + std::to_string(differs));
        return false;
    }
    if (in_.size() < length)
        return false;
    for (const trace::TGap& gap : expected.gaps)
        if (crc32::Of(in_.data() + gap.at, gap.length) != gap.crc) {
            Mismatch(RequestText(in_.data(), length) + " whose left-out bytes " + std::to_string(gap.at) + "-"
                + std::to_string(gap.at + gap.length - 1) + " have another CRC-32");
            return false;
        }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
    ++requests_;
    Matched(nowUs);
    return true;
}

std::size_t TReplay::Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity)
{
    std::size_t n = 0;
    while (!out_.empty() && out_.front().dueUs <= nowUs && n < capacity) {
        TOutbound& chunk = out_.front();
        const std::size_t take = std::min(chunk.bytes->Size() - chunk.sent, capacity - n);
        chunk.bytes->Copy(chunk.sent, take, dest + n); // left-out bytes are made up only now
        chunk.sent += take;
        n += take;
        if (chunk.sent == chunk.bytes->Size())
            out_.pop_front();
    }
    return n;
}

std::uint64_t TReplay::NextEventUs() const
{
    return out_.empty() ? std::numeric_limits<std::uint64_t>::max() : out_.front().dueUs;
}

bool TReplay::Control(const std::vector<std::string>& args, ControlAnswer& answer, std::uint64_t nowUs)
{
    if (args.empty())
        return false;
    if (args[0] == "replay") {
        answer = {Complete() ? 0 : 1, Status() + "\n", 0};
        return true;
    }
    if (args[0] != "configure-image" && args[0] != "download-image")
        return false;
    const TEvent* step = Expected();
    if (stopped_ || !step || step->kind != TEventKind::Configure) {
        Mismatch("a configuration of the FPGA");
        answer = {1, "the replayed board takes no configuration now\n", 0};
        return true;
    }
    answer = step->ok ? ControlAnswer{0, "configured, as on record\n", 0} : ControlAnswer{1, step->reason + "\n", 0};
    Matched(nowUs);
    return true;
}

std::string TReplay::Status() const
{
    if (stopped_)
        return "mismatch: " + mismatch_;
    if (Complete())
        return "complete: " + text::Counted(requests_, "request") + " answered as on record";
    const TEvent& step = *Expected();
    return "waiting at line " + std::to_string(step.line) + " for " + StepText(step) + " ("
        + text::Counted(requests_, "request") + " answered so far)";
}

std::unique_ptr<TReplay> LoadReplay(const std::string& path, double speed, TReplay::Reporter report, std::string& error)
{
    if (std::isnan(speed) || speed < 0 || (speed > 0 && speed < MIN_REPLAY_SPEED)) {
        char text[160];
        std::snprintf(text, sizeof text,
            "a speed of %g cannot be waited: the slowest is %.6f (a millionth of the recorded pace), and 0 sends "
            "everything at once",
            speed, MIN_REPLAY_SPEED);
        error = text;
        return nullptr;
    }
    trace::TTranscript transcript;
    if (!trace::ReadTranscriptFile(path, transcript, error))
        return nullptr;
    return std::make_unique<TReplay>(std::move(transcript), speed, std::move(report));
}

void AttachReplay(TServer& server, TReplay& replay)
{
    server.SetCableEnd(&replay);
    server.SetControlHook([&replay](const std::vector<std::string>& args, ControlAnswer& answer) {
        return replay.Control(args, answer, MonotonicUs());
    });
}

} // namespace sim
