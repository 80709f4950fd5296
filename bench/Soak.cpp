// Hours of use in minutes: the panel (offscreen) polls the G-sensor page while the
// simulated cable suffers a random fault every 2-6 s; whenever the link is lost the panel
// is reconnected with its Connect button, as a person would.
//
//   vx5h-soak [--seconds N] [--warmup N] [--max-growth-kb N] [--max-rss-growth-kb N] [--seed N]
//
// The panel runs in a child process so that a crash is seen and reported rather than
// ending the run. The child measures itself (heap in use, resident memory, open
// descriptors, threads) at the start, after the warm-up, every minute and at the end,
// always while connected and polling, so that the samples compare like with like.
// A leak is judged on the heap in use: resident memory also moves with how the allocator
// keeps its free pages and how the kernel counts them, so in a two-minute run it wanders by
// a megabyte with nothing leaked. Resident memory has a looser bound of its own, for what
// grows outside the heap (mappings, shared memory). Exit status: 0 when nothing
// crashed, hung or grew past the limits; 1 on growth or a lost connection; 2 on a crash
// or a hang of the panel; 3 when the simulator failed.
#include "PanelDriver.h"
#include "SimFaults.h"
#include "SimulatedBoard.h"

#include "pages/Page.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <map>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct TOptions {
    int seconds = 120;
    int warmup = 30;
    long maxGrowthKb = 1024;
    long maxRssGrowthKb = 4096;
    unsigned seed = 1;
};

bool ParseOptions(int argc, char** argv, TOptions& options, bool& panel)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--panel")
            panel = true;
        else if (arg == "--seconds" && hasValue)
            options.seconds = std::atoi(argv[++i]);
        else if (arg == "--warmup" && hasValue)
            options.warmup = std::atoi(argv[++i]);
        else if (arg == "--max-growth-kb" && hasValue)
            options.maxGrowthKb = std::atol(argv[++i]);
        else if (arg == "--max-rss-growth-kb" && hasValue)
            options.maxRssGrowthKb = std::atol(argv[++i]);
        else if (arg == "--seed" && hasValue)
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else
            return false;
    }
    return options.seconds > 0 && options.warmup >= 0 && options.warmup < options.seconds;
}

// --- the child: the panel and its measurements --------------------------------------

struct TSample {
    int second = 0;
    long heapKb = 0;
    long rssKb = 0;
    int descriptors = 0;
    int threads = 0;
    std::string threadNames;
};

long StatusField(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == name) {
            long value = 0;
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

int OpenDescriptors()
{
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(folder))
        count += entry->d_name[0] != '.' ? 1 : 0;
    ::closedir(folder);
    return count - 1; // the listing's own descriptor
}

// The names of the process's threads, for telling which one came or went.
std::string ThreadNames()
{
    std::string names;
    DIR* folder = ::opendir("/proc/self/task");
    if (!folder)
        return names;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        names += (names.empty() ? "" : ",") + name;
    }
    ::closedir(folder);
    return names;
}

// Bytes handed out by the allocator and not freed, small blocks and mapped ones alike.
long HeapInUseKb()
{
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

TSample Measure(int second)
{
    // Free pages the allocator still holds go back first, so that resident memory shows
    // what the panel keeps rather than what the allocator has not returned yet.
    ::malloc_trim(0);
    return {second, HeapInUseKb(), StatusField("VmRSS:"), OpenDescriptors(),
        static_cast<int>(StatusField("Threads:")), ThreadNames()};
}

void Print(const char* what, const TSample& s)
{
    std::printf("soak: %-8s t=%5d s  heap %7ld kB  rss %7ld kB  descriptors %3d  threads %2d (%s)\n", what,
        s.second, s.heapKb, s.rssKb, s.descriptors, s.threads, s.threadNames.c_str());
    std::fflush(stdout);
}

// Keeps the window on the G-sensor page, reconnects after a lost link and takes the
// samples. Runs from a timer; a step that starts a connect sequence returns only when it
// ended, so steps that fire meanwhile find `m_InStep` and leave.
class TSoakPanel {
public:
    TSoakPanel(TFormMain& form, const TOptions& options)
        : m_Form(form)
        , m_Options(options)
    { }

    void Step()
    {
        if (m_InStep || m_Done || !testsupport::TPanelDriver::Settled(m_Form))
            return;
        m_InStep = true;
        if (m_Form.Board.IsOpen())
            WhileConnected();
        else
            WhileDisconnected();
        m_InStep = false;
    }

    // Lets the run end at the next sample.
    void Finish() { m_Finishing = true; }
    bool Done() const { return m_Done; }

    int Verdict() const
    {
        std::printf("soak: %d link losses, %d reconnects, %d failed connects, longest outage %u ms\n", m_Losses,
            m_Reconnects, m_FailedConnects, m_LongestOutageMs);
        for (const auto& [text, count] : Messages)
            std::printf("soak: message %dx: %s\n", count, text.toUtf8().constData());
        if (m_Samples.size() < 2 || m_Stuck) {
            std::printf("soak: FAIL: %s\n", m_Stuck ? "no reconnect for 60 s" : "no sample while connected");
            return 1;
        }
        const TSample& base = m_Samples[m_Samples.size() > 2 ? 1 : 0];
        const TSample& end = m_Samples.back();
        std::printf("soak: growth after warm-up: heap %+ld kB, rss %+ld kB, descriptors %+d, threads %+d\n",
            end.heapKb - base.heapKb, end.rssKb - base.rssKb, end.descriptors - base.descriptors,
            end.threads - base.threads);
        const bool grew = end.heapKb - base.heapKb > m_Options.maxGrowthKb
            || end.rssKb - base.rssKb > m_Options.maxRssGrowthKb || end.descriptors > base.descriptors
            || end.threads > base.threads;
        std::printf("soak: %s\n", grew ? "FAIL: growth beyond the limits" : "PASS");
        return grew ? 1 : 0;
    }

    // Each message box's text and how often it came.
    std::map<QString, int> Messages;

private:
    void WhileConnected()
    {
        if (!m_Connected && m_LostAt != 0)
            m_LongestOutageMs = std::max(m_LongestOutageMs, platform::TicksSince(m_LostAt));
        m_Connected = true;
        if (m_Form.ActivePage != PAGE_GSENSOR) {
            testsupport::TPanelDriver::ClickTab(m_Form, PAGE_GSENSOR);
            return;
        }
        if (m_Form.Pages[PAGE_GSENSOR]->IsPolling())
            MaybeSample();
    }

    void WhileDisconnected()
    {
        if (m_Connected) {
            m_Connected = false;
            ++m_Losses;
            m_LostAt = platform::TickCount();
        }
        if (m_LostAt != 0 && platform::TicksSince(m_LostAt) > 60000) {
            m_Stuck = true;
            m_Done = true;
            return;
        }
        if (platform::TicksSince(m_LastAttempt) < 500)
            return;
        m_LastAttempt = platform::TickCount();
        testsupport::TPanelDriver::ClickConnect(m_Form);
        ++(m_Form.Board.IsOpen() ? m_Reconnects : m_FailedConnects);
    }

    void MaybeSample()
    {
        const int second = static_cast<int>(platform::TicksSince(m_Start) / 1000);
        const char* what = nullptr;
        if (m_Samples.empty())
            what = "start";
        else if (m_Finishing)
            what = "end";
        else if (!m_WarmedUp && second >= m_Options.warmup)
            what = "warm";
        else if (second >= m_NextMinute)
            what = "minute";
        if (!what)
            return;
        m_Samples.push_back(Measure(second));
        Print(what, m_Samples.back());
        m_WarmedUp = m_WarmedUp || std::strcmp(what, "warm") == 0;
        if (std::strcmp(what, "minute") == 0 || std::strcmp(what, "start") == 0)
            m_NextMinute = (second / 60 + 1) * 60;
        m_Done = m_Finishing;
    }

    TFormMain& m_Form;
    TOptions m_Options;
    std::uint32_t m_Start = platform::TickCount();
    std::uint32_t m_LostAt = 0;
    std::uint32_t m_LastAttempt = 0;
    std::uint32_t m_LongestOutageMs = 0;
    int m_NextMinute = 60;
    int m_Losses = 0;
    int m_Reconnects = 0;
    int m_FailedConnects = 0;
    bool m_Connected = false;
    bool m_WarmedUp = false;
    bool m_InStep = false;
    bool m_Finishing = false;
    bool m_Done = false;
    bool m_Stuck = false;
    std::vector<TSample> m_Samples;
};

int RunPanel(int argc, char** argv, const TOptions& options)
{
    QApplication app(argc, argv);
    // Qt converts and scales images on its own pool threads, which linger 30 s after
    // their last job; let them go at once, so that a sample counts only what the panel keeps.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    testsupport::TPanelDriver driver;
    TFormMain form;
    form.show();
    TSoakPanel soak(form, options);
    QTimer steps;
    QObject::connect(&steps, &QTimer::timeout, [&] {
        // Counted, not kept: the run must not grow by its own records.
        for (const QString& text : driver.Messages)
            ++soak.Messages[text];
        driver.Messages.clear();
        soak.Step();
        if (soak.Done())
            QApplication::quit();
    });
    steps.start(100);
    QTimer::singleShot(options.seconds * 1000, [&] { soak.Finish(); });
    // The end sample waits for a connected moment, but not for ever.
    QTimer::singleShot((options.seconds + 60) * 1000, [] { QApplication::quit(); });
    QApplication::exec();
    return soak.Verdict();
}

// --- the parent: the simulator, the faults and the watch over the panel -------------

// Runs this program again as the panel; -1 when it could not be started.
pid_t StartPanel(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char panelFlag[] = "--panel";
    args.push_back(panelFlag);
    args.push_back(nullptr);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pid_t pid = -1;
    if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    return pid;
}

// Waits up to `ms` for the panel to end; true (and its status) when it did.
bool PanelEnded(pid_t pid, int ms, int& status)
{
    for (int waited = 0; waited < ms; waited += 50) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int Report(pid_t pid, int status, const std::vector<int>& injected, int simulatorFailures)
{
    std::printf("soak: faults injected:");
    for (std::size_t i = 0; i < injected.size(); ++i)
        std::printf(" %s %d", testsupport::SIM_FAULTS[i].name, injected[i]);
    std::printf("\n");
    if (pid < 0) {
        std::printf("soak: FAIL: the panel hung and was killed\n");
        return 2;
    }
    if (WIFSIGNALED(status)) {
        std::printf("soak: FAIL: the panel crashed (signal %d, %s)\n", WTERMSIG(status), strsignal(WTERMSIG(status)));
        return 2;
    }
    if (simulatorFailures > 0) {
        std::printf("soak: FAIL: %d control commands failed (simulator gone?)\n", simulatorFailures);
        return 3;
    }
    std::printf("soak: crashes 0\n");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

int RunSoak(int argc, char** argv, const TOptions& options)
{
    std::printf("soak: %d s, warm-up %d s, growth limits heap %ld kB and rss %ld kB, seed %u\n", options.seconds,
        options.warmup, options.maxGrowthKb, options.maxRssGrowthKb, options.seed);
    std::fflush(stdout);
    testsupport::SimulatedBoard sim(true);
    const pid_t pid = StartPanel(argc, argv);
    if (pid < 0) {
        std::printf("soak: FAIL: cannot start the panel\n");
        return 2;
    }
    std::mt19937 random(options.seed);
    std::uniform_int_distribution<int> pause(2000, 6000);
    std::uniform_int_distribution<std::size_t> pick(0, testsupport::SIM_FAULTS.size() - 1);
    std::vector<int> injected(testsupport::SIM_FAULTS.size(), 0);
    int simulatorFailures = 0;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    // No faults in the last seconds: the end sample is taken on a settled link.
    while (std::chrono::steady_clock::now() + std::chrono::seconds(8) < end) {
        if (PanelEnded(pid, pause(random), status))
            return Report(pid, status, injected, simulatorFailures);
        const std::size_t kind = pick(random);
        bool ok = false;
        sim.Ctl(testsupport::SIM_FAULTS[kind].command, &ok);
        if (std::strcmp(testsupport::SIM_FAULTS[kind].name, "unplug") == 0) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            sim.Ctl("plug", &ok);
        }
        ++injected[kind];
        simulatorFailures += ok ? 0 : 1;
    }
    if (PanelEnded(pid, (options.seconds + 90) * 1000, status))
        return Report(pid, status, injected, simulatorFailures);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return Report(-1, status, injected, simulatorFailures);
}

} // namespace

int main(int argc, char** argv)
{
    TOptions options;
    bool panel = false;
    if (!ParseOptions(argc, argv, options, panel)) {
        std::fprintf(stderr,
            "usage: vx5h-soak [--seconds N] [--warmup N] [--max-growth-kb N] [--max-rss-growth-kb N] [--seed N]\n");
        return 64;
    }
    return panel ? RunPanel(argc, argv, options) : RunSoak(argc, argv, options);
}
