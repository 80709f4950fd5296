// Timings of the kit's drawing with the program's artwork, for a person to read:
//   QT_QPA_PLATFORM=offscreen bin/ui_tests --gtest_also_run_disabled_tests --gtest_filter='PaintTiming.*'
// Disabled in normal runs: they print figures and check nothing.
#include <QElapsedTimer>
#include <QImage>
#include <cstdio>
#include <gtest/gtest.h>

#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"

namespace {

double MicrosecondsPer(const QElapsedTimer& timer, int count)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / count;
}

TEST(PaintTiming, DISABLED_MainWindowLikePaintAndHover)
{
    QImage canvas(620, 600, QImage::Format_RGB32);
    ui::TBitmapManager skin(&canvas);
    skin.Add(0, "MAIN_UI", false);
    skin.Add(1, "SW_UP", true);
    ui::TButtonManager tabs(nullptr, ui::bmRadio, &canvas);
    for (int i = 0; i < 11; ++i)
        tabs.Add(i, "Tab", 289 + (i / 2) * 40, 8 + (i % 2) * 98, "TAB_BUTTON");
    ui::TButtonManager system(nullptr, ui::bmPush, &canvas);
    for (int i = 0; i < 3; ++i)
        system.Add(14 + i, "", 19, 481 + 39 * i, "CLOSE_BTN");
    system.Add(17, "", 510, 124, "CONNECT_BTN");

    constexpr int PAINTS = 500;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < PAINTS; ++i) {
        skin.Draw(0, 0, 0);
        tabs.PaintAll();
        system.PaintAll();
    }
    std::printf(
        "full paint, 620x600 background + 11 captioned tabs + 4 buttons: %.1f us\n", MicrosecondsPer(timer, PAINTS));

    constexpr int DRAWS = 5000;
    timer.restart();
    for (int i = 0; i < DRAWS; ++i)
        skin.Draw(1, 100, 100);
    std::printf("transparent draw of SW_UP (%dx%d): %.2f us\n", skin.GetSize(1).width(), skin.GetSize(1).height(),
        MicrosecondsPer(timer, DRAWS));

    timer.restart();
    for (int i = 0; i < DRAWS; ++i)
        tabs.MouseMove(20 + (i % 2) * 100, 300, false);
    std::printf(
        "hover moving between two captioned tabs (two buttons redrawn): %.2f us\n", MicrosecondsPer(timer, DRAWS));
}

} // namespace
