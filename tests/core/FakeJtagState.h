#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// The state of the fake JTAG library that the core tests build as "QELVANO_JTAG.DLL".
// The test reaches it through the exported FakeJtag_State(), resolved from the same
// loaded library, so it scripts the fake and reads what the program did to it.
struct FakeJtagState {
    // --- script ---
    std::uint32_t openResult = 0x1234; // link handle handed out; 0 = the open fails
    std::int32_t writeResult = 1;      // 0 = every write fails
    std::int32_t maxPiece = 1 << 30;   // most bytes one read call delivers
    bool endless = false;              // reads always deliver `endlessByte`s
    std::uint8_t endlessByte = 0x5A;
    bool overrideRead = false; // reads return `readResult` and touch nothing
    std::int32_t readResult = 0;
    std::deque<std::uint8_t> pending; // bytes waiting to be read
    // Each write releases the next scripted reply into `pending`, after `delayReads`
    // empty reads.
    struct Reply {
        std::vector<std::uint8_t> bytes;
        int delayReads = 0;
    };
    std::deque<Reply> replies;
    int delayReads = 0;
    std::array<std::uint8_t, 164> info{};
    std::int32_t infoResult = 1;

    // --- record ---
    std::vector<std::uint8_t> written;    // every byte of every write, in order
    std::vector<std::int32_t> writeSizes; // one entry per write call
    std::string events;                   // "open;close;write;..." (reads not listed)
    int openCalls = 0, closeCalls = 0, writeCalls = 0, readCalls = 0, infoCalls = 0;
    std::int32_t cableIndex = -1;
    bool cableNameNull = false;
    std::string cableName;
    std::string cwdAtOpen;
    std::uint32_t closedLink = 0;

    void Reset() { *this = FakeJtagState(); }
};

extern "C" typedef FakeJtagState* (*FakeJtag_State_t)();
