#include "Paths.h"

#include "platform/Native.h"
#include "platform/TextWin.h"
#include "platform/VendorTools.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// <windows.h> maps SetCurrentDirectory to SetCurrentDirectoryW; ours is another function.
#undef SetCurrentDirectory

namespace platform {
namespace {

constexpr const wchar_t* TOOLS_KEY = L"SOFTWARE\\Altera Corporation\\Quartus";
constexpr const wchar_t* TOOLS_VALUE = L"Quartus Install Directory";

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        folder.push_back('\\');
    return folder;
}

// `text` in the system's code page; nothing when the code page cannot spell all of it.
std::optional<std::string> InCodePage(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int length
        = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

} // namespace

char PathSeparator() { return '\\'; }

std::string native::ExecutableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {}; // no telling; the current folder would be anybody's
        if (length < path.size()) { // otherwise the name was cut short
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return win::Narrow(path.substr(0, path.find_last_of(L"\\/") + 1));
}

std::string HostName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? win::Narrow(std::wstring(name, size)) : std::string();
}

std::string CurrentDirectory()
{
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return {};
    std::wstring folder(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
    if (length == 0 || length >= needed)
        return {};
    folder.resize(length);
    return win::Narrow(folder);
}

bool SetCurrentDirectory(const std::string& folder)
{
    const std::wstring wide = win::NativePath(folder);
    return !wide.empty() && ::SetCurrentDirectoryW(wide.c_str()) != 0;
}

namespace {

// The tools' installation folder, as the registry gives it.
std::optional<std::string> ToolsRoot()
{
    // The key is opened with creation allowed (where the user may, a missing key is made,
    // empty), asking for no more than the right to query it, which every user has.
    HKEY key = nullptr;
    if (::RegCreateKeyExW(
            HKEY_LOCAL_MACHINE, TOOLS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return std::nullopt;
    const std::optional<std::wstring> root = win::RegistryText(key, TOOLS_VALUE);
    ::RegCloseKey(key);
    if (!root || root->empty())
        return std::nullopt;
    return WithSeparator(win::Narrow(*root));
}

// "C:\..." or "\\server\share\...": one folder whatever the current directory.
bool IsFullPath(const std::string& path)
{
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool unc = path.size() >= 3 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || unc;
}

} // namespace

std::optional<std::string> ProgrammerToolsFolder()
{
    const auto root = ToolsRoot();
    return root ? std::optional<std::string>(*root + "bin") : std::nullopt;
}

std::optional<VendorToolFiles> FindVendorTools(std::string& why)
{
    const auto root = ToolsRoot();
    if (!root || !IsFullPath(*root)) {
        why = "the vendor's programmer tools are not installed (no full path in the registry's \"Quartus Install "
              "Directory\")";
        return std::nullopt;
    }
    // The tools keep their 64-bit programs and libraries in bin64, the 32-bit ones in bin.
    const std::string folder = *root + (sizeof(void*) == 8 ? "bin64\\" : "bin\\");
    return VendorToolFiles{folder + "jtag_client.dll", folder + "jtag_atlantic.dll", folder + "quartus_pgm.exe"};
}

CppNameScheme VendorNameScheme()
{
    return sizeof(void*) == 8 ? CppNameScheme::Microsoft64 : CppNameScheme::Microsoft32;
}

bool FileExists(const std::string& path)
{
    const std::wstring wide = win::NativePath(path);
    if (wide.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CanReadAndWrite(const std::string& path)
{
    const std::wstring wide = win::NativePath(path);
    return !wide.empty() && ::_waccess(wide.c_str(), 06) == 0;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    std::wstring streamMode;
    bool exclusive = false;
    for (const char* c = mode; *c; ++c) {
        if (*c == 'x')
            exclusive = true;
        else
            streamMode.push_back(static_cast<wchar_t>(*c));
    }
    if (!exclusive)
        return ::_wfopen(path.c_str(), streamMode.c_str());
    // The system's C runtime knows no "x": make the file exclusively, then stream it.
    const bool update = streamMode.find(L'+') != std::wstring::npos;
    const bool binary = streamMode.find(L'b') != std::wstring::npos;
    const int flags = _O_CREAT | _O_EXCL | (update ? _O_RDWR : _O_WRONLY) | (binary ? _O_BINARY : _O_TEXT);
    const int fd = ::_wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::_wfdopen(fd, streamMode.c_str());
    if (!file)
        ::_close(fd);
    return file;
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0; }

std::string LibraryPathText(const std::string& path)
{
    if (::GetACP() == CP_UTF8)
        return path;
    const std::wstring wide = win::Widen(path);
    if (const auto narrow = InCodePage(wide))
        return *narrow;
    const DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring shortName(needed, L'\0');
        const DWORD length = ::GetShortPathNameW(wide.c_str(), shortName.data(), needed);
        if (length > 0 && length < needed) {
            shortName.resize(length);
            if (const auto narrow = InCodePage(shortName))
                return *narrow;
        }
    }
    return path; // no narrow name reaches this file; the library will say it found none
}

} // namespace platform
