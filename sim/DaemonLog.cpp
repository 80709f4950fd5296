#include "sim/DaemonLog.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

TDaemonLog::TDaemonLog(std::string path, std::size_t maxBytes, bool takeStderr)
    : m_Path(std::move(path))
    , m_MaxBytes(maxBytes)
    , m_TakeStderr(takeStderr)
{
    Open();
}

TDaemonLog::~TDaemonLog()
{
    if (m_Fd >= 0)
        ::close(m_Fd);
}

std::string TDaemonLog::PathFor(const std::string& socketPath)
{
    const auto slash = socketPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : socketPath.substr(0, slash + 1);
    return folder + "vx5h-board-sim.log";
}

void TDaemonLog::Open()
{
    // Never through a link someone planted, never into a file another user made first
    // (the log holds what the board's RS232 port carries), and readable by the user alone.
    m_Fd = ::open(m_Path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat st { };
    if (m_Fd >= 0 && (::fstat(m_Fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        ::close(m_Fd);
        m_Fd = -1;
    }
    m_Size = m_Fd >= 0 ? static_cast<std::size_t>(st.st_size) : 0;
    if (m_Fd >= 0 && m_TakeStderr)
        ::dup2(m_Fd, STDERR_FILENO);
}

void TDaemonLog::Rotate()
{
    if (m_Fd >= 0)
        ::close(m_Fd);
    ::rename(m_Path.c_str(), (m_Path + ".1").c_str());
    Open();
}

void TDaemonLog::Write(const std::string& line)
{
    std::lock_guard<std::mutex> guard(m_Lock);
    if (m_Fd < 0)
        return;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
    std::string text = stamp + line.substr(0, m_MaxBytes / 2) + "\n";
    // What stray writes to standard error added counts too.
    struct stat st { };
    if (::fstat(m_Fd, &st) == 0)
        m_Size = static_cast<std::size_t>(st.st_size);
    if (m_Size + text.size() > m_MaxBytes)
        Rotate();
    if (m_Fd >= 0 && ::write(m_Fd, text.data(), text.size()) > 0)
        m_Size += text.size();
}

} // namespace sim
