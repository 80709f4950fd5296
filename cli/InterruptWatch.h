#pragma once

#include "platform/Console.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace cli {

// Sets its flag once Ctrl-C has come (within a fiftieth of a second), for waits that end
// on a flag of their own.
class TInterruptWatch {
public:
    TInterruptWatch()
        : m_Watcher([this] {
            while (!m_Done && !Interrupted())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        })
    { }
    ~TInterruptWatch()
    {
        m_Done = true;
        m_Watcher.join();
    }
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

    const std::atomic<bool>& Flag() const { return m_Interrupted; }
    bool Interrupted()
    {
        if (platform::InterruptRequested())
            m_Interrupted = true;
        return m_Interrupted;
    }

private:
    std::atomic<bool> m_Interrupted{false};
    std::atomic<bool> m_Done{false};
    std::thread m_Watcher;
};

} // namespace cli
