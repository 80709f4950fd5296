// board.ir and board.rs232: the board's character channels, read with a time budget.
#include "Bindings.h"
#include "Memory.h"

#include "board/Protocol.h"
#include "core/IrKeys.h"
#include "core/Rs232Text.h"

#include <chrono>
#include <cmath>
#include <deque>
#include <thread>

namespace py = pybind11;

namespace pyvx5h {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting read asks the board: each ask is one short exchange.
constexpr auto POLL_PERIOD = std::chrono::milliseconds(20);
// A waiting iteration asks for this long at a time, then looks for Ctrl-C and goes on.
constexpr double ITERATION_WAIT_S = 1.0;
// The bytes of a write sent between two looks for Ctrl-C and close().
constexpr std::size_t WRITE_PIECE = 32 * protocol::CHANNEL_CHUNK;

struct TChannel {
    TSessionPtr session;
    std::uint8_t channel;
    const char* what;
};

struct TIrReceiver : TChannel {
    std::deque<std::uint8_t> pending; // codes read but not yet handed out
};

struct TRs232Port : TChannel { };

// What has arrived; the receiver is switched on at the first use.
std::string ReadWaiting(TChannel& port)
{
    std::string bytes;
    port.session->Run([&](TBoard& board) {
        port.session->EnsureReception(port.channel);
        // A full reply may leave more behind it.
        std::uint8_t count = protocol::CHANNEL_CHUNK;
        while (count == protocol::CHANNEL_CHUNK) {
            bool ok = false;
            count = 0;
            std::uint8_t data[protocol::CHANNEL_CHUNK + 1] = {};
            port.session->Check(board.ChannelRead(ok, port.channel, count, data), port.what);
            // A refusal means nothing is waiting.
            if (!ok)
                count = 0;
            bytes.append(reinterpret_cast<const char*>(data), std::min<std::size_t>(count, protocol::CHANNEL_CHUNK));
        }
    });
    return bytes;
}

// `seconds` from now, or the clock's end where that lies beyond it.
Clock::time_point DeadlineAfter(double seconds)
{
    const auto now = Clock::now();
    const std::chrono::duration<double> left = Clock::time_point::max() - now;
    if (seconds >= left.count())
        return Clock::time_point::max();
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

py::bytes ReadWithin(TChannel& port, double timeout)
{
    // The longest wait Python's own waits take (threading.TIMEOUT_MAX); a longer one
    // would be cut short by the clock's arithmetic, not waited.
    constexpr double LONGEST_S = static_cast<double>(PY_TIMEOUT_MAX / 1000000);
    if (!std::isfinite(timeout) || timeout < 0 || timeout > LONGEST_S)
        throw py::value_error("timeout must be a finite number of seconds, 0 to "
            + std::to_string(PY_TIMEOUT_MAX / 1000000) + " (threading.TIMEOUT_MAX)");
    const auto deadline = DeadlineAfter(timeout);
    for (;;) {
        const std::string bytes = ReadWaiting(port);
        const auto now = Clock::now();
        if (!bytes.empty() || now >= deadline)
            return py::bytes(bytes);
        {
            const TGilRelease release;
            std::this_thread::sleep_for(std::min<Clock::duration>(POLL_PERIOD, deadline - now));
        }
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
    }
}

// The next bytes to arrive, waiting as long as it takes; Ctrl-C ends the wait.
std::string NextArrival(TChannel& port)
{
    for (;;) {
        const std::string bytes = ReadWithin(port, ITERATION_WAIT_S);
        if (!bytes.empty())
            return bytes;
    }
}

// Sends all of `size` bytes, in pieces between which Ctrl-C and close() stop it as they
// stop a transfer: a write may be longer than any one call to the board takes.
void SendAll(TRs232Port& port, const std::uint8_t* data, std::size_t size)
{
    TPyProgress stop(*port.session, py::none());
    port.session->Run([&](TBoard& board) {
        port.session->EnsureReception(port.channel);
        for (std::size_t sent = 0; sent < size && !stop.AbortRequested();) {
            const std::size_t piece = std::min<std::size_t>(WRITE_PIECE, size - sent);
            bool accepted = false;
            const bool exchanged
                = board.ChannelWrite(accepted, port.channel, static_cast<std::int32_t>(piece), data + sent);
            port.session->Check(exchanged, accepted, port.what);
            sent += piece;
        }
    });
    stop.RaiseIfStopped();
}

void Write(TRs232Port& port, const py::handle data)
{
    if (py::isinstance<py::str>(data)) {
        const std::string text = TextOf(data, "data", true);
        const std::string unsendable = rs232::UnsendableText(text);
        if (!unsendable.empty())
            throw py::value_error(unsendable);
        std::vector<std::uint8_t> bytes = rs232::SendBytes(text);
        bytes.pop_back(); // the page's terminating NUL: a script sends what it writes
        SendAll(port, bytes.data(), bytes.size());
        return;
    }
    const TInputBytes input(data);
    SendAll(port, input.Data(), input.Size());
}

} // namespace

void AddChannels(py::module_& module, py::class_<TSession, TSessionPtr>& board)
{
    py::class_<TChannel> channel(module, "Channel",
        "A character channel of the board. Its receiver is switched on at the first use and stays on until the "
        "board is closed, so that what answers a write is not lost.");
    channel.def("read", &ReadWithin, py::arg("timeout") = 0.0,
        "The bytes that have arrived, waiting up to `timeout` seconds (0 to threading.TIMEOUT_MAX) for the first "
        "of them (0: only what is there). b'' when nothing came.");

    py::class_<TIrReceiver, TChannel>(module, "IrReceiver",
        "The IR receiver: the remote's scan codes, one byte each. Iterating yields each code as an int as it "
        "arrives, until Ctrl-C or a break.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", [](TIrReceiver& self) {
            if (self.pending.empty()) {
                const std::string codes = NextArrival(self);
                self.pending.assign(codes.begin(), codes.end());
            }
            const int code = self.pending.front();
            self.pending.pop_front();
            return code;
        });

    py::class_<TRs232Port, TChannel>(
        module, "Rs232Port", "The RS232 port. Iterating yields the bytes as they arrive, until Ctrl-C or a break.")
        .def("write", &Write, py::arg("data"),
            "Sends bytes-like data, or text as Latin-1 characters (others raise ValueError), exactly as given and "
            "all of it, however long; Ctrl-C and close() stop it between two pieces.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", [](TRs232Port& self) { return py::bytes(NextArrival(self)); });

    // The same names as vx5h ir gives: the label printed on the key, and its place.
    const py::object irKey = py::reinterpret_borrow<py::object>(NamedTuple(module, "IrKey", "code key row column",
        "A key of the IR remote: its scan code, its label as printed on it ('5', 'POWER', 'VOL+' ...), and its "
        "row and column on the remote (from 0, top left)."));
    module.def(
        "ir_key",
        [irKey](int code) -> py::object {
            const int key = code >= 0 && code <= 0xFF ? ir::KeyForCode(static_cast<std::uint8_t>(code)) : -1;
            if (key < 0)
                return py::none();
            return irKey(code, ir::IR_KEYS[key].label, ir::KeyRow(key), ir::KeyColumn(key));
        },
        py::arg("code"), "The key of the remote that sends this scan code (an IrKey), or None.");

    board.def_property_readonly(
        "ir",
        [](const TSessionPtr& self) {
            return TIrReceiver{{self, protocol::CHANNEL_IR, "ir"}, {}};
        },
        "The IR receiver (IrReceiver).");
    board.def_property_readonly(
        "rs232",
        [](const TSessionPtr& self) {
            return TRs232Port{{self, protocol::CHANNEL_RS232, "rs232"}};
        },
        "The RS232 port (Rs232Port).");
}

} // namespace pyvx5h
