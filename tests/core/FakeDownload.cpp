// A scriptable stand-in for the download library, built as "QELVANO_DOWNLOAD.DLL".
#include "tests/core/FakeDownloadState.h"

#include <fstream>

// FAKE_API marks an export the way this system's libraries do (set by the build).
#define FAKE_EXPORT extern "C" FAKE_API
// The entry points' calling convention: the build makes a 32-bit Windows copy whose
// entry points take their arguments off the stack themselves (stdcall).
#ifndef FAKE_CALL
#define FAKE_CALL
#endif

namespace {

FakeDownloadState& State()
{
    static FakeDownloadState state;
    return state;
}

} // namespace

FAKE_EXPORT FakeDownloadState* FakeDownload_State() { return &State(); }

FAKE_EXPORT double FAKE_CALL QELVANO_GetQuatusVersion(void)
{
    ++State().versionCalls;
    return State().version;
}

FAKE_EXPORT std::int32_t FAKE_CALL QELVANO_JtagDownload(
    const char* path, std::int32_t time, std::uint8_t a, std::int32_t b, std::int32_t c, std::uint8_t d, std::uint8_t e)
{
    FakeDownloadState& s = State();
    ++s.downloadCalls;
    s.pathNull = path == nullptr;
    s.path = path ? path : "";
    s.pathOpens = std::ifstream(s.path).good(); // narrow text: the system's own code page
    s.time = time;
    s.a = a;
    s.b = b;
    s.c = c;
    s.d = d;
    s.e = e;
    return s.downloadResult;
}

#define FAKE_UNCALLED(name)                                                                                            \
    FAKE_EXPORT std::int32_t FAKE_CALL name(void) { return 0; }

FAKE_UNCALLED(QELVANO_DownloadEEPROMByByteBlaster)
FAKE_UNCALLED(QELVANO_JtagDownloadByteBlaster)
FAKE_UNCALLED(QELVANO_JtagDownloadChain)
FAKE_UNCALLED(QELVANO_Programming)
FAKE_UNCALLED(QELVANO_DownloadNios2)
FAKE_UNCALLED(QELVANO_DownloadNios2Ex)
FAKE_UNCALLED(QELVANO_Nios2Terminal)
FAKE_UNCALLED(QELVANO_FlashProgrammer)
FAKE_UNCALLED(QELVANO_AsDownload)
FAKE_UNCALLED(QELVANO_AsDownloadPV)
FAKE_UNCALLED(QELVANO_IsUsbBlasterDriverReady)
FAKE_UNCALLED(QELVANO_SetQuartusProgrammerPath)
FAKE_UNCALLED(QELVANO_quartus_pgm)
FAKE_UNCALLED(QELVANO_EnableBlasterII)
FAKE_UNCALLED(QELVANO_SetUB2Name)
FAKE_UNCALLED(QELVANO_KillNios2Terminal)
#ifndef FAKE_DOWNLOAD_WITHOUT_JTAGCONFIG
FAKE_UNCALLED(QELVANO_Jtagconfig)
#endif
