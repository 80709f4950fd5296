#include "platform/Network.h"

#include "platform/BoundedCall.h"

#include <chrono>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {

namespace {

using TClock = std::chrono::steady_clock;

// Winsock is started for each question and ended after it: the program asks rarely.
class TWinsock {
public:
    TWinsock()
    {
        WSADATA data;
        m_Started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~TWinsock()
    {
        if (m_Started)
            ::WSACleanup();
    }
    TWinsock(const TWinsock&) = delete;
    TWinsock& operator=(const TWinsock&) = delete;
    bool Started() const { return m_Started; }

private:
    bool m_Started = false;
};

// One address tried within what is left of the budget.
bool Connects(const addrinfo& address, TClock::time_point deadline)
{
    const SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET)
        return false;
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = ::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - TClock::now()).count();
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait{static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
        connected = left > 0 && ::select(0, nullptr, &writable, &failed, &wait) == 1 && FD_ISSET(s, &writable);
    }
    ::closesocket(s);
    return connected;
}

} // namespace

bool TcpAnswers(const std::string& host, std::uint16_t port, std::uint32_t budgetMs)
{
    TWinsock winsock;
    if (!winsock.Started() || host.empty())
        return false;
    const auto deadline = TClock::now() + std::chrono::milliseconds(budgetMs);
    const std::optional<addrinfo*> found = CallWithin<addrinfo*>(
        budgetMs,
        [host, port] {
            TWinsock own; // the lookup may outlive the caller's
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            hints.ai_flags = AI_NUMERICSERV;
            addrinfo* addresses = nullptr;
            return own.Started() && ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) == 0
                ? addresses
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
