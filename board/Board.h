#pragma once

#include "board/LinkFailure.h"
#include "board/Protocol.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TJtagPort;
class TTraceRecorder;

// The one object through which the program talks to the board: it owns the JTAG link
// while connected, performs request/reply exchanges and offers one operation per
// firmware command. Failures are boolean results; a command the board can refuse reports
// the exchange (return value) and the refusal (`ok`) separately where callers must tell
// them apart.
class TBoard {
public:
    TBoard();
    ~TBoard();
    TBoard(const TBoard&) = delete;
    TBoard& operator=(const TBoard&) = delete;

    // --- connection ---
    // The cable the next Connect opens, named as the JTAG library takes it; empty (the
    // window's choice) lets the library choose as the user told it. A program with
    // several boards names each one's cable here.
    void SetCable(std::string cable) { m_Cable = std::move(cable); }
    bool Connect(std::string& errorText, std::int32_t cableIndex = 0);
    void Disconnect();
    bool IsOpen() const;
    const std::string& LinkDescription() const { return m_LinkDescription; }
    // Why the last Connect failed, as the JTAG library tells it (a jtagapi::JTAG_ERROR_*
    // code and a reason for a person); 0 and empty after a successful one, or when the
    // library cannot tell.
    std::int32_t LinkErrorCode() const { return m_LinkErrorCode; }
    const std::string& LinkErrorText() const { return m_LinkErrorText; }

    // Records the link into `trace` from now on (none: stop recording): every chunk of
    // bytes, the cable opened and closed, flushes and failed exchanges. Shared, because
    // whoever configures the FPGA between two connections records into it too.
    void SetTrace(std::shared_ptr<TTraceRecorder> trace);
    TTraceRecorder* Trace() const { return m_Trace.get(); }

    // The board's lock: pages hold it around one exchange so that two pages' exchanges
    // never interleave. Recursive, like the critical section it stands for. Usable with
    // std::lock_guard / std::unique_lock.
    void lock() { m_Lock.lock(); }
    void unlock() { m_Lock.unlock(); }
    void Lock() { lock(); }
    void Unlock() { unlock(); }

    // Pings the firmware so that a long transfer does not find a sleeping link.
    bool KeepAlive();

    // --- packet transaction ---
    bool Transact(std::uint8_t command, std::uint8_t* replyBuffer, std::uint32_t headerBudgetMs,
        std::uint32_t payloadLen, const std::uint8_t* payload, std::uint32_t replyLen);
    // Discards what is waiting in the link, up to a bounded number of bytes: how many it took.
    int FlushInput();
    // Why the last exchange failed (None after a success), and who else is told.
    TLinkFailure LastFailure() const { return m_LastFailure; }
    void SetFailureSink(LinkFailureSink sink) { m_FailureSink = std::move(sink); }
    bool ReadExact(std::uint8_t* dest, std::int32_t count, std::uint32_t budgetMs);

    // --- commands ---
    bool QueryBoardName(std::string& name);                 // A
    bool Ping();                                            // A
    bool SetLed(std::uint32_t mask);                        // A
    bool GetSwitchKeyState(std::uint32_t& state);           // A: bits 0-3 keys, 4-21 switches
    bool SetSeg7(std::uint32_t digits, std::uint8_t extra); // A
    bool GetSdCardInfo(bool& present, std::string& csdText, std::string& fileSystem,
        std::string& cidText);                                                    // B
    std::uint32_t GetEraseBlockCount(std::uint8_t memoryType);                    // C
    bool EraseBlock(bool& ok, std::uint8_t memoryType, std::uint16_t blockIndex); // B
    bool MemoryWrite(std::uint8_t memoryType, std::uint32_t address, std::uint32_t length,
        const std::uint8_t* source); // A per chunk
    bool MemoryRead(std::uint8_t memoryType, std::uint32_t address, std::uint32_t length,
        std::uint8_t* dest); // A per chunk
    // The same, with the exchange (return value) and the board's refusal (`ok` false)
    // apart: a refusal leaves the link up.
    bool MemoryWrite(
        bool& ok, std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, const std::uint8_t* source);
    bool MemoryRead(bool& ok, std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, std::uint8_t* dest);
    bool GsensorInit();                                                  // A
    bool GsensorRead(std::int16_t& x, std::int16_t& y, std::int16_t& z); // A
    bool SetVgaPattern(std::uint8_t mode, std::uint8_t pattern);         // A
    bool ChannelWrite(bool& ok, std::uint8_t channel, std::int32_t length,
        const std::uint8_t* source); // B per chunk
    // `dest` has room for 129 bytes: up to 128 data bytes and a NUL after them.
    bool ChannelRead(bool& ok, std::uint8_t channel, std::uint8_t& count, std::uint8_t* dest); // B
    bool ChannelEnable(bool& ok, std::uint8_t channel, std::uint8_t enable);                   // B
    bool HsmcLoopbackTest(bool& ok, std::uint32_t& xcvrErrorMask, std::uint64_t& ioErrorMask); // B

private:
    // One exchange's wait: the sign of a long wait ends with the outermost scope.
    struct TWaitScope {
        explicit TWaitScope(TBoard& board);
        ~TWaitScope();
        TBoard& board;
    };
    bool Fail(std::uint8_t command, TLinkFailure cause, std::uint32_t start);

    std::shared_ptr<TTraceRecorder> m_Trace; // before the link, which points to it
    std::unique_ptr<TJtagPort> m_Link;
    int m_WaitDepth = 0;
    bool m_WaitShown = false;
    TLinkFailure m_LastFailure = TLinkFailure::None;
    LinkFailureSink m_FailureSink;
    std::uint32_t m_LastActivity = 0;
    std::string m_LinkDescription;
    std::string m_Cable; // empty: the library's own choice
    std::int32_t m_LinkErrorCode = 0;
    std::string m_LinkErrorText;
    std::recursive_mutex m_Lock;
};
