#include "core/selftest/MemoryTests.h"

#include "core/MemoryGeometry.h"
#include "core/Counted.h"

#include <algorithm>
#include <map>

namespace selftest {

namespace {

constexpr int DATA_LINES = 16;
constexpr std::uint32_t CHUNK_WORDS = 32 * 1024; // one step of the device tests: 64 KB
constexpr std::uint32_t SAMPLE_BLOCK_WORDS = 8 * 1024;
constexpr std::uint32_t SAMPLE_BLOCKS = 16;      // 256 KB of each RAM by default

using Words = std::vector<std::uint16_t>;

Access ReadWords(TContext& ctx, const TMemory& m, std::uint32_t word, Words& words)
{
    std::vector<std::uint8_t> bytes(words.size() * 2);
    const Access access
        = ctx.board.MemoryRead(m.type, word * 2, static_cast<std::uint32_t>(bytes.size()), bytes.data());
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return access;
}

Access WriteWords(TContext& ctx, const TMemory& m, std::uint32_t word, const Words& words)
{
    std::vector<std::uint8_t> bytes(words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return ctx.board.MemoryWrite(m.type, word * 2, static_cast<std::uint32_t>(bytes.size()), bytes.data());
}

int HexDigits(std::uint32_t words)
{
    int digits = 1;
    for (std::uint32_t last = words - 1; last >= 16; last >>= 4)
        ++digits;
    return digits;
}

std::string WordAddress(const TMemory& m, std::uint32_t word)
{
    return Format("word 0x%0*X", HexDigits(m.Words()), word);
}

std::string LineList(std::uint16_t lines)
{
    std::vector<std::string> names;
    for (int i = 0; i < DATA_LINES; ++i)
        if (lines & (1u << i))
            names.push_back(std::to_string(i));
    return JoinList(names);
}

// Spreads the bits of `value` over the set bits of `mask`, lowest first: signatures that
// differ on the data lines that work.
std::uint16_t Deposit(std::uint32_t value, std::uint16_t mask)
{
    std::uint16_t out = 0;
    for (int bit = 0; bit < DATA_LINES; ++bit) {
        if (!(mask & (1u << bit)))
            continue;
        if (value & 1u)
            out = static_cast<std::uint16_t>(out | (1u << bit));
        value >>= 1;
    }
    return out;
}

int PopCount(std::uint32_t v)
{
    int n = 0;
    for (; v; v &= v - 1)
        ++n;
    return n;
}

// The first word of a range that differs from what was written, on the lines checked.
struct TMismatch {
    std::uint32_t word = 0;
    std::uint16_t expected = 0, read = 0;
    std::uint32_t count = 0; // bad words in the whole comparison
};

void Compare(const Words& expected, const Words& read, std::uint32_t firstWord, std::uint16_t mask,
    std::optional<TMismatch>& mismatch)
{
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (((expected[i] ^ read[i]) & mask) == 0)
            continue;
        if (!mismatch)
            mismatch = TMismatch{firstWord + static_cast<std::uint32_t>(i), expected[i], read[i], 0};
        ++mismatch->count;
    }
}

// Word ranges the device tests cover: the whole memory, or evenly spread sample blocks
// that include the first and the last.
struct TRange {
    std::uint32_t word, count;
};

std::vector<TRange> RangesOf(std::uint32_t words, bool full, std::uint32_t sampleWords, std::uint32_t samples)
{
    std::vector<TRange> ranges;
    if (full || words <= sampleWords * samples) {
        for (std::uint32_t at = 0; at < words; at += CHUNK_WORDS)
            ranges.push_back({at, std::min(CHUNK_WORDS, words - at)});
        return ranges;
    }
    const std::uint32_t room = words / sampleWords - 1; // index of the last whole block
    for (std::uint32_t i = 0; i < samples; ++i)
        ranges.push_back(
            {static_cast<std::uint32_t>(std::uint64_t{room} * i / (samples - 1)) * sampleWords, sampleWords});
    return ranges;
}

std::uint16_t Incrementing(std::uint32_t word)
{
    // The high part of the address enters too, so that blocks 64K words apart differ.
    return static_cast<std::uint16_t>(word + 1 + (word >> 16));
}

Words PatternFor(const TRange& range, bool inverse)
{
    Words words(range.count);
    for (std::uint32_t i = 0; i < range.count; ++i) {
        const std::uint16_t v = Incrementing(range.word + i);
        words[i] = inverse ? static_cast<std::uint16_t>(~v) : v;
    }
    return words;
}

std::string MaskNote(std::uint16_t mask)
{
    if (mask == 0xFFFF)
        return {};
    const auto bad = static_cast<std::uint16_t>(~mask);
    return std::string(PopCount(bad) == 1 ? "data line " : "data lines ") + LineList(bad)
        + " not checked (see the data-bus test)";
}

using PatternFn = std::function<Words(const TRange&)>;

// Writes `pattern` over the ranges (unless `write` is false: the memory should hold it
// already), then reads them back; the first difference if any.
std::optional<TVerdict> FillAndVerify(TContext& ctx, const TMemory& m, const std::vector<TRange>& ranges,
    const PatternFn& pattern, const char* what, double from, double span, bool write = true)
{
    const std::uint16_t mask = ctx.goodDataLines[m.type];
    const double steps = (write ? 2.0 : 1.0) * static_cast<double>(ranges.size());
    double done = 0;
    for (std::size_t i = 0; write && i < ranges.size(); ++i) {
        if (ctx.Stopped())
            return Skip("stopped");
        if (auto problem = ctx.Problem(WriteWords(ctx, m, ranges[i].word, pattern(ranges[i])), "writing " + m.name))
            return problem;
        ctx.Progress(from + span * ++done / steps);
    }
    std::optional<TMismatch> mismatch;
    for (const TRange& range : ranges) {
        if (ctx.Stopped())
            return Skip("stopped");
        Words read(range.count);
        if (auto problem = ctx.Problem(ReadWords(ctx, m, range.word, read), "reading " + m.name))
            return problem;
        Compare(pattern(range), read, range.word, mask, mismatch);
        ctx.Progress(from + span * ++done / steps);
    }
    if (!mismatch)
        return std::nullopt;
    std::vector<std::string> details
        = {Format("%u bad words with the %s pattern", static_cast<unsigned>(mismatch->count), what)};
    if (!MaskNote(mask).empty())
        details.push_back(MaskNote(mask));
    return Fail(Format("%s %s: expected 0x%04X, read 0x%04X", m.name.c_str(), WordAddress(m, mismatch->word).c_str(),
                    mismatch->expected, mismatch->read),
        details);
}

std::string Coverage(const TMemory& m, const std::vector<TRange>& ranges)
{
    std::uint64_t words = 0;
    for (const TRange& r : ranges)
        words += r.count;
    if (words == m.Words())
        return Format("all %u words", static_cast<unsigned>(m.Words()));
    return Format("%s, %u of %u words (--full: every word)", text::Counted(ranges.size(), "block").c_str(),
        static_cast<unsigned>(words), static_cast<unsigned>(m.Words()));
}

// Passes with `passed`, or fails naming every finding after the memory's name.
TVerdict Verdict(const TMemory& m, const std::vector<std::string>& findings, const std::string& passed)
{
    if (findings.empty())
        return Pass(passed);
    std::string message = m.name + " " + findings[0];
    for (std::size_t i = 1; i < findings.size(); ++i)
        message += "; " + findings[i];
    return Fail(message);
}

} // namespace

int TMemory::AddressLines() const
{
    int lines = 0;
    while (lines < 31 && (std::uint64_t{1} << lines) < Words())
        ++lines;
    return lines;
}

TMemory MemoryOf(std::uint8_t type)
{
    return {type, memory::MemoryTypeName(type), memory::TMemoryGeometry().SizeBytes(type)};
}

TVerdict DataBusTest(TContext& ctx, const TMemory& m)
{
    Words patterns;
    for (int i = 0; i < DATA_LINES; ++i)
        patterns.push_back(static_cast<std::uint16_t>(1u << i));
    patterns.push_back(0x0000);
    patterns.push_back(0xFFFF);

    std::uint16_t neverOne = 0xFFFF, neverZero = 0xFFFF, wrong = 0;
    std::map<int, std::pair<std::uint16_t, std::uint16_t>> firstWrong; // line: written, read
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        Words read(1);
        if (auto problem = ctx.Problem(WriteWords(ctx, m, 0, {patterns[i]}), "writing " + m.name))
            return *problem;
        if (auto problem = ctx.Problem(ReadWords(ctx, m, 0, read), "reading " + m.name))
            return *problem;
        neverOne = static_cast<std::uint16_t>(neverOne & ~read[0]);
        neverZero = static_cast<std::uint16_t>(neverZero & read[0]);
        const auto diff = static_cast<std::uint16_t>(patterns[i] ^ read[0]);
        wrong = static_cast<std::uint16_t>(wrong | diff);
        for (int line = 0; line < DATA_LINES; ++line)
            if (diff & (1u << line))
                firstWrong.emplace(line, std::make_pair(patterns[i], read[0]));
        ctx.Progress(static_cast<double>(i + 1) / static_cast<double>(patterns.size()));
    }
    std::vector<std::string> findings;
    for (int line = 0; line < DATA_LINES; ++line) {
        if (!(wrong & (1u << line)))
            continue;
        if (neverOne & (1u << line))
            findings.push_back(Format("data line %d stuck at 0", line));
        else if (neverZero & (1u << line))
            findings.push_back(Format("data line %d stuck at 1", line));
        else
            findings.push_back(Format("data line %d faulty (wrote 0x%04X, read 0x%04X)", line, firstWrong[line].first,
                firstWrong[line].second));
    }
    ctx.goodDataLines[m.type] = static_cast<std::uint16_t>(~wrong);
    return Verdict(m, findings, Format("%d data lines", DATA_LINES));
}

namespace {

// The address-bus test's probes at word 0 (slot 0) and at 2^k (slot k + 1).
class TAddressProbe {
public:
    TAddressProbe(TContext& ctx, const TMemory& m)
        : m_Ctx(ctx)
        , m_Memory(m)
        , m_Mask(ctx.goodDataLines[m.type])
    { }

    std::uint16_t Mask() const { return m_Mask; }
    std::uint16_t Signature(std::uint32_t slot) const { return Deposit(slot + 1, m_Mask); }

    std::optional<TVerdict> Write(std::uint32_t word, std::uint16_t value)
    {
        return m_Ctx.Problem(WriteWords(m_Ctx, m_Memory, word, {value}), "writing " + m_Memory.name);
    }
    std::optional<TVerdict> Read(std::uint32_t word, std::uint16_t& value)
    {
        Words read(1);
        auto problem = m_Ctx.Problem(ReadWords(m_Ctx, m_Memory, word, read), "reading " + m_Memory.name);
        value = static_cast<std::uint16_t>(read[0] & m_Mask);
        return problem;
    }
    // Whether two words are different cells.
    std::optional<TVerdict> Distinct(std::uint32_t a, std::uint32_t b, bool& distinct)
    {
        std::uint16_t value = 0;
        if (auto p = Write(a, Signature(0)))
            return p;
        if (auto p = Write(b, Signature(1)))
            return p;
        auto p = Read(a, value);
        distinct = value == Signature(0);
        return p;
    }

private:
    TContext& m_Ctx;
    const TMemory& m_Memory;
    std::uint16_t m_Mask;
};

std::uint32_t SlotWord(std::uint32_t slot) { return slot == 0 ? 0 : std::uint32_t{1} << (slot - 1); }

} // namespace

TVerdict AddressBusTest(TContext& ctx, const TMemory& m)
{
    const int lines = m.AddressLines();
    const auto slots = static_cast<std::uint32_t>(lines + 1);
    TAddressProbe probe(ctx, m);
    if ((std::uint32_t{1} << PopCount(probe.Mask())) <= slots)
        return Skip("too few working data lines to tell the addresses apart (see the data-bus test)");

    // Every probe word gets its own signature; a word that reads another's signature is
    // the same cell as the word written later.
    for (std::uint32_t s = 0; s < slots; ++s)
        if (auto p = probe.Write(SlotWord(s), probe.Signature(s)))
            return *p;
    std::map<std::uint32_t, std::vector<std::uint32_t>> cells; // last writer: slots reading it
    for (std::uint32_t s = 0; s < slots; ++s) {
        std::uint16_t value = 0;
        if (auto p = probe.Read(SlotWord(s), value))
            return *p;
        std::uint32_t writer = 0;
        while (writer < slots && probe.Signature(writer) != value)
            ++writer;
        if (writer == slots)
            return Fail(Format("%s %s reads 0x%04X, expected 0x%04X", m.name.c_str(),
                WordAddress(m, SlotWord(s)).c_str(), value, probe.Signature(s)));
        cells[writer].push_back(s);
        ctx.Progress(0.5 * (s + 1) / slots);
    }

    std::vector<std::string> findings;
    std::vector<int> aliasOfZero; // lines whose word is the same cell as word 0
    for (const auto& [writer, members] : cells) {
        if (members.size() < 2)
            continue;
        std::vector<std::string> names;
        for (std::uint32_t s : members)
            if (s != 0)
                names.push_back(Format("A%u", s - 1));
        if (members.front() == 0) {
            for (std::uint32_t s : members)
                if (s != 0)
                    aliasOfZero.push_back(static_cast<int>(s - 1));
        } else if (names.size() == 2) {
            findings.push_back("address line " + names[0] + " shorted to " + names[1]);
        } else {
            findings.push_back("address lines " + JoinList(names) + " shorted");
        }
    }
    // A line that changes nothing from word 0 is stuck, unless it works once another of
    // them is high: then the two are shorted to each other.
    std::vector<bool> paired(aliasOfZero.size(), false);
    for (std::size_t i = 0; i < aliasOfZero.size(); ++i)
        for (std::size_t j = i + 1; j < aliasOfZero.size(); ++j) {
            const std::uint32_t a = 1u << aliasOfZero[i], b = 1u << aliasOfZero[j];
            bool distinct = false;
            if (auto p = probe.Distinct(b, a | b, distinct))
                return *p;
            if (!distinct)
                continue;
            findings.push_back(Format("address line A%d shorted to A%d", aliasOfZero[i], aliasOfZero[j]));
            paired[i] = paired[j] = true;
        }
    for (std::size_t i = 0; i < aliasOfZero.size(); ++i)
        if (!paired[i])
            findings.push_back(Format("address line A%d stuck", aliasOfZero[i]));
    ctx.Progress(1.0);
    ctx.addressFaulty[m.type] = !findings.empty();
    return Verdict(m, findings, Format("%d address lines", lines));
}

TVerdict DeviceTest(TContext& ctx, const TMemory& m)
{
    const auto ranges = RangesOf(m.Words(), ctx.options.full, SAMPLE_BLOCK_WORDS, SAMPLE_BLOCKS);
    for (const bool inverse : {false, true}) {
        auto verdict = FillAndVerify(
            ctx, m, ranges, [inverse](const TRange& r) { return PatternFor(r, inverse); },
            inverse ? "inverse" : "incrementing", inverse ? 0.5 : 0.0, 0.5);
        if (verdict && verdict->outcome == Outcome::Fail && ctx.addressFaulty[m.type])
            verdict->details.push_back("words alias through the faulty address lines (see the address-bus test)");
        if (verdict)
            return *verdict;
    }
    TVerdict pass = Pass(Coverage(m, ranges) + ", incrementing and inverse");
    if (!MaskNote(ctx.goodDataLines[m.type]).empty())
        pass.details.push_back(MaskNote(ctx.goodDataLines[m.type]));
    return pass;
}

TVerdict FlashTest(TContext& ctx, const TMemory& m)
{
    std::uint32_t blocks = 0;
    if (auto p = ctx.Problem(ctx.board.EraseBlockCount(m.type, blocks), "asking for " + m.name + "'s erase blocks"))
        return *p;
    if (blocks == 0 || m.Words() % blocks != 0)
        return Fail(m.name + " reports no erase blocks");
    const std::uint32_t blockWords = m.Words() / blocks;
    // By default four blocks: the first, two inside and the last.
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t i = 0; i < blocks; ++i)
        if (ctx.options.full || i == 0 || i == blocks - 1 || i == blocks / 3 || i == 2 * blocks / 3)
            chosen.push_back(i);

    const auto erase = [&](std::uint32_t block) -> std::optional<TVerdict> {
        return ctx.Problem(ctx.board.EraseBlock(m.type, static_cast<std::uint16_t>(block)),
            Format("erasing %s block %u", m.name.c_str(), static_cast<unsigned>(block)));
    };
    std::vector<TRange> ranges;
    for (std::uint32_t block : chosen)
        for (std::uint32_t at = 0; at < blockWords; at += CHUNK_WORDS)
            ranges.push_back({block * blockWords + at, std::min(CHUNK_WORDS, blockWords - at)});
    const PatternFn blank = [](const TRange& r) { return Words(r.count, 0xFFFF); };
    const PatternFn pattern = [](const TRange& r) { return PatternFor(r, false); };
    const auto eraseAll = [&]() -> std::optional<TVerdict> {
        for (std::uint32_t block : chosen)
            if (auto p = erase(block))
                return p;
        return std::nullopt;
    };
    const char* steps[] = {"erased", "programmed", "erased again"};
    for (int step = 0; step < 3; ++step) {
        if (step != 1)
            if (auto p = eraseAll())
                return *p;
        auto verdict
            = FillAndVerify(ctx, m, ranges, step == 1 ? pattern : blank, steps[step], step / 3.0, 1 / 3.0, step == 1);
        if (verdict)
            return *verdict;
    }
    return Pass(Format("%u of %u blocks erased, programmed, verified and erased", static_cast<unsigned>(chosen.size()),
        static_cast<unsigned>(blocks)));
}

TVerdict EepromTest(TContext& ctx, const TMemory& m)
{
    const std::vector<TRange> all = {{0, m.Words()}};
    Words saved(m.Words());
    if (auto p = ctx.Problem(ReadWords(ctx, m, 0, saved), "saving " + m.name))
        return *p;
    // A data line stuck at 0 or 1 spoils every word: named as the RAMs' data-bus test names
    // it, rather than as the first word it spoils.
    std::optional<TVerdict> verdict;
    const auto whole = ctx.progress;
    ctx.progress = [&whole](double f) {
        if (whole)
            whole(0.1 * f);
    };
    const TVerdict lines = DataBusTest(ctx, m);
    ctx.progress = whole;
    if (lines.outcome != Outcome::Pass)
        verdict = lines;
    for (const bool inverse : {false, true}) {
        if (verdict)
            break;
        verdict = FillAndVerify(
            ctx, m, all, [inverse](const TRange& r) { return PatternFor(r, inverse); },
            inverse ? "inverse" : "incrementing", inverse ? 0.55 : 0.1, 0.45);
    }
    if (ctx.linkLost)
        return *verdict;
    // Whatever the verdict, and even when stopped, the EEPROM gets back what it held.
    Words back(m.Words());
    std::optional<TMismatch> lost;
    const bool restored = WriteWords(ctx, m, 0, saved) == Access::Ok && ReadWords(ctx, m, 0, back) == Access::Ok;
    if (restored)
        Compare(saved, back, 0, ctx.goodDataLines[m.type], lost);
    if (!restored || lost) {
        TVerdict failed = verdict ? *verdict : Fail(m.name + " contents could not be restored");
        if (verdict)
            failed.details.push_back(m.name + " contents could not be restored");
        return failed;
    }
    if (verdict)
        return *verdict;
    return Pass(Format("all %u words, incrementing and inverse; contents restored", static_cast<unsigned>(m.Words())));
}

} // namespace selftest
