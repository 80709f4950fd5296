#pragma once

#include <QColor>
#include <QWidget>

// Small controls of the main window that draw over the board picture without a
// background of their own. None of them takes the mouse: a press on them is a press on
// the picture, which drags the window.

// An outline rectangle of a board part: pen only, no fill. The pen lies inside the
// rectangle, so a 2 px outline covers the rectangle's outer two pixels.
class TShape : public QWidget {
    Q_OBJECT

public:
    TShape(QWidget* parent, const QRect& rect, const QColor& colour, Qt::PenStyle style, int width);

    Qt::PenStyle PenStyle() const { return m_Style; }
    int PenWidth() const { return m_Width; }
    QColor PenColour() const { return m_Colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_Colour;
    Qt::PenStyle m_Style;
    int m_Width;
};

// A horizontal bar gauge 0..100 with its percentage as centred text, no frame and no
// background: the picture shows through the part the bar has not reached.
class TGauge : public QWidget {
    Q_OBJECT

public:
    explicit TGauge(QWidget* parent);

    void SetProgress(int value); // clamped to 0..100
    int Progress() const { return m_Progress; }
    void SetForeColor(const QColor& colour);
    QColor ForeColor() const { return m_ForeColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_Progress = 0;
    QColor m_ForeColor{0, 0, 0};
};
