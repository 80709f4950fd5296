#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct RequestFrame {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
};

// Finds request frames in the byte stream from the PC as the firmware does: a frame
// starts at a start marker; one whose length is impossible, or whose checksum or end
// marker is wrong, is dropped by skipping its start marker and searching on from the
// next byte. A frame left incomplete for too long is given up the same way, so that a
// torn request cannot swallow the requests after it.
class TFrameParser {
public:
    static constexpr std::uint64_t STALE_US = 500000;

    void Feed(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs);
    // The next complete, valid frame; false when none is (yet) there.
    bool Next(RequestFrame& frame, std::uint64_t nowUs);
    // When the incomplete frame at the front will be given up, or 0 when there is none.
    std::uint64_t StaleDeadlineUs() const;
    std::size_t Buffered() const { return buffer_.size() - start_; }
    void Reset();

private:
    void Drop(std::size_t count);

    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    std::uint64_t lastFeedUs_ = 0;
};

// Reply frame: AA, code, length, payload, checksum, 55.
std::vector<std::uint8_t> BuildFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload);

} // namespace sim
