#pragma once

// Our two driver libraries, loaded from the program folder as the program loads them.
#include "SimulatedBoard.h"

#include "board/JtagApi.h"
#include "config/DownloadApi.h"
#include "platform/DynamicLibrary.h"
#include "platform/Tick.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace simtest {

inline std::string Bin() { return testsupport::SimulatedBoard::BinFolder(); }
inline std::string ImagePath() { return Bin() + "VX5h_260_ControlPanel.sof"; }

// The five entry points of our JTAG library, loaded as the program loads them.
struct Jtag {
    std::unique_ptr<platform::DynamicLibrary> library = platform::DynamicLibrary::Load(Bin() + "QELVANO_JTAG.DLL");
    QELVANO_JtagOpen_t open = library->ResolveAs<QELVANO_JtagOpen_t>(jtagapi::OPEN_NAME);
    QELVANO_JtagClose_t close = library->ResolveAs<QELVANO_JtagClose_t>(jtagapi::CLOSE_NAME);
    QELVANO_JtagWrite_t write = library->ResolveAs<QELVANO_JtagWrite_t>(jtagapi::WRITE_NAME);
    QELVANO_JtagRead_t read = library->ResolveAs<QELVANO_JtagRead_t>(jtagapi::READ_NAME);
    QELVANO_JtagGetInfo_t info = library->ResolveAs<QELVANO_JtagGetInfo_t>(jtagapi::GET_INFO_NAME);

    bool Send(std::uint32_t link, const std::vector<std::uint8_t>& bytes)
    {
        return write(link, bytes.data(), static_cast<std::int32_t>(bytes.size())) != 0;
    }
    // Collects up to `count` bytes within `budgetMs`.
    std::vector<std::uint8_t> Receive(std::uint32_t link, std::size_t count, std::uint32_t budgetMs)
    {
        std::vector<std::uint8_t> got(count);
        std::size_t n = 0;
        const std::uint32_t start = platform::TickCount();
        while (n < count && platform::TicksSince(start) < budgetMs)
            n += static_cast<std::size_t>(read(link, got.data() + n, static_cast<std::int32_t>(count - n)));
        got.resize(n);
        return got;
    }
};

struct Download {
    std::unique_ptr<platform::DynamicLibrary> library = platform::DynamicLibrary::Load(Bin() + "QELVANO_DOWNLOAD.DLL");
    QELVANO_JtagDownload_t download = library->ResolveAs<QELVANO_JtagDownload_t>(downloadapi::JTAG_DOWNLOAD_NAME);
    QELVANO_GetQuatusVersion_t version
        = library->ResolveAs<QELVANO_GetQuatusVersion_t>(downloadapi::GET_QUARTUS_VERSION_NAME);

    std::int32_t Load(const std::string& path) { return download(path.c_str(), 20000, 0, 0, 0, 0, 1); }
};

} // namespace simtest
