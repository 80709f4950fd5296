// Every window drawn for the screen it is on: at ratios 1, 1.5 and 2 the main window
// (with the welcome animation and with each page), the about box and the progress
// dialog have their window size times the ratio in pixels, and are as sharp as the
// window drawn at ratio 1 enlarged pixel for pixel (Sharpness.h). Moving a window to a
// screen of another scale draws it all again for that scale, and window coordinates
// keep meaning the same places. The pictures are kept under snapshots/hidpi/.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTest>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "Screens.h"
#include "Sharpness.h"
#include "app/MainLayout.h"
#include "app/ShowInfo.h"
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitProgress.h"
#include "app/WelcomeAnimation.h"
#include "resources/Resources.h"
#include "ui/Blit.h"
#include "ui/DialogStyle.h"
#include "ui/Seams.h"

namespace {

using screens::RATIOS;

const QString LONG_REPORT = QStringLiteral("FLASH Random Write Fail: the word reads 0E0F, not 0F0F. Erase first.");

QString SnapshotPath(const QString& name, qreal ratio)
{
    QDir folder(QStringLiteral(VX5H_SNAPSHOT_DIR "/hidpi"));
    folder.mkpath(QStringLiteral("."));
    return folder.filePath(QStringLiteral("%1@%2x.png").arg(name).arg(ratio));
}

std::unique_ptr<TFormMain> MakeMain()
{
    auto main = std::make_unique<TFormMain>();
    main->TimerRun.stop(); // no board: the window as built
    return main;
}

// The window in one state: `prepare` brings it there (a page selected, a text set).
struct TView {
    QString name;
    QWidget* window;
    std::function<void()> prepare;
};

class HiDpi : public ::testing::Test {
protected:
    // Grabs the view at every ratio, checks size and sharpness, and keeps the pictures.
    static void CheckView(const TView& view)
    {
        QImage oneX;
        for (qreal ratio : RATIOS) {
            ASSERT_TRUE(screens::ShowOn(*view.window, ratio)) << view.name.toStdString() << " at " << ratio;
            if (view.prepare)
                view.prepare();
            // The welcome animation follows the window a moment later, when its picture for
            // this ratio is drawn.
            EXPECT_TRUE(QTest::qWaitFor([ratio] { return resources::AnimationReady("WELCOME_AVI", ratio); }));
            QTest::qWait(2 * TAnimate::WAIT_FOR_PICTURE_MS);
            const QImage drawn = view.window->grab().toImage();
            drawn.save(SnapshotPath(view.name, ratio));
            const QSize logical = view.window->size();
            EXPECT_LT(std::abs(drawn.width() - logical.width() * ratio), 1.0) << view.name.toStdString();
            EXPECT_LT(std::abs(drawn.height() - logical.height() * ratio), 1.0) << view.name.toStdString();
            if (ratio == 1.0) {
                oneX = drawn;
                continue;
            }
            const double sharp = sharpness::Sharpness(drawn, oneX);
            std::printf("sharpness %-14s at %.1f: %.2f\n", qPrintable(view.name), ratio, sharp);
            EXPECT_GE(sharp, sharpness::AS_SHARP) << view.name.toStdString() << " at " << ratio;
        }
    }
};

TEST_F(HiDpi, EveryWindowAndPageIsDrawnForItsScreensRatio)
{
    const auto main = MakeMain();
    std::vector<TView> views{{"main", main.get(), {}}};
    for (int index : mainlayout::TAB_CREATION_ORDER) {
        QString name = QString::fromLatin1(mainlayout::FindPage(index)->caption).toLower().remove(' ');
        views.push_back({"main-" + name, main.get(), [&main, index] { main->SelectPage(index); }});
    }
    views.push_back({"main-long-report", main.get(), [&main] {
                         main->SelectPage(PAGE_MEMORY);
                         main->ShowInfoLine(LONG_REPORT, INFO_RED);
                     }});
    TFormAbout about;
    TFormAbout aboutLab;
    aboutLab.SetLinkDescription(QStringLiteral("USB-Blaster II on lab-bench-07.example.org [3-1.4]"));
    TFormProgress progress(nullptr);
    views.push_back({"about", &about, {}});
    views.push_back({"about-lab", &aboutLab, {}});
    views.push_back({"progress", &progress, [&progress] {
                         progress.SetPercent(40);
                         progress.SetStatus(QStringLiteral("Finish Percentage: 40%"));
                     }});
    for (const TView& view : views)
        CheckView(view);
}

TEST_F(HiDpi, TheMeasureTellsADrawingFromAnEnlargement)
{
    // What a screen shows of a window drawn for ratio 1 and enlarged smoothly by it.
    const auto main = MakeMain();
    ASSERT_TRUE(screens::ShowOn(*main, 1.0));
    const QImage oneX = main->grab().toImage();
    const QImage blurred = sharpness::Enlarged(oneX, oneX.size() * 2, true);
    const QImage nearest = sharpness::Enlarged(oneX, oneX.size() * 2, false);
    std::printf("sharpness of a smooth enlargement: %.2f\n", sharpness::Sharpness(blurred, oneX));
    EXPECT_LT(sharpness::Sharpness(blurred, oneX), 0.5);
    EXPECT_NEAR(sharpness::Sharpness(nearest, oneX), 1.0, 1e-9);
}

// Shows the main window on the screen of `ratio` once the welcome animation's frame for
// that screen is drawn too.
bool ShowSettled(TFormMain& main, qreal ratio)
{
    if (!screens::ShowOn(main, ratio))
        return false;
    const bool ready = QTest::qWaitFor([ratio] { return resources::AnimationReady("WELCOME_AVI", ratio); });
    QTest::qWait(2 * TAnimate::WAIT_FOR_PICTURE_MS);
    return ready;
}

TEST_F(HiDpi, AnotherScreensScaleDrawsEverythingAgainAtTheSamePlaces)
{
    const auto main = MakeMain();
    // One frame of the animation throughout, so that the pictures can be compared.
    main->AnimateWelcome->SetActive(false);
    ASSERT_TRUE(ShowSettled(*main, 1.0));
    const QImage atOne = main->grab().toImage();

    ASSERT_TRUE(ShowSettled(*main, 2.0));
    EXPECT_EQ(main->CanvasRatio(), 2.0);
    EXPECT_EQ(main->Canvas()->size(), QSize(1240, 1200));
    // The buttons are drawn from their pictures for ratio 2, not from enlarged ones.
    const ui::TCustomButton* close = main->SystemButtons->FindById(mainlayout::BTN_CLOSE);
    ASSERT_NE(close->Bitmap(), nullptr);
    EXPECT_EQ(close->Bitmap()->devicePixelRatio(), 2.0);
    // A window position means the same place: the pointer over Close shows its hover look,
    // the hover frame of the picture drawn for ratio 2, pixel for pixel.
    QTest::mouseMove(main.get(), close->Rect().center());
    EXPECT_EQ(main->SystemButtons->HoverId(), mainlayout::BTN_CLOSE);
    const QImage picture = resources::LoadBitmap(QStringLiteral("CLOSE_BTN"), 2.0);
    const QRect device = ui::DeviceRect(close->Rect(), 2.0);
    EXPECT_EQ(main->Canvas()->copy(device), picture.copy(0, 2 * device.height(), device.width(), device.height()));
    QTest::mouseMove(main.get(), QPoint(300, 150));

    // Back on the ordinary screen: the same pixels as before it moved.
    ASSERT_TRUE(ShowSettled(*main, 1.0));
    EXPECT_EQ(main->grab().toImage(), atOne);
}

// What the window draws of a long report lies inside the lines it was given, and reaches
// the second line, at every scale: nothing cut at the line's end.
TEST_F(HiDpi, ALongReportStaysInsideItsLinesAtEveryScale)
{
    const auto main = MakeMain();
    main->AnimateWelcome->SetActive(false);
    for (qreal ratio : RATIOS) {
        ASSERT_TRUE(ShowSettled(*main, ratio));
        main->ShowInfoLine(QString(), INFO_GREEN);
        const QImage before = main->grab().toImage();
        main->ShowInfoLine(LONG_REPORT, INFO_RED);
        const QImage after = main->grab().toImage();
        after.save(SnapshotPath("info-line", ratio));
        const QRect line = main->LabelInfo->geometry();
        const QRect icon = main->ImageInfo->geometry();
        int outside = 0, secondLine = 0;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x) {
                if (after.pixel(x, y) == before.pixel(x, y))
                    continue;
                const QPoint at(int(x / ratio), int(y / ratio));
                outside += !line.contains(at) && !icon.contains(at);
                secondLine += line.contains(at) && at.y() >= mainlayout::INFO_LINE_RECT.bottom() + 2;
            }
        EXPECT_EQ(outside, 0) << "at " << ratio;
        EXPECT_GT(secondLine, 20) << "at " << ratio;
        EXPECT_EQ(main->LabelInfo->text().split('\n').join(' '), LONG_REPORT) << "at " << ratio;
    }
}

// The boxes and the file dialog in the panel's dark face, accent and font at every
// scale, the file dialog in its detail view with every column whole. The pictures are
// kept beside the windows'.
TEST_F(HiDpi, TheStandardDialogsAtEveryScale)
{
    const QColor face = ui::PanelPalette().color(QPalette::Window);
    EXPECT_LT(face.lightness(), 60) << "a dark face, as the skin's";
    EXPECT_EQ(ui::PanelPalette().color(QPalette::Highlight), QColor(0, 234, 255)) << "the skin's accent";
    EXPECT_EQ(ui::MakeScrollingMessage(nullptr, "t", "x")->palette().color(QPalette::Window), face);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("sdram-dump.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(171, 'x'));
    file.close();
    for (qreal ratio : RATIOS) {
        const auto box = ui::MakeMessageBox(nullptr, ui::TMessageKind::Error, QStringLiteral("Error"),
            QStringLiteral("Write a File to FLASH Fail.[0.3sec]"));
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->palette().color(QPalette::Window), face);
        EXPECT_EQ(box->font().family(), "Arial");
        ASSERT_TRUE(screens::ShowOn(*box, ratio));
        box->grab().save(SnapshotPath("message-error", ratio));
        box->hide();

        QFileDialog dialog(nullptr, QStringLiteral("Write a File to Memory"), folder.path(),
            QStringLiteral("All files (*);;Hex files (*.HEX *.hex)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        ui::PrepareFileDialog(dialog);
        EXPECT_EQ(dialog.palette().color(QPalette::Window), face);
        EXPECT_EQ(dialog.viewMode(), QFileDialog::Detail);
        ASSERT_TRUE(screens::ShowOn(dialog, ratio));
        EXPECT_EQ(dialog.size(), ui::FILE_DIALOG_SIZE.boundedTo(dialog.screen()->availableSize() * 9 / 10));
        auto* view = dialog.findChild<QTreeView*>();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) == 1; }, 5000));
        QTest::qWait(100);
        dialog.grab().save(SnapshotPath("file-dialog", ratio));
        // What a column's cells need (QTreeView hides the measure, its base shows it).
        const QAbstractItemView* cells = view;
        for (int column = 0; column < view->header()->count(); ++column)
            EXPECT_GE(view->header()->sectionSize(column), cells->sizeHintForColumn(column))
                << "column " << column << " at " << ratio;
    }
}

} // namespace
