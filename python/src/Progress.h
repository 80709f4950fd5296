#pragma once

#include "Session.h"

#include "core/MemoryTransfer.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>

// The progress and the cancel of a long operation as a Python program sees them: its
// `progress` callable told how far it got, Ctrl-C (KeyboardInterrupt) and Board.close()
// from another thread stopping it at its next packet. The operation itself runs without
// the GIL; this takes the GIL back only for as long as it calls into Python, and only
// where it has to, since a busy thread elsewhere keeps the GIL for up to its switch
// interval each time.
namespace pyvx5h {

class TPyProgress final : public memory::ITransferProgress {
public:
    // Made with the GIL; `callback` may be None.
    TPyProgress(const TSession& session, pybind11::object callback);
    ~TPyProgress() override;
    TPyProgress(const TPyProgress&) = delete;
    TPyProgress& operator=(const TPyProgress&) = delete;

    void Advance(std::uint64_t done, std::uint64_t total) override;
    bool AbortRequested() override;

    // With the GIL, after the operation: raises what stopped it (the callback's exception,
    // KeyboardInterrupt, or TLinkError when the board was closed meanwhile). Returns when
    // nothing did.
    void RaiseIfStopped();

private:
    bool Asked();
    bool CallPython();

    const TSession& m_Session;
    pybind11::object m_Callback;
    bool m_OnMainThread;
    std::uint64_t m_Done = 0;
    std::uint64_t m_Total = 0;
    std::uint32_t m_LastCall = 0;
    bool m_Called = false;
    bool m_Closed = false;
    bool m_Stopped = false;
    std::optional<pybind11::error_already_set> m_Error;
};

// Ctrl-C while a connect or a configuration runs without the GIL: asked by the waiting
// thread (a connection::StopFn), which then ends the programmer or the load at once, and
// raised as KeyboardInterrupt afterwards. Only the main thread gets Ctrl-C.
class TInterruptWatch {
public:
    // Made with the GIL.
    TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

    // Without the GIL: whether Ctrl-C came (once it did, it stays so).
    bool Interrupted();
    // With the GIL, after the work: raises the KeyboardInterrupt that stopped it.
    void RaiseIfInterrupted();

private:
    bool m_OnMainThread;
    std::optional<pybind11::error_already_set> m_Interrupt;
};

// Whether this thread is the interpreter's main thread, the one Ctrl-C reaches.
bool OnMainThread();
// Remembers the main thread; at import, with the GIL.
void RememberMainThread();

} // namespace pyvx5h
