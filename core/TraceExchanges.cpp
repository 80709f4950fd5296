#include "core/TraceExchanges.h"

#include "board/Protocol.h"
#include "core/Counted.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace trace {
namespace {

using protocol::FRAME_OVERHEAD;
using protocol::HEADER_LEN;

// The bytes read after one request, with when each read ended: the reads themselves,
// not a copy, since what they stand for may be far more than what the file holds.
class TReplyStream {
public:
    void Add(const TEvent& read)
    {
        m_Reads.push_back({&read.data, m_Size, read.End()});
        m_Size += read.data.Size();
    }
    std::size_t Size() const { return m_Size; }
    bool Empty() const { return m_Reads.empty(); }
    std::uint64_t LastEnd() const { return m_Reads.empty() ? 0 : m_Reads.back().end; }
    // When the first `count` bytes had come.
    std::uint64_t TimeOf(std::size_t count) const
    {
        for (const TRead& read : m_Reads)
            if (read.at + read.bytes->Size() >= count)
                return read.end;
        return LastEnd();
    }
    std::size_t Find(std::uint8_t value) const
    {
        for (const TRead& read : m_Reads)
            if (const std::size_t found = read.bytes->Find(value); found < read.bytes->Size())
                return read.at + found;
        return m_Size;
    }
    void Copy(std::size_t from, std::size_t count, std::uint8_t* out) const
    {
        for (const TRead& read : m_Reads)
            ForOverlap(read, from, from + count, [&](std::size_t begin, std::size_t end) {
                read.bytes->Copy(begin, end - begin, out + (read.at + begin - from));
                return false;
            });
    }
    bool LeftOut(std::size_t from, std::size_t to) const
    {
        return std::any_of(m_Reads.begin(), m_Reads.end(), [&](const TRead& read) {
            return ForOverlap(
                read, from, to, [&](std::size_t begin, std::size_t end) { return read.bytes->LeftOut(begin, end); });
        });
    }

private:
    struct TRead {
        const TBytes* bytes;
        std::size_t at; // where its bytes start in the stream
        std::uint64_t end;
    };
    // `body` on the part of [from, to) that lies in `read`, in the read's own positions.
    template<typename Body> static bool ForOverlap(const TRead& read, std::size_t from, std::size_t to, Body body)
    {
        const std::size_t begin = std::max(from, read.at), end = std::min(to, read.at + read.bytes->Size());
        return begin < end && body(begin - read.at, end - read.at);
    }

    std::vector<TRead> m_Reads;
    std::size_t m_Size = 0;
};

std::vector<std::uint8_t> Head(const std::uint8_t* payload, std::size_t length)
{
    return {payload, payload + std::min(length, PAYLOAD_HEAD)};
}

TExchange Request(const TEvent& write)
{
    TExchange exchange;
    exchange.line = write.line;
    exchange.t = write.t;
    exchange.end = write.End();
    exchange.written = write.ok;
    const TBytes& bytes = write.data;
    std::uint8_t header[HEADER_LEN + PAYLOAD_HEAD];
    if (bytes.Size() < FRAME_OVERHEAD)
        return exchange;
    const std::size_t length = bytes.Size() - FRAME_OVERHEAD;
    const std::size_t head = std::min(length, PAYLOAD_HEAD);
    bytes.Copy(0, HEADER_LEN + head, header);
    if (header[0] == protocol::START_MARKER && protocol::GetU32(&header[2]) == length) {
        exchange.isFrame = true;
        exchange.command = header[1];
        exchange.request = Head(header + HEADER_LEN, head);
        exchange.requestLength = length;
        exchange.requestElided = !bytes.gaps.empty();
    }
    return exchange;
}

std::string Hex2(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

// The reply frame in what came after the request, and what broke it.
void Reply(TExchange& exchange, const TReplyStream& stream)
{
    exchange.replyBytes = stream.Size();
    if (!stream.Empty())
        exchange.end = std::max(exchange.end, stream.LastEnd());
    if (stream.Size() == 0)
        return;
    const std::size_t start = stream.Find(protocol::START_MARKER);
    const std::size_t after = stream.Size() - start; // the bytes from the marker on
    if (start > 0)
        exchange.marks.push_back("garbage before the header: " + text::Counted(start, "byte"));
    if (after < HEADER_LEN) {
        exchange.marks.push_back(after == 0 ? "no header" : "short reply: the header cut short");
        return;
    }
    std::uint8_t header[HEADER_LEN];
    stream.Copy(start, HEADER_LEN, header);
    const std::uint32_t length = protocol::GetU32(header + 2);
    if (header[1] != exchange.command)
        exchange.marks.push_back("a reply to another command (code " + std::to_string(header[1]) + ")");
    if (length > protocol::PKT_PC2NIOS_MAX_PL_LEN) {
        exchange.marks.push_back("a length no reply has (" + std::to_string(length) + ")");
        return;
    }
    const std::size_t whole = length + FRAME_OVERHEAD;
    if (after < whole) {
        exchange.marks.push_back("short reply: " + std::to_string(after) + " of " + text::Counted(whole, "byte"));
        return;
    }
    // One frame at most: the length is bounded above, whatever the stream stands for.
    std::vector<std::uint8_t> frame(whole);
    stream.Copy(start, whole, frame.data());
    const bool sumRight = frame[HEADER_LEN + length] == protocol::Checksum(&frame[1], length + 5);
    if (!sumRight)
        exchange.marks.push_back("bad checksum (" + Hex2(frame[HEADER_LEN + length]) + ")");
    if (frame[whole - 1] != protocol::END_MARKER)
        exchange.marks.push_back("bad end marker (" + Hex2(frame[whole - 1]) + ")");
    if (after > whole)
        exchange.marks.push_back(text::Counted(after - whole, "byte") + " after the reply");
    if (sumRight && frame[whole - 1] == protocol::END_MARKER && frame[1] == exchange.command) {
        exchange.replied = true;
        exchange.reply = Head(&frame[HEADER_LEN], length);
        exchange.replyLength = length;
        exchange.replyElided = stream.LeftOut(start + HEADER_LEN, start + HEADER_LEN + length);
        exchange.end = stream.TimeOf(start + whole);
    }
}

class TDecoder {
public:
    std::vector<TItem> Run(const TTranscript& transcript)
    {
        for (const TEvent& event : transcript.events)
            Take(event);
        Finish();
        return std::move(m_Items);
    }

private:
    void Take(const TEvent& event)
    {
        switch (event.kind) {
        case TEventKind::Write:
            Finish();
            m_Current = Request(event);
            break;
        case TEventKind::Read:
            m_Stream.Add(event);
            break;
        case TEventKind::Fail:
            // The program gives up an exchange after its reads, before its next request.
            if (m_Current && m_Current->failure.empty() && m_Current->command == event.number) {
                m_Current->failure = event.text;
                m_FailedAt = event.t;
            } else {
                Finish();
                m_Items.push_back({&event, {}});
            }
            break;
        case TEventKind::Flush:
            break;
        default:
            Finish();
            m_Items.push_back({&event, {}});
            break;
        }
    }

    void Finish()
    {
        if (m_Current) {
            Reply(*m_Current, m_Stream);
            // The program's verdict stands: a frame found behind garbage it gave up on
            // was no reply to it.
            if (m_FailedAt) {
                m_Current->replied = false;
                m_Current->end = std::max(m_Current->end, *m_FailedAt);
            }
            m_Items.push_back({nullptr, std::move(*m_Current)});
        }
        m_Current.reset();
        m_FailedAt.reset();
        m_Stream = {};
    }

    std::vector<TItem> m_Items;
    std::optional<TExchange> m_Current;
    std::optional<std::uint64_t> m_FailedAt;
    TReplyStream m_Stream;
};

} // namespace

std::vector<TItem> ReadExchanges(const TTranscript& transcript) { return TDecoder().Run(transcript); }

} // namespace trace
