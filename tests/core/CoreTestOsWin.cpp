#include "tests/core/CoreTestOs.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace coretest {
namespace {

constexpr const wchar_t* TOOLS_KEY = L"SOFTWARE\\Altera Corporation\\Quartus";
constexpr const wchar_t* TOOLS_VALUE = L"Quartus Install Directory";

} // namespace

bool LibraryIsLoaded(const std::string& path)
{
    return ::GetModuleHandleW(platform::win::NativePath(path).c_str()) != nullptr;
}

std::optional<std::string> ToolsRoot()
{
    wchar_t buffer[4096];
    DWORD bytes = sizeof buffer;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, TOOLS_KEY, TOOLS_VALUE, RRF_RT_REG_SZ, nullptr, buffer, &bytes)
        != ERROR_SUCCESS)
        return std::nullopt;
    return platform::win::Narrow(buffer);
}

bool SetToolsRoot(const std::optional<std::string>& root)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(
            HKEY_LOCAL_MACHINE, TOOLS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    LSTATUS status = ERROR_SUCCESS;
    if (root) {
        const std::wstring text = platform::win::Widen(*root);
        const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        status = ::RegSetValueExW(key, TOOLS_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    } else {
        status = ::RegDeleteValueW(key, TOOLS_VALUE);
        if (status == ERROR_FILE_NOT_FOUND)
            status = ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint32_t budgetMs)
{
    const std::wstring file = platform::win::NativePath(program);
    std::wstring line = platform::win::QuotedArgument(file);
    for (const std::string& argument : arguments)
        line += L" " + platform::win::QuotedArgument(platform::win::Widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.hProcess, budgetMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, code);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace coretest
