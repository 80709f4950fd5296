#include "PrivateFile.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace platform {

// A new file in the user's folders inherits the folder's access list, which on Windows
// keeps other users out of a profile; what is left to refuse here is a path that is a
// link (a reparse point) to somewhere else.
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
    std::FILE* file = ::_wfopen(wide.c_str(), L"wb");
    if (!file)
        error = win::ErrorText(::GetLastError());
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
