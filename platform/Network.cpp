#include "Network.h"

#include "platform/BoundedCall.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// One address tried within what is left of the budget.
bool Connects(const addrinfo& address, std::chrono::steady_clock::time_point deadline)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0)
        return false;
    bool connected = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = left.count() > 0 && ::poll(&p, 1, static_cast<int>(left.count())) == 1
            && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::close(fd);
    return connected;
}

} // namespace

bool TcpAnswers(const std::string& host, std::uint16_t port, std::uint32_t budgetMs)
{
    if (host.empty())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
    const std::optional<addrinfo*> found = CallWithin<addrinfo*>(
        budgetMs,
        [host, port] {
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_NUMERICSERV;
            addrinfo* addresses = nullptr;
            return ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) == 0 ? addresses
                                                                                                      : nullptr;
        },
        [](addrinfo* addresses) {
            if (addresses)
                ::freeaddrinfo(addresses);
        });
    if (!found || !*found)
        return false;
    bool answers = false;
    for (const addrinfo* address = *found; address && !answers; address = address->ai_next)
        answers = Connects(*address, deadline);
    ::freeaddrinfo(*found);
    return answers;
}

} // namespace platform
