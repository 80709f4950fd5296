#include "RegularFile.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace platform {

namespace {

// Reads to the end, or until more than `limit` bytes came.
bool ReadUpTo(HANDLE file, std::string& bytes, std::size_t limit)
{
    char chunk[65536];
    while (bytes.size() <= limit) {
        DWORD got = 0;
        if (!::ReadFile(file, chunk, sizeof chunk, &got, nullptr))
            return false;
        if (got == 0)
            break;
        bytes.append(chunk, got);
    }
    return true;
}

// A disk file that is no folder; a pipe, a console or a device is not one.
bool IsRegular(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info { };
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info)
        && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

TRegularFileRead ReadOpen(HANDLE file, std::size_t limit, std::string& bytes)
{
    TRegularFileRead result;
    LARGE_INTEGER size { };
    if (!IsRegular(file) || !::GetFileSizeEx(file, &size)) {
        result.end = TRegularFileRead::TEnd::NotRegular;
        return result;
    }
    result.size = static_cast<std::uint64_t>(size.QuadPart);
    if (result.size > limit)
        result.end = TRegularFileRead::TEnd::TooLarge;
    else if (!ReadUpTo(file, bytes, limit)) {
        result.end = TRegularFileRead::TEnd::CannotRead;
        result.reason = win::ErrorText(::GetLastError());
    } else
        result.end = bytes.size() > limit ? TRegularFileRead::TEnd::Grew : TRegularFileRead::TEnd::Read;
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
