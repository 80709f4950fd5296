#pragma once

#include "pages/Drawlevel.h"
#include "pages/Page.h"

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;

// The G-sensor page: the board's accelerometer live, as milli-g, tilt angles and three
// spirit levels. Polls every 20 ms while active; has no controls of its own.
class TFormGsensor : public TPage {
    Q_OBJECT

public:
    explicit TFormGsensor(QWidget* parent);
    ~TFormGsensor() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    static constexpr int POLL_PERIOD_MS = 20;

    QLabel* LabelFan = nullptr;
    QLabel* LabelX = nullptr;
    QLabel* LabelY = nullptr;
    QLabel* LabelZ = nullptr;
    QLabel* LabelXDeg = nullptr;
    QLabel* LabelYDeg = nullptr;

    bool ReadingValid() const { return m_ReadingValid; }

protected:
    // The background, then the levels of the last good reading (none before the first).
    void FormPaint() override;
    bool Poll() override;

private:
    void ShowReading();
    void DrawLevels();

    std::unique_ptr<TDrawLevel> m_DrawLevel;
    // The last reading, Y stored negated.
    std::int32_t m_X = 0;
    std::int32_t m_Y = 0;
    std::int32_t m_Z = 0;
    bool m_ReadingValid = false;
    // What the levels show: the last good reading's tilts and accelerations.
    struct TLevels {
        float tiltX, tiltY, gX, gY;
    };
    std::optional<TLevels> m_Levels;
};
