#include "sim/PipeServer.h"

#include "platform/LocalPipe.h"
#include "sim/ControlMessage.h"
#include "sim/Endpoint.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <limits>
#include <vector>

namespace sim {

namespace {

constexpr std::size_t IO_CHUNK = 256 * 1024;
constexpr int ACCEPT_WAIT_MS = 20;
constexpr int MAX_JTAG_WAIT_MS = 50;
constexpr int HELLO_TIMEOUT_MS = 10000;
constexpr int CONTROL_TIMEOUT_MS = 60000;
constexpr int REPLY_TIMEOUT_MS = 10000;

volatile std::sig_atomic_t g_stop = 0;
void OnStopSignal(int) { g_stop = 1; }

} // namespace

TPipeServer::TPipeServer(std::string endpoint, std::uint32_t idleExitSeconds)
    : endpoint_(std::move(endpoint))
    , idleExitSeconds_(idleExitSeconds)
{ }

TPipeServer::~TPipeServer()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        DropJtag();
    }
    ReapClients(true);
}

bool TPipeServer::Listen(std::string& error)
{
    listener_ = platform::LocalPipeListener::Listen(endpoint_, error);
    Touch();
    return listener_ != nullptr;
}

void TPipeServer::SetCablePlugged(bool plugged)
{
    plugged_ = plugged;
    if (!plugged)
        DropJtag();
}

void TPipeServer::DropJtag()
{
    if (!jtag_)
        return;
    jtag_->Break(); // its thread sees the link end; the client sees the cable go
    jtag_ = nullptr;
    cable_.CloseCable();
}

void TPipeServer::Touch()
{
    const std::uint64_t now = MonotonicUs();
    lastActivityUs_ = now;
    if (lab_)
        lab_->lastActivityUs = now;
}

// Nobody has used this board, nor any board of its lab, for the idle time.
bool TPipeServer::Idle(std::uint64_t nowUs) const
{
    if (!idleExitSeconds_ || !clients_.empty())
        return false;
    const std::uint64_t own = lastActivityUs_;
    const std::uint64_t last = lab_ ? std::max<std::uint64_t>(own, lab_->lastActivityUs) : own;
    return nowUs - last > std::uint64_t(idleExitSeconds_) * 1000000;
}

// With the board's lock held.
ControlAnswer TPipeServer::Control(const std::vector<std::string>& args)
{
    if (args.empty() || args[0] != "boards")
        return RunControl(args, board_, *this);
    std::string names;
    for (int board = 1; board <= (lab_ ? lab_->boards : 1); ++board)
        names += BoardName(board) + "\n";
    return {0, names};
}

void TPipeServer::Run()
{
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::vector<std::uint8_t> lost(IO_CHUNK);
    while (!quit_ && !g_stop && !(lab_ && lab_->leaving)) {
        // At the limit the pipe is not offered: a client's connect waits (within its own
        // budget) until a silent one times out or one ends.
        if (clients_.size() >= MAX_CONNECTIONS)
            std::this_thread::sleep_for(std::chrono::milliseconds(ACCEPT_WAIT_MS));
        else if (auto pipe = listener_->Accept(ACCEPT_WAIT_MS)) {
            Touch();
            Client& client = clients_.emplace_back();
            client.pipe = std::move(pipe);
            client.thread = std::thread([this, &client] { Serve(client); });
        }
        ReapClients(false);
        const std::uint64_t now = MonotonicUs();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!jtag_) {
                // Nobody listens on the cable: replies are lost, as on an unplugged board.
                cable_.Advance(now);
                while (cable_.Transmit(now, lost.data(), lost.size())) { }
            } else {
                Touch();
            }
        }
        if (Idle(now))
            break;
    }
    // One board of a lab gone takes the others with it: the lab is one simulator.
    if (lab_)
        lab_->leaving = true;
    {
        std::lock_guard<std::mutex> guard(lock_);
        DropJtag();
    }
    ReapClients(true); // a "quit" is answered before its thread ends
}

void TPipeServer::ReapClients(bool all)
{
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (!all && !it->done) {
            ++it;
            continue;
        }
        it->thread.join();
        it = clients_.erase(it);
    }
}

void TPipeServer::Serve(Client& client)
{
    platform::LocalPipe& pipe = *client.pipe;
    char hello = 0;
    if (pipe.ReceiveAll(&hello, 1, HELLO_TIMEOUT_MS)) {
        if (hello == HELLO_CONTROL)
            ServeControl(pipe);
        else if (hello == HELLO_JTAG)
            ServeJtag(pipe);
    }
    pipe.Break();
    Touch();
    client.done = true;
}

void TPipeServer::ServeControl(platform::LocalPipe& pipe)
{
    std::vector<std::uint8_t> in;
    std::vector<std::string> args;
    std::uint8_t buffer[65536];
    const std::uint64_t deadline = MonotonicUs() + std::uint64_t(CONTROL_TIMEOUT_MS) * 1000;
    bool bad = false;
    // A client that never finishes its command is not waited for forever.
    while (!DecodeControl(in, args, bad)) {
        const std::uint64_t now = MonotonicUs();
        if (bad || now >= deadline)
            return;
        const long n = pipe.Receive(buffer, sizeof buffer, static_cast<int>((deadline - now) / 1000) + 1);
        if (n < 0)
            return;
        in.insert(in.end(), buffer, buffer + n);
    }
    if (!args.empty() && args[0] == "download-image")
        AwaitGoneClient();
    ControlAnswer answer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        answer = Control(args);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
    if (answer.finish) {
        std::lock_guard<std::mutex> guard(lock_);
        answer = answer.finish();
    }
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(answer.status));
    const auto length = static_cast<std::uint32_t>(answer.text.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    out.insert(out.end(), answer.text.begin(), answer.text.end());
    pipe.SendAll(out.data(), out.size(), REPLY_TIMEOUT_MS);
}

// A pipe cannot be asked whether its client has gone: the client's thread sees it within
// one wait of its own. A load that follows its closed link at once waits that long, so
// that it is not refused for a client that has already let go.
void TPipeServer::AwaitGoneClient()
{
    for (int waited = 0; waited < 2 * MAX_JTAG_WAIT_MS; waited += ACCEPT_WAIT_MS) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!jtag_)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ACCEPT_WAIT_MS));
    }
}

// One cable, one client; a pulled cable takes none, nor an FPGA without a JTAG UART.
bool TPipeServer::TakeCable(platform::LocalPipe& pipe)
{
    char answer = JTAG_ACCEPTED;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const char refusal = !plugged_ ? JTAG_UNPLUGGED : jtag_ ? JTAG_REFUSED : cable_.OpenCable();
        if (refusal != 0)
            answer = refusal;
        else
            jtag_ = &pipe;
    }
    if (pipe.SendAll(&answer, 1, REPLY_TIMEOUT_MS) && answer == JTAG_ACCEPTED)
        return true;
    std::lock_guard<std::mutex> guard(lock_);
    if (jtag_ == &pipe)
        DropJtag();
    return false;
}

// The PC waits while the board has not taken what it sent, as on a real cable.
bool TPipeServer::CableFull()
{
    std::lock_guard<std::mutex> guard(lock_);
    return board_.InboundBytes() >= MAX_INBOUND_BYTES;
}

int TPipeServer::JtagWaitMs(std::uint64_t nowUs) const
{
    const std::uint64_t next = cable_.NextEventUs();
    if (next == std::numeric_limits<std::uint64_t>::max())
        return MAX_JTAG_WAIT_MS;
    if (next <= nowUs)
        return 0;
    return static_cast<int>(std::min<std::uint64_t>((next - nowUs + 999) / 1000, MAX_JTAG_WAIT_MS));
}

void TPipeServer::ServeJtag(platform::LocalPipe& pipe)
{
    if (!TakeCable(pipe))
        return;
    std::vector<std::uint8_t> in(IO_CHUNK), out(IO_CHUNK);
    int waitMs = 0;
    for (;;) {
        // Like the firmware, no new requests are taken while replies back up: the reply
        // below is written out before the next read.
        long n = 0;
        if (CableFull())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(waitMs, 1)));
        else
            n = pipe.Receive(in.data(), in.size(), waitMs);
        std::size_t reply = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (jtag_ != &pipe)
                return; // dropped: cable pulled, FPGA cleared or quit
            const std::uint64_t now = MonotonicUs();
            if (n > 0)
                cable_.Receive(in.data(), static_cast<std::size_t>(n), now);
            // An FPGA cleared under an open link takes its JTAG UART, and so the link, with it.
            if (n < 0 || !cable_.CableUsable()) {
                DropJtag();
                return;
            }
            cable_.Advance(now);
            reply = cable_.Transmit(now, out.data(), out.size());
            waitMs = reply ? 0 : JtagWaitMs(now);
        }
        if (reply && !pipe.SendAll(out.data(), reply, REPLY_TIMEOUT_MS)) {
            std::lock_guard<std::mutex> guard(lock_);
            if (jtag_ == &pipe)
                DropJtag();
            return;
        }
    }
}

} // namespace sim
