#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace sim {

// The daemon's log, for a user to send when the board misbehaves: one line per event with
// the time. It never grows past `maxBytes`: when a line would take it beyond, the file
// becomes "<path>.1" (replacing the older one) and a fresh file starts, so at most twice
// `maxBytes` stay on disk. The process's standard error follows the current file, so that
// whatever else the daemon or its libraries print lands there too.
class TDaemonLog {
public:
    static constexpr std::size_t DEFAULT_MAX_BYTES = 1 << 20;

    explicit TDaemonLog(std::string path, std::size_t maxBytes = DEFAULT_MAX_BYTES, bool takeStderr = false);
    ~TDaemonLog();
    TDaemonLog(const TDaemonLog&) = delete;
    TDaemonLog& operator=(const TDaemonLog&) = delete;

    // False when the file could not be opened, or is not a regular file of this user's;
    // then lines are dropped.
    bool IsOpen() const { return m_Fd >= 0; }
    // May be called from several threads: the boards of a lab share one log.
    void Write(const std::string& line);

    // The log of the daemon whose socket is `socketPath`: beside it, in the same folder.
    static std::string PathFor(const std::string& socketPath);

private:
    void Open();
    void Rotate();

    std::string m_Path;
    std::size_t m_MaxBytes;
    bool m_TakeStderr;
    int m_Fd = -1;
    std::size_t m_Size = 0;
    std::mutex m_Lock;
};

} // namespace sim
