// TBoard: the connection and the request/reply transaction. The commands built on the
// transaction are in BoardCommands.cpp.
#include "board/Board.h"

#include "board/Jtagport.h"
#include "board/TraceRecorder.h"
#include "platform/Hooks.h"
#include "platform/Tick.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <vector>

using protocol::PKT_PC2NIOS_MAX_PL_LEN;

namespace {

constexpr const char* CONNECT_FAILED_TEXT = "Fail to connect FPGA borad.";

// Budget of one link read inside ReadExact, and of one discarded byte in FlushInput.
constexpr std::uint32_t LINK_READ_BUDGET_MS = 3000;
// A reply later than this is no longer "at once": the user gets the sign of a wait.
constexpr std::uint32_t MOMENT_MS = 200;
constexpr std::uint32_t FLUSH_READ_BUDGET_MS = 1;
// A board that never stops talking must not keep the flush going for ever.
constexpr int FLUSH_MAX_BYTES = 1002;

constexpr std::uint32_t KEEP_ALIVE_IDLE_MS = 120000;
constexpr int KEEP_ALIVE_WAKE_PINGS = 5;

} // namespace

TBoard::TBoard() = default;

TBoard::~TBoard() { Disconnect(); }

// --- connection ---

bool TBoard::Connect(std::string& errorText, std::int32_t cableIndex)
{
    std::lock_guard guard(m_Lock);
    Disconnect();
    const std::uint64_t start = m_Trace ? TTraceRecorder::Now() : 0;
    auto link = std::make_unique<TJtagPort>(cableIndex, m_Cable);
    link->SetTrace(m_Trace.get());
    m_LinkErrorText.clear();
    m_LinkErrorCode = 0;
    if (!link->Open()) {
        m_LinkErrorCode = link->LastError(m_LinkErrorText);
        errorText = CONNECT_FAILED_TEXT;
        if (m_Trace)
            m_Trace->Opened(false, {}, m_LinkErrorCode, m_LinkErrorText.empty() ? errorText : m_LinkErrorText, start);
        return false;
    }
    std::array<std::uint8_t, jtagapi::JTAG_INFO_RECORD_LEN> record{};
    if (link->GetInfo(record.data()))
        m_LinkDescription = TJtagPort::DescriptionOf(record.data(), m_Cable);
    if (m_Trace)
        m_Trace->Opened(true, m_LinkDescription, 0, {}, start);
    m_Link = std::move(link);
    m_LastActivity = platform::TickCount();
    return true;
}

void TBoard::Disconnect()
{
    std::lock_guard guard(m_Lock);
    if (m_Link) {
        if (m_Link->IsOpen()) {
            m_Link->Close();
            if (m_Trace)
                m_Trace->Closed();
        }
        m_Link.reset(); // releases the JTAG library
    }
    m_LinkDescription.clear();
}

void TBoard::SetTrace(std::shared_ptr<TTraceRecorder> trace)
{
    std::lock_guard guard(m_Lock);
    m_Trace = std::move(trace);
    if (m_Link)
        m_Link->SetTrace(m_Trace.get());
}

bool TBoard::IsOpen() const { return m_Link && m_Link->IsOpen(); }

bool TBoard::KeepAlive()
{
    std::lock_guard guard(m_Lock);
    bool result = true;
    if (platform::TicksSince(m_LastActivity) > KEEP_ALIVE_IDLE_MS) {
        // After a long pause the link may need a few exchanges to wake up.
        for (int i = 0; i < KEEP_ALIVE_WAKE_PINGS && result; ++i)
            result = Ping();
    } else {
        result = Ping();
    }
    m_LastActivity = platform::TickCount();
    return result;
}

// --- packet transaction ---

bool TBoard::Transact(std::uint8_t command, std::uint8_t* pReturnBuffer, std::uint32_t headerBudgetMs,
    std::uint32_t dwPayloadLen, const std::uint8_t* payload, std::uint32_t replyLen)
{
    std::lock_guard guard(m_Lock);
    const TWaitScope wait(*this);
    const std::uint32_t start = platform::TickCount();
    FlushInput();

    assert(pReturnBuffer);
    assert(dwPayloadLen <= PKT_PC2NIOS_MAX_PL_LEN);
    assert(replyLen <= PKT_PC2NIOS_MAX_PL_LEN);
    // The firmware cannot take a longer request, and no reply is longer; refuse such an
    // exchange in every build, not only where the assertions are compiled in.
    if (!pReturnBuffer || dwPayloadLen > PKT_PC2NIOS_MAX_PL_LEN || replyLen > PKT_PC2NIOS_MAX_PL_LEN
        || (dwPayloadLen > 0 && !payload))
        return Fail(command, TLinkFailure::BadRequest, start);
    if (!m_Link)
        return Fail(command, TLinkFailure::NoLink, start);

    std::vector<std::uint8_t> request(dwPayloadLen + protocol::FRAME_OVERHEAD);
    request[0] = protocol::START_MARKER;
    request[1] = command;
    protocol::PutU32(&request[2], dwPayloadLen);
    if (dwPayloadLen > 0)
        std::memcpy(&request[protocol::HEADER_LEN], payload, dwPayloadLen);
    request[protocol::HEADER_LEN + dwPayloadLen] = protocol::Checksum(&request[1], dwPayloadLen + 5);
    request[protocol::HEADER_LEN + dwPayloadLen + 1] = protocol::END_MARKER;

    if (!m_Link->Write(request.data(), static_cast<std::int32_t>(request.size()))) {
        platform::Beep();
        return Fail(command, TLinkFailure::WriteRefused, start);
    }

    // The firmware answers every request with exactly one reply: its header first, then
    // the rest in one read.
    std::vector<std::uint8_t> reply(replyLen + protocol::FRAME_OVERHEAD);
    if (!ReadExact(reply.data(), protocol::HEADER_LEN, headerBudgetMs)) {
        FlushInput();
        return Fail(command, TLinkFailure::NoReply, start);
    }
    if (reply[0] != protocol::START_MARKER || reply[1] != command) {
        FlushInput();
        return Fail(command, TLinkFailure::WrongReply, start);
    }
    // A reply of another length is left in the link for the next exchange's flush.
    if (protocol::GetU32(&reply[2]) != replyLen)
        return Fail(command, TLinkFailure::WrongLength, start);

    const bool bodyComplete
        = ReadExact(&reply[protocol::HEADER_LEN], static_cast<std::int32_t>(replyLen + 2), protocol::BODY_TIMEOUT_MS);
    const bool frameValid = bodyComplete && reply.front() == protocol::START_MARKER
        && reply.back() == protocol::END_MARKER
        && reply[protocol::HEADER_LEN + replyLen] == protocol::Checksum(&reply[1], replyLen + 5);
    if (!frameValid) {
        platform::Beep();
        return Fail(command, bodyComplete ? TLinkFailure::BadChecksum : TLinkFailure::ShortBody, start);
    }
    if (replyLen > 0)
        std::memcpy(pReturnBuffer, &reply[protocol::HEADER_LEN], replyLen);
    m_LastFailure = TLinkFailure::None;
    return true;
}

bool TBoard::Fail(std::uint8_t command, TLinkFailure cause, std::uint32_t start)
{
    m_LastFailure = cause;
    const TLinkFailureReport report{command, cause, platform::TicksSince(start)};
    if (m_Trace)
        m_Trace->Failed(report);
    if (m_FailureSink)
        m_FailureSink(report);
    return false;
}

int TBoard::FlushInput()
{
    std::lock_guard guard(m_Lock);
    if (!m_Link)
        return 0;
    const std::uint64_t start = m_Trace ? TTraceRecorder::Now() : 0;
    int discarded = 0;
    for (; discarded < FLUSH_MAX_BYTES; ++discarded) {
        std::uint8_t byte;
        if (m_Link->Read(&byte, 1, FLUSH_READ_BUDGET_MS) == 0)
            break;
    }
    if (m_Trace)
        m_Trace->Flushed(discarded, start);
    return discarded;
}

TBoard::TWaitScope::TWaitScope(TBoard& owner)
    : board(owner)
{
    ++board.m_WaitDepth;
}

TBoard::TWaitScope::~TWaitScope()
{
    if (--board.m_WaitDepth == 0 && board.m_WaitShown) {
        board.m_WaitShown = false;
        platform::WaitEnds();
    }
}

bool TBoard::ReadExact(std::uint8_t* dest, std::int32_t count, std::uint32_t budgetMs)
{
    std::lock_guard guard(m_Lock);
    const TWaitScope wait(*this);
    if (count == 0)
        return true;
    if (!m_Link || !dest || count < 0)
        return false;
    const std::uint32_t start = platform::TickCount();
    std::int32_t received = 0;
    // At least one read is always made, and one read may take its own full budget, so
    // a call can last up to the budget plus one read's. Reads last a moment each, so
    // that a long wait is shown as one while it lasts.
    do {
        received += m_Link->Read(dest + received, count - received, std::min(LINK_READ_BUDGET_MS, MOMENT_MS));
        if (received == count)
            return true;
        if (!m_WaitShown) {
            m_WaitShown = true;
            platform::WaitBegins();
        }
    } while (platform::TicksSince(start) <= budgetMs);
    return false;
}
