// vx5h-artdump: writes every named bitmap and a few frames of each animation as PNG
// files, so that the artwork can be looked at and reviewed outside the program.
#include "resources/Resources.h"
#include "resources/Mockups.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QGuiApplication>

#include <cstdio>

using resources::Mockups;

int main(int argc, char** argv)
{
    // Text is drawn through the font database, which needs a GUI application; no window
    // is ever shown, so the offscreen platform does.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/snapshots/art");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "vx5h-artdump: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const QDir dir(folder);
    int failures = 0;
    const auto save = [&](const QImage& img, const QString& file) {
        if (img.isNull() || !img.save(dir.filePath(file), "PNG")) {
            std::fprintf(stderr, "vx5h-artdump: cannot write %s\n", qPrintable(file));
            ++failures;
        }
    };
    // Draw everything first, timed, so the figures say what start-up pays.
    QElapsedTimer timer;
    timer.start();
    for (const QString& name : resources::BitmapNames())
        resources::LoadBitmap(name);
    const qint64 bitmapsMs = timer.restart();
    for (const QString& name : resources::AnimationNames())
        resources::LoadAnimationFrames(name);
    const qint64 animationMs = timer.elapsed();
    std::printf("vx5h-artdump: drew %lld bitmaps in %lld ms, animations in %lld ms\n",
        static_cast<long long>(resources::BitmapNames().size()), static_cast<long long>(bitmapsMs),
        static_cast<long long>(animationMs));
    for (const QString& name : resources::BitmapNames())
        save(resources::LoadBitmap(name), name + QStringLiteral(".png"));
    for (const QString& name : resources::AnimationNames()) {
        const QList<QImage> frames = resources::LoadAnimationFrames(name);
        for (int i : {0, 20, 40, 60, 80, 100, 120, 140, 160})
            if (i < frames.size())
                save(frames.at(i), QStringLiteral("%1_%2.png").arg(name).arg(i, 3, 10, QLatin1Char('0')));
    }
    for (const auto& [file, img] : Mockups())
        save(img, file);
    std::printf("vx5h-artdump: wrote %lld bitmaps to %s\n", static_cast<long long>(resources::BitmapNames().size()),
        qPrintable(dir.absolutePath()));
    return failures == 0 ? 0 : 1;
}
