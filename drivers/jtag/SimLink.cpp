#include "drivers/jtag/SimLink.h"

#include "sim/Endpoint.h"
#include "sim/Lab.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace drivers {

namespace {

constexpr int START_TIMEOUT_MS = 3000;
constexpr int HANDSHAKE_TIMEOUT_MS = 3000;
constexpr int WRITE_TIMEOUT_MS = 5000;
constexpr int SOCKET_BUFFER = 2 * 1024 * 1024;
constexpr std::size_t READ_BUFFER = 256 * 1024;
constexpr long IDLE_WAIT_NS = 125000;

} // namespace

std::unique_ptr<Link> SimLink::Open(int board, Failure& failure)
{
    if (!sim::EnsureSimulatorBeside(START_TIMEOUT_MS)) {
        failure = {LinkError::ServerUnreachable, "The board simulator (vx5h-board-sim) cannot be started"};
        return nullptr;
    }
    const int fd = sim::ConnectSocket(sim::BoardSocketPath(sim::SocketPath(), board));
    if (fd < 0) {
        failure = board > 1 ? NoSuchBoard(board) : Failure{LinkError::ServerUnreachable, "The board simulator does not answer"};
        return nullptr;
    }
    int size = SOCKET_BUFFER;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    char answer = 0;
    if (!sim::SendAll(fd, &sim::HELLO_JTAG, 1, HANDSHAKE_TIMEOUT_MS)
        || !sim::ReceiveAll(fd, &answer, 1, HANDSHAKE_TIMEOUT_MS) || answer != sim::JTAG_ACCEPTED) {
        ::close(fd);
        failure = SimulatorRefusal(answer);
        return nullptr;
    }
    return std::unique_ptr<Link>(new SimLink(fd, board));
}

SimLink::SimLink(int socket, int board)
    : fd_(socket)
    , board_(board)
    , buffer_(std::make_unique<std::uint8_t[]>(READ_BUFFER))
{ }

SimLink::~SimLink() { ::close(fd_); }

std::string SimLink::Description() const { return sim::BoardDescription(board_); }

std::int32_t SimLink::Read(std::uint8_t* dest, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (count <= 0)
        return 0;
    const auto wanted = static_cast<std::size_t>(count);
    if (begin_ == end_ && !broken_) {
        begin_ = end_ = 0;
        // A big read goes straight to the caller; small ones fill the buffer.
        std::uint8_t* target = wanted >= READ_BUFFER / 4 ? dest : buffer_.get();
        const std::size_t room = target == dest ? wanted : READ_BUFFER;
        const ssize_t n = ::recv(fd_, target, room, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            broken_ = true;
        if (n <= 0) {
            // Nothing pending. The caller polls us in a tight loop while it waits for the
            // board; rather than spin against the simulator for the processor, wait as
            // long as one USB microframe of a real cable for bytes to come, then return.
            pollfd pending{fd_, POLLIN, 0};
            const timespec microframe{0, IDLE_WAIT_NS};
            ::ppoll(&pending, 1, &microframe, nullptr);
            return 0;
        }
        if (target == dest)
            return static_cast<std::int32_t>(n);
        end_ = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(wanted, end_ - begin_);
    std::memcpy(dest, buffer_.get() + begin_, n);
    begin_ += n;
    return static_cast<std::int32_t>(n);
}

bool SimLink::Write(const std::uint8_t* bytes, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (broken_ || count < 0)
        return false;
    if (!sim::SendAll(fd_, bytes, static_cast<std::size_t>(count), WRITE_TIMEOUT_MS))
        broken_ = true;
    return !broken_;
}

} // namespace drivers
