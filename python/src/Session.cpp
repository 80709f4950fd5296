#include "Session.h"

#include "core/ConnectSequence.h"
#include "core/TraceSetup.h"

namespace py = pybind11;

namespace pyvx5h {

namespace {

// A transcript of the link where VX5H_TRACE asks for one, as the panel and vx5h record.
std::shared_ptr<TTraceRecorder> StartTrace(const std::string& cable)
{
    std::string error;
    std::shared_ptr<TTraceRecorder> recorder = trace::StartRecording("python", {{}, false, cable}, error);
    if (!error.empty())
        throw TFileError("VX5H_TRACE: " + error);
    return recorder;
}

} // namespace

TSession::TSession(std::string cable, bool configure)
    : m_Cable(std::move(cable))
{
    connection::TConnectOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = connection::ConnectBoard({m_Cable, configure, {}, [this] { return StartTrace(m_Cable); }, {}});
    }
    if (!outcome.board)
        throw TLinkError(
            outcome.message + (outcome.configureMayHelp ? "; configure=False leaves its FPGA unconfigured" : ""));
    m_Board = std::move(outcome.board);
}

TSession::~TSession() { m_Board->Disconnect(); }

void TSession::Close()
{
    m_Stopping = true;
    {
        py::gil_scoped_release release;
        std::lock_guard guard(m_Lock);
        for (std::uint8_t channel = 0; channel < m_Reception.size(); ++channel) {
            bool accepted = false;
            if (m_Reception[channel] && !m_Closed)
                m_Board->ChannelEnable(accepted, channel, 0);
        }
        Drop();
    }
    m_Stopping = false;
}

void TSession::Drop()
{
    m_Board->Disconnect();
    m_Reception = {};
    m_Closed = true;
}

void TSession::LinkLost(const std::string& message)
{
    Drop();
    throw TLinkError(message);
}

void TSession::Check(bool exchanged, const std::string& what)
{
    if (!exchanged)
        LinkLost(what + ": the board did not answer; the link is lost");
}

void TSession::Check(bool exchanged, bool accepted, const std::string& what)
{
    Check(exchanged, what);
    if (!accepted)
        throw TRefusedError(what + ": the board refused the command");
}

void TSession::CheckCommand(bool succeeded, const std::string& what)
{
    Check(succeeded || m_Board->LastFailure() == TLinkFailure::None, succeeded, what);
}

void TSession::EnsureReception(std::uint8_t channel)
{
    if (m_Reception[channel])
        return;
    bool accepted = false;
    const bool exchanged = m_Board->ChannelEnable(accepted, channel, 1);
    Check(exchanged, accepted, "switching the receiver on");
    m_Reception[channel] = true;
}

} // namespace pyvx5h
