// The windows' tests at several scales: three offscreen screens side by side, of device
// pixel ratios 1, 1.5 and 2, so that a test can show a window on each or move it across.
#include <QApplication>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include "Screens.h"

int main(int argc, char** argv)
{
    QTemporaryFile config;
    if (!config.open())
        return 2;
    config.write(screens::OffscreenConfig());
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
