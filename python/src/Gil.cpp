#include "Gil.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace py = pybind11;

namespace pyvx5h {

namespace {

// Longer than any one exchange with the board waits for its reply, so that a transfer
// reaches its next packet; a thread in something longer (a connect that configures the
// FPGA) is left to the process's end.
constexpr auto EXIT_WAIT = std::chrono::seconds(5);

// Held by a thread from its decision to take the GIL back until it has it, and by the
// exit while it notes itself: no thread decides before the note and takes the GIL after
// the interpreter began to end its threads.
std::mutex g_ExitLock;
std::condition_variable g_Idle;     // g_Working went down
int g_Working = 0;                  // threads in the board's work without the GIL; under g_ExitLock
std::atomic<bool> g_Exiting{false}; // set under g_ExitLock

// The interpreter is exiting: this thread must not touch Python again, and must not
// unwind either (it may be inside a destructor). The process ends around it.
[[noreturn]] void WaitForTheEnd()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

void NoteExit()
{
    PyThreadState* state = PyEval_SaveThread();
    {
        std::unique_lock guard(g_ExitLock);
        g_Exiting = true;
        g_Idle.wait_for(guard, EXIT_WAIT, [] { return g_Working == 0; });
    }
    PyEval_RestoreThread(state);
}

} // namespace

bool InterpreterExiting() { return g_Exiting; }

TGilRelease::TGilRelease()
{
    {
        const std::lock_guard guard(g_ExitLock);
        ++g_Working;
    }
    m_State = PyEval_SaveThread();
}

TGilRelease::~TGilRelease()
{
    std::unique_lock guard(g_ExitLock);
    --g_Working;
    g_Idle.notify_all();
    if (g_Exiting) {
        guard.unlock();
        WaitForTheEnd();
    }
    PyEval_RestoreThread(m_State);
}

TGilAcquire::TGilAcquire()
{
    const std::lock_guard guard(g_ExitLock);
    if (g_Exiting)
        return;
    m_State = PyGILState_Ensure();
    m_Held = true;
}

TGilAcquire::~TGilAcquire()
{
    if (!m_Held)
        return;
    // Python code run meanwhile may have been ended by the exit, which then unwinds to
    // here without the GIL: giving back what it no longer holds would abort. (The lock
    // is not taken here: a thread holding it may be waiting for this thread's GIL.)
    if (g_Exiting && !PyGILState_Check())
        WaitForTheEnd();
    PyGILState_Release(m_State);
}

void WatchInterpreterExit(py::module_& module)
{
    py::module_::import("atexit").attr("register")(py::cpp_function(&NoteExit, py::scope(module)));
}

} // namespace pyvx5h
