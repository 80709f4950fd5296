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

// A thread counts itself in g_Away when it gives the GIL up for the board's work, and out
// once it holds the GIL again (or has decided never to take it). The exit sets g_Exiting
// before it waits for g_Away to reach 0, so a thread that saw no exit on its way back is
// still counted until it has the GIL: the interpreter cannot begin to end its threads
// meanwhile. g_AwayLock guards the count only and is never held while anyone waits for
// the GIL (nor taken by a thread that waits for it): the GIL's holder takes it on its way
// into the work, so waiting for the GIL with it held stops both.
std::mutex g_AwayLock;
std::condition_variable g_Back; // g_Away went down
int g_Away = 0;                 // under g_AwayLock
std::atomic<bool> g_Exiting{false};
// The thread that runs the exit: the interpreter's own atexit callables and finalization
// run on it after the note, and may still use a board.
std::atomic<std::thread::id> g_ExitingThread{};

void GoAway()
{
    const std::lock_guard guard(g_AwayLock);
    ++g_Away;
}

void ComeBack()
{
    {
        const std::lock_guard guard(g_AwayLock);
        --g_Away;
    }
    g_Back.notify_all();
}

// The interpreter is exiting and this thread is not the one that ends it: it must not
// touch Python again, and must not unwind either (it may be inside a destructor). The
// process ends around it.
[[noreturn]] void WaitForTheEnd()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

bool EndedAround() { return g_Exiting && g_ExitingThread.load() != std::this_thread::get_id(); }

void NoteExit()
{
    g_ExitingThread = std::this_thread::get_id();
    g_Exiting = true;
    PyThreadState* state = PyEval_SaveThread();
    {
        std::unique_lock guard(g_AwayLock);
        g_Back.wait_for(guard, EXIT_WAIT, [] { return g_Away == 0; });
    }
    PyEval_RestoreThread(state);
}

} // namespace

bool InterpreterExiting() { return EndedAround(); }

TGilRelease::TGilRelease()
{
    GoAway();
    m_State = PyEval_SaveThread();
}

TGilRelease::~TGilRelease()
{
    if (EndedAround()) {
        ComeBack();
        WaitForTheEnd();
    }
    PyEval_RestoreThread(m_State);
    ComeBack();
}

TGilAcquire::TGilAcquire()
{
    // Inside a TGilRelease, so still counted away: an exit noted after this look waits
    // until the callable has run and the work has ended.
    if (EndedAround())
        return;
    m_State = PyGILState_Ensure();
    m_Held = true;
}

TGilAcquire::~TGilAcquire()
{
    if (!m_Held)
        return;
    // Python code run meanwhile may have been ended by the exit, which then unwinds to
    // here without the GIL: giving back what it no longer holds would abort.
    if (EndedAround() && !PyGILState_Check())
        WaitForTheEnd();
    PyGILState_Release(m_State);
}

void WatchInterpreterExit(py::module_& module)
{
    py::module_::import("atexit").attr("register")(py::cpp_function(&NoteExit, py::scope(module)));
}

} // namespace pyvx5h
