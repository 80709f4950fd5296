#pragma once

#include <cstdint>

// The entry points of the download library "QELVANO_DOWNLOAD.DLL". The program refuses a
// library that lacks any of the nineteen names, though it calls only two of them.
extern "C" {
// The installed programmer tools' version; exactly 0.0 means they are not installed.
typedef double (*QELVANO_GetQuatusVersion_t)(void);
// Configures the FPGA with the image at `path` (a NUL-terminated text, never null). The
// program passes 20000, 0, 0, 0, 0, 1 after the path. Returns when the attempt has ended;
// the low 8 bits of the result are non-zero when the FPGA was configured.
typedef std::int32_t (*QELVANO_JtagDownload_t)(const char* path, std::int32_t time, std::uint8_t a, std::int32_t b,
    std::int32_t c, std::uint8_t d, std::uint8_t e);
// The seventeen names the program resolves but never calls.
typedef std::int32_t (*QELVANO_DownloadUnused_t)(void);
// Optional, only in our own library: why the last download failed, a NUL-terminated text
// in `text` (`size` bytes); non-zero when there is one: LAST_ERROR_IMAGE when the image
// itself was refused (unreadable, or not one the board takes), else LAST_ERROR_OTHER.
typedef std::int32_t (*QELVANO_DownloadLastError_t)(char* text, std::int32_t size);
// Optional, only in our own library: copies what the programmer said during the
// last call of the two above (at most `size` - 1 bytes and a NUL) and returns its full
// length. A library without it still serves; the log then lacks the programmer's words.
typedef std::int32_t (*QELVANO_DownloadLastOutput_t)(char* buffer, std::int32_t size);
// Optional, only in our own library: ends a QELVANO_JtagDownload under way on another
// thread at once (it then fails); callable from any thread.
typedef std::int32_t (*QELVANO_DownloadCancel_t)(void);
// Optional, only in our own library: configures the board of the cable named as for
// QELVANO_JtagOpen (empty: the library's own choice) with the image at `path`, as
// QELVANO_JtagDownload does; the reason for a failure goes to `why` (`whySize` bytes) and
// its kind, as QELVANO_DownloadLastError returns it, to `kind` (when not null): that call's
// own, since the library's last one may be another board's.
typedef std::int32_t (*QELVANO_JtagDownloadCable_t)(
    const char* cable, const char* path, std::int32_t time, char* why, std::int32_t whySize, std::int32_t* kind);
}

namespace downloadapi {

constexpr const char* LIBRARY_NAME = "QELVANO_DOWNLOAD.DLL";

constexpr int ENTRY_COUNT = 19;

// In slot order; the program calls slots 3 and 13. "Quatus" is spelled so.
constexpr const char* ENTRY_NAMES[ENTRY_COUNT] = {
    "QELVANO_DownloadEEPROMByByteBlaster",
    "QELVANO_JtagDownloadByteBlaster",
    "QELVANO_JtagDownload",
    "QELVANO_JtagDownloadChain",
    "QELVANO_Programming",
    "QELVANO_DownloadNios2",
    "QELVANO_DownloadNios2Ex",
    "QELVANO_Nios2Terminal",
    "QELVANO_FlashProgrammer",
    "QELVANO_AsDownload",
    "QELVANO_AsDownloadPV",
    "QELVANO_IsUsbBlasterDriverReady",
    "QELVANO_GetQuatusVersion",
    "QELVANO_SetQuartusProgrammerPath",
    "QELVANO_quartus_pgm",
    "QELVANO_EnableBlasterII",
    "QELVANO_SetUB2Name",
    "QELVANO_KillNios2Terminal",
    "QELVANO_Jtagconfig",
};

constexpr int JTAG_DOWNLOAD_SLOT = 2; // index into ENTRY_NAMES
constexpr int GET_QUARTUS_VERSION_SLOT = 12;

constexpr const char* JTAG_DOWNLOAD_NAME = "QELVANO_JtagDownload";
constexpr const char* GET_QUARTUS_VERSION_NAME = "QELVANO_GetQuatusVersion";
constexpr const char* LAST_ERROR_NAME = "QELVANO_DownloadLastError";
constexpr std::int32_t LAST_ERROR_OTHER = 1;
constexpr std::int32_t LAST_ERROR_IMAGE = 2;
constexpr const char* PROGRAMMER_OUTPUT_NAME = "QELVANO_DownloadLastOutput";
constexpr const char* CANCEL_NAME = "QELVANO_DownloadCancel";
constexpr const char* JTAG_DOWNLOAD_CABLE_NAME = "QELVANO_JtagDownloadCable";

} // namespace downloadapi
