// A stand-in for the board maker's QELVANO_DOWNLOAD.DLL on Windows: programmer tools that
// are always installed, and a configuration that loads the image into the stand-in
// board's FPGA. The seventeen entry points the program resolves but never calls are there
// and do nothing.
#include "tests/windows/StandInBoard.h"

#include <cstdint>
#include <string>

// STANDIN_CALL is the calling convention the build chose for this copy (stdcall or cdecl).
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#define STANDIN_UNUSED(name) \
    STANDIN_EXPORT std::int32_t STANDIN_CALL name() { return 0; }

STANDIN_EXPORT double STANDIN_CALL QELVANO_GetQuatusVersion() { return 13.1; }

// The time, flags and values are the program's fixed ones; the board needs only the image.
STANDIN_EXPORT std::int32_t STANDIN_CALL QELVANO_JtagDownload(
    const char* path, std::int32_t, std::uint8_t, std::int32_t, std::int32_t, std::uint8_t, std::uint8_t)
{
    std::string why;
    return standin::ConfigureFpga(path, why) ? 1 : 0;
}

STANDIN_UNUSED(QELVANO_DownloadEEPROMByByteBlaster)
STANDIN_UNUSED(QELVANO_JtagDownloadByteBlaster)
STANDIN_UNUSED(QELVANO_JtagDownloadChain)
STANDIN_UNUSED(QELVANO_Programming)
STANDIN_UNUSED(QELVANO_DownloadNios2)
STANDIN_UNUSED(QELVANO_DownloadNios2Ex)
STANDIN_UNUSED(QELVANO_Nios2Terminal)
STANDIN_UNUSED(QELVANO_FlashProgrammer)
STANDIN_UNUSED(QELVANO_AsDownload)
STANDIN_UNUSED(QELVANO_AsDownloadPV)
STANDIN_UNUSED(QELVANO_IsUsbBlasterDriverReady)
STANDIN_UNUSED(QELVANO_SetQuartusProgrammerPath)
STANDIN_UNUSED(QELVANO_quartus_pgm)
STANDIN_UNUSED(QELVANO_EnableBlasterII)
STANDIN_UNUSED(QELVANO_SetUB2Name)
STANDIN_UNUSED(QELVANO_KillNios2Terminal)
STANDIN_UNUSED(QELVANO_Jtagconfig)
