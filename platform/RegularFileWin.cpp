#include "RegularFile.h"
#include "RegularFileCommon.h"

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

TRegularFileRead ReadOpen(HANDLE file, std::size_t limit, std::string& bytes)
{
    LARGE_INTEGER size { };
    const bool regular = IsRegular(file) && ::GetFileSizeEx(file, &size);
    DWORD error = 0;
    TRegularFileRead result = detail::ReadOpenFile(regular, regular ? static_cast<std::uint64_t>(size.QuadPart) : 0,
        limit, bytes, [file, &error](char* chunk, std::size_t capacity) {
            DWORD got = 0;
            if (::ReadFile(file, chunk, static_cast<DWORD>(capacity), &got, nullptr))
                return static_cast<long>(got);
            error = ::GetLastError();
            return -1L;
        });
    if (result.end == TRegularFileRead::TEnd::CannotRead)
        result.reason = win::ErrorText(error);
    return result;
}

} // namespace

TRegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
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
    const TRegularFileRead result = ReadOpen(file, limit, bytes);
    ::CloseHandle(file);
    if (result.end != TRegularFileRead::TEnd::Read)
        bytes.clear();
    return result;
}

} // namespace platform
