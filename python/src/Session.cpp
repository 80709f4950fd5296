#include "Session.h"
#include "Arguments.h"
#include "Progress.h"

#include "core/ConnectSequence.h"
#include "core/LedMask.h"
#include "core/Seg7Word.h"

namespace pyvx5h {

TSession::TSession(std::string cable, bool configure)
    : m_Cable(std::move(cable))
{
    connection::TConnectOutcome outcome;
    // Ctrl-C while a bare FPGA is configured ends the load at once.
    TInterruptWatch ctrlC;
    {
        const TGilRelease release;
        // A transcript of the link where VX5H_TRACE asks for one, as the panel and vx5h
        // record; a failed connect gives it back at once.
        outcome = connection::ConnectBoard({m_Cable, configure, {}, [this] { return m_Transcript.Start(m_Cable); },
            [&] { return ctrlC.Interrupted(); }});
    }
    ctrlC.RaiseIfInterrupted();
    if (!outcome.board)
        throw TLinkError(
            outcome.message + (outcome.configureMayHelp ? "; configure=False leaves its FPGA unconfigured" : ""));
    m_Board = std::move(outcome.board);
    // The firmware cannot report its LEDs and digits, and a board shows what it started
    // with or what an earlier program left: the firmware's start state is sent, so that
    // `leds` and `seg7` tell what the board shows and set_led changes one LED alone.
    Run([this](TBoard& board) {
        CheckCommand(board.SetLed(leds::START_MASK), "leds");
        leds = leds::START_MASK;
        CheckCommand(board.SetSeg7(seg7::START_WORD, 0), "seg7");
        seg7 = seg7::START_WORD;
    });
}

TSession::~TSession() { m_Board->Disconnect(); }

void TSession::Close()
{
    m_Stopping = true;
    try {
        const TGilRelease release;
        const TSessionGuard guard(m_Lock, Name());
        for (std::uint8_t channel = 0; channel < m_Reception.size(); ++channel) {
            bool accepted = false;
            if (m_Reception[channel] && !m_Closed)
                m_Board->ChannelEnable(accepted, channel, 0);
        }
        Drop();
    } catch (const TWaitCycle&) {
        m_Stopping = false;
        throw;
    }
    m_Stopping = false;
}

void TSession::Drop()
{
    m_Board->Disconnect();
    m_Transcript.Release();
    m_Reception = {};
    m_Closed = true;
}

std::string TSession::Name() const { return m_Cable.empty() ? "the board" : "board " + Quoted(m_Cable); }

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
