#include "RegularFile.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace platform {

namespace {

// A disk file that is no folder; a pipe, a console or a device is not one.
bool IsRegular(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info { };
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info)
        && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE HandleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

TRegularFileReader::~TRegularFileReader() { Close(); }

void TRegularFileReader::Close()
{
    if (m_Handle != -1)
        ::CloseHandle(HandleOf(m_Handle));
    m_Handle = -1;
}

TRegularFileRead TRegularFileReader::Open(const std::string& path, std::uint64_t limit)
{
    Close();
    const std::wstring wide = win::NativePath(path);
    // A pipe's name opens at once or not at all (busy), so nothing here waits for a writer.
    const HANDLE file = wide.empty() ? INVALID_HANDLE_VALUE
                                     : ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        TRegularFileRead result;
        result.reason = wide.empty() ? "no usable file name" : win::ErrorText(::GetLastError());
        return result;
    }
    LARGE_INTEGER size{};
    const bool regular = IsRegular(file) && ::GetFileSizeEx(file, &size);
    const TRegularFileRead result = Checked(regular, regular ? static_cast<std::uint64_t>(size.QuadPart) : 0, limit);
    if (result.end == TRegularFileRead::TEnd::Read)
        m_Handle = reinterpret_cast<std::intptr_t>(file);
    else
        ::CloseHandle(file);
    return result;
}

long TRegularFileReader::Read(char* chunk, std::size_t capacity, std::string& reason)
{
    if (m_Handle == -1) {
        reason = win::ErrorText(ERROR_INVALID_HANDLE);
        return -1;
    }
    DWORD got = 0;
    const DWORD wanted = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(capacity);
    if (::ReadFile(HandleOf(m_Handle), chunk, wanted, &got, nullptr))
        return static_cast<long>(got);
    reason = win::ErrorText(::GetLastError());
    return -1;
}

} // namespace platform
