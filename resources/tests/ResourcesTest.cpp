// The artwork is drawn by code, so these tests guard what the windows rely on: names,
// sizes and frame layout, the transparent colour of keyed pictures, the bubble's black
// surround, the remote's keys inside the page's key rectangles, parts under the board
// outlines, dark backgrounds under light text, and a live, complete welcome animation.
#include "resources/Resources.h"

#include "resources/Catalog.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThreadPool>

#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using resources::BitmapNames;
using resources::BitmapSize;
using resources::IsButtonBitmap;
using resources::LoadAnimationFrames;
using resources::LoadBitmap;

QImage Load(const char* name) { return LoadBitmap(QString::fromLatin1(name)); }

double Luma(QRgb c) { return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c); }

struct Stats {
    double mean = 0, stddev = 0, max = 0;
};

Stats LumaStats(const QImage& img, const QRect& r)
{
    Stats s;
    double sum = 0, sq = 0;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double l = Luma(img.pixel(x, y));
            sum += l;
            sq += l * l;
            s.max = std::max(s.max, l);
            ++n;
        }
    s.mean = sum / n;
    s.stddev = std::sqrt(std::max(0.0, sq / n - s.mean * s.mean));
    return s;
}

QStringList HexNames()
{
    QStringList names;
    for (const char* d : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e", "f"})
        names << QStringLiteral("HEX_") + QLatin1String(d);
    return names;
}

TEST(Resources, EveryNamedBitmapHasItsSizeAndA24BitFormat)
{
    struct Expected {
        const char* name;
        int w, h;
    };
    const Expected fixed[] = {
        {"MAIN_UI", 620, 600},
        {"TAB_BUTTON", 93, 152},
        {"CLOSE_BTN", 37, 48},
        {"MINI_BTN", 37, 48},
        {"ABOUT_BTN", 37, 48},
        {"CONNECT_BTN", 79, 308},
        {"DISCONNECT_BTN", 79, 308},
        {"ABOUT_BK", 300, 300},
        {"NORMAL_BTN", 64, 68},
        {"GSENSOR_DLG_BK", 387, 296},
        {"IR_DLG_BK", 387, 296},
        {"TAB_DLG_BK", 387, 296},
        {"MEMORY_DLG_BK", 387, 296},
        {"BT_DLG_BK", 387, 296},
        {"SDCARD_DLG_BK", 387, 296},
        {"HSMC_DLG_BK", 387, 296},
        {"XY_LEVEL_BMP", 140, 141},
        {"X_LEVEL_BMP", 195, 25},
        {"Y_LEVEL_BMP", 25, 194},
        {"XY_BUBBLE_BMP", 20, 19},
        {"X_BUBBLE_BMP", 20, 19},
        {"Y_BUBBLE_BMP", 20, 19},
        {"COMPOSITE", 329, 169},
    };
    for (const Expected& e : fixed) {
        const QImage img = Load(e.name);
        ASSERT_FALSE(img.isNull()) << e.name;
        EXPECT_EQ(img.size(), QSize(e.w, e.h)) << e.name;
        EXPECT_EQ(BitmapSize(QString::fromLatin1(e.name)), QSize(e.w, e.h)) << e.name;
    }
    // Names the pages load whose sizes follow from their layouts.
    QStringList used = {"MIDDLE_BTN", "LONG_BTN", "RIGHT_BTN", "LEFT_BTN", "LEDG_LIGHT_BTN", "LEDG_UNLIGHT_BTN",
        "LEDR_LIGHT_BTN", "LEDR_UNLIGHT_BTN", "SW_UP", "SW_DOWN", "BUTTON_UP", "BUTTON_DOWN"};
    used << HexNames();
    for (const QString& name : used)
        EXPECT_TRUE(BitmapNames().contains(name)) << name.toStdString();
    for (const QString& name : BitmapNames()) {
        const QImage img = LoadBitmap(name);
        ASSERT_FALSE(img.isNull()) << name.toStdString();
        EXPECT_EQ(img.format(), QImage::Format_RGB32) << name.toStdString();
        EXPECT_FALSE(img.hasAlphaChannel()) << name.toStdString();
    }
    // LED buttons are 24 wide (labels are centred 12 px right of their left edge).
    EXPECT_EQ(Load("LEDG_LIGHT_BTN").width(), 24);
}

TEST(Resources, UnknownNamesGiveNothing)
{
    EXPECT_TRUE(LoadBitmap(QString()).isNull());
    EXPECT_TRUE(LoadBitmap(QStringLiteral("main_ui")).isNull()); // names are exact
    EXPECT_TRUE(LoadBitmap(QStringLiteral("HEX_10")).isNull());
    EXPECT_TRUE(LoadBitmap(QStringLiteral("WELCOME_AVI")).isNull()); // an animation, not a bitmap
    EXPECT_FALSE(BitmapSize(QStringLiteral("NOPE")).isValid());
    EXPECT_FALSE(IsButtonBitmap(QStringLiteral("NOPE")));
    EXPECT_TRUE(LoadAnimationFrames(QStringLiteral("MAIN_UI")).isEmpty());
}

TEST(Resources, ButtonBitmapsHoldFourDistinctFrames)
{
    int buttons = 0;
    for (const QString& name : BitmapNames()) {
        if (!IsButtonBitmap(name))
            continue;
        ++buttons;
        const QImage img = LoadBitmap(name);
        ASSERT_EQ(img.height() % 4, 0) << name.toStdString();
        const int h = img.height() / 4;
        QImage frames[4];
        for (int f = 0; f < 4; ++f)
            frames[f] = img.copy(0, f * h, img.width(), h);
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_NE(frames[a], frames[b]) << name.toStdString() << " frames " << a << " and " << b;
    }
    EXPECT_EQ(buttons, 15); // tab, 3 title-bar, 2 connect, 3 push, 2 arrows, 4 LEDs
}

TEST(Resources, BitmapsAreDrawnOnceAndShared)
{
    const QImage a = Load("TAB_DLG_BK");
    const QImage b = Load("TAB_DLG_BK");
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    // A caller that draws into its copy does not change the cached picture.
    QImage mine = Load("NORMAL_BTN");
    mine.fill(Qt::red);
    EXPECT_NE(Load("NORMAL_BTN").pixel(30, 8), QColor(Qt::red).rgb());
}

TEST(Resources, ConcurrentLoadsAgree)
{
    const QStringList names = BitmapNames();
    std::vector<std::vector<QImage>> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < names.size(); ++i)
                got[t].push_back(LoadBitmap(names[(i * (t + 1) * 7) % names.size()]));
        });
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < names.size(); ++i)
            EXPECT_EQ(got[t][i], LoadBitmap(names[(i * (t + 1) * 7) % names.size()]));
}

TEST(Resources, KeyedPicturesHaveNoHolesAndKeyOnThePageColour)
{
    // Switches, keys and digits are drawn leaving out their bottom-left pixel's colour.
    // That colour must be the page colour (so soft corners blend in) and must not occur
    // inside the picture, or the page would show through holes.
    const QRgb page = Load("TAB_DLG_BK").pixel(2, 150) & 0xFFFFFF;
    QStringList keyed = {"SW_UP", "SW_DOWN", "BUTTON_UP", "BUTTON_DOWN"};
    keyed << HexNames();
    for (const QString& name : keyed) {
        const QImage img = LoadBitmap(name);
        const QRgb key = img.pixel(0, img.height() - 1);
        EXPECT_LT(std::abs(qRed(key) - qRed(page)) + std::abs(qGreen(key) - qGreen(page))
                + std::abs(qBlue(key) - qBlue(page)),
            24)
            << name.toStdString();
        int holes = 0;
        for (int y = 4; y < img.height() - 4; ++y)
            for (int x = 4; x < img.width() - 4; ++x)
                holes += img.pixel(x, y) == key;
        EXPECT_EQ(holes, 0) << name.toStdString();
    }
    // Each digit shows its own value.
    const QStringList hex = HexNames();
    for (int a = 0; a < 16; ++a)
        for (int b = a + 1; b < 16; ++b)
            EXPECT_NE(LoadBitmap(hex[a]), LoadBitmap(hex[b]));
}

TEST(Resources, BubblesAreBlackAroundAndLitInside)
{
    for (const char* name : {"XY_BUBBLE_BMP", "X_BUBBLE_BMP", "Y_BUBBLE_BMP"}) {
        const QImage b = Load(name);
        for (QPoint corner : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 18), QPoint(19, 18)})
            EXPECT_EQ(b.pixel(corner) & 0xFFFFFF, 0u) << name;
        const QRgb centre = b.pixel(10, 9);
        EXPECT_GT(qRed(centre), 100) << name;
        EXPECT_GT(qGreen(centre), 100) << name;
        EXPECT_GT(qBlue(centre), 100) << name;
    }
}

TEST(Resources, RemoteKeysLieInsideTheKeyRectangles)
{
    const QImage ir = Load("IR_DLG_BK");
    // Between two keys of a row lies the dark face plate; on the key, the key.
    for (int i = 0; i < 24; ++i) {
        const int c = i % 4, r = i / 4;
        const QRect key(235 + 23 * c, 67 + 24 * r, 18, 18);
        const Stats inside = LumaStats(ir, key.adjusted(4, 4, -4, -4));
        const Stats gap = LumaStats(ir, QRect(key.left() - 3, key.top() + 6, 2, 6));
        EXPECT_GT(inside.mean, gap.mean + 25) << "key " << i;
        // The key is round inside its square: the square's corner is plate, not key.
        EXPECT_LT(Luma(ir.pixel(key.topLeft())), inside.mean) << "key " << i;
    }
}

TEST(Resources, BoardPartsStandUnderTheirOutlines)
{
    const QImage ui = Load("MAIN_UI");
    const QRect outlines[] = {{235, 221, 108, 19}, {186, 241, 244, 9}, {186, 251, 170, 15}, {357, 251, 70, 15},
        {363, 161, 34, 41}, {447, 187, 15, 13}, {469, 210, 10, 13}, {429, 235, 35, 35}, {408, 169, 25, 31},
        {427, 209, 22, 22}, {453, 148, 9, 14}, {454, 102, 9, 12}, {359, 186, 101, 35}, {349, 40, 44, 29},
        {410, 40, 40, 29}, {464, 91, 13, 78}};
    // A bare board is smooth; a part has edges, pins, markings.
    double bare = 1e9;
    for (QPoint spot : {QPoint(340, 120), QPoint(345, 140), QPoint(200, 222), QPoint(320, 196), QPoint(430, 128)})
        bare = std::min(bare, LumaStats(ui, QRect(spot, QSize(10, 10))).stddev);
    EXPECT_LT(bare, 6);
    for (const QRect& r : outlines)
        EXPECT_GT(LumaStats(ui, r).stddev, bare + 12) << r.x() << "," << r.y();
}

// The LCD page's outline (359, 186, 101, 35) is the LCD: across its height the module's
// green fills it, so the memories above it stand clear of it and the outline covers no
// chip. Only its right end (x 447 on) holds the G-sensor, whose outline lies inside.
TEST(Resources, TheLcdFillsItsOutline)
{
    for (qreal ratio : {1.0, 2.0}) {
        const QImage ui = LoadBitmap(QStringLiteral("MAIN_UI"), ratio);
        const auto device = [ratio](int logical) { return resources::ToDevice(logical, ratio); };
        for (int y = 187; y <= 219; ++y) {
            int green = 0, all = 0;
            for (int x = device(361); x < device(445); ++x, ++all) {
                const QRgb c = ui.pixel(x, device(y));
                green += qGreen(c) > qRed(c) + 10 && qGreen(c) > qBlue(c) + 25 ? 1 : 0;
            }
            EXPECT_GT(green, all * 9 / 10) << "row " << y << " at ratio " << ratio;
        }
    }
}

TEST(Resources, LightTextLandsOnDarkBackgrounds)
{
    // Where the windows write white, lime, yellow or cyan text, the picture stays dark.
    struct Spot {
        const char* picture;
        QRect box;
    };
    const Spot spots[] = {
        {"MAIN_UI", {164, 8, 292, 16}},   // title, lime
        {"MAIN_UI", {30, 540, 92, 22}},   // connection status
        {"MAIN_UI", {245, 562, 329, 16}}, // information line, yellow
        {"MEMORY_DLG_BK", {16, 16, 90, 16}},
        {"MEMORY_DLG_BK", {16, 59, 370, 20}},
        {"MEMORY_DLG_BK", {44, 255, 330, 16}},
        {"BT_DLG_BK", {20, 18, 50, 16}},
        {"BT_DLG_BK", {60, 160, 300, 16}},
        {"GSENSOR_DLG_BK", {14, 99, 96, 16}},
        {"GSENSOR_DLG_BK", {250, 88, 60, 16}},
        {"GSENSOR_DLG_BK", {82, 32, 220, 16}},
        {"SDCARD_DLG_BK", {32, 24, 280, 97}},
        {"SDCARD_DLG_BK", {32, 132, 272, 89}},
        {"HSMC_DLG_BK", {24, 80, 249, 150}},
        {"IR_DLG_BK", {32, 32, 160, 40}},
        {"IR_DLG_BK", {97, 96, 20, 129}},
        {"ABOUT_BK", {96, 196, 190, 15}},
        {"ABOUT_BK", {96, 223, 190, 15}},
    };
    for (const Spot& s : spots)
        EXPECT_LT(LumaStats(Load(s.picture), s.box).max, 90) << s.picture << " at " << s.box.x() << "," << s.box.y();
    // The shared page background carries controls anywhere: dark all over its visible part.
    EXPECT_LT(LumaStats(Load("TAB_DLG_BK"), QRect(0, 2, 387, 270)).max, 90);
}

TEST(Resources, WelcomeAnimationIsCompleteAndAlive)
{
    QElapsedTimer timer;
    timer.start();
    const QList<QImage> frames = LoadAnimationFrames(QStringLiteral("WELCOME_AVI"));
    const qint64 ms = timer.elapsed();
    std::printf(
        "WELCOME_AVI: %lld frames in %lld ms\n", static_cast<long long>(frames.size()), static_cast<long long>(ms));
    ASSERT_GE(frames.size(), 161);
    for (const QImage& f : frames) {
        EXPECT_EQ(f.size(), QSize(387, 296));
        EXPECT_EQ(f.format(), QImage::Format_RGB32);
    }
    for (int i = 1; i < 161; i += 20)
        EXPECT_NE(frames[0], frames[i]) << "frame " << i;
    // Kept after the first load.
    EXPECT_EQ(LoadAnimationFrames(QStringLiteral("WELCOME_AVI")).first().cacheKey(), frames.first().cacheKey());
    EXPECT_LT(ms, 3000); // generous: the build machine is shared
}

TEST(Resources, APlayerDrawsTheSameFramesOneAtATime)
{
    const QString name = QStringLiteral("WELCOME_AVI");
    ASSERT_EQ(resources::AnimationFrameCount(name), 161);
    const QList<QImage> frames = LoadAnimationFrames(name);
    for (int i : {0, 1, 80, 160})
        EXPECT_EQ(resources::LoadAnimationFrame(name, i), frames[i]) << "frame " << i;
    EXPECT_TRUE(resources::LoadAnimationFrame(name, -1).isNull());
    EXPECT_TRUE(resources::LoadAnimationFrame(name, 161).isNull());
    EXPECT_EQ(resources::AnimationFrameCount(QStringLiteral("MAIN_UI")), 0);
    EXPECT_TRUE(resources::LoadAnimationFrame(QStringLiteral("MAIN_UI"), 0).isNull());
}

QImage Frame(const char* name, int frame)
{
    const QImage img = Load(name);
    const int h = img.height() / 4;
    return img.copy(0, frame * h, img.width(), h);
}

// Sum of absolute channel differences over two images of one size.
double Difference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum;
}

TEST(Resources, PicturesAreReproducible)
{
    // Drawn from source only: the same picture every time, nothing left to chance or to
    // uninitialised memory.
    for (const resources::art::Entry& e : resources::art::Catalog())
        EXPECT_EQ(resources::art::Render(e), LoadBitmap(e.name)) << e.name.toStdString();
}

TEST(Resources, PicturesDrawnAheadInBandsMatchThoseDrawnWhole)
{
    // Large pictures prepared on the thread pool are drawn in two bands at once: they
    // come out as a window drawing them itself gets them, at whole and fractional ratios.
    for (qreal ratio : {2.0, 2.5, 3.0}) {
        resources::PrepareBitmaps({QStringLiteral("MAIN_UI")}, ratio);
        QThreadPool::globalInstance()->waitForDone();
        const QImage prepared = LoadBitmap(QStringLiteral("MAIN_UI"), ratio);
        EXPECT_EQ(prepared, resources::art::Render(*resources::art::FindEntry(QStringLiteral("MAIN_UI")), ratio))
            << ratio;
        EXPECT_EQ(prepared.devicePixelRatio(), ratio);
    }
}

TEST(Resources, PictureStatesShowWhatTheyMean)
{
    // LEDs: lit is brighter than unlit, green is green and red is red.
    for (int f : {0, 2, 3}) {
        const QRect lens(6, 7, 12, 12);
        EXPECT_GT(
            LumaStats(Frame("LEDG_LIGHT_BTN", f), lens).mean, LumaStats(Frame("LEDG_UNLIGHT_BTN", f), lens).mean + 40);
        EXPECT_GT(
            LumaStats(Frame("LEDR_LIGHT_BTN", f), lens).mean, LumaStats(Frame("LEDR_UNLIGHT_BTN", f), lens).mean + 30);
        const QRgb g = Frame("LEDG_LIGHT_BTN", f).pixel(12, 15), r = Frame("LEDR_LIGHT_BTN", f).pixel(12, 15);
        EXPECT_GT(qGreen(g), qRed(g) + 60);
        EXPECT_GT(qRed(r), qGreen(r) + 60);
    }
    // The page draws a switch that is on (its bit set, its lamp lit) with "SW_DOWN": its
    // handle sits high, by the lamp, as on the board; one that is off ("SW_UP") low.
    const QImage off = Load("SW_UP"), on = Load("SW_DOWN");
    const QRect top(6, 16, 8, 12), bottom(6, 38, 8, 12);
    EXPECT_GT(LumaStats(on, top).mean, LumaStats(on, bottom).mean + 40);
    EXPECT_GT(LumaStats(off, bottom).mean, LumaStats(off, top).mean + 40);
    const QRgb lampOn = on.pixel(10, 6), lampOff = off.pixel(10, 6);
    EXPECT_GT(qGreen(lampOn), qGreen(lampOff) + 60);
    // Hover lights a control up; disabled dims it.
    for (const char* name : {"TAB_BUTTON", "NORMAL_BTN", "CONNECT_BTN", "LEFT_BTN"}) {
        const QImage normal = Frame(name, 0);
        const QRect all = normal.rect();
        EXPECT_GT(LumaStats(Frame(name, 2), all).mean, LumaStats(normal, all).mean) << name;
        EXPECT_LT(LumaStats(Frame(name, 1), all).stddev, LumaStats(normal, all).stddev) << name;
    }
    EXPECT_NE(Load("CONNECT_BTN"), Load("DISCONNECT_BTN"));
}

TEST(Resources, BubbleShowsWhenBlendedAtHalfStrength)
{
    // The G-sensor page blends each non-zero bubble channel half and half into the level;
    // the bubble must stand out from the fluid where it lands.
    const struct {
        const char* level;
        QPoint at;
    } cases[] = {{"XY_LEVEL_BMP", {60, 61}}, {"X_LEVEL_BMP", {87, 3}}, {"Y_LEVEL_BMP", {2, 87}}};
    const QImage bubble = Load("XY_BUBBLE_BMP");
    for (const auto& c : cases) {
        const QImage level = Load(c.level);
        QImage blended = level.copy();
        for (int y = 0; y < bubble.height(); ++y)
            for (int x = 0; x < bubble.width(); ++x) {
                const QRgb b = bubble.pixel(x, y), t = level.pixel(c.at.x() + x, c.at.y() + y);
                const auto mix = [](int tv, int bv) { return bv ? (tv + bv) / 2 : tv; };
                blended.setPixel(c.at.x() + x, c.at.y() + y,
                    qRgb(mix(qRed(t), qRed(b)), mix(qGreen(t), qGreen(b)), mix(qBlue(t), qBlue(b))));
            }
        const QRect spot(c.at + QPoint(5, 5), QSize(10, 9));
        EXPECT_GT(LumaStats(blended, spot).mean, LumaStats(level, spot).mean + 20) << c.level;
        // The fluid itself is light enough to carry the bubble and dark text stays off it.
        EXPECT_GT(LumaStats(level, spot).mean, 100) << c.level;
    }
}

TEST(Resources, WelcomeAnimationLoopsWithoutAJump)
{
    const QList<QImage> frames = LoadAnimationFrames(QStringLiteral("WELCOME_AVI"));
    ASSERT_GE(frames.size(), 161);
    double largestStep = 0;
    for (int i = 0; i < 160; ++i)
        largestStep = std::max(largestStep, Difference(frames[i], frames[i + 1]));
    EXPECT_LE(Difference(frames[160], frames[0]), largestStep * 1.5);
}

} // namespace

int main(int argc, char** argv)
{
    // Text is drawn through the font database, which needs a GUI application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
