// Another user of the machine never stands in for the board: the JTAG library, the
// download library and `ctl` refuse a socket served by someone else, and the simulator
// serves nobody but its own user.
#include "DriverLibraries.h"
#include "SimulatedBoard.h"

#include "sim/Endpoint.h"
#include "tests/support/OtherUser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::Nobody;
using testsupport::SimulatedBoard;

int Listen(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(path.c_str(), 0777) != 0 || ::listen(fd, 8) != 0)
        return -1;
    return fd;
}

// Another user's process listening at `path` as a simulator would, answering every
// hello as a simulator would ("+"), and counting every byte it is sent.
class Impostor {
public:
    explicit Impostor(const std::string& path)
    {
        int stop[2], result[2];
        if (::pipe(stop) != 0 || ::pipe(result) != 0)
            return;
        pid_ = testsupport::StartAs(Nobody(), [&] {
            ::close(stop[1]);
            ::close(result[0]);
            const std::uint64_t received = Serve(path, stop[0]);
            return ::write(result[1], &received, sizeof received) == sizeof received ? 0 : 1;
        });
        ::close(stop[0]);
        ::close(result[1]);
        stop_ = stop[1];
        result_ = result[0];
        for (int i = 0; i < 300 && !fs::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Stops it; the bytes it received.
    std::uint64_t Received()
    {
        ::close(stop_);
        std::uint64_t received = ~0ull;
        if (::read(result_, &received, sizeof received) != sizeof received)
            received = ~0ull;
        ::close(result_);
        ::waitpid(pid_, nullptr, 0);
        return received;
    }

private:
    static std::uint64_t Serve(const std::string& path, int stop)
    {
        const int listener = Listen(path);
        if (listener < 0)
            return ~0ull;
        std::vector<pollfd> fds{{stop, POLLIN, 0}, {listener, POLLIN, 0}};
        std::uint64_t received = 0;
        while (::poll(fds.data(), fds.size(), 5000) > 0 && !fds[0].revents) {
            if (fds[1].revents)
                fds.push_back({::accept(listener, nullptr, nullptr), POLLIN, 0});
            for (std::size_t i = 2; i < fds.size(); ++i) {
                char bytes[4096];
                const ssize_t n = fds[i].revents ? ::read(fds[i].fd, bytes, sizeof bytes) : -1;
                if (n > 0) {
                    received += static_cast<std::uint64_t>(n);
                    (void)!::write(fds[i].fd, &sim::JTAG_ACCEPTED, 1);
                } else if (n == 0) {
                    fds[i].fd = -1;
                }
            }
        }
        return received;
    }

    pid_t pid_ = -1;
    int stop_ = -1;
    int result_ = -1;
};

// A test folder, and the environment that picks the simulator's socket put back afterwards.
class OtherUserTest : public ::testing::Test {
public:
    void SetUp() override
    {
        for (const char* name : {sim::SOCKET_ENV, "XDG_RUNTIME_DIR", "TMPDIR"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        FreshBase();
    }
    void TearDown() override
    {
        RemoveBase();
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    // The test folder, empty; others may look in, but not write.
    void FreshBase()
    {
        RemoveBase();
        char pattern[] = "/tmp/vx5h-other-user-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        base = pattern;
        ::chmod(base.c_str(), 0755);
    }
    void RemoveBase()
    {
        std::error_code ec;
        if (!base.empty())
            fs::remove_all(base, ec);
        base.clear();
    }
    // A folder of the other user's in the test folder.
    std::string ForeignFolder(const std::string& name) const
    {
        const std::string folder = base + "/" + name;
        fs::create_directory(folder);
        ::chmod(folder.c_str(), 0700);
        testsupport::GiveTo(folder, Nobody());
        return folder;
    }
    std::string base;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(OtherUserTest, NoClientTrustsASimulatorOfAnotherUser)
{
    const std::string uid = std::to_string(::geteuid());
    struct Case {
        const char* what;
        // Sets the environment up; where the other user's process listens.
        std::function<std::string(OtherUserTest&)> plant;
        const char* refusal; // what `ctl` says
    };
    const Case cases[] = {
        {"the socket named by VX5H_SIM_SOCKET",
            [](OtherUserTest& t) {
                const std::string socket = t.ForeignFolder("theirs") + "/board.sock";
                ::setenv(sim::SOCKET_ENV, socket.c_str(), 1);
                return socket;
            },
            "is served by user id 65534"},
        {"its folder in the fallback place",
            [uid](OtherUserTest& t) {
                ::unsetenv(sim::SOCKET_ENV);
                ::unsetenv("XDG_RUNTIME_DIR");
                ::setenv("TMPDIR", t.base.c_str(), 1);
                return t.ForeignFolder("vx5h-" + uid) + "/vx5h-board-sim.sock";
            },
            "belongs to user id 65534"},
        {"a link in the fallback place to its folder",
            [uid](OtherUserTest& t) {
                ::unsetenv(sim::SOCKET_ENV);
                ::setenv("XDG_RUNTIME_DIR", t.ForeignFolder("their-runtime").c_str(), 1); // not ours: passed over
                ::setenv("TMPDIR", t.base.c_str(), 1);
                const std::string folder = t.ForeignFolder("theirs");
                fs::create_directory_symlink(folder, t.base + "/vx5h-" + uid);
                return folder + "/vx5h-board-sim.sock";
            },
            "is a symbolic link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshBase();
        Impostor impostor(c.plant(*this));
        {
            simtest::Jtag jtag;
            EXPECT_EQ(jtag.open(0, ""), 0u);
            simtest::Download dl;
            EXPECT_EQ(dl.Load(simtest::ImagePath()) & 0xFF, 0);
            EXPECT_EQ(dl.version(), 0.0) << "no programmer and no simulator of ours";
        }
        int rc = 0;
        const std::string said
            = testsupport::RunCommand("'" + simtest::Bin() + "vx5h-board-sim' ctl set leds 1 2>&1", &rc);
        EXPECT_EQ(rc, 3);
        EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
        EXPECT_EQ(impostor.Received(), 0u) << "a byte for the board reached another user";
    }
}

TEST_F(OtherUserTest, TheSimulatorServesNobodyButItsOwnUser)
{
    SimulatedBoard board;
    // As if the socket were in a shared place and open to all.
    ::chmod(fs::path(board.SocketPath()).parent_path().c_str(), 0755);
    ::chmod(board.SocketPath().c_str(), 0777);
    const std::string socket = board.SocketPath();
    const std::string stateBefore = board.Ctl("state");
    for (const char hello : {sim::HELLO_JTAG, sim::HELLO_CONTROL}) {
        SCOPED_TRACE(hello);
        const int answered = testsupport::RunAs(Nobody(), [&socket, hello] {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
            const int raw = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(raw, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                return 10; // could not even connect: the test proves nothing
            const std::vector<std::uint8_t> message
                = hello == sim::HELLO_JTAG ? std::vector<std::uint8_t>{'J'} : sim::EncodeControl({"set", "leds", "7"});
            char answer = 0;
            return sim::SendAll(raw, message.data(), message.size(), 1000) && sim::ReceiveAll(raw, &answer, 1, 2000)
                ? 1
                : 0;
        });
        EXPECT_EQ(answered, 0) << "another user was answered (10: could not connect)";
    }
    EXPECT_EQ(board.Ctl("state"), stateBefore) << "nobody else's \"set leds 7\" took";
    simtest::Jtag jtag;
    const std::uint32_t link = jtag.open(0, "");
    EXPECT_NE(link, 0u) << "the cable is still free for its user";
    jtag.close(link);
}

} // namespace
