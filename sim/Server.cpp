#include "sim/Server.h"

#include "platform/RuntimeFolder.h"
#include "sim/ControlMessage.h"
#include "sim/Endpoint.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace sim {

namespace {

constexpr std::size_t IO_CHUNK = 256 * 1024;
constexpr int SOCKET_BUFFER = 2 * 1024 * 1024;
constexpr int MAX_WAIT_MS = 250;
constexpr std::uint64_t SOCKET_CHECK_US = 2000000;
constexpr std::uint64_t CONTROL_TIMEOUT_US = 60000000;
// A new connection says what it is at once; one that stays silent holds a place another
// (a control command, the cable) may need.
constexpr std::uint64_t HELLO_TIMEOUT_US = 1000000;
// When no connection can be taken, the listening socket rests this long rather than wake
// the loop at once again.
constexpr std::uint64_t LISTEN_REST_US = 100000;
// A connection that has said nothing for this long may make room for a new one.
constexpr std::uint64_t SILENT_GRACE_US = 100000;
// What a refusal tells of the program holding the cable, at most.
constexpr std::size_t MAX_PROGRAM_NAME = 64;
// Something at our path that listens, even if it takes no connection now, is a simulator.
constexpr int PROBE_TIMEOUT_MS = 200;

volatile std::sig_atomic_t g_stop = 0;
void OnStopSignal(int) { g_stop = 1; }

// The program at the other end of `fd` as a person knows it: its name and process id,
// "VX5h_260_ControlPanel (pid 4242)".
std::string ProgramOf(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return "another program";
    std::ifstream in("/proc/" + std::to_string(peer.pid) + "/cmdline", std::ios::binary);
    std::string program;
    std::getline(in, program, '\0');
    program = program.substr(program.rfind('/') + 1).substr(0, MAX_PROGRAM_NAME);
    return (program.empty() ? std::string("process") : program) + " (pid " + std::to_string(peer.pid) + ")";
}

void SetBigBuffers(int fd)
{
    int size = SOCKET_BUFFER;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

} // namespace

void InstallStopSignals()
{
    struct sigaction action { };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() { return g_stop != 0; }

struct TServer::Connection {
    enum class Kind {
        Hello,
        Jtag,
        Control
    };
    int fd = -1;
    Kind kind = Kind::Hello;
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> out;
    std::size_t outSent = 0;
    bool closeWhenFlushed = false;
    bool dead = false;
    std::uint64_t openedUs = 0;
    std::uint64_t answerAtUs = 0; // the answer is held back until then
    std::function<ControlAnswer()> finish; // the rest of the command, run then
};

TServer::TServer(std::string socketPath, std::uint32_t idleExitSeconds)
    : path_(std::move(socketPath))
    , idleExitSeconds_(idleExitSeconds)
    , jtagOut_(std::make_unique<std::uint8_t[]>(IO_CHUNK))
    , jtagIn_(std::make_unique<std::uint8_t[]>(IO_CHUNK))
{ }

TServer::~TServer()
{
    for (auto& c : connections_)
        if (c->fd >= 0)
            ::close(c->fd);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        if (!listenLost_)
            ::unlink(path_.c_str());
    }
    if (lockFd_ >= 0) {
        if (!listenLost_)
            ::unlink((path_ + ".lock").c_str());
        ::close(lockFd_);
    }
}

std::string TServer::PathProblem(const std::string& path)
{
    if (path.empty())
        return "no socket path";
    if (path.size() >= sizeof sockaddr_un::sun_path)
        return "the socket path " + path + " is " + std::to_string(path.size())
            + " characters long, more than this system takes (" + std::to_string(sizeof sockaddr_un::sun_path - 1)
            + "); choose a shorter one (--socket, VX5H_SIM_SOCKET)";
    return {};
}

bool TServer::Listen(std::string& error)
{
    sockaddr_un address{};
    if (const std::string problem = PathProblem(path_); !problem.empty()) {
        error = problem;
        return false;
    }
    // Whatever the path, the board is served only from a folder nobody else can put
    // things in: not the socket, the lock or the log.
    const std::string folder = std::filesystem::absolute(std::filesystem::path(path_)).parent_path().string();
    if (!platform::CheckPrivateFolder(folder, error)) {
        error = "the socket's folder is not safely this user's: " + error;
        return false;
    }
    // The lock keeps two simulators that start at the same moment from both taking the path.
    lockFd_ = ::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (lockFd_ < 0) {
        error = "cannot open " + path_ + ".lock: " + std::strerror(errno);
        return false;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        error = "another simulator serves " + path_;
        return false;
    }
    std::string refusal;
    Reach reach = Reach::Nobody;
    if (const int probe = ConnectSocket(path_, PROBE_TIMEOUT_MS, &refusal, &reach); reach != Reach::Nobody) {
        if (probe >= 0)
            ::close(probe);
        error = reach == Reach::OtherUser ? refusal : "another simulator serves " + path_;
        return false;
    }
    // A stale socket of a simulator that died goes; any other file there is the user's.
    struct stat existing { };
    if (::lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = path_ + " exists and is not a socket; the simulator replaces only a socket";
            return false;
        }
        ::unlink(path_.c_str());
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    const mode_t oldMask = ::umask(077); // the board belongs to this user only
    const bool bound
        = listenFd_ >= 0 && ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(listenFd_, static_cast<int>(MAX_CONNECTIONS)) != 0) {
        error = "cannot listen on " + path_ + ": " + std::strerror(errno);
        if (listenFd_ >= 0)
            ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    struct stat st { };
    if (::stat(path_.c_str(), &st) == 0)
        socketId_ = {st.st_dev, st.st_ino};
    Touch(MonotonicUs());
    return true;
}

bool TServer::SocketStillOurs() const
{
    struct stat st { };
    return ::stat(path_.c_str(), &st) == 0 && socketId_ == std::pair<dev_t, ino_t>{st.st_dev, st.st_ino};
}

void TServer::SetCablePlugged(bool plugged)
{
    plugged_ = plugged;
    if (!plugged)
        DropJtag();
}

void TServer::DropJtag()
{
    if (!jtag_)
        return;
    Note("cable: client gone");
    ::close(jtag_->fd);
    jtag_->fd = -1;
    jtag_->dead = true;
    jtag_ = nullptr;
    jtagOutLen_ = jtagOutSent_ = 0;
    cable_->CloseCable();
}

std::string TServer::CableHolder()
{
    // A client that has just closed its end may not have been read since: what it sent
    // last goes to the board and its end is seen.
    if (jtag_)
        ReadJtag(MonotonicUs());
    return jtag_ ? jtagHolder_ : std::string();
}

void TServer::Close(Connection& c)
{
    if (&c == jtag_) {
        DropJtag();
        return;
    }
    if (c.fd >= 0)
        ::close(c.fd);
    c.fd = -1;
    c.dead = true;
}

// Any connection but the cable's may make room once the table is full: one that said
// nothing yet, a control command that never came whole, an answer never read. (A client
// sends its whole command with its hello and reads the answer at once; one that stops
// halfway holds a place the next command or the cable needs.)
TServer::Connection* TServer::OldestBesideTheCable(std::uint64_t openedBeforeUs) const
{
    Connection* oldest = nullptr;
    for (const auto& c : connections_)
        if (!c->dead && c->kind != Connection::Kind::Jtag && c->openedUs <= openedBeforeUs
            && (!oldest || c->openedUs < oldest->openedUs))
            oldest = c.get();
    return oldest;
}

void TServer::DropForRoom(Connection& silent)
{
    Note("dropped a connection that said nothing, to make room");
    Close(silent);
}

std::size_t TServer::LiveConnections() const
{
    return static_cast<std::size_t>(
        std::count_if(connections_.begin(), connections_.end(), [](const auto& c) { return !c->dead; }));
}

void TServer::Accept(std::uint64_t nowUs)
{
    for (;;) {
        // Room is made only for a connection that is there, and only by one that had its
        // time to say what it is: else the newest would go before it could say a word.
        const bool full = LiveConnections() >= MAX_CONNECTIONS;
        Connection* room = full ? OldestBesideTheCable(nowUs > SILENT_GRACE_US ? nowUs - SILENT_GRACE_US : 0) : nullptr;
        if (full && !room) {
            listenRestUntilUs_ = nowUs + LISTEN_REST_US;
            return;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of files: without room the listening socket would wake the loop for ever.
            Connection* any = errno == EMFILE || errno == ENFILE ? OldestBesideTheCable(nowUs) : nullptr;
            if (any)
                DropForRoom(*any);
            else if (errno == EMFILE || errno == ENFILE)
                listenRestUntilUs_ = nowUs + LISTEN_REST_US;
            return;
        }
        if (room)
            DropForRoom(*room);
        // The board is this user's: nobody else takes its cable or turns its switches.
        if (!PeerIsThisUser(fd)) {
            Note("refused a connection from another user");
            ::close(fd);
            continue;
        }
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->openedUs = MonotonicUs();
        connections_.push_back(std::move(c));
    }
}

void TServer::ReadHello(Connection& c)
{
    char hello = 0;
    const ssize_t n = ::recv(c.fd, &hello, 1, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        Close(c);
        return;
    }
    if (n < 0)
        return;
    if (hello == HELLO_CONTROL) {
        c.kind = Connection::Kind::Control;
        ReadControl(c);
        return;
    }
    if (hello != HELLO_JTAG) {
        Close(c);
        return;
    }
    // A client that has just gone may still look connected; ask its socket.
    if (jtag_) {
        char probe;
        if (::recv(jtag_->fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
            DropJtag();
    }
    // One cable, one client; a pulled cable takes none, nor an FPGA without a JTAG UART.
    const char refusal = !plugged_ ? JTAG_UNPLUGGED : jtag_ ? JTAG_REFUSED : cable_->OpenCable();
    if (refusal != 0) {
        Note(refusal == JTAG_UNPLUGGED    ? "cable: refused, unplugged"
                : refusal == JTAG_REFUSED ? "cable: refused, " + jtagHolder_ + " holds it"
                                          : "cable: refused, the FPGA has no JTAG UART");
        // A cable that is taken says by whom, as the vendor's server does.
        const std::string answer = std::string(1, refusal) + (refusal == JTAG_REFUSED ? jtagHolder_ : "");
        ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        Close(c);
        return;
    }
    if (::send(c.fd, &JTAG_ACCEPTED, 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) {
        Close(c);
        return;
    }
    SetBigBuffers(c.fd);
    c.kind = Connection::Kind::Jtag;
    jtagHolder_ = ProgramOf(c.fd);
    Note("cable: client connected (" + jtagHolder_ + ")");
    jtag_ = &c;
    jtagOutLen_ = jtagOutSent_ = 0;
}

void TServer::ReadControl(Connection& c)
{
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0 && c.in.size() + static_cast<std::size_t>(n) > MAX_CONTROL_MESSAGE) {
            Note("dropped a control command beyond " + std::to_string(MAX_CONTROL_MESSAGE) + " bytes");
            Close(c);
            return;
        }
        if (n > 0) {
            c.in.insert(c.in.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            Close(c);
            return;
        }
        break;
    }
    std::vector<std::string> args;
    bool bad = false;
    if (!DecodeControl(c.in, args, bad)) {
        if (bad)
            Close(c);
        return;
    }
    ControlAnswer answer;
    if (!args.empty() && args[0] == "boards")
        answer = LabBoards();
    else if (!controlHook_ || !controlHook_(args, answer))
        answer = RunControl(args, board_, *this);
    // The client refuses an answer beyond the limit as no answer at all; it gets a
    // refusal that says why instead.
    if (answer.text.size() > MAX_CONTROL_MESSAGE)
        answer = {1,
            "the answer would be " + std::to_string(answer.text.size()) + " bytes, beyond the limit of "
                + std::to_string(MAX_CONTROL_MESSAGE) + " bytes\n"};
    NoteControl(args, answer.status);
    c.in.clear();
    c.finish = std::move(answer.finish);
    SetAnswer(c, answer);
    c.closeWhenFlushed = true;
    c.answerAtUs = MonotonicUs() + std::uint64_t(answer.delayMs) * 1000;
    if (answer.delayMs == 0)
        Flush(c);
}

void TServer::SetAnswer(Connection& c, const ControlAnswer& answer)
{
    c.out.clear();
    c.out.push_back(static_cast<std::uint8_t>(answer.status));
    const auto length = static_cast<std::uint32_t>(answer.text.size());
    for (int i = 0; i < 4; ++i)
        c.out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    c.out.insert(c.out.end(), answer.text.begin(), answer.text.end());
}

void TServer::Flush(Connection& c)
{
    if (MonotonicUs() < c.answerAtUs)
        return;
    // A command that ends only now (a load through the cable) gives its answer now.
    if (c.finish) {
        const ControlAnswer answer = std::exchange(c.finish, nullptr)();
        Note("ctl: finished"
            + (answer.status == 0 ? std::string() : ": refused (" + std::to_string(answer.status) + ")"));
        SetAnswer(c, answer);
    }
    while (c.fd >= 0 && c.outSent < c.out.size()) {
        const ssize_t n = ::send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            c.outSent += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        else
            break;
    }
    if (c.closeWhenFlushed)
        Close(c);
}

void TServer::ReadJtag(std::uint64_t nowUs)
{
    while (jtag_ && board_.InboundBytes() < MAX_INBOUND_BYTES) {
        const ssize_t n = ::recv(jtag_->fd, jtagIn_.get(), IO_CHUNK, MSG_DONTWAIT);
        if (n > 0) {
            cable_->Receive(jtagIn_.get(), static_cast<std::size_t>(n), nowUs);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            DropJtag();
        return;
    }
}

void TServer::ServeJtag(std::uint64_t nowUs)
{
    // An FPGA cleared under an open link takes its JTAG UART, and so the link, with it.
    if (jtag_ && !cable_->CableUsable())
        DropJtag();
    cable_->Advance(nowUs);
    if (!jtag_) {
        // Nobody listens on the cable: replies are lost, as on an unplugged board.
        while (cable_->Transmit(nowUs, jtagOut_.get(), IO_CHUNK)) { }
        return;
    }
    for (;;) {
        if (jtagOutSent_ == jtagOutLen_) {
            jtagOutSent_ = 0;
            jtagOutLen_ = cable_->Transmit(nowUs, jtagOut_.get(), IO_CHUNK);
            if (jtagOutLen_ == 0)
                return;
        }
        const ssize_t n
            = ::send(jtag_->fd, jtagOut_.get() + jtagOutSent_, jtagOutLen_ - jtagOutSent_, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            jtagOutSent_ += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        DropJtag();
        return;
    }
}

int TServer::PollTimeoutMs(std::uint64_t nowUs) const
{
    const bool blocked = JtagBlocked(); // POLLOUT wakes us
    const std::uint64_t next = cable_->NextEventUs();
    if (blocked || next == std::numeric_limits<std::uint64_t>::max())
        return MAX_WAIT_MS;
    if (next <= nowUs)
        return 0;
    return static_cast<int>(std::min<std::uint64_t>((next - nowUs + 999) / 1000, MAX_WAIT_MS));
}

// Control commands that change something, with their outcome; the state queries that
// tests and scripts poll all the time are left out, and an image is told by its size.
void TServer::NoteControl(const std::vector<std::string>& args, int status) const
{
    if (!log_ || args.empty() || args[0] == "state" || args[0] == "help")
        return;
    std::string line = "ctl";
    if (args[0] == "configure-image" || args[0] == "download-image")
        line += " " + args[0] + " (" + std::to_string(args.size() > 1 ? args[1].size() : 0) + " bytes)";
    else
        for (const std::string& arg : args)
            line += " " + arg.substr(0, 80);
    Note(line + (status == 0 ? "" : ": refused (" + std::to_string(status) + ")"));
}

void TServer::Touch(std::uint64_t nowUs)
{
    lastActivityUs_ = nowUs;
    if (lab_)
        lab_->lastActivityUs = nowUs;
}

std::uint64_t TServer::LastActivityUs() const
{
    return lab_ ? std::max<std::uint64_t>(lastActivityUs_, lab_->lastActivityUs) : lastActivityUs_;
}

ControlAnswer TServer::LabBoards() const
{
    std::string names;
    for (int board = 1; board <= (lab_ ? lab_->boards : 1); ++board)
        names += BoardName(board) + "\n";
    return {0, names};
}

void TServer::Run()
{
    std::vector<pollfd> fds;
    std::vector<Connection*> owners;
    while (!quit_ && !StopRequested() && !LabLeaving()) {
        std::uint64_t now = MonotonicUs();
        fds.clear();
        owners.clear();
        fds.push_back({listenFd_, static_cast<short>(now < listenRestUntilUs_ ? 0 : POLLIN), 0});
        owners.push_back(nullptr);
        for (auto& c : connections_) {
            short events = POLLIN;
            if (c.get() == jtag_ && JtagBlocked())
                events = POLLOUT; // like the firmware, stop taking requests while replies back up
            else if (c.get() == jtag_ && board_.InboundBytes() >= MAX_INBOUND_BYTES)
                events = 0; // the cable is full: the PC waits until the board has taken some
            else if (c->closeWhenFlushed)
                events = now < c->answerAtUs ? 0 : POLLOUT; // answered; more input is ignored
            else if (c->outSent < c->out.size())
                events |= POLLOUT;
            fds.push_back({c->fd, events, 0});
            owners.push_back(c.get());
        }
        int waitMs = PollTimeoutMs(now);
        for (auto& c : connections_)
            if (c->answerAtUs > now && c->outSent < c->out.size())
                waitMs = std::min<int>(waitMs, static_cast<int>((c->answerAtUs - now + 999) / 1000));
        // Sub-millisecond waits matter for a throttled link; ppoll takes them.
        const std::uint64_t next = cable_->NextEventUs();
        timespec timeout{waitMs / 1000, (waitMs % 1000) * 1000000L};
        if (waitMs > 0 && next > now && next - now < 1000)
            timeout = {0, static_cast<long>((next - now) * 1000)};
        const int ready = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        now = MonotonicUs();
        // Existing connections first, so that a JTAG client that has gone is noticed
        // before a new one asks for the cable.
        for (std::size_t i = 1; i < fds.size(); ++i) {
            Connection& c = *owners[i];
            if (c.dead || fds[i].revents == 0)
                continue;
            Touch(now);
            if (c.kind == Connection::Kind::Hello)
                ReadHello(c);
            else if (c.kind == Connection::Kind::Control && !c.closeWhenFlushed)
                ReadControl(c);
            else if (&c == jtag_ && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                if (JtagBlocked() && !(fds[i].revents & POLLIN))
                    DropJtag(); // gone while we waited for it to read
                else
                    ReadJtag(now);
            }
            if (!c.dead && (fds[i].revents & POLLOUT) && c.kind == Connection::Kind::Control)
                Flush(c);
            if (!c.dead && (fds[i].revents & (POLLHUP | POLLERR)) && c.kind != Connection::Kind::Jtag)
                Close(c);
        }
        ServeJtag(now);
        for (auto& c : connections_)
            if (!c->dead && c->closeWhenFlushed && c->answerAtUs && now >= c->answerAtUs)
                Flush(*c);
        if (fds[0].revents & POLLIN)
            Accept(now);
        // A control client that never finishes its command (or never reads the answer)
        // is not waited for forever.
        for (auto& c : connections_) {
            const std::uint64_t limit = c->kind == Connection::Kind::Hello ? HELLO_TIMEOUT_US : CONTROL_TIMEOUT_US;
            if (!c->dead && c.get() != jtag_ && now > c->openedUs + limit)
                Close(*c);
        }
        std::erase_if(connections_, [](const std::unique_ptr<Connection>& c) { return c->dead; });
        if (jtag_)
            Touch(now);
        // Another board of the lab may have been busy after `now` was taken.
        const std::uint64_t last = LastActivityUs();
        if (idleExitSeconds_ && connections_.empty() && now > last
            && now - last > std::uint64_t(idleExitSeconds_) * 1000000) {
            Note("idle for " + std::to_string(idleExitSeconds_) + " s: leaving");
            break;
        }
        // Nobody can reach a simulator whose socket was removed (say, with a test's
        // temporary folder) or taken over; it goes.
        if (now - lastSocketCheckUs_ > SOCKET_CHECK_US) {
            lastSocketCheckUs_ = now;
            if (!SocketStillOurs()) {
                Note("socket removed or replaced: leaving");
                listenLost_ = true;
                break;
            }
        }
    }
    if (quit_ || StopRequested())
        Note(quit_ ? "quit" : "stopped by a signal");
    // One board of a lab gone takes the others with it: the lab is one daemon.
    if (lab_)
        lab_->leaving = true;
    // Answer a "quit" before going.
    for (auto& c : connections_)
        if (!c->dead && c->outSent < c->out.size())
            SendAll(c->fd, c->out.data() + c->outSent, c->out.size() - c->outSent, 1000);
}

} // namespace sim
