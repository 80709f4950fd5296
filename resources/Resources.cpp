#include "resources/Resources.h"

#include "resources/Animation.h"
#include "resources/Catalog.h"
#include "resources/Paint.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>
#include <QtMath>

#include <atomic>
#include <future>
#include <functional>
#include <memory>
#include <vector>

namespace resources {
namespace {

// A window moved between screens of different scales asks for both drawings, so each
// ratio is kept under its own key.
struct BitmapKey {
    QString name;
    int hundredths; // the normal ratio x 100
    bool operator==(const BitmapKey&) const = default;
};
size_t qHash(const BitmapKey& key, size_t seed = 0) { return qHashMulti(seed, key.name, key.hundredths); }

// One picture of the cache. Whoever claims it first draws it, a worker of the thread
// pool asked to prepare it or a window that needs it now; everyone else waits for that
// drawing. A window never waits for a picture that nobody draws: it claims it itself.
//
// A worker of the pool never waits: Qt's painter splits large fills of other threads
// into tasks of that same pool, so a worker waiting for a picture drawn elsewhere could
// hold up the very drawing it waits for. Such a worker draws its own copy instead (the
// pictures are drawn from code and come out the same).
struct Drawing {
    std::atomic<bool> claimed{false};
    std::promise<QImage> promise;
    std::shared_future<QImage> result{promise.get_future().share()};
};

// Drawn pictures, kept for the life of the process: each is drawn once per ratio. The
// lock guards the table only, never a drawing, so that pictures are drawn side by side
// and one drawn over a piece of another (a button over the board picture) can wait for it.
struct Cache {
    QMutex mutex;
    QHash<BitmapKey, std::shared_ptr<Drawing>> bitmaps;
    QMutex animationMutex; // held while a whole animation is drawn
    QHash<QString, QList<QImage>> animations;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

std::shared_ptr<Drawing> DrawingOf(const BitmapKey& key)
{
    Cache& cache = TheCache();
    QMutexLocker lock(&cache.mutex);
    std::shared_ptr<Drawing>& drawing = cache.bitmaps[key];
    if (!drawing)
        drawing = std::make_shared<Drawing>();
    return drawing;
}

// Draws `drawing` with `draw` unless someone claimed it first.
void DrawUnlessClaimed(Drawing& drawing, const std::function<QImage()>& draw)
{
    if (drawing.claimed.exchange(true))
        return;
    try {
        drawing.promise.set_value(draw());
    } catch (...) {
        // Out of memory: whoever waits gets the failure, as a caller drawing it would.
        drawing.promise.set_exception(std::current_exception());
    }
}

bool Ready(const Drawing& drawing)
{
    return drawing.result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// The drawing's picture: drawn now by this thread if nobody claimed it, else waited
// for, except in a worker of the pool (see Drawing), which draws its own copy.
QImage Await(Drawing& drawing, const std::function<QImage()>& draw)
{
    DrawUnlessClaimed(drawing, draw);
    if (!Ready(drawing) && QThreadPool::globalInstance()->contains(QThread::currentThread()))
        return draw();
    return drawing.result.get();
}

// Draws `drawing`, a picture drawn in two bands, unless someone claimed it first: the
// first band here and the second on another worker of the pool, at once. `done` runs
// once it is drawn (or claimed). The band that ends last hands the picture over: neither
// waits for the other, as no worker of the pool may (see Drawing).
void DrawInBands(const art::Entry& entry, qreal ratio, const std::shared_ptr<Drawing>& drawing, std::function<void()> done)
{
    if (drawing->claimed.exchange(true)) {
        done();
        return;
    }
    const auto picture = std::make_shared<QImage>();
    QImage top, bottom;
    int split = 0;
    try {
        *picture = art::NewPicture(entry.size, ratio);
        split = art::BandRow(entry, ratio);
        top = art::PictureRows(*picture, 0, split);
        bottom = art::PictureRows(*picture, split, picture->height() - split);
    } catch (...) {
        drawing->promise.set_exception(std::current_exception());
        done();
        return;
    }
    struct Shared {
        std::atomic<int> left{2};
        std::atomic<bool> failed{false};
    };
    const auto shared = std::make_shared<Shared>();
    const auto drawBand = [&entry, drawing, picture, shared, done](QImage rows, int first) {
        try {
            art::RenderRows(entry, rows, first);
        } catch (...) {
            shared->failed = true;
        }
        if (--shared->left > 0)
            return;
        if (shared->failed)
            drawing->promise.set_exception(std::make_exception_ptr(std::bad_alloc()));
        else
            drawing->promise.set_value(*picture);
        done();
    };
    // Each band is painted through its one image of the picture's rows: a second
    // reference to that image would make the painter draw into a copy.
    QThreadPool::globalInstance()->start(
        [drawBand, rows = std::move(bottom), split]() mutable { drawBand(std::move(rows), split); });
    drawBand(std::move(top), 0);
}

// The still parts of the welcome animation are kept like a bitmap, under its name.
BitmapKey StillKey(qreal ratio) { return {QString::fromLatin1(art::kWelcomeAnimation), qRound(ratio * 100.0)}; }

} // namespace

qreal NormalRatio(qreal ratio)
{
    if (!(ratio >= 1.0)) // also NaN
        return 1.0;
    return qRound(qMin(ratio, MAX_RATIO) * 100.0) / 100.0;
}

int DeviceLength(int logical, qreal ratio)
{
    // The small allowance keeps 100 x 1.1 (110.00000000000001 in binary) at 110.
    return qCeil(logical * NormalRatio(ratio) - 1e-6);
}

QSize DeviceSize(const QSize& logical, qreal ratio)
{
    return {DeviceLength(logical.width(), ratio), DeviceLength(logical.height(), ratio)};
}

int ToDevice(int logical, qreal ratio) { return qRound(logical * NormalRatio(ratio)); }

QImage LoadBitmap(const QString& name, qreal ratio)
{
    const art::Entry* entry = art::FindEntry(name);
    if (!entry)
        return QImage();
    ratio = NormalRatio(ratio);
    const std::shared_ptr<Drawing> drawing = DrawingOf({name, qRound(ratio * 100.0)});
    return Await(*drawing, [entry, ratio] { return art::Render(*entry, ratio); });
}

void PrepareBitmaps(const QStringList& names, qreal ratio, const QStringList& over)
{
    ratio = NormalRatio(ratio);
    struct Job {
        const art::Entry* entry;
        std::shared_ptr<Drawing> drawing;
    };
    const auto jobsOf = [ratio](const QStringList& list) {
        std::vector<Job> jobs;
        for (const QString& name : list)
            if (const art::Entry* entry = art::FindEntry(name))
                jobs.push_back({entry, DrawingOf({name, qRound(ratio * 100.0)})});
        return jobs;
    };
    const auto start = [ratio](const Job& job, std::function<void()> then) {
        QThreadPool::globalInstance()->start([job, ratio, then] {
            if (art::BandRow(*job.entry, ratio) > 0 && QThreadPool::globalInstance()->maxThreadCount() > 1) {
                DrawInBands(*job.entry, ratio, job.drawing, then ? then : [] { });
                return;
            }
            DrawUnlessClaimed(*job.drawing, [&job, ratio] { return art::Render(*job.entry, ratio); });
            if (then)
                then();
        });
    };
    // The pictures drawn over the first ones start when the last of those is drawn, so
    // that they find it ready and never wait in the pool.
    const auto later = std::make_shared<std::vector<Job>>(jobsOf(over));
    std::vector<Job> first = jobsOf(names);
    const auto left = std::make_shared<std::atomic<int>>(static_cast<int>(first.size()));
    const auto startLater = [later, start] {
        for (const Job& job : *later)
            start(job, {});
    };
    if (first.empty())
        startLater();
    for (const Job& job : first)
        start(job, [left, startLater] {
            if (--*left == 0)
                startLater();
        });
}

QStringList BitmapNames()
{
    QStringList names;
    for (const art::Entry& e : art::Catalog())
        names << e.name;
    return names;
}

QSize BitmapSize(const QString& name)
{
    const art::Entry* entry = art::FindEntry(name);
    return entry ? entry->size : QSize();
}

bool IsButtonBitmap(const QString& name)
{
    const art::Entry* entry = art::FindEntry(name);
    return entry && entry->button;
}

QStringList AnimationNames() { return {QString::fromLatin1(art::kWelcomeAnimation)}; }

QList<QImage> LoadAnimationFrames(const QString& name)
{
    if (name != QLatin1String(art::kWelcomeAnimation))
        return {};
    Cache& cache = TheCache();
    QMutexLocker lock(&cache.animationMutex);
    auto it = cache.animations.constFind(name);
    if (it != cache.animations.constEnd())
        return *it;
    // From the still parts a player's frames are drawn from too, so that both agree.
    const QImage still = Await(*DrawingOf(StillKey(1.0)), [] { return art::RenderWelcomeStill(1.0); });
    QList<QImage> frames;
    frames.reserve(art::kWelcomeFrames);
    for (int i = 0; i < art::kWelcomeFrames; ++i)
        frames.append(art::RenderWelcomeFrame(i, still));
    cache.animations.insert(name, frames);
    return frames;
}

int AnimationFrameCount(const QString& name)
{
    return name == QLatin1String(art::kWelcomeAnimation) ? art::kWelcomeFrames : 0;
}

QSize AnimationSize(const QString& name)
{
    return AnimationFrameCount(name) > 0 ? QSize(art::kWelcomeWidth, art::kWelcomeHeight) : QSize();
}

void PrepareAnimation(const QString& name, qreal ratio)
{
    if (AnimationFrameCount(name) == 0)
        return;
    ratio = NormalRatio(ratio);
    std::shared_ptr<Drawing> still = DrawingOf(StillKey(ratio));
    if (!still->claimed)
        QThreadPool::globalInstance()->start(
            [still, ratio] { DrawUnlessClaimed(*still, [ratio] { return art::RenderWelcomeStill(ratio); }); });
}

TDrawingAhead::~TDrawingAhead() { QThreadPool::globalInstance()->waitForDone(); }

bool AnimationReady(const QString& name, qreal ratio)
{
    return AnimationFrameCount(name) > 0 && Ready(*DrawingOf(StillKey(NormalRatio(ratio))));
}

QImage LoadAnimationFrame(const QString& name, int index, qreal ratio)
{
    if (index < 0 || index >= AnimationFrameCount(name))
        return QImage();
    ratio = NormalRatio(ratio);
    const QImage still = Await(*DrawingOf(StillKey(ratio)), [ratio] { return art::RenderWelcomeStill(ratio); });
    return art::RenderWelcomeFrame(index, still);
}

} // namespace resources
