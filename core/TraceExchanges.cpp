#include "core/TraceExchanges.h"

#include "board/Protocol.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace trace {
namespace {

using protocol::FRAME_OVERHEAD;
using protocol::HEADER_LEN;

// The bytes read after one request, with when each read ended.
struct TReplyStream {
    std::vector<std::uint8_t> bytes;
    std::vector<std::pair<std::size_t, std::uint64_t>> reads; // bytes so far, end time
    std::vector<std::pair<std::size_t, std::size_t>> gaps;    // left-out stretches: at, length

    void Add(const TEvent& read)
    {
        for (const TGap& gap : read.data.gaps)
            gaps.emplace_back(bytes.size() + gap.at, gap.length);
        bytes.insert(bytes.end(), read.data.bytes.begin(), read.data.bytes.end());
        reads.emplace_back(bytes.size(), read.End());
    }
    // When the first `count` bytes had come.
    std::uint64_t TimeOf(std::size_t count) const
    {
        for (const auto& [sofar, end] : reads)
            if (sofar >= count)
                return end;
        return reads.empty() ? 0 : reads.back().second;
    }
    bool Elided(std::size_t from, std::size_t to) const
    {
        return std::any_of(gaps.begin(), gaps.end(), [&](const auto& g) { return g.first < to && g.first + g.second > from; });
    }
};

TExchange Request(const TEvent& write)
{
    TExchange exchange;
    exchange.line = write.line;
    exchange.t = write.t;
    exchange.end = write.End();
    exchange.written = write.ok;
    const auto& bytes = write.data.bytes;
    if (bytes.size() >= FRAME_OVERHEAD && bytes[0] == protocol::START_MARKER
        && protocol::GetU32(&bytes[2]) == bytes.size() - FRAME_OVERHEAD) {
        exchange.isFrame = true;
        exchange.command = bytes[1];
        exchange.request.assign(bytes.begin() + HEADER_LEN, bytes.end() - 2);
        exchange.requestElided = !write.data.gaps.empty();
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
    const auto& bytes = stream.bytes;
    exchange.replyBytes = bytes.size();
    if (!stream.reads.empty())
        exchange.end = std::max(exchange.end, stream.reads.back().second);
    if (bytes.empty())
        return;
    const auto start = static_cast<std::size_t>(
        std::find(bytes.begin(), bytes.end(), protocol::START_MARKER) - bytes.begin());
    if (start > 0)
        exchange.marks.push_back("garbage before the header: " + std::to_string(start) + " byte(s)");
    if (bytes.size() - start < HEADER_LEN) {
        exchange.marks.push_back(start == bytes.size() ? "no header" : "short reply: the header cut short");
        return;
    }
    const std::uint8_t* frame = bytes.data() + start;
    const std::uint32_t length = protocol::GetU32(frame + 2);
    if (frame[1] != exchange.command)
        exchange.marks.push_back("a reply to another command (code " + std::to_string(frame[1]) + ")");
    if (length > protocol::PKT_PC2NIOS_MAX_PL_LEN) {
        exchange.marks.push_back("a length no reply has (" + std::to_string(length) + ")");
        return;
    }
    const std::size_t whole = length + FRAME_OVERHEAD;
    if (bytes.size() - start < whole) {
        exchange.marks.push_back(
            "short reply: " + std::to_string(bytes.size() - start) + " of " + std::to_string(whole) + " bytes");
        return;
    }
    const bool sumRight = frame[HEADER_LEN + length] == protocol::Checksum(frame + 1, length + 5);
    if (!sumRight)
        exchange.marks.push_back("bad checksum (" + Hex2(frame[HEADER_LEN + length]) + ")");
    if (frame[whole - 1] != protocol::END_MARKER)
        exchange.marks.push_back("bad end marker (" + Hex2(frame[whole - 1]) + ")");
    if (bytes.size() - start > whole)
        exchange.marks.push_back(std::to_string(bytes.size() - start - whole) + " byte(s) after the reply");
    if (sumRight && frame[whole - 1] == protocol::END_MARKER && frame[1] == exchange.command) {
        exchange.replied = true;
        exchange.reply.assign(frame + HEADER_LEN, frame + HEADER_LEN + length);
        exchange.replyElided = stream.Elided(start + HEADER_LEN, start + HEADER_LEN + length);
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
