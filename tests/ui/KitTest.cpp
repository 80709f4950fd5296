#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "SyntheticArt.h"
#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"
#include "ui/SkinnedWindow.h"

using testart::FRAME_COLOURS;

namespace {

// A skinned window laid out like every window of the program: background under key 0,
// one button group, mouse hooks forwarding to it. It records the ids released over and
// counts paint events (to see that drawing reaches the screen without an event loop).
class TTestWindow : public ui::TSkinnedWindow {
public:
    explicit TTestWindow(ui::TButtonMode mode)
    {
        Skin = std::make_unique<ui::TBitmapManager>(Canvas(), this);
        Skin->Add(0, "BG", false);
        SetCanvasSize(Skin->GetSize(0));
        Buttons = std::make_unique<ui::TButtonManager>(this, mode, Canvas());
    }

    std::unique_ptr<ui::TBitmapManager> Skin;
    std::unique_ptr<ui::TButtonManager> Buttons;
    std::vector<int> released;
    int paints = 0;

protected:
    void FormPaint() override
    {
        Skin->Draw(0, 0, 0);
        Buttons->PaintAll();
    }
    void FormMouseDown(int x, int y) override { Buttons->MouseDown(x, y); }
    void FormMouseMove(int x, int y) override { Buttons->MouseMove(x, y, true); }
    void FormMouseUp(int x, int y) override { released.push_back(Buttons->MouseUp(x, y)); }
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        ui::TSkinnedWindow::paintEvent(event);
    }
};

// Buttons 20 x 10 (a 20 x 42 bitmap: four frames of 10 rows and 2 spare rows).
constexpr int BW = 20;
constexpr int BH = 10;

class KitTest : public ::testing::Test {
protected:
    testart::TScopedArt art{{
        {"BG", testart::MakeFilled(120, 60, testart::BACKGROUND)},
        {"BTN", testart::MakeButton(BW, 4 * BH + 2)},
        {"WIDE", testart::MakeButton(60, 4 * 16)},
    }};

    // Two neighbours side by side at (10,10) and (30,10), a third further right.
    std::unique_ptr<TTestWindow> MakeWindow(ui::TButtonMode mode)
    {
        auto w = std::make_unique<TTestWindow>(mode);
        w->Buttons->Add(1, "", 10, 10, "BTN");
        w->Buttons->Add(2, "", 10, 10 + BW, "BTN");
        w->Buttons->Add(3, "", 10, 80, "BTN");
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        Park(*w);
        return w;
    }

    // Qt drops a move to where the pointer already is; the previous test may have left it
    // over a button. Two moves over the background make the next move a real one.
    static void Park(QWidget& w)
    {
        QTest::mouseMove(&w, QPoint(115, 55));
        QTest::mouseMove(&w, QPoint(116, 55));
    }

    static QRgb At(TTestWindow& w, int x, int y) { return w.Canvas()->pixel(x, y); }
    // The colour the button's top-left pixel shows on the canvas and on the screen.
    static QRgb Shown(TTestWindow& w, int id)
    {
        const ui::TCustomButton* b = w.Buttons->FindById(id);
        return At(w, b->Left(), b->Top());
    }
    static QPoint Centre(TTestWindow& w, int id) { return w.Buttons->FindById(id)->Rect().center(); }
};

TEST_F(KitTest, EachLookDrawsItsOwnFrameRows)
{
    auto w = MakeWindow(ui::bmPush);
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfNormal]);
    // The last row of a frame and the row under the button stay where they belong: the
    // frame height is height / 4, so the two spare rows of the bitmap are never copied.
    EXPECT_EQ(At(*w, 10, 10 + BH - 1), FRAME_COLOURS[ui::bfNormal]);
    EXPECT_EQ(At(*w, 10, 10 + BH), testart::BACKGROUND);

    QTest::mouseMove(w.get(), Centre(*w, 1));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfHover]);
    EXPECT_EQ(At(*w, 10, 10 + BH - 1), FRAME_COLOURS[ui::bfHover]);
    QTest::mousePress(w.get(), Qt::LeftButton, {}, Centre(*w, 1));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfPressed]);
    EXPECT_EQ(At(*w, 10 + BW - 1, 10 + BH - 1), FRAME_COLOURS[ui::bfPressed]);
    EXPECT_EQ(At(*w, 10, 10 + BH), testart::BACKGROUND);
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, Centre(*w, 1));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfNormal]);

    w->Buttons->SetEnabled(3, false);
    EXPECT_EQ(Shown(*w, 3), FRAME_COLOURS[ui::bfDisabled]);
}

TEST_F(KitTest, ReleaseOverAnotherButtonActsOnThatOne)
{
    auto w = MakeWindow(ui::bmPush);
    QTest::mousePress(w.get(), Qt::LeftButton, {}, Centre(*w, 1));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfPressed]);
    // A press without a move before it (a touch screen) still counts as hovering there.
    QTest::mouseMove(w.get(), Centre(*w, 3));
    // While held, the button under the pointer shows pressed, the one left shows at rest.
    EXPECT_EQ(Shown(*w, 3), FRAME_COLOURS[ui::bfPressed]);
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfNormal]);
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, Centre(*w, 3));
    EXPECT_EQ(w->released, std::vector<int>{3});
    EXPECT_FALSE(w->Buttons->Pressed());

    // Released over the background: no button, and a push group selects nothing.
    QTest::mousePress(w.get(), Qt::LeftButton, {}, Centre(*w, 2));
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, QPoint(5, 50));
    EXPECT_EQ(w->released.back(), -1);
    EXPECT_FALSE(w->Buttons->IsSelected(2));
    EXPECT_FALSE(w->Buttons->IsSelected(3));
}

TEST_F(KitTest, RadioGroupKeepsOneSelectionAndReselectKeepsIt)
{
    auto w = MakeWindow(ui::bmRadio);
    QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*w, 1));
    EXPECT_TRUE(w->Buttons->IsSelected(1));
    QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*w, 2));
    EXPECT_FALSE(w->Buttons->IsSelected(1));
    EXPECT_TRUE(w->Buttons->IsSelected(2));
    QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*w, 2));
    EXPECT_TRUE(w->Buttons->IsSelected(2));
    EXPECT_EQ(w->released, (std::vector<int>{1, 2, 2}));
    // A click beside every button leaves the selection alone.
    QTest::mouseClick(w.get(), Qt::LeftButton, {}, QPoint(5, 50));
    EXPECT_TRUE(w->Buttons->IsSelected(2));
}

// Whether the button's rectangle shows caption pixels of each colour. The frames have
// almost no red, so white text shows as red-bright pixels and cyan text as green-bright
// pixels without red (antialiased edges keep those properties).
struct TCaptionLook {
    bool white = false;
    bool cyan = false;
};
TCaptionLook CaptionLook(const QImage& canvas, const QRect& r)
{
    TCaptionLook look;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = canvas.pixel(x, y);
            if (qRed(p) > 128)
                look.white = true;
            if (qRed(p) < 64 && qGreen(p) > 128)
                look.cyan = true;
        }
    return look;
}

TEST_F(KitTest, ToggleFlipsSelectionAndCaptionColour)
{
    auto w = std::make_unique<TTestWindow>(ui::bmToggle);
    w->Buttons->Add(7, "Go", 20, 20, "WIDE");
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    Park(*w);
    const QRect r = w->Buttons->FindById(7)->Rect();
    w->Buttons->RedrawButton(7);
    EXPECT_TRUE(CaptionLook(*w->Canvas(), r).white);
    EXPECT_FALSE(CaptionLook(*w->Canvas(), r).cyan);

    QTest::mouseClick(w.get(), Qt::LeftButton, {}, r.center());
    EXPECT_TRUE(w->Buttons->IsSelected(7));
    QTest::mouseMove(w.get(), QPoint(5, 5)); // off the button: drawn at rest
    EXPECT_TRUE(CaptionLook(*w->Canvas(), r).cyan);
    EXPECT_FALSE(CaptionLook(*w->Canvas(), r).white);

    QTest::mouseClick(w.get(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(w->Buttons->IsSelected(7));
    QTest::mouseMove(w.get(), QPoint(5, 5));
    EXPECT_TRUE(CaptionLook(*w->Canvas(), r).white);
    EXPECT_FALSE(CaptionLook(*w->Canvas(), r).cyan);
}

TEST_F(KitTest, DisabledButtonTakesNeitherHoverNorClick)
{
    auto w = MakeWindow(ui::bmRadio);
    w->Buttons->SetEnabled(1, false);
    QTest::mouseMove(w.get(), Centre(*w, 1));
    EXPECT_EQ(w->Buttons->HoverId(), -1);
    EXPECT_FALSE(w->Buttons->IsOverButton(Centre(*w, 1).x(), Centre(*w, 1).y()));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfDisabled]);
    EXPECT_TRUE(w->cursor().shape() != Qt::PointingHandCursor);
    QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*w, 1));
    EXPECT_EQ(w->released, std::vector<int>{-1});
    EXPECT_FALSE(w->Buttons->IsSelected(1));
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfDisabled]);
}

TEST_F(KitTest, HoverMovesBetweenNeighboursAndShowsAtOnce)
{
    auto w = MakeWindow(ui::bmPush);
    QTest::mouseMove(w.get(), Centre(*w, 1));
    EXPECT_EQ(w->Buttons->HoverId(), 1);
    EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
    // Straight onto the neighbour: the first back at rest, the second hovered.
    QTest::mouseMove(w.get(), QPoint(10 + BW, 12));
    EXPECT_EQ(w->Buttons->HoverId(), 2);
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfNormal]);
    EXPECT_EQ(Shown(*w, 2), FRAME_COLOURS[ui::bfHover]);

    // The screen follows the canvas without waiting for the event loop.
    const int before = w->paints;
    w->Buttons->SetEnabled(3, false);
    EXPECT_GT(w->paints, before);
    EXPECT_EQ(w->grab().toImage().pixel(80, 10), FRAME_COLOURS[ui::bfDisabled]);

    // Leaving the window counts as moving onto the background.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w.get(), &leave);
    EXPECT_EQ(w->Buttons->HoverId(), -1);
    EXPECT_EQ(Shown(*w, 2), FRAME_COLOURS[ui::bfNormal]);
    EXPECT_NE(w->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(KitTest, UnknownIdsAndKeysAreHarmless)
{
    auto w = MakeWindow(ui::bmToggle);
    const QImage before = w->Canvas()->copy();
    w->Buttons->SetEnabled(99, false);
    w->Buttons->SetSelected(99, true);
    w->Buttons->SetCaption(99, "x");
    w->Buttons->SetBitmap(99, "BTN");
    w->Buttons->RedrawButton(99);
    w->Skin->Draw(42, 0, 0);
    EXPECT_FALSE(w->Buttons->IsSelected(99));
    EXPECT_EQ(w->Buttons->FindById(99), nullptr);
    EXPECT_EQ(w->Skin->GetSize(42), QSize(0, 0));
    EXPECT_EQ(w->Skin->GetBitmap(42), nullptr);
    EXPECT_EQ(*w->Canvas(), before);
}

TEST_F(KitTest, SetBitmapSwapsThePictureButAnEmptyNameKeepsIt)
{
    auto w = MakeWindow(ui::bmPush);
    w->Buttons->SetBitmap(1, "");
    EXPECT_EQ(Shown(*w, 1), FRAME_COLOURS[ui::bfNormal]);
    w->Buttons->SetBitmap(1, "WIDE");
    EXPECT_EQ(w->Buttons->FindById(1)->FrameSize(), QSize(60, 16));
}

// Bitmaps with a known layout: a 4 x 3 sprite whose bottom-left pixel (the key) also
// appears at its top-right.
constexpr QRgb KEY = 0xFF00FF00;
constexpr QRgb INK = 0xFF0000FF;
QImage Sprite()
{
    QImage image = testart::MakeFilled(4, 3, INK);
    image.setPixel(0, 2, KEY);
    image.setPixel(3, 0, KEY);
    return image;
}

TEST(BitmapManagerTest, TransparentDrawLeavesKeyPixelsOpaqueCoversAll)
{
    testart::TScopedArt art{{{"SPRITE", Sprite()}}};
    QImage canvas = testart::MakeFilled(10, 10, 0xFFFFFFFF);
    ui::TBitmapManager skin(&canvas);
    skin.Add(1, "SPRITE", true);
    skin.Add(2, "SPRITE", false);
    skin.Add(1, "MISSING", false); // keys are not unique: lookups take the first
    EXPECT_EQ(skin.GetSize(1), QSize(4, 3));

    skin.Draw(1, 2, 2);
    EXPECT_EQ(canvas.pixel(2, 4), 0xFFFFFFFFu); // key at the bottom-left: left alone
    EXPECT_EQ(canvas.pixel(5, 2), 0xFFFFFFFFu); // key elsewhere: left alone too
    EXPECT_EQ(canvas.pixel(3, 3), INK);
    EXPECT_EQ(canvas.pixel(6, 2), 0xFFFFFFFFu); // nothing beyond the bitmap

    QImage other = testart::MakeFilled(10, 10, 0xFFFFFFFF);
    skin.Draw(2, 0, 0, &other);
    EXPECT_EQ(other.pixel(0, 2), KEY);
    EXPECT_EQ(other.pixel(3, 0), KEY);
    EXPECT_EQ(canvas.pixel(0, 0), 0xFFFFFFFFu); // the default canvas was not touched
}

TEST(BitmapManagerTest, DrawingIsClippedAtTheCanvasEdges)
{
    testart::TScopedArt art{{{"SPRITE", Sprite()}}};
    QImage canvas = testart::MakeFilled(5, 5, 0xFFFFFFFF);
    ui::TBitmapManager skin(&canvas);
    skin.Add(0, "SPRITE", false);
    skin.Draw(0, -2, -1);
    // Canvas (x, y) shows sprite (x + 2, y + 1); the sprite's first row lies off the canvas.
    EXPECT_EQ(canvas.pixel(1, 0), INK);
    EXPECT_EQ(canvas.pixel(0, 1), INK);
    EXPECT_EQ(canvas.pixel(2, 0), 0xFFFFFFFFu);
    skin.Draw(0, 3, 4);
    EXPECT_EQ(canvas.pixel(3, 4), INK);
    skin.Draw(0, 100, -100);
    skin.Draw(0, -100, 100);
}

TEST(BitmapManagerTest, DrawsOntoCanvasesOfOtherFormats)
{
    testart::TScopedArt art{{{"SPRITE", Sprite()}}};
    QImage canvas(6, 6, QImage::Format_RGB888);
    canvas.fill(Qt::white);
    ui::TBitmapManager skin(&canvas);
    skin.Add(0, "SPRITE", true);
    skin.Draw(0, 0, 0);
    EXPECT_EQ(canvas.pixel(1, 1), INK);
    EXPECT_EQ(canvas.pixel(0, 2), 0xFFFFFFFFu);
}

using KitDeathTest = KitTest;

TEST_F(KitDeathTest, SetBitmapWithoutBitmapIsAnAssertionNamingIt)
{
    ui::TCustomButton plain(1, "x", 0, 0, "");
    EXPECT_FALSE(plain.Contains(0, 0));
    EXPECT_DEATH(plain.SetBitmap("BTN"), "m_pBitmap.*CustomButton");
}

} // namespace
