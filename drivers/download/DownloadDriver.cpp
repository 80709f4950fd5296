// QELVANO_DOWNLOAD.DLL: configures the FPGA of the board our JTAG library chooses, by the
// same rule. Images of the simulated board go to the board simulator (as the vendor's
// programmer would send a bitstream down the cable); a real cable's image goes to the
// vendor's programmer. Every call is self-contained, so the library may be used from any
// thread.
#include "config/DownloadApi.h"
#include "drivers/common/CableChoice.h"
#include "drivers/common/VendorLibrary.h"
#include "drivers/common/VendorOpen.h"
#include "drivers/download/ProgrammerImage.h"
#include "drivers/jtag/SimLink.h"
#include "platform/Export.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/VendorTools.h"
#include "sim/Control.h"
#include "sim/Endpoint.h"
#include "sim/Image.h"
#include "sim/Lab.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#define DOWNLOAD_EXPORT VX5H_EXPORT

namespace {

constexpr int START_TIMEOUT_MS = 3000;
constexpr int MIN_DOWNLOAD_TIMEOUT_MS = 5000;
constexpr int VERSION_TIMEOUT_MS = 10000;
// The programmer of the simulated cable reports itself as this version.
constexpr double SIMULATED_PROGRAMMER_VERSION = 13.1;
// jtagconfig's index of the first cable, for when the vendor's library chose the cable.
constexpr const char* FIRST_CABLE = "1";

std::mutex lastLock;
std::string lastError;
// Set by QELVANO_DownloadCancel while a download runs; the programmer's group is killed.
// The library is loaded for one configuration attempt, so it starts cleared.
std::atomic<bool> cancelRequested{false};
std::int32_t lastKind = downloadapi::LAST_ERROR_OTHER; // what lastError is about
// What the programmer said during the last call, for the caller's log. Not thread_local:
// a thread-local with a destructor would keep the library from ever unloading.
std::string lastOutput;

void KeepOutput(const std::string& output)
{
    std::lock_guard<std::mutex> guard(lastLock);
    lastOutput = output;
}

// Why this thread's download failed, for QELVANO_JtagDownloadCable: several boards may be
// configured side by side. Plain data, so that the library can still be unloaded.
thread_local char t_why[1024];
thread_local std::int32_t t_kind = downloadapi::LAST_ERROR_OTHER;
// The caller of this thread's download takes the reason itself (QELVANO_JtagDownloadCable
// with a buffer for it), so that it is not said twice.
thread_local bool t_callerTakesReason = false;

// Says why on standard error, the one place a library can always reach the user of a
// program that only knows the board maker's entry points, and keeps it for
// QELVANO_DownloadLastError.
std::int32_t Fail(const std::string& why, std::int32_t kind = downloadapi::LAST_ERROR_OTHER)
{
    if (!t_callerTakesReason)
        std::fprintf(stderr, "QELVANO_DOWNLOAD.DLL: %s\n", why.c_str());
    drivers::CopyText(why, t_why, sizeof t_why);
    t_kind = kind;
    std::lock_guard<std::mutex> guard(lastLock);
    lastError = why;
    lastKind = kind;
    return 0;
}

// The image itself was refused: a program can tell its user to check the file, not the cable.
std::int32_t FailImage(const std::string& why) { return Fail(why, downloadapi::LAST_ERROR_IMAGE); }

bool Simulator() { return sim::EnsureSimulatorBeside(START_TIMEOUT_MS); }

// The vendor's programmer, where its installation says it is; empty, with `why` set, when
// it is not there.
std::string VendorProgrammer(std::string& why)
{
    const auto tools = platform::FindVendorTools(why);
    if (!tools)
        return {};
    if (!platform::FileExists(tools->programmer)) {
        why = tools->programmer + " is missing";
        return {};
    }
    return tools->programmer;
}

// "Version 13.0.1 Build 232 ..." -> 13.0
double VendorVersion(const std::string& programmer)
{
    const platform::TProgramRun run = platform::RunProgram({programmer, "--version"}, VERSION_TIMEOUT_MS);
    KeepOutput(run.output);
    if (!run.Succeeded())
        return 0.0;
    const auto at = run.output.find("Version ");
    if (at == std::string::npos)
        return 0.0;
    int major = 0, minor = 0;
    if (std::sscanf(run.output.c_str() + at + 8, "%d.%d", &major, &minor) < 1)
        return 0.0;
    return major + minor / 10.0;
}

// The board our JTAG library would open, and for a real one the cable to name to the
// programmer. Opening the UART tells whether a cable is there; a cable whose FPGA has
// no UART yet is a real board all the same. One whose UART a program holds is not
// configured: that program's board would change under it.
struct Target {
    drivers::Choice choice;
    std::string cable;
    int simBoard = 1;
};
Target ChooseTarget(const char* cableName)
{
    const drivers::CableRequest request = drivers::RequestedCable(cableName);
    std::string whyNoVendor;
    std::unique_ptr<drivers::VendorLibrary> vendor;
    if (request.kind != drivers::CableRequest::Kind::Simulator)
        vendor = drivers::VendorLibrary::Load(whyNoVendor);
    Target target;
    target.cable = request.name.empty() ? FIRST_CABLE : request.name;
    target.simBoard = request.simBoard;
    target.choice = drivers::ChooseBoard(
        request, vendor.get(), whyNoVendor, [&](drivers::VendorLibrary& library, const std::string& cable) {
            drivers::Failure failure;
            JTAGATLANTIC* link = drivers::OpenWithinBudget(library, cable, "quartus_pgm probe", failure);
            if (link) {
                const char* name = nullptr;
                int device = 0, instance = 0;
                library.getInfo(link, &name, &device, &instance);
                if (name && *name)
                    target.cable = name;
                library.close(link);
                return drivers::Failure{};
            }
            if (failure.code == drivers::LinkError::NoJtagUart)
                return drivers::Failure{};
            return failure;
        });
    return target;
}

// The programmer configures an FPGA over JTAG from an SRAM Object File, which it knows by
// its name: what is neither that nor the simulated board's image is no image at all.
bool IsProgrammerImageName(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".sof";
}

std::int32_t ToSimulator(const std::string& path, const std::string& image, int board, int timeoutMs)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    if (!sim::LooksLikeImage(bytes, image.size()) && !IsProgrammerImageName(path))
        return FailImage("This file is no configuration image: it is neither the simulated board's "
                         "VX5h_260_ControlPanel.sof nor an SRAM Object File (.sof) for a real board's FPGA");
    if (!sim::LooksLikeImage(bytes, image.size()))
        return FailImage("This image is for a real board's FPGA; the simulated board loads only its own "
                         "VX5h_260_ControlPanel.sof (choose the real board's cable to program that board)");
    if (image.size() > sim::MAX_CONTROL_IMAGE)
        return FailImage("The image is too large for the simulated board");
    sim::ControlReply reply;
    if (!Simulator())
        return Fail("The board simulator does not answer");
    // The image goes down the simulated cable; a stop cuts the load short at once.
    if (!sim::SendControl(sim::BoardSocketPath(sim::SocketPath(), board), {"download-image", image}, reply, timeoutMs,
            nullptr, &cancelRequested)) {
        if (cancelRequested)
            return Fail("The download was stopped on request");
        return Fail(board > 1 ? "The board simulator serves no board " + sim::BoardName(board)
                           + " (vx5h-board-sim --daemon --boards N starts a lab of N)"
                              : "The board simulator does not answer");
    }
    KeepOutput("simulator: " + reply.text);
    std::string text = reply.text;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    switch (reply.status) {
    case 0:
        return 1;
    case sim::CONTROL_CABLE_UNPLUGGED:
        return Fail(text);
    case sim::CONTROL_CABLE_HELD:
        return Fail(drivers::SimulatorRefusal(sim::JTAG_REFUSED, text).text);
    default:
        return FailImage("The simulated board refused the image: " + text);
    }
}

std::int32_t ToProgrammer(const std::string& path, const std::string& image, const std::string& cable, int timeoutMs)
{
    if (sim::LooksLikeImage(reinterpret_cast<const std::uint8_t*>(image.data()), image.size()))
        return FailImage("This is the simulated board's image; a real board needs the board maker's "
                    "VX5h_260_ControlPanel.sof in the program's folder in its place");
    std::string why;
    const std::string programmer = VendorProgrammer(why);
    if (programmer.empty())
        return Fail("The vendor's programmer (quartus_pgm) is not installed: " + why);
    // The programmer reads any argument that starts with '-' as one of its options.
    if (cable.empty() || cable.front() == '-')
        return Fail("The cable name " + drivers::QuotedCable(cable)
            + " cannot be passed to the programmer: it would read it as an option");
    drivers::ProgrammerImage safe(path);
    if (safe.Path().empty())
        return Fail("The image's name cannot be passed to the programmer, and no temporary copy could be made");
    const platform::TProgramRun run = platform::RunProgram(
        {programmer, "-c", cable, "-m", "JTAG", "-o", "p;" + safe.Path()}, static_cast<std::uint32_t>(timeoutMs),
        &cancelRequested);
    KeepOutput(run.output);
    switch (run.end) {
    case platform::TProgramRun::TEnd::Exited:
        if (run.exitCode == 0)
            return 1;
        return Fail("quartus_pgm failed (exit " + std::to_string(run.exitCode) + "):\n" + run.output);
    case platform::TProgramRun::TEnd::NotStarted:
        return Fail("quartus_pgm could not be started: " + programmer);
    case platform::TProgramRun::TEnd::OutOfTime:
        return Fail("quartus_pgm failed (timed out):\n" + run.output);
    case platform::TProgramRun::TEnd::Stopped:
        break;
    }
    return Fail("quartus_pgm was stopped on request");
}

// Configures the board of `cable` (empty: VX5H_CABLE's).
std::int32_t Attempt(const char* cable, const char* path, std::int32_t time)
{
    std::string image, reason;
    if (!path || !*path)
        return FailImage("No image was named");
    if (!sim::ReadImageFile(path, image, reason))
        return FailImage("Cannot read the image: " + reason);
    const int timeoutMs = std::max<int>(time, MIN_DOWNLOAD_TIMEOUT_MS);
    const Target target = ChooseTarget(cable);
    if (cancelRequested)
        return Fail("The download was stopped on request");
    switch (target.choice.way) {
    case drivers::Way::Simulator:
        return ToSimulator(path, image, target.simBoard, timeoutMs);
    case drivers::Way::Vendor:
        return ToProgrammer(path, image, target.cable, timeoutMs);
    default:
        return Fail(target.choice.failure.text);
    }
}

// As Attempt; the reason for a 0 also goes to `why` and its kind to `kind`, so that
// configurations of several boards side by side each get their own.
std::int32_t Download(
    const char* cable, const char* path, std::int32_t time, char* why, std::int32_t whySize, std::int32_t* kind)
{
    {
        std::lock_guard<std::mutex> guard(lastLock);
        lastError.clear();
    }
    KeepOutput({});
    const std::int32_t result = Attempt(cable, path, time);
    if (result == 0) {
        drivers::CopyText(t_why, why, whySize);
        if (kind)
            *kind = t_kind;
    }
    return result;
}

// A stop asked for while several downloads run ends them all (Ctrl-C stops every board);
// it is forgotten only once the last of them has ended.
std::atomic<int> downloadsUnderWay{0};

std::int32_t CancellableDownload(
    const char* cable, const char* path, std::int32_t time, char* why, std::int32_t whySize, std::int32_t* kind)
{
    ++downloadsUnderWay;
    const std::int32_t result = Download(cable, path, time, why, whySize, kind);
    if (--downloadsUnderWay == 0)
        cancelRequested = false;
    return result;
}

} // namespace

DOWNLOAD_EXPORT double QELVANO_GetQuatusVersion(void)
{
    KeepOutput({});
    std::string notInstalled;
    if (const std::string programmer = VendorProgrammer(notInstalled); !programmer.empty())
        if (const double version = VendorVersion(programmer); version > 0)
            return version;
    return Simulator() ? SIMULATED_PROGRAMMER_VERSION : 0.0;
}

DOWNLOAD_EXPORT std::int32_t QELVANO_JtagDownload(
    const char* path, std::int32_t time, std::uint8_t, std::int32_t, std::int32_t, std::uint8_t, std::uint8_t)
{
    return CancellableDownload(nullptr, path, time, nullptr, 0, nullptr);
}

// Not one of the nineteen: stops every download that is under way at once (the programmer
// and whatever it started are killed; it then fails), for a caller that was interrupted.
DOWNLOAD_EXPORT std::int32_t QELVANO_DownloadCancel(void)
{
    cancelRequested = true;
    return 1;
}

// Not one of the nineteen: configures the board of a named cable, as QELVANO_JtagOpen
// opens one, without going through the process-wide VX5H_CABLE.
DOWNLOAD_EXPORT std::int32_t QELVANO_JtagDownloadCable(
    const char* cable, const char* path, std::int32_t time, char* why, std::int32_t whySize, std::int32_t* kind)
{
    drivers::CopyText({}, why, whySize);
    t_callerTakesReason = why && whySize > 0;
    const std::int32_t result = CancellableDownload(cable, path, time, why, whySize, kind);
    t_callerTakesReason = false;
    return result;
}

// Not one of the nineteen: why the last download failed, for a program that asks.
DOWNLOAD_EXPORT std::int32_t QELVANO_DownloadLastError(char* text, std::int32_t size)
{
    std::lock_guard<std::mutex> guard(lastLock);
    drivers::CopyText(lastError, text, size);
    return lastError.empty() ? 0 : lastKind;
}

// Not one of the nineteen either: what the programmer said during the last call.
DOWNLOAD_EXPORT std::int32_t QELVANO_DownloadLastOutput(char* text, std::int32_t size)
{
    std::lock_guard<std::mutex> guard(lastLock);
    drivers::CopyText(lastOutput, text, size);
    return static_cast<std::int32_t>(lastOutput.size());
}

// Present because the program insists on all nineteen names; never called by it.
#define UNUSED_ENTRY(name)                                                                                             \
    DOWNLOAD_EXPORT std::int32_t name(void) { return 0; }
UNUSED_ENTRY(QELVANO_DownloadEEPROMByByteBlaster)
UNUSED_ENTRY(QELVANO_JtagDownloadByteBlaster)
UNUSED_ENTRY(QELVANO_JtagDownloadChain)
UNUSED_ENTRY(QELVANO_Programming)
UNUSED_ENTRY(QELVANO_DownloadNios2)
UNUSED_ENTRY(QELVANO_DownloadNios2Ex)
UNUSED_ENTRY(QELVANO_Nios2Terminal)
UNUSED_ENTRY(QELVANO_FlashProgrammer)
UNUSED_ENTRY(QELVANO_AsDownload)
UNUSED_ENTRY(QELVANO_AsDownloadPV)
UNUSED_ENTRY(QELVANO_IsUsbBlasterDriverReady)
UNUSED_ENTRY(QELVANO_SetQuartusProgrammerPath)
UNUSED_ENTRY(QELVANO_quartus_pgm)
UNUSED_ENTRY(QELVANO_EnableBlasterII)
UNUSED_ENTRY(QELVANO_SetUB2Name)
UNUSED_ENTRY(QELVANO_KillNios2Terminal)
UNUSED_ENTRY(QELVANO_Jtagconfig)
