#pragma once

#include "board/Protocol.h"
#include "sim/Control.h"
#include "sim/FrameParser.h"
#include "sim/Image.h"
#include "sim/SimBoard.h"

#include <cstdint>
#include <string>
#include <vector>

// The firmware model driven with bytes, as the cable drives it, on a clock of the test's.
struct ModelHarness {
    sim::TSimBoard board;
    std::uint64_t nowUs = 1000000;

    explicit ModelHarness(bool configure = true)
    {
        if (configure) {
            const auto image = sim::MakeImage(64);
            std::string why;
            board.Configure(image.data(), image.size(), why);
        }
    }

    // Sends bytes and collects whatever the board answers by now.
    std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t>& bytes)
    {
        board.Receive(bytes.data(), bytes.size(), nowUs);
        return Collect();
    }

    std::vector<std::uint8_t> Collect()
    {
        board.Advance(nowUs);
        std::vector<std::uint8_t> out;
        std::uint8_t buffer[4096];
        while (std::size_t n = board.Transmit(nowUs, buffer, sizeof buffer))
            out.insert(out.end(), buffer, buffer + n);
        return out;
    }

    static std::vector<std::uint8_t> Request(std::uint8_t code, const std::vector<std::uint8_t>& payload = {})
    {
        return sim::BuildFrame(code, payload);
    }

    // Payload of a well-formed reply to `code`; empty (and `ok` false) otherwise.
    static std::vector<std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& frame, std::uint8_t code, bool& ok)
    {
        ok = false;
        if (frame.size() < protocol::FRAME_OVERHEAD || frame[0] != protocol::START_MARKER || frame[1] != code)
            return {};
        const std::uint32_t length = protocol::GetU32(frame.data() + 2);
        if (frame.size() != length + protocol::FRAME_OVERHEAD || frame.back() != protocol::END_MARKER
            || frame[frame.size() - 2] != protocol::Checksum(frame.data() + 1, 5 + length))
            return {};
        ok = true;
        return {frame.begin() + protocol::HEADER_LEN, frame.end() - 2};
    }

    // One command; the reply payload (status first). Fails the caller's expectations via
    // `ok` when the reply is not one well-formed frame.
    std::vector<std::uint8_t> Command(std::uint8_t code, const std::vector<std::uint8_t>& payload, bool& ok)
    {
        return PayloadOf(Exchange(Request(code, payload)), code, ok);
    }
};

// The daemon's side of the control commands.
struct FakeHost : sim::IControlHost {
    bool plugged = true;
    bool quit = false;
    std::string holder; // who holds the cable
    bool JtagClientConnected() const override { return !holder.empty(); }
    std::string CableHolder() override { return holder; }
    bool CablePlugged() const override { return plugged; }
    void SetCablePlugged(bool p) override { plugged = p; }
    void RequestQuit() override { quit = true; }
};

inline std::vector<std::uint8_t> U32(std::uint32_t v)
{
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

inline std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
