#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// How the simulator is reached: a per-user Unix socket. A connection says what it is with
// its first byte: 'J' for the JTAG cable's byte stream (answered '+' when the cable is
// taken, '-' when another client holds it, followed by who up to the connection's end,
// 'u' when it is unplugged, 'n' when the FPGA holds no JTAG UART), 'C' for one control
// command (then the argument count and each argument as a u32 length and its bytes; the
// answer is a status byte, a u32 length and the text).
namespace sim {

constexpr char HELLO_JTAG = 'J';
constexpr char HELLO_CONTROL = 'C';
constexpr char JTAG_ACCEPTED = '+';
constexpr char JTAG_REFUSED = '-';
constexpr char JTAG_UNPLUGGED = 'u';
constexpr char JTAG_NO_UART = 'n';
constexpr const char* SOCKET_ENV = "VX5H_SIM_SOCKET";
constexpr const char* EXECUTABLE_NAME = "vx5h-board-sim";
// A control command or its answer, all in all: an image of the simulated board (a few
// hundred KB) fits with room to spare, and nobody can make the simulator hold more.
constexpr std::uint32_t MAX_CONTROL_MESSAGE = 8 * 1024 * 1024;
// The largest image a control command carries to the simulated board.
constexpr std::size_t MAX_CONTROL_IMAGE = MAX_CONTROL_MESSAGE - 64;

// $VX5H_SIM_SOCKET, else vx5h-board-sim.sock in the user's private runtime folder (see
// platform/RuntimeFolder.h). Empty, with `error` (optional) set, when that folder cannot
// be made safely.
std::string SocketPath(std::string* error = nullptr);

// Whether `path` can name an endpoint on this system (a Unix socket's path is short).
bool EndpointNameFits(const std::string& path);
std::uint64_t MonotonicUs();

// True when the process at the other end of the connected Unix socket `fd` runs as this
// user. Anybody else could read what we send and forge what we receive.
bool PeerIsThisUser(int fd, std::string* refusal = nullptr);

// How a connect to a simulator's socket ended.
enum class Reach {
    Connected,
    Nobody,    // nothing listens there
    Busy,      // something listens but took no connection in time: stopped, or swamped
    OtherUser, // it runs as another user
};
// What a connect may wait for a simulator that listens and takes no connection: one that
// runs takes it at once.
constexpr int CONNECT_TIMEOUT_MS = 3000;

// A connected socket to a simulator of this user, or -1; `refusal` (optional) is set when
// something answers at `path` that runs as another user, `reach` (optional) to how it
// ended. The connect never blocks: a simulator that is stopped, or whose queue of new
// connections is full, costs `timeoutMs` at most. The socket is blocking; close-on-exec.
int ConnectSocket(const std::string& path, int timeoutMs, std::string* refusal = nullptr, Reach* reach = nullptr);
bool SendAll(int fd, const void* data, std::size_t count, int timeoutMs);
bool ReceiveAll(int fd, void* data, std::size_t count, int timeoutMs);

// The milliseconds left until `deadlineUs` (of MonotonicUs), 0 once it has passed.
int MsLeft(std::uint64_t deadlineUs);

std::vector<std::uint8_t> EncodeControl(const std::vector<std::string>& args);

struct ControlReply {
    int status = 0;
    std::string text;
};
// Sends one control command to the simulator at `path` and takes its answer, all within
// `timeoutMs`; false when none of this user answers. `refusal` (optional) says why when
// something is there and still gives no answer: another user's, or a simulator that took
// no connection or sent no answer in time. When `stop` (optional) becomes true while the
// answer is awaited, the command is given up at once (false): the simulator sees the
// connection end, which cuts a load through the cable short.
bool SendControl(const std::string& path, const std::vector<std::string>& args, ControlReply& reply,
    int timeoutMs = 10000, std::string* refusal = nullptr, const std::atomic<bool>* stop = nullptr);

// Makes sure a simulator of this user serves `path`: when none answers, starts
// `executable --daemon` and waits for it, at most `timeoutMs`. True when one answers;
// `problem` (optional) says why not when `path` is taken by another user, or by a
// simulator that takes no connection (another one would not get the path either).
bool EnsureSimulator(
    const std::string& executable, const std::string& path, int timeoutMs, std::string* problem = nullptr);

// The folder (with '/') of the program or library this code is linked into; empty when
// it cannot be told.
std::string ModuleFolder();

// EnsureSimulator for SocketPath() with the simulator beside this module, as our driver
// libraries find it. Why there is none (a socket or folder that is not safely the user's,
// a simulator that takes no connection) goes to `why`, or without it to standard error,
// the only place a driver library can tell the user.
bool EnsureSimulatorBeside(int timeoutMs, std::string* why = nullptr);

} // namespace sim
