#include "board/Jtagport.h"

#include "board/TraceRecorder.h"
#include "platform/DynamicLibrary.h"
#include "platform/ForeignCall.h"
#include "platform/Hooks.h"
#include "platform/LibraryKind.h"
#include "platform/Tick.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// How much of `text` is left once a UTF-8 character cut at its end is taken off.
std::size_t WholeCharacters(const std::string& text)
{
    std::size_t start = text.size();
    while (start > 0 && text.size() - start < 3 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return text.size();
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return needed > text.size() - start + 1 ? start - 1 : text.size();
}

} // namespace

TJtagPort::TJtagPort(std::int32_t cableIndex, std::string cableName)
    : m_CableIndex(cableIndex)
    , m_CableName(std::move(cableName))
{
    Load();
}

TJtagPort::~TJtagPort()
{
    // The owner closes the link first; closing here as well keeps a forgotten link from
    // outliving the library that holds it.
    Close();
}

void TJtagPort::Load()
{
    auto library = platform::LoadOrShowError(jtagapi::LIBRARY_NAME);
    if (!library)
        return;
    m_Open = library->ResolveAs<QELVANO_JtagOpen_t>(jtagapi::OPEN_NAME);
    m_Close = library->ResolveAs<QELVANO_JtagClose_t>(jtagapi::CLOSE_NAME);
    m_Write = library->ResolveAs<QELVANO_JtagWrite_t>(jtagapi::WRITE_NAME);
    m_Read = library->ResolveAs<QELVANO_JtagRead_t>(jtagapi::READ_NAME);
    m_GetInfo = library->ResolveAs<QELVANO_JtagGetInfo_t>(jtagapi::GET_INFO_NAME);
    if (!m_Open || !m_Close || !m_Write || !m_Read || !m_GetInfo) {
        m_Open = nullptr;
        m_Close = nullptr;
        m_Write = nullptr;
        m_Read = nullptr;
        m_GetInfo = nullptr;
        platform::ShowErrorDialog("fail to find some API");
        return; // `library` goes out of scope and is released
    }
    // Only our own library tells why an open failed; the board maker's lacks the name.
    m_LastError = library->ResolveAs<QELVANO_JtagLastError_t>(jtagapi::LAST_ERROR_NAME);
    m_Library = std::move(library);
}

bool TJtagPort::Open()
{
    if (!m_Library || !m_Open)
        return false;
    Close();
    // The current folder is the process's, shared by every thread of whoever loaded us:
    // it stays as it is. Our library loads the vendor's by full path; the board maker's
    // looks for the tools' helpers in the current folder, which the window alone, a
    // program of its own, makes the tools' folder around its connect.
    m_Link = platform::CallForeign(m_Open, m_CableIndex, m_CableName.c_str());
    return m_Link != 0;
}

void TJtagPort::Close()
{
    if (m_Link == 0)
        return;
    if (m_Close)
        platform::CallForeign(m_Close, m_Link);
    m_Link = 0;
}

bool TJtagPort::IsOpen() const { return m_Library && m_Link != 0; }

bool TJtagPort::Write(const std::uint8_t* bytes, std::int32_t count)
{
    if (m_Link == 0 || !m_Write)
        return false;
    if (!m_Trace)
        return platform::CallForeign(m_Write, m_Link, bytes, count) != 0;
    const std::uint64_t start = TTraceRecorder::Now();
    const bool accepted = platform::CallForeign(m_Write, m_Link, bytes, count) != 0;
    m_Trace->Wrote(bytes, count, accepted, start);
    return accepted;
}

std::int32_t TJtagPort::Read(std::uint8_t* dest, std::int32_t count, std::uint32_t budgetMs)
{
    if (m_Link == 0 || !m_Read || !dest || count <= 0 || budgetMs == 0)
        return 0;
    const std::uint64_t traceStart = m_Trace ? TTraceRecorder::Now() : 0;
    const std::uint32_t start = platform::TickCount();
    std::int32_t received = 0;
    do {
        const std::int32_t missing = count - received;
        const std::int32_t got = platform::CallForeign(m_Read, m_Link, dest + received, missing);
        // A library that claims more than it was asked for must not move us past the end.
        received += std::clamp(got, 0, missing);
    } while (received < count && platform::TicksSince(start) < budgetMs);
    if (m_Trace)
        m_Trace->Read(dest, received, count, traceStart);
    return received;
}

bool TJtagPort::GetInfo(std::uint8_t* record)
{
    if (!m_Library || m_Link == 0 || !m_GetInfo || !record)
        return false;
    return platform::CallForeign(m_GetInfo, m_Link, record) != 0;
}

std::int32_t TJtagPort::LastError(std::string& text) const
{
    text.clear();
    if (!m_Library || !m_LastError)
        return jtagapi::JTAG_ERROR_NONE;
    char buffer[512] = {};
    const std::int32_t code = platform::CallForeign(m_LastError, buffer, std::int32_t(sizeof buffer));
    buffer[sizeof buffer - 1] = '\0';
    text = buffer;
    return code;
}

std::string TJtagPort::DescriptionOf(const std::uint8_t* record, const std::string& asked)
{
    const char* text = reinterpret_cast<const char*>(record + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET);
    const std::size_t room = jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET;
    const void* nul = std::memchr(text, 0, room);
    const std::size_t length = nul ? static_cast<const char*>(nul) - text : room;
    std::string description(text, length);
    // Within one character of full (a UTF-8 character takes up to 4 bytes): maybe cut.
    if (length + 4 <= room)
        return description;
    if (asked.size() > length && asked.compare(0, length, description) == 0)
        return asked;
    description.resize(WholeCharacters(description));
    return description;
}
