#include "app/UnitAbout.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>

#include "ui/Fonts.h"

namespace {

struct TTextLine {
    const char* text;
    const char* family;
    bool bold;
    int x;
    int y;
};

// The lines written over the artwork, white on a transparent background.
constexpr TTextLine TEXT_LINES[] = {
    {"VX5h-260 Control Panel", "MS Sans Serif", true, 96, 196},
    {"Software Version V 1.0.0", "Times New Roman", false, 96, 223},
};
constexpr int TEXT_PIXEL_SIZE = 13;
// The board line: in the band between the picture and the title.
constexpr int LINK_X = 36;
constexpr int LINK_Y = 162;
constexpr int LINK_WIDTH = 228;

} // namespace

TFormAbout::TFormAbout(QWidget* owner)
    : ui::TSkinnedWindow(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About Control Panel"));
    Skin = std::make_unique<ui::TBitmapManager>(Canvas(), this);
    Skin->Add(0, QStringLiteral("ABOUT_BK"), false);
    SetCanvasSize(Skin->GetSize(0));
    Buttons = std::make_unique<ui::TButtonManager>(this, ui::bmPush, Canvas());
    Buttons->Add(BTN_EXIT, QStringLiteral("Close"), 277, 118, QStringLiteral("NORMAL_BTN"));
}

TFormAbout::~TFormAbout() = default;

void TFormAbout::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_modalLoop = &loop;
    show();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void TFormAbout::DrawTextLines()
{
    QPainter painter(Canvas());
    painter.setPen(Qt::white);
    for (const TTextLine& line : TEXT_LINES) {
        const QFont font = ui::PixelFont(QString::fromLatin1(line.family), TEXT_PIXEL_SIZE, line.bold);
        painter.setFont(font);
        painter.drawText(line.x, line.y + QFontMetrics(font).ascent(), QString::fromLatin1(line.text));
    }
    const QFont font = ui::PixelFont(QStringLiteral("Arial"), TEXT_PIXEL_SIZE, false);
    const QFontMetrics metrics(font);
    const QString text = QStringLiteral("Board: ")
        + (m_LinkDescription.isEmpty() ? QStringLiteral("not connected") : m_LinkDescription);
    painter.setFont(font);
    painter.drawText(LINK_X, LINK_Y + metrics.ascent(), metrics.elidedText(text, Qt::ElideRight, LINK_WIDTH));
}

void TFormAbout::FormPaint()
{
    Skin->Draw(0, 0, 0);
    DrawTextLines();
    Buttons->PaintAll();
}

void TFormAbout::FormMouseDown(int x, int y) { Buttons->MouseDown(x, y); }

void TFormAbout::FormMouseMove(int x, int y) { Buttons->MouseMove(x, y, true); }

void TFormAbout::FormMouseUp(int x, int y)
{
    // Only a release over Close closes: pressing on it and letting go elsewhere does not.
    if (Buttons->MouseUp(x, y) == BTN_EXIT)
        ButtonExitClick();
}

void TFormAbout::ButtonExitClick() { close(); }

void TFormAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ButtonExitClick();
        return;
    }
    ui::TSkinnedWindow::keyPressEvent(event);
}

void TFormAbout::showEvent(QShowEvent* event)
{
    ui::TSkinnedWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFormAbout::closeEvent(QCloseEvent* event)
{
    ui::TSkinnedWindow::closeEvent(event);
    if (m_modalLoop)
        m_modalLoop->quit();
}
