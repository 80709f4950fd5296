// How fast the panel reaches the simulated board: the whole SDRAM written and read through
// TBoard and our JTAG library, the same transfers over a bare socket (the cost of the
// layers in between), the round trip of one SetLed, and on a throttled cable the share of
// its bandwidth a 1 MB read achieves.
//
//   vx5h-bench-link [--mb N] [--smoke]
#include "SimulatedBoard.h"
#include "BytePattern.h"

#include "board/Board.h"
#include "board/Protocol.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "sim/Endpoint.h"
#include "sim/FrameParser.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace protocol;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double MBps(std::size_t bytes, double seconds) { return bytes / 1048576.0 / seconds; }

// The JTAG byte stream without TBoard and without the driver library: one frame out, one
// reply in, on a blocking socket.
class RawLink {
public:
    bool Open()
    {
        fd_ = sim::ConnectSocket(sim::SocketPath(), sim::CONNECT_TIMEOUT_MS);
        char answer = 0;
        return fd_ >= 0 && sim::SendAll(fd_, &sim::HELLO_JTAG, 1, 3000) && sim::ReceiveAll(fd_, &answer, 1, 3000)
            && answer == sim::JTAG_ACCEPTED;
    }
    ~RawLink()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Exchange(
        std::uint8_t code, const std::vector<std::uint8_t>& payload, std::uint8_t* reply, std::size_t replyLen)
    {
        const auto frame = sim::BuildFrame(code, payload);
        reply_.resize(replyLen + FRAME_OVERHEAD);
        if (!sim::SendAll(fd_, frame.data(), frame.size(), 3000)
            || !sim::ReceiveAll(fd_, reply_.data(), reply_.size(), 3000) || reply_[HEADER_LEN] != 0)
            return false;
        std::memcpy(reply, reply_.data() + HEADER_LEN, replyLen);
        return true;
    }

private:
    int fd_ = -1;
    std::vector<std::uint8_t> reply_;
};

// A memory request: type, address, then `extra` bytes (data, or the read length).
std::vector<std::uint8_t> MemoryRequest(std::uint32_t address, std::size_t extra)
{
    std::vector<std::uint8_t> request(5 + extra);
    request[0] = MEM_SDRAM;
    PutU32(request.data() + 1, address);
    return request;
}

bool RawWrite(RawLink& link, const std::vector<std::uint8_t>& data)
{
    std::uint8_t status;
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t chunk = std::min<std::size_t>(MEMORY_WRITE_CHUNK, data.size() - done);
        auto payload = MemoryRequest(static_cast<std::uint32_t>(done), chunk);
        std::memcpy(payload.data() + 5, data.data() + done, chunk);
        if (!link.Exchange(CMD_MEMORY_WRITE, payload, &status, 1))
            return false;
        done += chunk;
    }
    return true;
}

bool RawRead(RawLink& link, std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> reply(MEMORY_READ_CHUNK + 1);
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t chunk = std::min<std::size_t>(MEMORY_READ_CHUNK, data.size() - done);
        auto payload = MemoryRequest(static_cast<std::uint32_t>(done), 4);
        PutU32(payload.data() + 5, static_cast<std::uint32_t>(chunk));
        if (!link.Exchange(CMD_MEMORY_READ, payload, reply.data(), chunk + 1))
            return false;
        std::memcpy(data.data() + done, reply.data() + 1, chunk);
        done += chunk;
    }
    return true;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "vx5h-bench-link: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t megabytes = 128;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc)
            megabytes = std::strtoul(argv[++i], nullptr, 10);
    }
    if (smoke)
        megabytes = 2;
    megabytes = std::min<std::size_t>(std::max<std::size_t>(megabytes, 1), 128);
    const std::size_t bytes = megabytes << 20;

    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    platform::SetBeepHandler([] {});
    testsupport::SimulatedBoard sim;
    const auto data = testsupport::BytePattern(bytes, 1);
    std::vector<std::uint8_t> back(bytes);

    TBoard board;
    std::string error;
    if (!board.Connect(error, 0))
        return Fail(error.c_str());

    std::printf("SDRAM transfer of %zu MB\n", megabytes);
    auto start = Clock::now();
    if (!board.MemoryWrite(MEM_SDRAM, 0, static_cast<std::uint32_t>(bytes), data.data()))
        return Fail("TBoard write failed");
    const double boardWrite = Seconds(start);
    start = Clock::now();
    if (!board.MemoryRead(MEM_SDRAM, 0, static_cast<std::uint32_t>(bytes), back.data()) || back != data)
        return Fail("TBoard read failed or differs");
    const double boardRead = Seconds(start);

    start = Clock::now();
    std::uint32_t rounds = smoke ? 100 : 2000;
    for (std::uint32_t i = 0; i < rounds; ++i)
        if (!board.SetLed(i))
            return Fail("SetLed failed");
    const double ledUs = Seconds(start) * 1e6 / rounds;
    board.Disconnect();

    double rawWrite = 0, rawRead = 0, rawLedUs = 0;
    {
        RawLink raw; // holds the cable until the end of this block
        if (!raw.Open())
            return Fail("raw socket open failed");
        start = Clock::now();
        if (!RawWrite(raw, data))
            return Fail("raw write failed");
        rawWrite = Seconds(start);
        std::fill(back.begin(), back.end(), 0);
        start = Clock::now();
        if (!RawRead(raw, back) || back != data)
            return Fail("raw read failed or differs");
        rawRead = Seconds(start);
        start = Clock::now();
        std::uint8_t status;
        for (std::uint32_t i = 0; i < rounds; ++i)
            if (!raw.Exchange(CMD_SET_LED, {std::uint8_t(i), 0, 0, 0}, &status, 1))
                return Fail("raw SetLed failed");
        rawLedUs = Seconds(start) * 1e6 / rounds;
    }

    std::printf("  write: TBoard+drivers %8.1f MB/s   raw socket %8.1f MB/s   TBoard/raw %.2f\n",
        MBps(bytes, boardWrite), MBps(bytes, rawWrite), rawWrite / boardWrite);
    std::printf("  read:  TBoard+drivers %8.1f MB/s   raw socket %8.1f MB/s   TBoard/raw %.2f\n",
        MBps(bytes, boardRead), MBps(bytes, rawRead), rawRead / boardRead);
    std::printf("SetLed round trip: TBoard+drivers %.1f us (its 1-ms flush read included), raw socket %.1f us\n", ledUs,
        rawLedUs);

    if (!smoke) {
        // A cable of 100 KB/s with 1.5 ms latency each way.
        const double rate = 102400;
        sim.Ctl("link 102400 1.5");
        std::string err;
        if (!board.Connect(err, 0))
            return Fail(err.c_str());
        const std::size_t oneMb = 1 << 20;
        start = Clock::now();
        if (!board.MemoryRead(MEM_SDRAM, 0, oneMb, back.data()))
            return Fail("throttled read failed");
        const double elapsed = Seconds(start);
        const double ideal = oneMb / rate;
        std::printf("1 MB read over 102400 B/s, 1.5 ms: %.2f s (ideal %.2f s), efficiency %.1f %%\n", elapsed, ideal,
            100.0 * ideal / elapsed);
        board.Disconnect();
    }
    return 0;
}
