#pragma once

#include "Errors.h"
#include "Gil.h"
#include "SessionLock.h"
#include "Transcripts.h"

#include "board/Board.h"

#include <pybind11/pybind11.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// One board of a Python program: the connected TBoard, and the rules that let several
// Python threads share the process. Every exchange runs with the GIL released, so that a
// second board in another thread or a GUI runs meanwhile; this session's own lock, taken
// only after the GIL is released (never the other way round), keeps two threads from
// interleaving the work of one board. The lock is recursive: a progress callable may use
// the board between two packets of the transfer that called it (TSessionLock).
//
// A closed session keeps its TBoard, disconnected, for as long as it lives: a transfer
// further up the same thread may still hold it when a nested call closes the board.
namespace pyvx5h {

class TSession {
public:
    // Connects as the window does; raises TLinkError when no board can be had.
    TSession(std::string cable, bool configure);
    // Closes the link without waiting for the board (the GIL may be held here).
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Switches the receivers off and closes the link. A transfer running in another
    // thread stops at its next packet first. Needs the GIL; releases it meanwhile.
    void Close();
    bool Closed() const { return m_Closed.load(); }
    // Set while Close waits: a running transfer asks it between packets.
    bool Stopping() const { return m_Stopping.load(); }
    const std::string& Cable() const { return m_Cable; }

    // Runs `work(board)` with the GIL released and the session's lock held; raises
    // TLinkError when the board is closed. Called with the GIL.
    template<typename Work> auto Run(Work&& work) -> decltype(work(std::declval<TBoard&>()))
    {
        const TGilRelease release;
        const TSessionGuard guard(m_Lock, Name());
        if (m_Closed)
            throw TLinkError("the board is closed");
        return work(*m_Board);
    }

    // Inside Run: an exchange that did not go through means the link is lost. The board
    // is closed and TLinkError raised, naming `what`.
    void Check(bool exchanged, const std::string& what);
    // Inside Run: as above, and a refusal raises TRefusedError.
    void Check(bool exchanged, bool accepted, const std::string& what);
    // Inside Run: a command whose one result folds the exchange and the board's status
    // together; the link's own record tells which of the two failed.
    void CheckCommand(bool succeeded, const std::string& what);
    // Inside Run: closes the board and raises TLinkError with `message`.
    [[noreturn]] void LinkLost(const std::string& message);

    // Inside Run: switches the receiver of `channel` on once, so that bytes answering a
    // write are not lost; Close switches it off again.
    void EnsureReception(std::uint8_t channel);

    // What the board cannot report itself: the outputs as this session last set them,
    // the firmware's start state from the connect on. Set inside Run, read anywhere.
    std::atomic<std::uint32_t> leds{0};
    std::atomic<std::uint32_t> seg7{0};
    bool gsensorReady = false; // inside Run only

private:
    void Drop();
    // "board 'sim-2'", for messages about the board as a whole.
    std::string Name() const;

    TSessionLock m_Lock;
    TTranscriptLease m_Transcript; // before the board, which records into it
    std::unique_ptr<TBoard> m_Board;
    std::string m_Cable;
    std::atomic<bool> m_Closed{false};
    std::atomic<bool> m_Stopping{false};
    std::array<bool, 3> m_Reception{};
};

} // namespace pyvx5h
