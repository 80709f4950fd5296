#include "SessionLock.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace pyvx5h {

namespace {

// Who holds and who waits for which board, across the boards of the process: what it
// takes to see a circle of waits before joining it.
struct TWaits {
    std::mutex lock;
    std::condition_variable released;
    std::map<std::thread::id, const TSessionLock*> waiting; // a thread and the lock it waits for
};

TWaits& Waits()
{
    // Never destroyed: a thread of the module may still hold a board while the process
    // ends.
    static TWaits* waits = new TWaits;
    return *waits;
}

} // namespace

bool TSessionLock::ClosesCircle(std::thread::id me) const
{
    const TWaits& waits = Waits();
    // Each step goes from a lock to its holder and on to the lock that holder waits for;
    // a circle that does not pass this thread cannot have formed (its last member would
    // have been refused), but the count keeps the walk finite all the same.
    const TSessionLock* lock = this;
    for (std::size_t step = 0; lock && lock->m_Depth > 0 && step <= waits.waiting.size(); ++step) {
        if (lock->m_Owner == me)
            return true;
        const auto next = waits.waiting.find(lock->m_Owner);
        lock = next == waits.waiting.end() ? nullptr : next->second;
    }
    return false;
}

void TSessionLock::Lock(const std::string& board)
{
    TWaits& waits = Waits();
    std::unique_lock guard(waits.lock);
    const std::thread::id me = std::this_thread::get_id();
    if (m_Depth > 0 && m_Owner == me) {
        ++m_Depth;
        return;
    }
    while (m_Depth > 0) {
        if (ClosesCircle(me))
            throw TWaitCycle(board
                + " is in use by another thread, which waits for a board this thread is using (from a "
                  "progress callable?): the two would wait for each other forever");
        waits.waiting[me] = this;
        waits.released.wait(guard);
        waits.waiting.erase(me);
    }
    m_Owner = me;
    m_Depth = 1;
}

void TSessionLock::Unlock()
{
    TWaits& waits = Waits();
    const std::lock_guard guard(waits.lock);
    if (--m_Depth == 0) {
        m_Owner = {};
        waits.released.notify_all();
    }
}

} // namespace pyvx5h
