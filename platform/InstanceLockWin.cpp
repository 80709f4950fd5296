#include "InstanceLock.h"

#include "platform/TextWin.h"

#include <windows.h>

// On Windows the lock is the named mutex itself. The system closes a process's handles
// when it ends, so a crashed instance leaves no lock behind. The handle is kept in the
// integer the class holds: kernel handles carry only 32 significant bits, which is what
// HandleToLong and LongToHandle exist for.
namespace platform {

std::string InstanceLock::LockFilePath(const std::string&, std::string* error)
{
    if (error)
        error->clear();
    return {};
}

InstanceLock::Attempt InstanceLock::Acquire(const std::string& name)
{
    const std::wstring wide = win::Widen(name);
    if (wide.empty())
        return {Outcome::CannotOpen, nullptr, "the lock name is no valid text: " + name};
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, wide.c_str());
    const DWORD status = ::GetLastError();
    if (mutex && status == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return {Outcome::HeldElsewhere, nullptr, {}};
    }
    if (!mutex) {
        // A mutex of that name that we may not open is an instance of another user or of
        // higher rights; any other failure (the name taken by another kind of object, say)
        // leaves no lock to take.
        if (status == ERROR_ACCESS_DENIED)
            return {Outcome::HeldElsewhere, nullptr, {}};
        return {Outcome::CannotOpen, nullptr, "cannot create the mutex " + name + ": " + win::ErrorText(status)};
    }
    return {Outcome::Taken, std::unique_ptr<InstanceLock>(new InstanceLock(HandleToLong(mutex))), {}};
}

InstanceLock::~InstanceLock()
{
    HANDLE mutex = LongToHandle(fd_);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

} // namespace platform
