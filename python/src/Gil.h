#pragma once

#include <pybind11/pybind11.h>

// The GIL, released around the board's work and taken back afterwards, in a way that
// lets the interpreter exit while a thread of the module is busy.
//
// When Python exits, a daemon thread that asks for the GIL back is ended on the spot by
// unwinding its stack (pthread_exit); from inside a destructor, as pybind11's guards take
// the GIL back, that ends the whole process instead ("terminate called without an active
// exception"). And once Python is done, the process ends its libraries while a thread may
// still be inside one, in the middle of an exchange with the board. So the interpreter's
// exit (an atexit callable, run while every thread may still take the GIL) notes that it
// is exiting and waits, within a budget, for every thread of the module to leave the
// board's work and be back in Python: transfers stop at their next packet, and a thread
// that would take the GIL back after the note waits for the process to end instead,
// holding nothing the exit needs. The thread that exits goes on as before (atexit
// callables run after the note may still use a board). Two threads' boards never wait
// for each other here: no thread waits for the GIL while it holds what another thread
// needs on its way to giving the GIL up.
namespace pyvx5h {

// Releases the GIL for as long as it lives. Made with the GIL.
class TGilRelease {
public:
    TGilRelease();
    ~TGilRelease();
    TGilRelease(const TGilRelease&) = delete;
    TGilRelease& operator=(const TGilRelease&) = delete;

private:
    PyThreadState* m_State;
};

// Takes the GIL for as long as it lives, inside a TGilRelease (a progress callable in the
// board's work); but not once the interpreter is exiting (Held() says which).
class TGilAcquire {
public:
    TGilAcquire();
    ~TGilAcquire();
    TGilAcquire(const TGilAcquire&) = delete;
    TGilAcquire& operator=(const TGilAcquire&) = delete;

    bool Held() const { return m_Held; }

private:
    PyGILState_STATE m_State{};
    bool m_Held = false;
};

// The interpreter has begun to exit, on another thread: long work should stop.
bool InterpreterExiting();

// Registers the callable that notes the interpreter's exit; at import, with the GIL.
void WatchInterpreterExit(pybind11::module_& module);

} // namespace pyvx5h
