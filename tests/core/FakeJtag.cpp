// A scriptable stand-in for the JTAG library, built as "QELVANO_JTAG.DLL" so that the
// program loads it through its real loading path.
#include "board/JtagApi.h"
#include "tests/core/FakeJtagState.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

// FAKE_API marks an export the way this system's libraries do (set by the build).
#define FAKE_EXPORT extern "C" FAKE_API
// The entry points' calling convention: the build makes a 32-bit Windows copy whose
// entry points take their arguments off the stack themselves (stdcall).
#ifndef FAKE_CALL
#define FAKE_CALL
#endif

namespace {

FakeJtagState& State()
{
    static FakeJtagState state;
    return state;
}

// As UTF-8, whatever the system's narrow code page.
std::string WorkingDirectory()
{
    std::error_code ec;
    const std::u8string folder = std::filesystem::current_path(ec).u8string();
    return std::string(folder.begin(), folder.end());
}

} // namespace

FAKE_EXPORT FakeJtagState* FakeJtag_State() { return &State(); }

FAKE_EXPORT std::uint32_t FAKE_CALL QELVANO_JtagOpen(std::int32_t cableIndex, const char* cableName)
{
    FakeJtagState& s = State();
    ++s.openCalls;
    s.events += "open;";
    s.cableIndex = cableIndex;
    s.cableNameNull = cableName == nullptr;
    s.cableName = cableName ? cableName : "";
    s.cwdAtOpen = WorkingDirectory();
    return s.openResult;
}

FAKE_EXPORT void FAKE_CALL QELVANO_JtagClose(std::uint32_t link)
{
    FakeJtagState& s = State();
    ++s.closeCalls;
    s.events += "close;";
    s.closedLink = link;
}

FAKE_EXPORT std::int32_t FAKE_CALL QELVANO_JtagWrite(std::uint32_t, const std::uint8_t* bytes, std::int32_t count)
{
    FakeJtagState& s = State();
    ++s.writeCalls;
    s.events += "write;";
    s.writeSizes.push_back(count);
    s.written.insert(s.written.end(), bytes, bytes + count);
    if (s.writeResult == 0)
        return 0;
    if (!s.replies.empty()) {
        const FakeJtagState::Reply reply = s.replies.front();
        s.replies.pop_front();
        s.pending.insert(s.pending.end(), reply.bytes.begin(), reply.bytes.end());
        s.delayReads = reply.delayReads;
    }
    return s.writeResult;
}

FAKE_EXPORT std::int32_t FAKE_CALL QELVANO_JtagRead(std::uint32_t, std::uint8_t* dest, std::int32_t count)
{
    FakeJtagState& s = State();
    ++s.readCalls;
    if (s.overrideRead)
        return s.readResult;
    if (s.endless) {
        const std::int32_t n = std::min(count, s.maxPiece);
        std::memset(dest, s.endlessByte, static_cast<std::size_t>(n));
        return n;
    }
    if (s.delayReads > 0) {
        --s.delayReads;
        return 0;
    }
    const std::int32_t n = std::min({count, s.maxPiece, static_cast<std::int32_t>(s.pending.size())});
    std::copy_n(s.pending.begin(), n, dest);
    s.pending.erase(s.pending.begin(), s.pending.begin() + n);
    return n;
}

#ifndef FAKE_JTAG_WITHOUT_GET_INFO
FAKE_EXPORT std::int32_t FAKE_CALL QELVANO_JtagGetInfo(std::uint32_t, std::uint8_t* record)
{
    FakeJtagState& s = State();
    ++s.infoCalls;
    std::memcpy(record, s.info.data(), s.info.size());
    return s.infoResult;
}
#endif
