#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "SyntheticArt.h"
#include "app/UnitAbout.h"
#include "app/UnitProgress.h"
#include "ui/DialogStyle.h"

namespace {

TEST(ProgressDialogTest, AbortIsAFlagThatStaysSetAndNeverCloses)
{
    TFormProgress progress(nullptr);
    progress.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
    EXPECT_FALSE(progress.IsAborted());
    // Escape answers Abort from the keyboard, and does not close the dialog either.
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.IsAborted());
    EXPECT_TRUE(progress.isVisible());
    QTest::mouseClick(progress.ButtonAbort, Qt::LeftButton);
    QTest::mouseClick(progress.ButtonAbort, Qt::LeftButton);
    EXPECT_TRUE(progress.IsAborted());
    EXPECT_TRUE(progress.isVisible());
    // Showing again resets the text and the bar, not the flag.
    progress.hide();
    progress.show();
    EXPECT_TRUE(progress.IsAborted());
    // Its caller can close it.
    EXPECT_TRUE(progress.close());
    EXPECT_FALSE(progress.isVisible());
}

TEST(ProgressDialogTest, EveryShowStartsEmptyAtZero)
{
    QWidget owner;
    owner.setGeometry(100, 100, 620, 600);
    owner.show();
    TFormProgress progress(&owner);
    EXPECT_EQ(progress.windowTitle(), "Progress");
    EXPECT_EQ(progress.size(), QSize(348, 152));
    EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    // The panel's face and font, not a white box beside the skinned window.
    EXPECT_EQ(progress.palette().color(QPalette::Window), ui::PanelPalette().color(QPalette::Window));
    EXPECT_EQ(progress.ButtonAbort->font().family(), "Arial");

    progress.SetStatus("left over");
    progress.SetPercent(70);
    progress.show();
    EXPECT_EQ(progress.LabelStatus->text(), "");
    EXPECT_EQ(progress.ProgressBar->value(), 0);
    const QPoint offCentre = progress.geometry().center() - owner.frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);

    progress.SetStatus("Erasing... 40%");
    progress.SetPercent(40);
    EXPECT_EQ(progress.LabelStatus->text(), "Erasing... 40%");
    EXPECT_EQ(progress.ProgressBar->value(), 40);
    progress.SetPercent(250);
    EXPECT_EQ(progress.ProgressBar->value(), 100);
    progress.SetPercent(-3);
    EXPECT_EQ(progress.ProgressBar->value(), 0);

    progress.hide();
    progress.show();
    EXPECT_EQ(progress.LabelStatus->text(), "");
    EXPECT_EQ(progress.ProgressBar->value(), 0);
}

class AboutBoxTest : public ::testing::Test {
protected:
    testart::TScopedArt art{{
        {"ABOUT_BK", testart::MakeFilled(300, 300, 0xFF202020)},
        {"NORMAL_BTN", testart::MakeButton(64, 68)},
    }};
    const QPoint onClose = TFormAbout::CLOSE_POS + QPoint(32, 8);
    const QPoint elsewhere{20, 20};
};

TEST_F(AboutBoxTest, TakesItsSizeFromTheBackgroundAndShowsTheClose)
{
    TFormAbout about;
    EXPECT_EQ(about.windowTitle(), "About Control Panel");
    EXPECT_EQ(about.size(), QSize(300, 300));
    const QImage shot = about.grab().toImage();
    EXPECT_EQ(shot.pixel(TFormAbout::CLOSE_POS), testart::FRAME_COLOURS[0]);
    EXPECT_EQ(shot.pixel(5, 5), 0xFF202020u);
    // The two white text lines.
    bool white = false;
    for (int x = 96; x < 200 && !white; ++x)
        for (int y = 196; y < 210 && !white; ++y)
            white = qRed(shot.pixel(x, y)) > 200 && qBlue(shot.pixel(x, y)) > 200;
    EXPECT_TRUE(white);
}

TEST_F(AboutBoxTest, TheBoardLineShowsTheWholeNameBetweenPictureAndTitle)
{
    const QString names[] = {
        QStringLiteral("USB-Blaster [VX5h-260 simulator]"),
        QStringLiteral("USB-Blaster [VX5h-260 simulator 3]"),
        QStringLiteral("USB-Blaster on labhost [1-1]"),
        QStringLiteral("USB-Blaster II on lab-bench-07.example.org [3-1.4]"),
        QStringLiteral("USB-BlasterOnAHostWhoseNameHasNoBreakAnywhereAtAll.example.org"),
    };
    for (const QString& name : names) {
        TFormAbout about;
        about.SetLinkDescription(name);
        const TFormAbout::TBoardText board = about.LayOutBoardText();
        const QString shown = board.lines.join(QString());
        EXPECT_FALSE(shown.contains(QChar(0x2026))) << name.toStdString();
        EXPECT_EQ(QString(shown).remove(' '), QString("Board: " + name).remove(' ')) << name.toStdString();
        // Below the board picture and its reflection, above the title at y 196.
        EXPECT_GE(board.rect.top(), 148) << name.toStdString();
        EXPECT_LE(board.rect.bottom(), 195) << name.toStdString();
        const QFontMetrics metrics(board.font);
        for (const QString& line : board.lines)
            EXPECT_LE(metrics.horizontalAdvance(line), board.rect.width()) << line.toStdString();
        EXPECT_EQ(about.accessibleDescription(), name);
    }
    TFormAbout unconnected;
    EXPECT_EQ(unconnected.LayOutBoardText().lines, QStringList{"Board: not connected"});
}

TEST_F(AboutBoxTest, ClosesOnlyWhenReleasedOverClose)
{
    TFormAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mousePress(&about, Qt::LeftButton, {}, onClose);
    QTest::mouseMove(&about, elsewhere);
    QTest::mouseRelease(&about, Qt::LeftButton, {}, elsewhere);
    EXPECT_TRUE(about.isVisible());
    // Pressed elsewhere and released over Close counts as Close.
    QTest::mousePress(&about, Qt::LeftButton, {}, elsewhere);
    QTest::mouseRelease(&about, Qt::LeftButton, {}, onClose);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutBoxTest, ShowModalReturnsWhenClosed)
{
    TFormAbout about;
    bool clicked = false;
    QTimer::singleShot(0, &about, [&] {
        QTest::mouseClick(&about, Qt::LeftButton, {}, onClose);
        clicked = true;
    });
    about.ShowModal();
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
