// Stand-in for the vendor's libjtag_atlantic.so: the JTAG UART of a cable, carried to the
// board simulator over its socket, with the vendor's exported names. Told by the
// environment variable FAKE_ATLANTIC (read at each open: "key=value,..." ) to behave as
// the real one does when things go wrong:
//   cable=NAME        the cable's name (default "USB-Blaster [1-1]"); it also answers "1"
//   cables=A|B|...    several cables, local or remote ("USB-Blaster on labhost [1-1]"):
//                     the k-th is board k of a simulated lab (vx5h-board-sim --boards N)
//   no_cable=1        no cable attached: every open fails with -3
//   open_error=N      every open fails with code N; open_detail=TEXT its detail
//   open_delay_ms=N   open blocks this long first (a slow chain scan)
//   short_writes=1    write takes a third of what it is offered, every other call none
//   pieces=1          read delivers one byte per call
//   latency_ms=X      flush takes X ms, and reply bytes become readable X ms after they
//                     reached the PC: one trip each way through the server and the cable
//   break_after=N     once N bytes have been read, the link breaks (read gives -1)
#include "FakeClient.h"
#include "drivers/common/VendorApi.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#define FAKE_EXPORT __attribute__((visibility("default")))

struct JTAGATLANTIC {
    int fd = -1;
    std::string cable;
    std::map<std::string, std::string> script;
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::uint8_t>> arrived;
    long long readTotal = 0;
    bool broken = false;
    bool skipNextWrite = false;

    long long Number(const char* key, long long fallback = 0) const
    {
        const auto it = script.find(key);
        return it == script.end() ? fallback : std::atoll(it->second.c_str());
    }
    double Real(const char* key) const
    {
        const auto it = script.find(key);
        return it == script.end() ? 0.0 : std::atof(it->second.c_str());
    }
};

namespace {

constexpr const char* DEFAULT_CABLE = "USB-Blaster [1-1]";
int lastError = 0;
std::string lastDetail;

std::map<std::string, std::string> ReadScript()
{
    std::map<std::string, std::string> script;
    const char* text = std::getenv("FAKE_ATLANTIC");
    std::string rest = text ? text : "";
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        const auto eq = item.find('=');
        if (eq != std::string::npos)
            script[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return script;
}

// The lab's board behind `cable` in a "cables" list (from 1); 0 when it lists no such cable.
int BoardOfListed(const std::string& list, const std::string& cable)
{
    std::string rest = list;
    for (int board = 1; !rest.empty(); ++board) {
        const auto bar = rest.find('|');
        if (rest.substr(0, bar) == cable || cable == std::to_string(board))
            return board;
        rest = bar == std::string::npos ? "" : rest.substr(bar + 1);
    }
    return 0;
}

JTAGATLANTIC* Failed(int code, const std::string& detail)
{
    lastError = code;
    lastDetail = detail;
    return nullptr;
}

std::chrono::microseconds Latency(const JTAGATLANTIC& link)
{
    return std::chrono::microseconds(static_cast<long long>(link.Real("latency_ms") * 1000.0));
}

// Takes in what the simulator has sent, stamped with when it reached the PC.
void Collect(JTAGATLANTIC& link)
{
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(link.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0)
            link.broken = true;
        if (n <= 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        for (ssize_t i = 0; i < n; ++i)
            link.arrived.emplace_back(now, buffer[i]);
    }
}

} // namespace

FAKE_EXPORT JTAGATLANTIC* jtagatlantic_open(const char* cable, int, int, const char*)
{
    if (fake_jtag_client_revision() != FAKE_JTAG_CLIENT_REVISION)
        return Failed(vendorapi::HARDWARE_BROKEN, "client library mismatch");
    auto link = std::make_unique<JTAGATLANTIC>();
    link->script = ReadScript();
    link->cable = link->script.count("cable") ? link->script["cable"] : DEFAULT_CABLE;
    std::this_thread::sleep_for(std::chrono::milliseconds(link->Number("open_delay_ms")));
    if (const long long code = link->Number("open_error"))
        return Failed(static_cast<int>(code), link->script["open_detail"]);
    int board = 1;
    if (link->script.count("cables")) {
        board = BoardOfListed(link->script["cables"], cable ? cable : "1");
        if (board == 0)
            return Failed(vendorapi::CABLE_NOT_EXISTING, "");
        link->cable = cable ? cable : "";
    } else if (link->Number("no_cable") || (cable && link->cable != cable && std::string(cable) != "1")) {
        return Failed(vendorapi::CABLE_NOT_EXISTING, "");
    }
    link->fd = sim::ConnectSocket(sim::BoardSocketPath(sim::SocketPath(), board), sim::CONNECT_TIMEOUT_MS);
    if (link->fd < 0)
        return Failed(vendorapi::CABLE_NOT_EXISTING, "");
    char answer = 0;
    if (!sim::SendAll(link->fd, &sim::HELLO_JTAG, 1, 3000) || !sim::ReceiveAll(link->fd, &answer, 1, 3000)
        || answer != sim::JTAG_ACCEPTED) {
        ::close(link->fd);
        if (answer == sim::JTAG_NO_UART)
            return Failed(vendorapi::NODE_NOT_EXISTING, "");
        if (answer == sim::JTAG_UNPLUGGED)
            return Failed(vendorapi::CABLE_NOT_CONNECTED, "");
        return Failed(vendorapi::IN_USE, answer == sim::JTAG_REFUSED ? "another program (pid unknown)" : "");
    }
    lastError = 0;
    lastDetail.clear();
    return link.release();
}

FAKE_EXPORT int jtagatlantic_get_error(const char** detail)
{
    if (detail)
        *detail = lastDetail.empty() ? nullptr : lastDetail.c_str();
    return lastError;
}

FAKE_EXPORT void jtagatlantic_close(JTAGATLANTIC* link)
{
    if (!link)
        return;
    if (link->fd >= 0)
        ::close(link->fd);
    delete link;
}

FAKE_EXPORT int jtagatlantic_write(JTAGATLANTIC* link, const char* data, unsigned count)
{
    if (link->broken)
        return -1;
    unsigned take = count;
    if (link->Number("short_writes")) {
        link->skipNextWrite = !link->skipNextWrite;
        take = link->skipNextWrite ? 0 : std::max(1u, count / 3);
    }
    if (take > 0 && !sim::SendAll(link->fd, data, take, 3000)) {
        link->broken = true;
        return -1;
    }
    return static_cast<int>(take);
}

FAKE_EXPORT int jtagatlantic_flush(JTAGATLANTIC* link)
{
    if (link->broken)
        return -1;
    std::this_thread::sleep_for(Latency(*link));
    return 0;
}

FAKE_EXPORT int jtagatlantic_read(JTAGATLANTIC* link, char* buffer, unsigned size)
{
    const long long breakAfter = link->Number("break_after", -1);
    if (link->broken || (breakAfter >= 0 && link->readTotal >= breakAfter))
        return -1;
    Collect(*link);
    const auto due = std::chrono::steady_clock::now() - Latency(*link);
    unsigned n = 0;
    const unsigned limit = link->Number("pieces") ? 1u : size;
    while (n < limit && !link->arrived.empty() && link->arrived.front().first <= due
        && (breakAfter < 0 || link->readTotal + n < breakAfter)) {
        buffer[n++] = static_cast<char>(link->arrived.front().second);
        link->arrived.pop_front();
    }
    link->readTotal += n;
    if (n == 0 && link->broken)
        return -1;
    return static_cast<int>(n);
}

FAKE_EXPORT int jtagatlantic_bytes_available(JTAGATLANTIC* link)
{
    Collect(*link);
    return static_cast<int>(link->arrived.size());
}

FAKE_EXPORT void jtagatlantic_get_info(JTAGATLANTIC* link, const char** cable, int* device, int* instance)
{
    if (cable)
        *cable = link->cable.c_str();
    if (device)
        *device = 1;
    if (instance)
        *instance = 0;
}
