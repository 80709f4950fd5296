// QELVANO_JTAG.DLL for the simulated board: the JTAG cable's byte stream, carried over the
// simulator's Unix socket. The simulator is started on demand, as a JTAG server daemon
// would be, from the folder this library was loaded from.
#include "board/JtagApi.h"
#include "sim/Endpoint.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <poll.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#define JTAG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int START_TIMEOUT_MS = 3000;
constexpr int HANDSHAKE_TIMEOUT_MS = 3000;
constexpr int WRITE_TIMEOUT_MS = 5000;
constexpr int SOCKET_BUFFER = 2 * 1024 * 1024;
constexpr std::size_t READ_BUFFER = 256 * 1024;
constexpr long IDLE_WAIT_NS = 125000;
constexpr const char* DESCRIPTION = "USB-Blaster [VX5h-260 simulator]";

// One open cable. Reads come out of a buffer that one non-blocking receive fills as far
// as it can, so that the caller's byte-by-byte reads do not cost a system call each.
struct Link {
    explicit Link(int socket)
        : fd(socket)
        , buffer(std::make_unique<std::uint8_t[]>(READ_BUFFER))
    { }
    ~Link() { ::close(fd); }

    std::int32_t Read(std::uint8_t* dest, std::int32_t count);
    bool Write(const std::uint8_t* bytes, std::int32_t count);

    std::mutex lock;
    int fd;
    bool broken = false; // the simulator went away or the cable was pulled
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t begin = 0, end = 0;
};

std::int32_t Link::Read(std::uint8_t* dest, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock);
    if (count <= 0)
        return 0;
    const auto wanted = static_cast<std::size_t>(count);
    if (begin == end && !broken) {
        begin = end = 0;
        // A big read goes straight to the caller; small ones fill the buffer.
        std::uint8_t* target = wanted >= READ_BUFFER / 4 ? dest : buffer.get();
        const std::size_t room = target == dest ? wanted : READ_BUFFER;
        const ssize_t n = ::recv(fd, target, room, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            broken = true;
        if (n <= 0) {
            // Nothing pending. The caller polls us in a tight loop while it waits for the
            // board; rather than spin against the simulator for the processor, wait as
            // long as one USB microframe of a real cable for bytes to come, then return.
            pollfd pending{fd, POLLIN, 0};
            const timespec microframe{0, IDLE_WAIT_NS};
            ::ppoll(&pending, 1, &microframe, nullptr);
            return 0;
        }
        if (target == dest)
            return static_cast<std::int32_t>(n);
        end = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(wanted, end - begin);
    std::memcpy(dest, buffer.get() + begin, n);
    begin += n;
    return static_cast<std::int32_t>(n);
}

bool Link::Write(const std::uint8_t* bytes, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock);
    if (broken || count < 0)
        return false;
    if (!sim::SendAll(fd, bytes, static_cast<std::size_t>(count), WRITE_TIMEOUT_MS))
        broken = true;
    return !broken;
}

struct Links {
    std::mutex lock;
    std::map<std::uint32_t, std::shared_ptr<Link>> open;
    std::uint32_t next = 1;
};
Links& AllLinks()
{
    static Links links;
    return links;
}

std::shared_ptr<Link> Find(std::uint32_t handle)
{
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    const auto it = links.open.find(handle);
    return it == links.open.end() ? nullptr : it->second;
}

int OpenCable()
{
    if (!sim::EnsureSimulatorBeside(START_TIMEOUT_MS))
        return -1;
    const int fd = sim::ConnectSocket(sim::SocketPath());
    if (fd < 0)
        return -1;
    int size = SOCKET_BUFFER;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    char answer = 0;
    if (!sim::SendAll(fd, &sim::HELLO_JTAG, 1, HANDSHAKE_TIMEOUT_MS)
        || !sim::ReceiveAll(fd, &answer, 1, HANDSHAKE_TIMEOUT_MS) || answer != sim::JTAG_ACCEPTED) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

JTAG_EXPORT std::uint32_t QELVANO_JtagOpen(std::int32_t cableIndex, const char* cableName)
{
    (void)cableName; // one simulated cable, whatever it is called
    if (cableIndex != 0)
        return 0;
    const int fd = OpenCable();
    if (fd < 0)
        return 0;
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    const std::uint32_t handle = links.next++;
    if (links.next == 0)
        links.next = 1;
    links.open[handle] = std::make_shared<Link>(fd);
    return handle;
}

JTAG_EXPORT void QELVANO_JtagClose(std::uint32_t link)
{
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    links.open.erase(link);
}

JTAG_EXPORT std::int32_t QELVANO_JtagWrite(std::uint32_t link, const std::uint8_t* bytes, std::int32_t count)
{
    const auto l = Find(link);
    return l && (bytes || count == 0) && l->Write(bytes, count) ? 1 : 0;
}

JTAG_EXPORT std::int32_t QELVANO_JtagRead(std::uint32_t link, std::uint8_t* dest, std::int32_t count)
{
    const auto l = Find(link);
    return l && dest ? l->Read(dest, count) : 0;
}

JTAG_EXPORT std::int32_t QELVANO_JtagGetInfo(std::uint32_t link, std::uint8_t* record)
{
    if (!record || !Find(link))
        return 0;
    std::memset(record, 0, jtagapi::JTAG_INFO_RECORD_LEN);
    std::strncpy(reinterpret_cast<char*>(record), "USB-Blaster", 16);
    std::strncpy(reinterpret_cast<char*>(record) + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET, DESCRIPTION,
        jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET - 1);
    return 1;
}
