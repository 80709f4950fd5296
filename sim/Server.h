#pragma once

#include "sim/CableEnd.h"
#include "sim/Control.h"
#include "sim/DaemonLog.h"
#include "sim/Lab.h"
#include "sim/SimBoard.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace sim {

// Serves one simulated board on a Unix socket: at most one JTAG client (the cable) and
// any number of short control connections, in one thread around poll(2).
class TServer : public IControlHost {
public:
    TServer(std::string socketPath, std::uint32_t idleExitSeconds);
    ~TServer() override;

    // Why `path` cannot be a socket's; empty when it can.
    static std::string PathProblem(const std::string& path);
    // Takes the socket path; false (with a reason) when another simulator serves it.
    bool Listen(std::string& error);
    // Serves until quit, SIGTERM/SIGINT or the idle time-out.
    void Run();

    TSimBoard& Board() { return board_; }
    // The cable reaches `end` instead of the simulated board (a replay); it must outlive
    // the server.
    void SetCableEnd(ICableEnd* end) { cable_ = end; }
    // Sees every control command first; true when it answered it.
    using ControlHook = std::function<bool(const std::vector<std::string>&, ControlAnswer&)>;
    void SetControlHook(ControlHook hook) { controlHook_ = std::move(hook); }
    // Where the server tells what happens to its cable and which commands it ran; none by
    // default. The log must outlive the server.
    void SetLog(TDaemonLog* log) { log_ = log; }
    // Serves board `board` (from 1) of `lab`, which must outlive the server.
    void JoinLab(TLab* lab, int board)
    {
        lab_ = lab;
        boardIndex_ = board;
    }

    bool JtagClientConnected() const override { return jtag_ != nullptr; }
    std::string CableHolder() override;
    bool CablePlugged() const override { return plugged_; }
    void SetCablePlugged(bool plugged) override;
    void RequestQuit() override { quit_ = true; }

private:
    struct Connection;

    // Something happened on this board's socket.
    void Touch(std::uint64_t nowUs);
    bool LabLeaving() const { return lab_ && lab_->leaving; }
    // The last activity on this board, or on any board of its lab.
    std::uint64_t LastActivityUs() const;
    // The answer to "boards": the cable names of the lab, one a line.
    ControlAnswer LabBoards() const;

    void Accept(std::uint64_t nowUs);
    // The oldest connection opened by then that is not the cable's; null for none.
    Connection* OldestBesideTheCable(std::uint64_t openedBeforeUs) const;
    void DropForRoom(Connection& silent);
    std::size_t LiveConnections() const;
    void ServeJtag(std::uint64_t nowUs);
    void ReadJtag(std::uint64_t nowUs);
    void ReadHello(Connection& c);
    void ReadControl(Connection& c);
    void NoteControl(const std::vector<std::string>& args, int status) const;
    void SetAnswer(Connection& c, const ControlAnswer& answer);
    void Flush(Connection& c);
    void Close(Connection& c);
    void DropJtag();
    bool SocketStillOurs() const;
    void Note(const std::string& line) const
    {
        if (log_)
            log_->Write(boardIndex_ > 1 ? BoardName(boardIndex_) + ": " + line : line);
    }
    int PollTimeoutMs(std::uint64_t nowUs) const;
    // The JTAG client does not take our replies as fast as we make them.
    bool JtagBlocked() const { return jtag_ && jtagOutSent_ < jtagOutLen_; }

    std::string path_;
    std::uint32_t idleExitSeconds_;
    int listenFd_ = -1;
    int lockFd_ = -1;
    bool quit_ = false;
    bool plugged_ = true;
    TSimBoard board_;
    TSimCableEnd simEnd_{board_};
    ICableEnd* cable_ = &simEnd_;
    ControlHook controlHook_;
    std::vector<std::unique_ptr<Connection>> connections_;
    Connection* jtag_ = nullptr;
    std::string jtagHolder_;                  // the program holding the cable, as a refusal names it
    std::unique_ptr<std::uint8_t[]> jtagOut_; // reply bytes the socket has not taken yet
    std::unique_ptr<std::uint8_t[]> jtagIn_;
    std::size_t jtagOutLen_ = 0;
    std::size_t jtagOutSent_ = 0;
    std::uint64_t lastActivityUs_ = 0;
    std::uint64_t lastSocketCheckUs_ = 0;
    std::pair<dev_t, ino_t> socketId_{};
    bool listenLost_ = false;
    std::uint64_t listenRestUntilUs_ = 0; // no new connection is taken before then
    TDaemonLog* log_ = nullptr;
    TLab* lab_ = nullptr;
    int boardIndex_ = 1;
};

// Set by SIGTERM/SIGINT.
void InstallStopSignals();
bool StopRequested();

} // namespace sim
