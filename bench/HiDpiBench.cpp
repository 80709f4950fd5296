// The panel's start on a screen of device pixel ratio 2 against one of ratio 1, measured
// in the same run:
//  1. first paint: from the start of the main window's construction to the end of its
//     first paint, as the window logs it ("vx5h.startup"); at ratio 2 it may take at most
//     1.5 times what it takes at ratio 1;
//  2. start to window: from starting the program to that log line; at ratio 2 at most
//     0.3 s.
// Every sample is a fresh program on the simulated board (nothing drawn yet, as at a
// real start), on the offscreen platform scaled with QT_SCALE_FACTOR; the ratios take
// turns so that the machine's load falls on both alike. Medians of N samples.
//
//   vx5h-bench-hidpi [--runs N] [--smoke]     (--smoke: 3 runs, no limits checked)
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

struct TSample {
    double startMs = 0;      // program start to the log line
    double firstPaintMs = 0; // as the window logs it
};

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
            sample = TSample{clock.nsecsElapsed() / 1e6, match.captured(1).toDouble()};
    }
    panel.kill();
    panel.waitForFinished(5000);
    if (!sample)
        std::fprintf(stderr, "no painted window at scale %g:\n%s\n", scale, log.constData());
    return sample;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
    std::vector<double> start[2], paint[2];
    for (int run = 0; run < runs; ++run)
        for (int r = 0; r < 2; ++r) {
            const std::optional<TSample> sample = StartOnce(r + 1.0, runtime.path(), board.SocketPath());
            if (!sample)
                return 1;
            start[r].push_back(sample->startMs);
            paint[r].push_back(sample->firstPaintMs);
        }

    const double paintRatio = Median(paint[1]) / std::max(1.0, Median(paint[0]));
    std::printf("panel start on the simulated board, medians of %d fresh starts per ratio\n", runs);
    std::printf("  first paint of the main window: ratio 1 %.0f ms, ratio 2 %.0f ms: %.2f x (limit %.1f x)\n",
        Median(paint[0]), Median(paint[1]), paintRatio, FIRST_PAINT_LIMIT);
    std::printf("  start to window:                ratio 1 %.0f ms, ratio 2 %.0f ms (limit %.0f ms at ratio 2)\n",
        Median(start[0]), Median(start[1]), START_LIMIT_MS);
    if (smoke)
        return 0;
    const bool ok = paintRatio <= FIRST_PAINT_LIMIT && Median(start[1]) <= START_LIMIT_MS;
    std::printf("%s\n", ok ? "within the limits" : "OVER A LIMIT");
    return ok ? 0 : 1;
}
