#include "sim/FrameParser.h"

#include "board/Protocol.h"

#include <algorithm>

namespace sim {

using namespace protocol;

void TFrameParser::Feed(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs)
{
    if (count == 0)
        return;
    buffer_.insert(buffer_.end(), data, data + count);
    lastFeedUs_ = nowUs;
}

void TFrameParser::Drop(std::size_t count)
{
    start_ += count;
    if (start_ >= buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 65536 && start_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
}

bool TFrameParser::Next(RequestFrame& frame, std::uint64_t nowUs)
{
    for (;;) {
        const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
        const auto marker = std::find(begin, buffer_.end(), START_MARKER);
        Drop(static_cast<std::size_t>(marker - begin));
        const std::size_t available = Buffered();
        if (available == 0)
            return false;
        const std::uint8_t* at = buffer_.data() + start_;
        std::size_t needed = HEADER_LEN;
        if (available >= HEADER_LEN) {
            const std::uint32_t length = GetU32(at + 2);
            if (length > PKT_PC2NIOS_MAX_PL_LEN) {
                Drop(1);
                continue;
            }
            needed = length + FRAME_OVERHEAD;
        }
        if (available < needed) {
            if (nowUs - lastFeedUs_ < STALE_US || nowUs < lastFeedUs_)
                return false;
            Drop(1);
            continue;
        }
        const std::size_t length = needed - FRAME_OVERHEAD;
        if (at[needed - 1] != END_MARKER || at[needed - 2] != Checksum(at + 1, 5 + length)) {
            Drop(1);
            continue;
        }
        frame.command = at[1];
        frame.payload.assign(at + HEADER_LEN, at + HEADER_LEN + length);
        Drop(needed);
        return true;
    }
}

std::uint64_t TFrameParser::StaleDeadlineUs() const { return Buffered() ? lastFeedUs_ + STALE_US : 0; }

void TFrameParser::Reset()
{
    buffer_.clear();
    start_ = 0;
}

std::vector<std::uint8_t> BuildFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> frame(payload.size() + FRAME_OVERHEAD);
    frame[0] = START_MARKER;
    frame[1] = command;
    PutU32(frame.data() + 2, static_cast<std::uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), frame.begin() + HEADER_LEN);
    frame[frame.size() - 2] = Checksum(frame.data() + 1, 5 + payload.size());
    frame[frame.size() - 1] = END_MARKER;
    return frame;
}

} // namespace sim
