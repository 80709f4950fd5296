#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <array>

// Three offscreen screens side by side (see ScreensMain.cpp).
namespace screens {

inline constexpr std::array<qreal, 3> RATIOS{1.0, 1.5, 2.0};
inline constexpr int WIDTH = 1400;
inline constexpr int HEIGHT = 1000;

inline QByteArray OffscreenConfig()
{
    QByteArray json = R"({ "screens": [)";
    for (size_t i = 0; i < RATIOS.size(); ++i)
        json += QStringLiteral(
            R"(%1{"name": "ratio%2", "x": %3, "y": 0, "width": %4, "height": %5, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %2})")
                    .arg(i ? "," : "")
                    .arg(RATIOS[i])
                    .arg(int(i) * WIDTH)
                    .arg(WIDTH)
                    .arg(HEIGHT)
                    .toUtf8();
    return json + "] }";
}

inline QScreen* ScreenOf(qreal ratio)
{
    for (QScreen* screen : QGuiApplication::screens())
        if (qFuzzyCompare(screen->devicePixelRatio(), ratio))
            return screen;
    return nullptr;
}

// Shows `window` on the screen of `ratio` (it moves there if it was elsewhere) and lets
// it paint.
inline bool ShowOn(QWidget& window, qreal ratio)
{
    QScreen* screen = ScreenOf(ratio);
    if (!screen)
        return false;
    window.move(screen->geometry().topLeft() + QPoint(40, 40));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QCoreApplication::processEvents();
    return qFuzzyCompare(window.devicePixelRatioF(), ratio);
}

} // namespace screens
