#pragma once

#include "config/DownloadApi.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class DynamicLibrary;
}

// Loads the FPGA's configuration image through the download library
// "QELVANO_DOWNLOAD.DLL" in the program's folder. One object per configuration attempt:
// the library is loaded when it is made and released when it dies. After construction
// the object is only read, so DownloadImage may run on a worker thread.
class TDownload {
public:
    TDownload();
    ~TDownload();
    TDownload(const TDownload&) = delete;
    TDownload& operator=(const TDownload&) = delete;

    // The library is loaded and has every entry point.
    bool IsLoaded() const;
    // The installed programmer tools' version; 0.0 when none are installed or there is
    // no library.
    double GetQuartusVersion() const;
    // The board to configure: a cable named as for the JTAG library's open. A program
    // with several boards names each one's cable here; with none (the window), or with a
    // library that cannot take one, the library chooses as it does for the open. Our
    // library hands the reason of a failure to LastError alone; the board maker's says it
    // its own way.
    void SetCable(std::string cable) { m_Cable = std::move(cable); }
    // Configures the FPGA with the image at `path`; the other arguments go to the library
    // unchanged. Blocks until the attempt has ended.
    bool DownloadImage(const std::string& path, std::int32_t time, std::uint8_t a, std::int32_t b, std::int32_t c,
        std::uint8_t d, std::uint8_t e) const;
    // What the programmer said during the last GetQuartusVersion or
    // DownloadImage (at most 64 KB); empty when the library cannot tell.
    std::string ProgrammerOutput() const;

    // Why the last DownloadImage failed, where the library can tell (ours can, through an
    // entry point beyond the nineteen; the board maker's cannot): empty otherwise.
    std::string LastError() const;
    // The last DownloadImage failed on the image itself, not on the cable or the tools
    // (our library can tell; the board maker's cannot, and then this is false).
    bool LastErrorConcernsImage() const;

    // Ends a DownloadImage under way on another thread at once, where the library can
    // (ours kills the programmer); false when it cannot, and the download runs its course.
    bool Cancel() const;

private:
    std::unique_ptr<platform::DynamicLibrary> m_Library;
    std::array<void*, downloadapi::ENTRY_COUNT> m_Entries{};
    QELVANO_DownloadLastError_t m_LastError = nullptr; // optional
    QELVANO_DownloadLastOutput_t m_ProgrammerOutput = nullptr;
    QELVANO_DownloadCancel_t m_Cancel = nullptr; // optional
    QELVANO_JtagDownloadCable_t m_DownloadCable = nullptr; // optional
    std::string m_Cable;
    // Why the last download to a named cable failed: that call's own reason, not the
    // library's last one, which may be another thread's.
    mutable std::string m_CableError;
    mutable std::int32_t m_CableErrorKind = downloadapi::LAST_ERROR_OTHER;
};
