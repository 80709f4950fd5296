// The panel's start on a screen of device pixel ratio 2 against one of ratio 1, measured
// in the same run:
//  1. first paint: from the start of the main window's construction to the end of its
//     first paint, as the window logs it ("vx5h.startup"); at ratio 2 it may take at most
//     1.5 times what it takes at ratio 1;
//  2. start to window: from starting the program to that log line; at ratio 2 at most
//     0.3 s.
// Every sample is a fresh program on the simulated board (nothing drawn yet, as at a
// real start), on the offscreen platform scaled with QT_SCALE_FACTOR. A busy machine
// slows single starts by more than the scale does, so one pair of starts says little:
// the run starts with a pair that is not counted (the first start loads the program
// and its fonts from disk), then takes rounds of one start at each ratio, in turns (1, 2
// then 2, 1, so that neither always runs second), and judges the median of the rounds'
// ratios, each ratio taken between two starts moments apart. The spread of the rounds,
// the machine's load and the processor time the program had (its work, which waiting
// for a busy core does not lengthen) are printed beside it; fewer than MIN_ROUNDS rounds
// give the figures but no verdict.
//
//   vx5h-bench-hidpi [--runs N] [--smoke]     (N rounds, default 15; --smoke: 3 rounds,
//                                               no limits checked)
#include "SimulatedBoard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr double FIRST_PAINT_LIMIT = 1.5; // ratio 2 against ratio 1
constexpr double START_LIMIT_MS = 300;    // ratio 2, program start to painted window
constexpr int SAMPLE_BUDGET_MS = 10000;
constexpr int MIN_ROUNDS = 5;

struct TSample {
    double startMs = 0;      // program start to the log line
    double firstPaintMs = 0; // as the window logs it
    double cpuMs = -1;       // processor time of all its threads by then; -1 unknown
};

// The processor time the process `pid` has had so far, all its threads together, in
// milliseconds (the scheduler's own count, in nanoseconds); -1 where there is none. Time
// spent waiting for a core is not in it: it is the program's work, whatever the load.
double CpuMs(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double ns = 0;
    bool any = false;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        ns += QString::fromLatin1(stat.readLine()).section(' ', 0, 0).toDouble();
        any = true;
    }
    return any ? ns / 1e6 : -1;
}

// One start of the panel at `scale`; nothing when its window did not paint in time.
std::optional<TSample> StartOnce(double scale, const QString& runtimeDir, const std::string& socket)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_SCALE_FACTOR", QString::number(scale));
    env.insert("QT_LOGGING_RULES", "vx5h.startup=true");
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    env.insert("VX5H_SIM_SOCKET", QString::fromStdString(socket));
    QProcess panel;
    panel.setProcessEnvironment(env);
    panel.setProcessChannelMode(QProcess::SeparateChannels);
    panel.setReadChannel(QProcess::StandardError);
    static const QRegularExpression painted("built and painted in (\\d+) ms");
    QElapsedTimer clock;
    clock.start();
    panel.start(QString::fromStdString(testsupport::SimulatedBoard::BinFolder() + "VX5h_260_ControlPanel"), {});
    std::optional<TSample> sample;
    QByteArray log;
    while (!sample && clock.elapsed() < SAMPLE_BUDGET_MS && panel.state() != QProcess::NotRunning) {
        panel.waitForReadyRead(50);
        log += panel.readAllStandardError();
        const QRegularExpressionMatch match = painted.match(QString::fromUtf8(log));
        if (match.hasMatch())
            sample = TSample{clock.nsecsElapsed() / 1e6, match.captured(1).toDouble(), CpuMs(panel.processId())};
    }
    panel.kill();
    panel.waitForFinished(5000);
    if (!sample)
        std::fprintf(stderr, "no painted window at scale %g:\n%s\n", scale, log.constData());
    return sample;
}

// The value below which `fraction` of `values` lie (0.5: the median), interpolated.
double Quantile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double at = fraction * static_cast<double>(values.size() - 1);
    const auto below = static_cast<size_t>(at);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

double Median(const std::vector<double>& values) { return Quantile(values, 0.5); }

// The machine's load over the last minute, as the kernel counts it; -1 where unknown.
double LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const double load = QString::fromLatin1(file.readLine()).section(' ', 0, 0).toDouble(&ok);
    return ok ? load : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool smoke = false;
    int runs = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
    }
    if (smoke)
        runs = 3;

    testsupport::SimulatedBoard board(true);
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto start = [&](double scale) { return StartOnce(scale, runtime.path(), board.SocketPath()); };
    const double loadBefore = LoadAverage();
    for (double scale : {1.0, 2.0})
        if (!start(scale))
            return 1;

    std::vector<double> startMs[2], paintMs[2], ratios, cpuRatios;
    for (int round = 0; round < runs; ++round) {
        TSample sample[2];
        // Odd rounds start with ratio 2: a load that grows or fades during a round weighs
        // on both ratios alike over the run.
        for (int turn = 0; turn < 2; ++turn) {
            const int r = round % 2 ? 1 - turn : turn;
            const std::optional<TSample> taken = start(r + 1.0);
            if (!taken)
                return 1;
            sample[r] = *taken;
            startMs[r].push_back(taken->startMs);
            paintMs[r].push_back(taken->firstPaintMs);
        }
        ratios.push_back(sample[1].firstPaintMs / std::max(1.0, sample[0].firstPaintMs));
        if (sample[0].cpuMs > 0 && sample[1].cpuMs > 0)
            cpuRatios.push_back(sample[1].cpuMs / sample[0].cpuMs);
    }

    const double paintRatio = Median(ratios);
    std::printf("panel start on the simulated board: %d rounds of one fresh start per ratio, taken in turns,\n"
                "after one uncounted pair; load average %.2f before, %.2f after\n",
        runs, loadBefore, LoadAverage());
    std::printf("  first paint of the main window: ratio 1 %.0f ms, ratio 2 %.0f ms (medians)\n", Median(paintMs[0]),
        Median(paintMs[1]));
    std::printf("    ratio 2 against ratio 1 within a round: median %.2f x (limit %.1f x), middle half %.2f-%.2f x\n",
        paintRatio, FIRST_PAINT_LIMIT, Quantile(ratios, 0.25), Quantile(ratios, 0.75));
    if (!cpuRatios.empty())
        std::printf("    processor time by then, ratio 2 against ratio 1: median %.2f x (the work, not judged)\n",
            Median(cpuRatios));
    std::printf("  start to window:                ratio 1 %.0f ms, ratio 2 %.0f ms (limit %.0f ms at ratio 2)\n",
        Median(startMs[0]), Median(startMs[1]), START_LIMIT_MS);
    if (smoke)
        return 0;
    if (runs < MIN_ROUNDS) {
        std::printf("too few rounds for a verdict (at least %d)\n", MIN_ROUNDS);
        return 0;
    }
    const bool ok = paintRatio <= FIRST_PAINT_LIMIT && Median(startMs[1]) <= START_LIMIT_MS;
    std::printf("%s\n", ok ? "within the limits" : "OVER A LIMIT");
    return ok ? 0 : 1;
}
