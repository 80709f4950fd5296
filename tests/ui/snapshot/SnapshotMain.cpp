// Renders every registered skinned window and every named bitmap offscreen into PNG
// files, for a person to look at: <out>/windows/<name>.png, <out>/bitmaps/<NAME>.png and
// a few frames of each animation under <out>/animations/.
//
// Usage: snapshot [output folder]   (default: the build's snapshots/ folder)

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <cstdio>

#include "SnapshotWindows.h"
#include "resources/Resources.h"
#include "ui/Seams.h"

#ifndef VX5H_SNAPSHOT_DIR
#define VX5H_SNAPSHOT_DIR "snapshots"
#endif

namespace {

bool Save(const QImage& image, const QString& path)
{
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "snapshot: could not write %s\n", qUtf8Printable(path));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(path));
    return true;
}

int SaveWindows(const QDir& out)
{
    int failures = 0;
    for (const TSnapshotWindow& entry : SnapshotWindows()) {
        std::unique_ptr<QWidget> window = entry.make();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            std::fprintf(stderr, "snapshot: window %s never showed\n", qUtf8Printable(entry.name));
            ++failures;
            continue;
        }
        if (entry.prepare)
            entry.prepare(*window);
        QApplication::processEvents();
        failures += !Save(window->grab().toImage(), out.filePath(entry.name + ".png"));
    }
    return failures;
}

int SaveBitmaps(const QDir& out)
{
    int failures = 0;
    for (const QString& name : resources::BitmapNames())
        failures += !Save(resources::LoadBitmap(name), out.filePath(name + ".png"));
    return failures;
}

int SaveAnimations(const QDir& out)
{
    int failures = 0;
    for (const QString& name : resources::AnimationNames()) {
        const QList<QImage> frames = resources::LoadAnimationFrames(name);
        if (frames.isEmpty()) {
            std::fprintf(stderr, "snapshot: animation %s has no frames\n", qUtf8Printable(name));
            ++failures;
            continue;
        }
        // First, middle and last frame.
        for (qsizetype i : {qsizetype(0), frames.size() / 2, frames.size() - 1})
            failures += !Save(frames[i], out.filePath(QStringLiteral("%1-%2.png").arg(name).arg(i, 3, 10, QChar('0'))));
    }
    return failures;
}

QDir MakeFolder(const QString& root, const QString& sub)
{
    QDir dir(root);
    dir.mkpath(sub);
    return QDir(dir.filePath(sub));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Nobody is at the screen: message boxes are logged and file dialogs cancelled.
    ui::TSeamHandlers unattended;
    unattended.message = [](QWidget*, ui::TMessageKind, const QString& title, const QString& text) {
        std::fprintf(stderr, "snapshot: message box \"%s\": %s\n", qUtf8Printable(title), qUtf8Printable(text));
    };
    unattended.openFile = [](QWidget*, const ui::TFileDialogRequest&) { return QString(); };
    unattended.saveFile = unattended.openFile;
    const ui::TScopedSeams seams(unattended);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VX5H_SNAPSHOT_DIR);
    int failures = SaveWindows(MakeFolder(root, "windows"));
    failures += SaveBitmaps(MakeFolder(root, "bitmaps"));
    failures += SaveAnimations(MakeFolder(root, "animations"));
    if (failures)
        std::fprintf(stderr, "snapshot: %d picture(s) failed\n", failures);
    return failures ? 1 : 0;
}
