#include "SnapshotWindows.h"

#include <QTest>

#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitProgress.h"
#include "pages/Page.h"
#include "pages/PageSet.h"

// The list of skinned windows the snapshot tool renders. To add a window: include its
// header, append an entry in SnapshotWindows() (several entries may show one window in
// different states), and add its library to SNAPSHOT_WINDOW_LIBS in CMakeLists.txt.

namespace {

template<typename T> std::unique_ptr<QWidget> Make() { return std::make_unique<T>(nullptr); }

// The main window without its automatic connect: a snapshot shows the window as built.
std::unique_ptr<QWidget> MakeMain()
{
    auto main = std::make_unique<TFormMain>(nullptr);
    main->TimerRun.stop();
    return main;
}

void HoverAt(QWidget& w, QPoint p) { QTest::mouseMove(&w, p); }

void PressAt(QWidget& w, QPoint p)
{
    QTest::mouseMove(&w, p);
    QTest::mousePress(&w, Qt::LeftButton, {}, p);
}

void ProgressMidway(QWidget& w)
{
    auto& progress = static_cast<TFormProgress&>(w);
    progress.SetPercent(40);
    progress.SetStatus(QStringLiteral("Erase FLASH... 40%"));
}

struct TPageName {
    int index;
    const char* name;
};

constexpr TPageName PAGE_NAMES[] = {
    {PAGE_LED, "led"},
    {PAGE_SEG7, "seg7"},
    {PAGE_BUTTON, "button"},
    {PAGE_LCD, "lcd"},
    {PAGE_MEMORY, "memory"},
    {PAGE_SDCARD, "sdcard"},
    {PAGE_GSENSOR, "gsensor"},
    {PAGE_RS232, "rs232"},
    {PAGE_IR, "ir"},
    {PAGE_HSMC, "hsmc"},
    {PAGE_VGA, "vga"},
};

} // namespace

std::vector<TSnapshotWindow> SnapshotWindows()
{
    const QPoint aboutClose = TFormAbout::CLOSE_POS + QPoint(32, 8);
    std::vector<TSnapshotWindow> list = {
        {"about", Make<TFormAbout>, {}},
        {"about-hover-close", Make<TFormAbout>, [=](QWidget& w) { HoverAt(w, aboutClose); }},
        {"about-pressed-close", Make<TFormAbout>, [=](QWidget& w) { PressAt(w, aboutClose); }},
        {"progress", Make<TFormProgress>, {}},
        {"progress-midway", Make<TFormProgress>, ProgressMidway},
        {"main", MakeMain, {}},
    };
    for (const TPageName& page : PAGE_NAMES) {
        const int index = page.index;
        // Each page on its own, as it stands in the page area, not attached to a board.
        list.push_back({QStringLiteral("page-%1").arg(page.name),
            [index] { return std::unique_ptr<QWidget>(CreatePage(index, nullptr)); }, {}});
        // The main window with that page selected (no board: the page shows its idle look).
        list.push_back({QStringLiteral("main-%1").arg(page.name), MakeMain,
            [index](QWidget& w) { static_cast<TFormMain&>(w).SelectPage(index); }});
    }
    return list;
}
