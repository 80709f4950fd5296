// The simulated board's cable where the simulator is reached over a named pipe (Windows).
#include "drivers/jtag/SimLink.h"

#include "platform/LocalPipe.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"

#include <algorithm>
#include <cstring>

namespace drivers {

namespace {

constexpr int START_TIMEOUT_MS = 3000;
constexpr int HANDSHAKE_TIMEOUT_MS = 3000;
constexpr int WRITE_TIMEOUT_MS = 5000;
constexpr std::size_t READ_BUFFER = 256 * 1024;
// The caller polls us in a tight loop while it waits for the board; when nothing is
// pending, a read waits this long for bytes (returning as soon as some come) rather than
// spin against the simulator for the processor. A millisecond is the pipe's finest wait.
constexpr int IDLE_WAIT_MS = 1;

class PipeSimLink : public Link {
public:
    PipeSimLink(std::unique_ptr<platform::LocalPipe> pipe, int board)
        : pipe_(std::move(pipe))
        , board_(board)
        , buffer_(std::make_unique<std::uint8_t[]>(READ_BUFFER))
    { }

    std::int32_t Read(std::uint8_t* dest, std::int32_t count) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (count <= 0)
            return 0;
        if (begin_ == end_ && !broken_) {
            begin_ = end_ = 0;
            const long n = pipe_->Receive(buffer_.get(), READ_BUFFER, IDLE_WAIT_MS);
            if (n < 0)
                broken_ = true;
            if (n <= 0)
                return 0;
            end_ = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(static_cast<std::size_t>(count), end_ - begin_);
        std::memcpy(dest, buffer_.get() + begin_, n);
        begin_ += n;
        return static_cast<std::int32_t>(n);
    }

    bool Write(const std::uint8_t* bytes, std::int32_t count) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (broken_ || count < 0)
            return false;
        if (!pipe_->SendAll(bytes, static_cast<std::size_t>(count), WRITE_TIMEOUT_MS))
            broken_ = true;
        return !broken_;
    }

    std::string Description() const override { return sim::BoardDescription(board_); }

private:
    std::mutex lock_;
    std::unique_ptr<platform::LocalPipe> pipe_;
    int board_;
    bool broken_ = false; // the simulator went away or the cable was pulled
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t begin_ = 0, end_ = 0;
};

} // namespace

std::unique_ptr<Link> SimLink::Open(int board, Failure& failure)
{
    if (!sim::EnsureSimulatorBeside(START_TIMEOUT_MS)) {
        failure = {LinkError::ServerUnreachable, "The board simulator (vx5h-board-sim) cannot be started"};
        return nullptr;
    }
    // Board k of a lab has a pipe of its own beside the first one's.
    auto pipe = platform::LocalPipe::Connect(sim::BoardSocketPath(sim::SocketPath(), board));
    if (!pipe) {
        failure = board > 1 ? NoSuchBoard(board)
                            : Failure{LinkError::ServerUnreachable, "The board simulator does not answer"};
        return nullptr;
    }
    char answer = 0;
    if (!pipe->SendAll(&sim::HELLO_JTAG, 1, HANDSHAKE_TIMEOUT_MS) || !pipe->ReceiveAll(&answer, 1, HANDSHAKE_TIMEOUT_MS)
        || answer != sim::JTAG_ACCEPTED) {
        failure = SimulatorRefusal(answer);
        return nullptr;
    }
    return std::make_unique<PipeSimLink>(std::move(pipe), board);
}

} // namespace drivers
