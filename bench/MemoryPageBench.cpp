// The memory page's bulk paths, each against a baseline measured in the same run:
//  1. HEX text: the table-driven codec against one snprintf("%02X") (encode) or one
//     sscanf("%2hhx") (decode) per byte.
//  2. The whole SDRAM through the page (its real handlers, dialogs answered) to a .bin and
//     a .hex file and back, on the unthrottled simulated cable: wall time, MB/s and the
//     peak resident memory the transfer added, against the buffers it may hold (the range,
//     plus twice the range for HEX text).
//  3. The same range streamed through the shared core in constant memory, as the command
//     line moves it (dump, load and verify, .bin and .hex): wall time, MB/s, peak resident
//     memory, and its throughput against the page's on the same range and packets.
//  4. On a cable of 102400 bytes/s with 1.5 ms latency: a 1 MB load and write, and their
//     share of the cable's rate.
//
//   vx5h-bench-memory [--mb N (SDRAM range, default 128)] [--smoke]
#include "SimulatedBoard.h"
#include "BytePattern.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "board/Protocol.h"
#include "core/DumpFile.h"
#include "core/HexCodec.h"
#include "core/MemoryFile.h"
#include "core/MemoryTransfer.h"
#include "core/MemoryVerify.h"
#include "pages/UnitMemory.h"
#include "platform/Paths.h"
#include "ui/Seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }
double MBps(double bytes, double seconds) { return bytes / 1048576.0 / seconds; }

// Resident memory from /proc/self/status, in bytes.
std::size_t StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::strtoull(line.c_str() + std::strlen(key), nullptr, 10) * 1024;
    return 0;
}
std::size_t Resident() { return StatusKb("VmRSS:"); }
std::size_t PeakResident() { return StatusKb("VmHWM:"); }
// Starts a new peak at the present resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void CodecBench(std::size_t mb)
{
    const std::size_t count = mb << 20;
    const std::vector<std::uint8_t> bytes = testsupport::BytePattern(count, 1);
    std::vector<char> text(2 * count + 1);
    std::vector<std::uint8_t> back(count);

    auto start = Clock::now();
    hexcodec::EncodeHex(bytes.data(), count, text.data());
    const double encode = Seconds(start);
    start = Clock::now();
    const bool decoded = hexcodec::DecodeHex(text.data(), count, back.data());
    const double decode = Seconds(start);

    // The baselines get a sixteenth of the data: they are that much slower.
    const std::size_t baseCount = count / 16;
    std::vector<char> baseText(2 * baseCount + 1);
    start = Clock::now();
    for (std::size_t i = 0; i < baseCount; ++i)
        std::snprintf(baseText.data() + 2 * i, 3, "%02X", bytes[i]);
    const double baseEncode = Seconds(start);
    std::vector<std::uint8_t> baseBack(baseCount);
    start = Clock::now();
    for (std::size_t i = 0; i < baseCount; ++i) {
        // Two characters at a time: sscanf on the whole text would measure its strlen.
        const char pair[3] = {baseText[2 * i], baseText[2 * i + 1], '\0'};
        std::sscanf(pair, "%2hhx", &baseBack[i]);
    }
    const double baseDecode = Seconds(start);

    const bool same = decoded && back == bytes && std::memcmp(baseText.data(), text.data(), 2 * baseCount) == 0
        && std::memcmp(baseBack.data(), bytes.data(), baseCount) == 0;
    std::printf("HEX codec (%zu MB, baseline %zu MB)%s\n", mb, baseCount >> 20, same ? "" : "  MISMATCH");
    std::printf("  encode table      %8.1f MB/s   snprintf(\"%%02X\") per byte %7.1f MB/s   x%.0f\n",
        MBps(count, encode), MBps(baseCount, baseEncode), (baseEncode / baseCount) / (encode / count));
    std::fflush(stdout);
    std::printf("  decode table      %8.1f MB/s   sscanf(\"%%2hhx\") per byte  %7.1f MB/s   x%.0f\n",
        MBps(count, decode), MBps(baseCount, baseDecode), (baseDecode / baseCount) / (decode / count));
}

// Drives the real page: its handlers, its progress dialog, its file dialogs answered here.
class PageDriver {
public:
    PageDriver(TBoard& board)
        : m_Seams(ui::TSeamHandlers{
            [this](QWidget*, ui::TMessageKind, const QString&, const QString& text) {
                std::printf("  box: %s\n", text.toUtf8().constData());
                ++boxes;
            },
            [this](QWidget*, const ui::TFileDialogRequest&) { return fileName; },
            [this](QWidget*, const ui::TFileDialogRequest&) { return fileName; },
            {},
        })
    {
        SetShowInfoSink([this](const QString& text, const QColor&) { info = text; });
        page.OnLinkFailure = [this] { ++linkFailures; };
        page.OnUpdateTestArea = [] {};
        page.show();
        page.Activate(&board);
        page.ComboBoxMemoryType->setCurrentIndex(2); // SDRAM
        page.ComboBoxMemoryTypeChange();
    }

    double Load(const std::string& file, std::uint32_t words)
    {
        fileName = QString::fromStdString(file);
        page.EditReadAddress->setText("0");
        page.EditReadLength->setText(QString::number(words, 16).toUpper());
        return Timed([this] { page.ButtonReadFileClick(); });
    }
    double Write(const std::string& file)
    {
        fileName = QString::fromStdString(file);
        page.CheckBoxFileLength->setChecked(true);
        page.EditWriteAddress->setText("0");
        return Timed([this] { page.ButtonWriteFileClick(); });
    }
    bool Succeeded() const { return info.contains("Success") && boxes == 0 && linkFailures == 0; }

    TFormMemory page{nullptr};
    QString fileName;
    QString info;
    int boxes = 0;
    int linkFailures = 0;

private:
    template<class F> double Timed(F run)
    {
        const auto start = Clock::now();
        run();
        return Seconds(start);
    }
    ui::TScopedSeams m_Seams;
};

struct Phase {
    const char* what;
    double seconds;
    std::size_t addedPeak;
    std::size_t allowed;
    bool ok;
};

Phase Measure(const char* what, std::size_t allowed, const std::function<double(bool&)>& run)
{
    const std::size_t before = Resident();
    ResetPeak();
    bool ok = false;
    const double seconds = run(ok);
    const std::size_t peak = PeakResident();
    return {what, seconds, peak > before ? peak - before : 0, allowed, ok};
}

Phase Measure(const char* what, std::size_t allowed, PageDriver& driver, const std::function<double()>& run)
{
    return Measure(what, allowed, [&](bool& ok) {
        const double seconds = run();
        ok = driver.Succeeded();
        return seconds;
    });
}

void Report(const Phase& p, std::size_t bytes)
{
    std::printf("  %-22s %7.2f s %8.1f MB/s   peak +%6.1f MB (buffers allowed %6.1f MB)%s%s\n", p.what, p.seconds,
        MBps(bytes, p.seconds), p.addedPeak / 1048576.0, p.allowed / 1048576.0,
        p.addedPeak <= p.allowed + (8u << 20) ? "" : "  OVER", p.ok ? "" : "  FAILED");
    std::fflush(stdout);
}

bool SameFiles(const std::string& a, const std::string& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (fa && fb) {
        fa.read(ba.data(), ba.size());
        fb.read(bb.data(), bb.size());
        if (fa.gcount() != fb.gcount() || std::memcmp(ba.data(), bb.data(), fa.gcount()) != 0)
            return false;
    }
    return fa.eof() && fb.eof();
}

// The command line's progress costs nothing measurable: it redraws by time, not by step.
class TQuietProgress final : public memory::ITransferProgress {
public:
    void Advance(std::uint64_t, std::uint64_t) override { }
    bool AbortRequested() override { return false; }
};

double StreamDump(TBoard& board, const std::string& file, std::uint32_t bytes, bool& ok)
{
    const auto start = Clock::now();
    TQuietProgress progress;
    memory::TDumpFileWriter writer;
    ok = writer.Begin(file, memory::IsHexFileName(file)) == memory::TDumpStatus::Ok;
    memory::TDumpSink sink(writer);
    ok = ok
        && memory::ReadRangeWithProgress(board, progress, protocol::MEM_SDRAM, 0, bytes, sink, memory::STREAM_STEP).ok
        && writer.Commit() == memory::TDumpStatus::Ok;
    return Seconds(start);
}

// A file's whole content written to the SDRAM from address 0, or compared with it.
double StreamFromFile(TBoard& board, const std::string& file, std::uint32_t bytes, bool verify, bool& ok)
{
    const auto start = Clock::now();
    TQuietProgress progress;
    memory::TMemoryFileReader reader;
    ok = reader.Open(file, memory::IsHexFileName(file)) == memory::TLoadStatus::Ok
        && reader.Plan(true, 0, bytes) == memory::TLoadStatus::Ok && reader.Count() == bytes;
    memory::TFileSource source(reader);
    if (ok && verify)
        ok = memory::VerifyRangeWithProgress(board, progress, protocol::MEM_SDRAM, 0, bytes, source).Same();
    else if (ok)
        ok = memory::WriteRangeWithProgress(board, progress, protocol::MEM_SDRAM, 0, bytes, source).ok;
    return Seconds(start);
}

void Ratio(const char* what, const Phase& page, const Phase& streamed)
{
    std::printf("  %-22s streamed/page throughput %.2f\n", what, page.seconds / streamed.seconds);
}

// Returns whether the streamed phases all succeeded.
bool WholeSdram(PageDriver& driver, TBoard& board, const std::string& folder, std::size_t mb)
{
    const std::size_t bytes = mb << 20;
    const std::string source = folder + "/source.bin";
    {
        const std::vector<std::uint8_t> pattern = testsupport::BytePattern(bytes, 2);
        std::ofstream(source, std::ios::binary).write(reinterpret_cast<const char*>(pattern.data()), pattern.size());
    }
    std::printf("SDRAM %zu MB through the page, unthrottled cable\n", mb);
    const auto words = static_cast<std::uint32_t>(bytes / 2);
    // A write needs the file portion (text and bytes share one buffer); a load the range,
    // and its HEX text is made piecewise.
    const Phase writeBin = Measure("write from .bin", bytes, driver, [&] { return driver.Write(source); });
    Report(writeBin, bytes);
    const Phase loadBin
        = Measure("load to .bin", bytes, driver, [&] { return driver.Load(folder + "/dump.bin", words); });
    Report(loadBin, bytes);
    const Phase loadHex
        = Measure("load to .hex", 3 * bytes, driver, [&] { return driver.Load(folder + "/dump.hex", words); });
    Report(loadHex, bytes);
    const Phase writeHex
        = Measure("write from .hex", 3 * bytes, driver, [&] { return driver.Write(folder + "/dump.hex"); });
    Report(writeHex, bytes);
    Report(
        Measure("load back to .bin", bytes, driver, [&] { return driver.Load(folder + "/back.bin", words); }), bytes);
    std::printf("  round trip byte for byte: %s\n",
        SameFiles(source, folder + "/dump.bin") && SameFiles(source, folder + "/back.bin") ? "yes" : "NO");

    // The command line's budget is 32 MB resident in all; what streaming adds must stay
    // far below it whatever the size.
    const std::size_t streamAllowed = 8u << 20;
    const auto count = static_cast<std::uint32_t>(bytes);
    std::printf("SDRAM %zu MB streamed through the core, unthrottled cable\n", mb);
    const Phase sLoadBin = Measure("stream load from .bin", streamAllowed,
        [&](bool& ok) { return StreamFromFile(board, source, count, false, ok); });
    Report(sLoadBin, bytes);
    const Phase sDumpBin = Measure("stream dump to .bin", streamAllowed,
        [&](bool& ok) { return StreamDump(board, folder + "/stream.bin", count, ok); });
    Report(sDumpBin, bytes);
    const Phase sDumpHex = Measure("stream dump to .hex", streamAllowed,
        [&](bool& ok) { return StreamDump(board, folder + "/stream.hex", count, ok); });
    Report(sDumpHex, bytes);
    const Phase sLoadHex = Measure("stream load from .hex", streamAllowed,
        [&](bool& ok) { return StreamFromFile(board, folder + "/stream.hex", count, false, ok); });
    Report(sLoadHex, bytes);
    const Phase sVerify = Measure("stream verify .hex", streamAllowed,
        [&](bool& ok) { return StreamFromFile(board, folder + "/stream.hex", count, true, ok); });
    Report(sVerify, bytes);
    const bool same = SameFiles(source, folder + "/stream.bin");
    std::printf("  round trip byte for byte: %s\n", same ? "yes" : "NO");
    Ratio("load from .bin", writeBin, sLoadBin);
    Ratio("dump to .bin", loadBin, sDumpBin);
    Ratio("dump to .hex", loadHex, sDumpHex);
    Ratio("load from .hex", writeHex, sLoadHex);
    return same && sLoadBin.ok && sDumpBin.ok && sDumpHex.ok && sLoadHex.ok && sVerify.ok;
}

void Throttled(PageDriver& driver, testsupport::SimulatedBoard& sim, const std::string& folder, std::size_t kb)
{
    const double rate = 102400;
    sim.Ctl("link 102400 1.5");
    const std::size_t bytes = kb << 10;
    std::printf("%zu KB on a cable of 102400 bytes/s, 1.5 ms latency\n", kb);
    const double load = driver.Load(folder + "/slow.bin", static_cast<std::uint32_t>(bytes / 2));
    const bool loadOk = driver.Succeeded();
    const double write = driver.Write(folder + "/slow.bin");
    const bool writeOk = driver.Succeeded();
    sim.Ctl("link 0 0");
    std::printf("  load  %7.2f s %8.1f KB/s   %5.1f %% of the cable's rate%s\n", load, bytes / 1024.0 / load,
        100.0 * bytes / load / rate, loadOk ? "" : "  FAILED");
    std::printf("  write %7.2f s %8.1f KB/s   %5.1f %% of the cable's rate%s\n", write, bytes / 1024.0 / write,
        100.0 * bytes / write / rate, writeOk ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t mb = 128;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc)
            mb = std::strtoull(argv[++i], nullptr, 10);
    }
    if (smoke)
        mb = 1;
    mb = std::min<std::size_t>(std::max<std::size_t>(mb, 1), 128);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    CodecBench(smoke ? 1 : 64);

    testsupport::SimulatedBoard sim;
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    TBoard board;
    std::string error;
    if (!board.Connect(error, 0)) {
        std::fprintf(stderr, "cannot reach the simulated board: %s\n", error.c_str());
        return 1;
    }
    char pattern[] = "/tmp/vx5h-bench-memory-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    int status = 0;
    {
        PageDriver driver(board);
        const bool streamed = WholeSdram(driver, board, folder, mb);
        status = driver.linkFailures || driver.boxes || !streamed ? 1 : 0;
        Throttled(driver, sim, folder, smoke ? 16 : 1024);
        status |= driver.linkFailures || driver.boxes ? 1 : 0;
    }
    fs::remove_all(folder);
    return status;
}
