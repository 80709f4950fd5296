#include "DynamicLibrary.h"

#include "platform/TextWin.h"
#include "platform/VendorTools.h"

#include <windows.h>

namespace platform {
namespace {

// "C:\..." or "\\server\share\..." : a path that names one file, whatever the current
// directory or the search path.
bool IsFullPath(const std::wstring& path)
{
    const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    const bool unc = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

// Keeps the loader from asking the person about a missing file or a bad image while the
// library loads: the caller reports the failure itself.
class QuietLoaderErrors {
public:
    QuietLoaderErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_Saved); }
    ~QuietLoaderErrors() { ::SetThreadErrorMode(m_Saved, nullptr); }
    QuietLoaderErrors(const QuietLoaderErrors&) = delete;
    QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

private:
    DWORD m_Saved = 0;
};

} // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, std::string* error, bool)
{
    const std::wstring file = win::NativePath(path);
    if (!IsFullPath(file)) {
        if (error)
            *error = "not a full path: " + path;
        return nullptr;
    }
    // The library's own folder and the system folder serve its dependencies, so that the
    // vendor's libraries find their companions beside them by full path, whatever folder
    // is current; the current directory and PATH never do, so no file planted there stands
    // in for them. The flags apply to this load only: a process-wide
    // SetDefaultDllDirectories would change every later load of whoever loaded us.
    const DWORD search = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    HMODULE handle = nullptr;
    {
        QuietLoaderErrors quiet;
        handle = ::LoadLibraryExW(file.c_str(), nullptr, search);
    }
    if (!handle) {
        if (error)
            *error = win::ErrorText(::GetLastError());
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle, path));
}

DynamicLibrary::~DynamicLibrary() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::Resolve(const char* name) const
{
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void PinModuleOf(const void* address)
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
        static_cast<LPCWSTR>(address), &module);
}

} // namespace platform
