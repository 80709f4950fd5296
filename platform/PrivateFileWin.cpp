#include "PrivateFile.h"

#include "platform/TextWin.h"

#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

// A new file in the user's folders inherits the folder's access list, which on Windows
// keeps other users out of a profile; what is left to refuse here is a path that is a
// link (a reparse point) to somewhere else, and a file with other names (hard links),
// which emptying it would empty too.
std::FILE* CreatePrivateFile(const std::string& path, std::string& error)
{
    const std::wstring wide = win::NativePath(path);
    if (wide.empty()) {
        error = "no usable file name";
        return nullptr;
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = "it is a symbolic link";
        return nullptr;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "not a regular file";
        return nullptr;
    }
    // Opened first and emptied only once it is known to be a disk file of one name.
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = win::ErrorText(::GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info))
        error = "not a regular file";
    else if (info.nNumberOfLinks > 1)
        error = "the file has " + std::to_string(info.nNumberOfLinks)
            + " names (hard links): emptying it would empty another file";
    else if (!::SetEndOfFile(handle))
        error = win::ErrorText(::GetLastError());
    const int fd
        = error.empty() ? ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY) : -1;
    if (fd < 0) {
        if (error.empty())
            error = "cannot write to it";
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (!file) {
        error = "cannot write to it";
        ::_close(fd); // closes the handle too
    }
    return file;
}

std::string SystemDescription()
{
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
        return "Windows x86_64";
    case PROCESSOR_ARCHITECTURE_INTEL:
        return "Windows x86";
    case PROCESSOR_ARCHITECTURE_ARM64:
        return "Windows arm64";
    default:
        return "Windows";
    }
}

std::string MakeTemporaryFolder(const std::string& prefix, const std::string& avoid)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return {};
    // The user's own temp folder: what is made in it is the user's alone.
    const std::string base = win::Narrow(std::wstring(temp, length)) + prefix + std::to_string(::GetCurrentProcessId());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = base + "-" + std::to_string(::GetTickCount()) + "-" + std::to_string(attempt);
        if (folder.find_first_of(avoid) != std::string::npos)
            return {};
        if (::CreateDirectoryW(win::Widen(folder).c_str(), nullptr))
            return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

} // namespace platform
