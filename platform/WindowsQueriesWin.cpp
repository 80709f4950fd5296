#include "platform/WindowsQueries.h"

#include "platform/TextWin.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <cwctype>
#include <memory>
#include <setupapi.h>

namespace platform {

namespace {

struct TServiceHandle {
    SC_HANDLE h = nullptr;
    explicit TServiceHandle(SC_HANDLE handle)
        : h(handle)
    { }
    ~TServiceHandle()
    {
        if (h)
            ::CloseServiceHandle(h);
    }
    TServiceHandle(const TServiceHandle&) = delete;
    TServiceHandle& operator=(const TServiceHandle&) = delete;
};

TServiceState StateOf(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED:
        return TServiceState::Stopped;
    case SERVICE_START_PENDING:
        return TServiceState::Starting;
    case SERVICE_STOP_PENDING:
        return TServiceState::Stopping;
    case SERVICE_RUNNING:
        return TServiceState::Running;
    case SERVICE_PAUSED:
    case SERVICE_PAUSE_PENDING:
    case SERVICE_CONTINUE_PENDING:
        return TServiceState::Paused;
    default:
        return TServiceState::Unknown;
    }
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The file name of a service's program from its registered command line: quoted
// ("C:\...\jtagserver.exe" --args) or not (C:\...\jtagserver.exe --args).
std::wstring ProgramFileOf(const std::wstring& command)
{
    std::wstring program;
    if (!command.empty() && command.front() == L'"')
        program = command.substr(1, command.find(L'"', 1) - 1);
    else if (const std::size_t exe = Lower(command).find(L".exe"); exe != std::wstring::npos)
        program = command.substr(0, exe + 4);
    else
        program = command.substr(0, command.find(L' '));
    return Lower(program.substr(program.find_last_of(L"\\/") + 1));
}

// The registered command line of the service `name`; empty when it may not be read.
std::wstring CommandOf(SC_HANDLE manager, const wchar_t* name)
{
    TServiceHandle service(::OpenServiceW(manager, name, SERVICE_QUERY_CONFIG));
    DWORD needed = 0;
    if (!service.h || ::QueryServiceConfigW(service.h, nullptr, 0, &needed)
        || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return {};
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[needed]);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.get());
    if (!::QueryServiceConfigW(service.h, config, needed, &needed) || !config->lpBinaryPathName)
        return {};
    return config->lpBinaryPathName;
}

// A string property of a device; empty when it has none.
std::wstring DeviceText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property)
{
    wchar_t text[1024] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(
            devices, &device, property, nullptr, reinterpret_cast<BYTE*>(text), sizeof text - sizeof(wchar_t), nullptr))
        return {};
    return text;
}

} // namespace

std::optional<std::string> MachineRegistryText(const std::string& key, const std::string& value, bool otherView)
{
    const REGSAM other = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(
            HKEY_LOCAL_MACHINE, win::Widen(key).c_str(), 0, KEY_QUERY_VALUE | (otherView ? other : 0), &opened)
        != ERROR_SUCCESS)
        return std::nullopt;
    const std::optional<std::wstring> text = win::RegistryText(opened, win::Widen(value).c_str());
    ::RegCloseKey(opened);
    return text ? std::optional<std::string>(win::Narrow(*text)) : std::nullopt;
}

const char* ServiceStateName(TServiceState state)
{
    switch (state) {
    case TServiceState::Stopped:
        return "stopped";
    case TServiceState::Starting:
        return "starting";
    case TServiceState::Stopping:
        return "stopping";
    case TServiceState::Running:
        return "running";
    case TServiceState::Paused:
        return "paused";
    case TServiceState::Unknown:
        break;
    }
    return "in an unknown state";
}

bool ServicesOfProgram(const std::string& programFile, std::vector<TServiceInfo>& found, std::string& why)
{
    found.clear();
    TServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager.h) {
        why = win::ErrorText(::GetLastError());
        return false;
    }
    DWORD needed = 0, count = 0, resume = 0;
    ::EnumServicesStatusExW(manager.h, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed,
        &count, &resume, nullptr);
    if (::GetLastError() != ERROR_MORE_DATA) {
        why = win::ErrorText(::GetLastError());
        return false;
    }
    // The list may grow between the calls: room for more.
    needed += 4096;
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[needed]);
    resume = 0;
    if (!::EnumServicesStatusExW(manager.h, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, buffer.get(),
            needed, &needed, &count, &resume, nullptr)) {
        why = win::ErrorText(::GetLastError());
        return false;
    }
    const std::wstring wanted = Lower(win::Widen(programFile));
    const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.get());
    for (DWORD i = 0; i < count; ++i) {
        const std::wstring command = CommandOf(manager.h, services[i].lpServiceName);
        if (command.empty() || ProgramFileOf(command) != wanted)
            continue;
        found.push_back({win::Narrow(services[i].lpServiceName), win::Narrow(services[i].lpDisplayName),
            win::Narrow(command), StateOf(services[i].ServiceStatusProcess.dwCurrentState)});
    }
    return true;
}

std::optional<TServiceState> ServiceState(const std::string& name)
{
    TServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.h)
        return std::nullopt;
    TServiceHandle service(::OpenServiceW(manager.h, win::Widen(name).c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!service.h || !::QueryServiceStatus(service.h, &status))
        return std::nullopt;
    return StateOf(status.dwCurrentState);
}

bool UsbDevicesOfVendor(std::uint16_t vendor, std::vector<TUsbDeviceInfo>& found, std::string& why)
{
    found.clear();
    const HDEVINFO devices = ::SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        why = win::ErrorText(::GetLastError());
        return false;
    }
    wchar_t mark[16];
    ::swprintf(mark, 16, L"vid_%04x&pid_", vendor);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        wchar_t instance[MAX_DEVICE_ID_LEN] = {};
        if (!::SetupDiGetDeviceInstanceIdW(devices, &device, instance, MAX_DEVICE_ID_LEN, nullptr))
            continue;
        const std::wstring id = Lower(instance);
        const std::size_t at = id.find(mark);
        if (at == std::wstring::npos)
            continue;
        TUsbDeviceInfo info;
        info.instance = win::Narrow(instance);
        info.product = static_cast<std::uint16_t>(std::wcstoul(id.substr(at + 13, 4).c_str(), nullptr, 16));
        info.service = win::Narrow(DeviceText(devices, device, SPDRP_SERVICE));
        ULONG status = 0, problem = 0;
        if (::CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS && (status & DN_HAS_PROBLEM))
            info.problem = problem;
        found.push_back(info);
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return true;
}

} // namespace platform
