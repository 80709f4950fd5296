#pragma once

#include "board/JtagApi.h"

#include <cstddef>
#include <cstdint>

// The state of the fuzz targets' JTAG library, built as "QELVANO_JTAG.DLL" alone in its
// folder. The target reaches it through the exported FuzzJtag_State() and answers each
// write itself, from the fuzzer's bytes; plain data only, since it crosses the library
// boundary.
struct FuzzJtagState {
    std::uint32_t openResult = 1; // link handle; 0 = the open fails
    std::int32_t writeResult = 1; // 0 = writes fail
    std::int32_t infoResult = 1;  // 0 = no information record
    std::int32_t maxPiece = 1;    // most bytes one read delivers
    std::uint8_t info[jtagapi::JTAG_INFO_RECORD_LEN] = {};

    int writeCalls = 0; // every write, accepted or not

    // Called with every request written (unless writes fail); sets up the reply below.
    void (*onWrite)(void* context, const std::uint8_t* bytes, std::int32_t count) = nullptr;
    void* context = nullptr;

    // What the reader gets: `delayReads` empty reads, then these bytes.
    const std::uint8_t* pending = nullptr;
    std::size_t pendingLeft = 0;
    int delayReads = 0;

    bool Silent() const { return pendingLeft == 0 || delayReads > 0; }
};

extern "C" typedef FuzzJtagState* (*FuzzJtag_State_t)();
