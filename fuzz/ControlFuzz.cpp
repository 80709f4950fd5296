// The simulator's control commands as they arrive on its socket: the message decoder of
// the server, then the command parser and the commands themselves, on a fresh board.
//
// Input: control messages one after another, each as the server reads it after the
// hello byte (argument count u32, then each argument as a u32 length and its bytes).
//
// Properties: a decoded message is exactly what the clients' encoder makes of its
// arguments; the same message cut short by one byte is waited for (neither run nor
// refused); every answer has a status the clients know; the board's state stays one
// valid JSON object whatever the commands did to it.
#include "fuzz/FuzzSupport.h"
#include "sim/Control.h"
#include "sim/ControlMessage.h"
#include "sim/Endpoint.h"
#include "sim/SimBoard.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

using fuzz::Require;

class TControlHost : public sim::IControlHost {
public:
    bool JtagClientConnected() const override { return false; }
    std::string CableHolder() override { return {}; }
    bool CablePlugged() const override { return m_Plugged; }
    void SetCablePlugged(bool plugged) override { m_Plugged = plugged; }
    void RequestQuit() override { }

private:
    bool m_Plugged = true;
};

// The length of the message at the front of `in`, checked against the encoder.
std::size_t RequireEncodedAs(const std::vector<std::uint8_t>& in, const std::vector<std::string>& args)
{
    const std::vector<std::uint8_t> encoded = sim::EncodeControl(args);
    Require(!encoded.empty() && encoded[0] == sim::HELLO_CONTROL, "the encoder starts with the hello byte");
    const std::size_t length = encoded.size() - 1;
    Require(length <= in.size() && std::equal(encoded.begin() + 1, encoded.end(), in.begin()),
        "a decoded message encodes back to its own bytes");
    std::vector<std::string> cutArgs;
    bool bad = false;
    const std::vector<std::uint8_t> cut(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(length - 1));
    Require(!sim::DecodeControl(cut, cutArgs, bad) && !bad, "a message cut short is waited for");
    return length;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> in(data, data + size);
    sim::TSimBoard board;
    TControlHost host;
    std::vector<std::string> args;
    bool bad = false;
    while (sim::DecodeControl(in, args, bad)) {
        const std::size_t length = RequireEncodedAs(in, args);
        const sim::ControlAnswer answer = sim::RunControl(args, board, host);
        Require(answer.status >= 0 && answer.status <= 2, "status 0 (done), 1 (refused) or 2 (usage)");
        Require(answer.text.empty() || answer.text.back() == '\n', "an answer ends its last line");
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(length));
    }
    Require(nlohmann::json::accept(sim::StateJson(board, host)), "the state is valid JSON");
    return 0;
}
