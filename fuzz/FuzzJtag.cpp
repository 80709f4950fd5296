// The JTAG library of the fuzz targets: every reply comes from the target (FuzzJtagState),
// delivered in pieces as a real cable delivers it.
#include "board/JtagApi.h"
#include "fuzz/FuzzJtagState.h"

#include <algorithm>
#include <cstring>

#define FUZZ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

FuzzJtagState& State()
{
    static FuzzJtagState state;
    return state;
}

} // namespace

FUZZ_EXPORT FuzzJtagState* FuzzJtag_State() { return &State(); }

FUZZ_EXPORT std::uint32_t QELVANO_JtagOpen(std::int32_t, const char*) { return State().openResult; }

FUZZ_EXPORT void QELVANO_JtagClose(std::uint32_t) { }

FUZZ_EXPORT std::int32_t QELVANO_JtagWrite(std::uint32_t, const std::uint8_t* bytes, std::int32_t count)
{
    FuzzJtagState& s = State();
    ++s.writeCalls;
    if (s.writeResult != 0 && s.onWrite)
        s.onWrite(s.context, bytes, count);
    return s.writeResult;
}

FUZZ_EXPORT std::int32_t QELVANO_JtagRead(std::uint32_t, std::uint8_t* dest, std::int32_t count)
{
    FuzzJtagState& s = State();
    if (s.delayReads > 0) {
        --s.delayReads;
        return 0;
    }
    const std::size_t n = std::min({static_cast<std::size_t>(std::max(count, 0)),
        static_cast<std::size_t>(std::max(s.maxPiece, 1)), s.pendingLeft});
    if (n == 0)
        return 0;
    std::memcpy(dest, s.pending, n);
    s.pending += n;
    s.pendingLeft -= n;
    return static_cast<std::int32_t>(n);
}

FUZZ_EXPORT std::int32_t QELVANO_JtagGetInfo(std::uint32_t, std::uint8_t* record)
{
    FuzzJtagState& s = State();
    std::memcpy(record, s.info, sizeof s.info);
    return s.infoResult;
}
