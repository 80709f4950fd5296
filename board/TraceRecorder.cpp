#include "board/TraceRecorder.h"

#include "board/Crc32.h"
#include "board/Protocol.h"
#include "platform/PrivateFile.h"
#include "platform/Tick.h"

#include <algorithm>

namespace {

// Room kept below the limit for the line that says the transcript was cut.
constexpr std::uint64_t CUT_NOTE_ROOM = 128;
// Where a memory write's data starts in its request frame: header, type, address.
constexpr std::size_t WRITE_DATA_AT = protocol::HEADER_LEN + 5;

constexpr char HEX_DIGITS[] = "0123456789abcdef";

void AppendHex(std::string& line, const std::uint8_t* bytes, std::size_t count)
{
    const std::size_t at = line.size();
    line.resize(at + 2 * count);
    char* out = line.data() + at;
    for (std::size_t i = 0; i < count; ++i) {
        *out++ = HEX_DIGITS[bytes[i] >> 4];
        *out++ = HEX_DIGITS[bytes[i] & 0xF];
    }
}

// `text` as a JSON string: UTF-8 as it is, control characters escaped.
void AppendJsonText(std::string& line, const std::string& text)
{
    line += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            line += escaped;
        } else {
            line += c; // UTF-8 passes as it is
        }
    }
    line += '"';
}

std::string HeaderLine(const trace::THeader& header, const trace::TOptions& options)
{
    std::string line = "{\"vx5h_trace\":" + std::to_string(trace::FORMAT_VERSION) + ",\"program\":";
    AppendJsonText(line, header.program);
    line += ",\"version\":";
    AppendJsonText(line, header.version);
    line += ",\"platform\":";
    AppendJsonText(line, header.platform);
    line += ",\"cable\":";
    AppendJsonText(line, header.cable);
    line += options.keepData ? ",\"data\":\"whole\"" : ",\"data\":\"elided\"";
    line += ",\"limit\":" + std::to_string(options.limitBytes);
    return line;
}

std::uint8_t ByteSum(const std::uint8_t* bytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

} // namespace

TTraceRecorder::TTraceRecorder(std::FILE* file, const trace::THeader& header, const trace::TOptions& options)
    : m_File(file)
    , m_Options(options)
    , m_StartUs(Now())
{
    std::lock_guard guard(m_Lock);
    WriteHeader(header);
}

void TTraceRecorder::Restart(const trace::THeader& header)
{
    std::lock_guard guard(m_Lock);
    m_StartUs = Now();
    m_Scanner = {};
    WriteHeader(header);
}

void TTraceRecorder::WriteHeader(const trace::THeader& header)
{
    m_Line = HeaderLine(header, m_Options);
    End();
}

TTraceRecorder::~TTraceRecorder()
{
    if (m_File)
        std::fclose(m_File);
}

std::unique_ptr<TTraceRecorder> TTraceRecorder::Create(
    const std::string& path, const trace::THeader& header, const trace::TOptions& options, std::string& error)
{
    // Checked before the file is made, so that a refusal leaves it as it was.
    const std::size_t headerBytes = HeaderLine(header, options).size() + 2; // and "}\n"
    if (headerBytes + CUT_NOTE_ROOM > options.limitBytes) {
        error = "its size limit of " + std::to_string(options.limitBytes) + " bytes leaves no room for the header ("
            + std::to_string(headerBytes) + " bytes)";
        return nullptr;
    }
    std::FILE* file = platform::CreatePrivateFile(path, error);
    if (!file)
        return nullptr;
    return std::make_unique<TTraceRecorder>(file, header, options);
}

std::uint64_t TTraceRecorder::Now() { return platform::MonotonicMicroseconds(); }

bool TTraceRecorder::Cut() const
{
    std::lock_guard guard(m_Lock);
    return m_Cut;
}

void TTraceRecorder::Opened(
    bool ok, const std::string& description, std::int32_t errorCode, const std::string& reason, std::uint64_t startUs)
{
    std::lock_guard guard(m_Lock);
    Begin("open", startUs);
    m_Line += ok ? ",\"ok\":true,\"cable\":" : ",\"ok\":false,\"error\":" + std::to_string(errorCode) + ",\"reason\":";
    AppendText(ok ? description : reason);
    End();
}

void TTraceRecorder::Closed()
{
    std::lock_guard guard(m_Lock);
    Begin("close", Now());
    End();
}

void TTraceRecorder::Wrote(const std::uint8_t* bytes, std::int32_t count, bool accepted, std::uint64_t startUs)
{
    std::lock_guard guard(m_Lock);
    const auto length = static_cast<std::size_t>(std::max(count, 0));
    // The board writes one whole frame at a time; a memory write's data lies between its
    // address and its checksum.
    std::size_t gapLen = 0;
    if (!m_Options.keepData && length > WRITE_DATA_AT + 2 && bytes[0] == protocol::START_MARKER
        && bytes[1] == protocol::CMD_MEMORY_WRITE && protocol::GetU32(bytes + 2) + protocol::FRAME_OVERHEAD == length
        && length - WRITE_DATA_AT - 2 > trace::KEPT_PAYLOAD_MAX)
        gapLen = length - WRITE_DATA_AT - 2;
    if (length >= protocol::HEADER_LEN && bytes[0] == protocol::START_MARKER
        && bytes[1] == protocol::CMD_MEMORY_READ)
        m_Scanner.Arm();
    Begin("w", startUs);
    m_Line += accepted ? ",\"ok\":true" : ",\"ok\":false";
    m_Line += ",\"hex\":";
    AppendBytes(bytes, length, WRITE_DATA_AT, gapLen);
    End();
}

void TTraceRecorder::Read(const std::uint8_t* bytes, std::int32_t got, std::int32_t wanted, std::uint64_t startUs)
{
    if (got <= 0)
        return;
    std::lock_guard guard(m_Lock);
    const auto count = static_cast<std::size_t>(got);
    std::size_t before = count, data = 0;
    if (!m_Options.keepData)
        m_Scanner.Next(bytes, count, before, data);
    Begin("r", startUs);
    m_Line += ",\"want\":" + std::to_string(wanted) + ",\"hex\":";
    AppendBytes(bytes, count, before, data);
    End();
}

void TTraceRecorder::Flushed(int discarded, std::uint64_t startUs)
{
    std::lock_guard guard(m_Lock);
    Begin("flush", startUs);
    m_Line += ",\"n\":" + std::to_string(discarded);
    End();
}

void TTraceRecorder::Failed(const TLinkFailureReport& report)
{
    std::lock_guard guard(m_Lock);
    Begin("fail", Now());
    m_Line += ",\"cmd\":" + std::to_string(report.command) + ",\"cause\":\"" + LinkFailureKey(report.cause)
        + "\",\"ms\":" + std::to_string(report.elapsedMs);
    End();
}

void TTraceRecorder::Configured(const std::string& image, bool ok, const std::string& reason, std::uint64_t startUs)
{
    std::lock_guard guard(m_Lock);
    Begin("configure", startUs);
    m_Line += ",\"image\":";
    AppendText(image);
    m_Line += ok ? ",\"ok\":true" : ",\"ok\":false,\"reason\":";
    if (!ok)
        AppendText(reason);
    End();
}

// --- the line ---------------------------------------------------------------------------

void TTraceRecorder::Begin(const char* event, std::uint64_t startUs)
{
    const std::uint64_t now = Now();
    const std::uint64_t t = startUs >= m_StartUs ? startUs - m_StartUs : 0;
    m_Line.clear();
    m_Line += "{\"t\":" + std::to_string(t) + ",\"ev\":\"" + event + "\"";
    if (now > startUs)
        m_Line += ",\"us\":" + std::to_string(now - startUs);
}

// `bytes` as one hex text, or, with a gap of left-out bytes, as an array: the hex before
// it, the gap's length, CRC-32 and byte sum, the hex after it. The sum lets a replay make
// up bytes that keep the frame's checksum as right or as wrong as it was.
void TTraceRecorder::AppendBytes(const std::uint8_t* bytes, std::size_t count, std::size_t gapAt, std::size_t gapLen)
{
    if (gapLen == 0) {
        m_Line += '"';
        AppendHex(m_Line, bytes, count);
        m_Line += '"';
        return;
    }
    const std::uint32_t crc = crc32::Of(bytes + gapAt, gapLen);
    const std::uint8_t crcBytes[4] = {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8),
        std::uint8_t(crc)};
    m_Line += "[\"";
    AppendHex(m_Line, bytes, gapAt);
    m_Line += "\",{\"n\":" + std::to_string(gapLen) + ",\"crc32\":\"";
    AppendHex(m_Line, crcBytes, sizeof crcBytes);
    m_Line += "\",\"sum\":" + std::to_string(ByteSum(bytes + gapAt, gapLen)) + "},\"";
    AppendHex(m_Line, bytes + gapAt + gapLen, count - gapAt - gapLen);
    m_Line += "\"]";
}

void TTraceRecorder::AppendText(const std::string& text) { AppendJsonText(m_Line, text); }

void TTraceRecorder::End()
{
    m_Line += "}\n";
    if (!m_File || m_Cut)
        return;
    // Every line keeps the limit, the header too. A file without its header would be no
    // transcript at all, so a header that does not fit leaves the file empty (Create
    // refuses such a limit).
    if (m_Written + m_Line.size() + CUT_NOTE_ROOM > m_Options.limitBytes) {
        m_Cut = true;
        if (m_Written == 0)
            return;
        m_Line = "{\"t\":" + std::to_string(Now() - m_StartUs) + ",\"ev\":\"cut\",\"limit\":"
            + std::to_string(m_Options.limitBytes) + "}\n";
    }
    m_Written += m_Line.size();
    std::fwrite(m_Line.data(), 1, m_Line.size(), m_File);
    std::fflush(m_File);
}

// --- memory data in the bytes read --------------------------------------------------------

void TTraceRecorder::TReplyScanner::Next(
    const std::uint8_t* bytes, std::size_t count, std::size_t& before, std::size_t& data)
{
    before = 0;
    data = 0;
    while (before < count) {
        if (m_State == TState::Data) {
            data = std::min<std::size_t>(m_DataLeft, count - before);
            m_DataLeft -= static_cast<std::uint32_t>(data);
            if (m_DataLeft == 0) {
                // One reply's data at a time: what follows it in the chunk stays.
                m_State = TState::Search;
                m_Armed = false;
            }
            return;
        }
        const std::uint8_t b = bytes[before++];
        if (!m_Armed)
            continue;
        switch (m_State) {
        case TState::Search:
            if (b == protocol::START_MARKER) {
                m_Header[0] = b;
                m_HeaderLen = 1;
                m_State = TState::Header;
            }
            break;
        case TState::Header:
            m_Header[m_HeaderLen++] = b;
            if (m_HeaderLen == 2 && b != protocol::CMD_MEMORY_READ) {
                m_State = b == protocol::START_MARKER ? TState::Header : TState::Search;
                m_HeaderLen = b == protocol::START_MARKER ? 1 : 0;
            } else if (m_HeaderLen == protocol::HEADER_LEN) {
                const std::uint32_t length = protocol::GetU32(m_Header + 2);
                const bool large = length > trace::KEPT_PAYLOAD_MAX + 1 && length <= protocol::PKT_PC2NIOS_MAX_PL_LEN;
                m_State = large ? TState::Status : TState::Search;
                m_DataLeft = large ? length - 1 : 0;
                if (!large && length >= 1 && length <= protocol::PKT_PC2NIOS_MAX_PL_LEN)
                    m_Armed = false; // a short read: nothing to leave out
            }
            break;
        case TState::Status:
            m_State = TState::Data;
            break;
        case TState::Data:
            break;
        }
    }
}
