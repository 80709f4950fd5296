#pragma once

#include "sim/CableEnd.h"
#include "sim/Control.h"
#include "sim/Lab.h"
#include "sim/SimBoard.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {
class LocalPipe;
class LocalPipeListener;
} // namespace platform

namespace sim {

// Serves one simulated board on a private named pipe (platform/LocalPipe.h), where the
// system has no Unix sockets: the same hello bytes, cable and control commands as TServer.
// A pipe cannot be polled, so each client has a thread of its own, and one lock keeps
// the board to one of them at a time. Each board of a lab has a server of its own.
class TPipeServer : public IControlHost {
public:
    TPipeServer(std::string endpoint, std::uint32_t idleExitSeconds);
    ~TPipeServer() override;

    // Takes the endpoint; false (with a reason) when another process serves it.
    bool Listen(std::string& error);
    // Serves until quit, a stop signal or the idle time-out.
    void Run();

    TSimBoard& Board() { return board_; }
    // Serves board `board` (from 1) of `lab`, which must outlive the server.
    void JoinLab(TLab* lab, int board)
    {
        lab_ = lab;
        boardIndex_ = board;
    }

    // Called with the board's lock held (from RunControl).
    bool JtagClientConnected() const override { return jtag_ != nullptr; }
    std::string CableHolder() override { return jtag_ ? "another program" : ""; }
    bool CablePlugged() const override { return plugged_; }
    void SetCablePlugged(bool plugged) override;
    void RequestQuit() override { quit_ = true; }

private:
    struct Client {
        std::shared_ptr<platform::LocalPipe> pipe;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void Serve(Client& client);
    void ServeControl(platform::LocalPipe& pipe);
    void ServeJtag(platform::LocalPipe& pipe);
    bool TakeCable(platform::LocalPipe& pipe);
    bool CableFull();
    int JtagWaitMs(std::uint64_t nowUs) const;
    void DropJtag(); // with the lock held
    void ReapClients(bool all);
    void Touch();
    bool Idle(std::uint64_t nowUs) const;
    ControlAnswer Control(const std::vector<std::string>& args);
    void AwaitGoneClient();

    std::string endpoint_;
    std::uint32_t idleExitSeconds_;
    std::unique_ptr<platform::LocalPipeListener> listener_;
    std::mutex lock_; // the board, the cable and jtag_
    TSimBoard board_;
    TSimCableEnd cable_{board_};
    platform::LocalPipe* jtag_ = nullptr;
    bool plugged_ = true;
    std::atomic<bool> quit_{false};
    std::list<Client> clients_;
    std::atomic<std::uint64_t> lastActivityUs_{0};
    TLab* lab_ = nullptr;
    int boardIndex_ = 1;
};

} // namespace sim
