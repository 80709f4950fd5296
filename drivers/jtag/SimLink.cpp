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
constexpr const char* NO_CONNECTION
    = "The board simulator takes no connection (is it stopped, or swamped with connections?)";
constexpr const char* NO_ANSWER = "The board simulator does not answer";
constexpr std::size_t MAX_HOLDER = 100;

// Who holds a cable that is taken: what the simulator says after its refusal, up to its
// end of the connection; printable text only, and not much of it.
std::string Holder(int fd, std::uint64_t deadline)
{
    std::string holder;
    char c = 0;
    while (holder.size() < MAX_HOLDER && sim::ReceiveAll(fd, &c, 1, sim::MsLeft(deadline)))
        if (c >= ' ' && c <= '~')
            holder += c;
    return holder;
}

} // namespace

std::unique_ptr<Link> SimLink::Open(int board, Failure& failure)
{
    std::string why;
    if (!sim::EnsureSimulatorBeside(START_TIMEOUT_MS, &why)) {
        failure = {LinkError::ServerUnreachable,
            why.empty() ? "The board simulator (vx5h-board-sim) cannot be started"
                        : "The board simulator cannot be reached: " + why};
        return nullptr;
    }
    // A simulator that is stopped or swamped takes no connection or does not answer our
    // hello; either costs this budget, not the caller's patience.
    const std::uint64_t deadline = sim::MonotonicUs() + HANDSHAKE_TIMEOUT_MS * 1000ull;
    sim::Reach reach = sim::Reach::Nobody;
    const int fd
        = sim::ConnectSocket(sim::BoardSocketPath(sim::SocketPath(), board), HANDSHAKE_TIMEOUT_MS, nullptr, &reach);
    if (fd < 0) {
        failure = reach == sim::Reach::Busy ? Failure{LinkError::ServerUnreachable, NO_CONNECTION}
            : board > 1                     ? NoSuchBoard(board)
                                            : Failure{LinkError::ServerUnreachable, NO_ANSWER};
        return nullptr;
    }
    int size = SOCKET_BUFFER;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    char answer = 0;
    if (!sim::SendAll(fd, &sim::HELLO_JTAG, 1, sim::MsLeft(deadline))
        || !sim::ReceiveAll(fd, &answer, 1, sim::MsLeft(deadline)) || answer != sim::JTAG_ACCEPTED) {
        failure = SimulatorRefusal(answer, answer == sim::JTAG_REFUSED ? Holder(fd, deadline) : std::string());
        ::close(fd);
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
