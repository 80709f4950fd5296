// A stand-in for the board maker's QELVANO_JTAG.DLL on Windows: the cable reaches the
// firmware model in this process instead of a board. One cable, one link at a time; it
// opens only while the FPGA holds the panel's image, as the real cable finds no JTAG
// UART in an unconfigured FPGA.
#include "board/JtagApi.h"
#include "sim/Control.h"
#include "sim/SimBoard.h"
#include "tests/windows/StandInBoard.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>

// STANDIN_CALL is the calling convention the build chose for this copy (stdcall or cdecl).
#define STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr std::uint32_t LINK_HANDLE = 0x5EED;
constexpr const char* DESCRIPTION = "Stand-in cable (firmware model in process)";

class TAlwaysPlugged : public sim::IControlHost {
public:
    bool JtagClientConnected() const override { return true; }
    std::string CableHolder() override { return "the program that loaded this library"; }
    bool CablePlugged() const override { return true; }
    void SetCablePlugged(bool) override { }
    void RequestQuit() override { }
};

struct TLink {
    sim::TSimBoard board;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    std::uint64_t NowUs() const
    {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
    }
};

std::unique_ptr<TLink> g_Link;

TLink* LinkOf(std::uint32_t handle) { return handle == LINK_HANDLE ? g_Link.get() : nullptr; }

} // namespace

STANDIN_EXPORT std::uint32_t STANDIN_CALL QELVANO_JtagOpen(std::int32_t, const char* cableName)
{
    if (g_Link || !cableName)
        return 0;
    const std::vector<std::uint8_t> image = standin::ConfiguredImage();
    auto link = std::make_unique<TLink>();
    std::string why;
    if (image.empty() || !link->board.Configure(image.data(), image.size(), why))
        return 0;
    g_Link = std::move(link);
    return LINK_HANDLE;
}

STANDIN_EXPORT void STANDIN_CALL QELVANO_JtagClose(std::uint32_t link)
{
    if (LinkOf(link))
        g_Link.reset();
}

STANDIN_EXPORT std::int32_t STANDIN_CALL QELVANO_JtagWrite(std::uint32_t handle, const std::uint8_t* bytes, std::int32_t count)
{
    TLink* link = LinkOf(handle);
    if (!link || !bytes || count < 0)
        return 0;
    link->board.Receive(bytes, static_cast<std::size_t>(count), link->NowUs());
    link->board.Advance(link->NowUs());
    const TAlwaysPlugged host;
    standin::WriteState(sim::StateJson(link->board, host));
    return 1;
}

STANDIN_EXPORT std::int32_t STANDIN_CALL QELVANO_JtagRead(std::uint32_t handle, std::uint8_t* dest, std::int32_t count)
{
    TLink* link = LinkOf(handle);
    if (!link || !dest || count <= 0)
        return 0;
    link->board.Advance(link->NowUs());
    return static_cast<std::int32_t>(link->board.Transmit(link->NowUs(), dest, static_cast<std::size_t>(count)));
}

STANDIN_EXPORT std::int32_t STANDIN_CALL QELVANO_JtagGetInfo(std::uint32_t handle, std::uint8_t* record)
{
    if (!LinkOf(handle) || !record)
        return 0;
    std::memset(record, 0, jtagapi::JTAG_INFO_RECORD_LEN);
    std::memcpy(record + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET, DESCRIPTION, std::strlen(DESCRIPTION));
    return 1;
}
