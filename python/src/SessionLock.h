#pragma once

#include <stdexcept>
#include <string>
#include <thread>

// The lock of one board of a Python program. Recursive: a progress callable may use its
// own board between two packets of the transfer that called it. A progress callable may
// also use another board, which another thread may hold while it waits, through its own
// progress callable, for the board this thread holds: the two would wait for each other
// forever. Such a wait is refused at once (TWaitCycle, Python's RuntimeError); the thread
// that would close the circle raises, and the other goes on once it let go.
namespace pyvx5h {

struct TWaitCycle : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TSessionLock {
public:
    TSessionLock() = default;
    TSessionLock(const TSessionLock&) = delete;
    TSessionLock& operator=(const TSessionLock&) = delete;

    // Waits while another thread holds the lock; raises TWaitCycle, naming the board as
    // `board`, where that thread waits, directly or through others, for a lock this
    // thread holds. Without the GIL.
    void Lock(const std::string& board);
    void Unlock();

private:
    bool ClosesCircle(std::thread::id me) const;

    std::thread::id m_Owner;
    int m_Depth = 0;
};

// Holds a TSessionLock for as long as it lives.
class TSessionGuard {
public:
    TSessionGuard(TSessionLock& lock, const std::string& board)
        : m_Lock(lock)
    {
        m_Lock.Lock(board);
    }
    ~TSessionGuard() { m_Lock.Unlock(); }
    TSessionGuard(const TSessionGuard&) = delete;
    TSessionGuard& operator=(const TSessionGuard&) = delete;

private:
    TSessionLock& m_Lock;
};

} // namespace pyvx5h
