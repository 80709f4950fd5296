#include "Progress.h"

#include "platform/Tick.h"

#include <pythread.h>

namespace py = pybind11;

namespace pyvx5h {

namespace {

// A progress bar needs no more; each call costs a trip through the GIL.
constexpr std::uint32_t CALLBACK_PERIOD_MS = 50;

unsigned long g_MainThread = 0;

} // namespace

void RememberMainThread()
{
    g_MainThread = py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
}

bool OnMainThread() { return PyThread_get_thread_ident() == g_MainThread; }

TPyProgress::TPyProgress(const TSession& session, py::object callback)
    : m_Session(session)
    , m_Callback(std::move(callback))
    , m_OnMainThread(OnMainThread())
{
    if (!m_Callback.is_none() && !PyCallable_Check(m_Callback.ptr()))
        throw py::type_error("progress must be a callable taking (done, total), or None");
}

TPyProgress::~TPyProgress() = default;

void TPyProgress::Advance(std::uint64_t done, std::uint64_t total)
{
    m_Done = done;
    m_Total = total;
}

bool TPyProgress::AbortRequested()
{
    // A stop once asked stays asked: Python forgets the signal once it has been reported,
    // and the work may ask again (the self-test asks between its steps and in each
    // transfer) before it has ended.
    if (m_Stopped)
        return true;
    m_Stopped = Asked();
    return m_Stopped;
}

bool TPyProgress::Asked()
{
    const bool callbackDue = !m_Callback.is_none()
        && (!m_Called || m_Done == m_Total || platform::TicksSince(m_LastCall) >= CALLBACK_PERIOD_MS);
    // Ctrl-C reaches the main thread only, and is asked there after every packet.
    if (m_OnMainThread || callbackDue) {
        const TGilAcquire acquire;
        // An exiting interpreter stops the work: the process ends once no thread is in it.
        if (!acquire.Held())
            return true;
        if (m_OnMainThread && PyErr_CheckSignals() != 0) {
            m_Error.emplace();
            return true;
        }
        if (callbackDue && !CallPython())
            return true;
    }
    if (InterpreterExiting())
        return true;
    // Closed by another thread, or by the callable itself.
    m_Closed = m_Session.Stopping() || m_Session.Closed();
    return m_Closed;
}

bool TPyProgress::CallPython()
{
    m_Called = true;
    m_LastCall = platform::TickCount();
    try {
        m_Callback(m_Done, m_Total);
        return true;
    } catch (py::error_already_set& error) {
        m_Error.emplace(std::move(error));
        return false;
    }
}

TInterruptWatch::TInterruptWatch()
    : m_OnMainThread(OnMainThread())
{ }

bool TInterruptWatch::Interrupted()
{
    if (!m_OnMainThread || m_Interrupt)
        return m_Interrupt.has_value();
    const TGilAcquire acquire;
    if (acquire.Held() && PyErr_CheckSignals() != 0)
        m_Interrupt.emplace();
    return m_Interrupt.has_value();
}

void TInterruptWatch::RaiseIfInterrupted()
{
    if (!m_Interrupt)
        return;
    py::error_already_set error = std::move(*m_Interrupt);
    m_Interrupt.reset();
    throw error;
}

void TPyProgress::RaiseIfStopped()
{
    if (m_Error) {
        py::error_already_set error = std::move(*m_Error);
        m_Error.reset();
        throw error;
    }
    if (m_Closed)
        throw TLinkError("the board was closed while the operation ran");
}

} // namespace pyvx5h
