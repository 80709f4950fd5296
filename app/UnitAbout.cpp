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
#include "ui/TextLines.h"

#include <algorithm>

namespace {

struct TTextLine {
    const char* text;
    bool bold;
    int x;
    int y;
};

// The lines written over the artwork, white on a transparent background, in the panel's
// own face (the skin's captions and headings are Arial too).
constexpr TTextLine TEXT_LINES[] = {
    {"VX5h-260 Control Panel", true, 96, 196},
    {"Software Version V 1.0.0", false, 96, 223},
};
constexpr int TEXT_PIXEL_SIZE = 13;
// The board's name fills the band between the picture and the title, on as many lines as
// it needs there; a name too long for them in the smaller face is cut with an ellipsis.
constexpr QRect LINK_BAND{36, 150, 228, 44};
constexpr int LINK_PIXEL_SIZES[] = {13, 11};

} // namespace

TFormAbout::TBoardText TFormAbout::LayOutBoardText() const
{
    const QString text = QStringLiteral("Board: ")
        + (m_LinkDescription.isEmpty() ? QStringLiteral("not connected") : m_LinkDescription);
    TBoardText laid;
    for (int size : LINK_PIXEL_SIZES) {
        laid.font = ui::PixelFont(QStringLiteral("Arial"), size, false);
        const int spacing = QFontMetrics(laid.font).lineSpacing();
        const int room = std::max(1, LINK_BAND.height() / spacing);
        // One line more than there is room for tells whether the name fits.
        laid.lines = ui::WrapToLines(text, laid.font, LINK_BAND.width(), room + 1);
        const bool fits = laid.lines.size() <= room;
        if (!fits)
            laid.lines = ui::WrapToLines(text, laid.font, LINK_BAND.width(), room);
        const int height = static_cast<int>(laid.lines.size()) * spacing;
        laid.rect
            = QRect(LINK_BAND.left(), LINK_BAND.top() + (LINK_BAND.height() - height) / 2, LINK_BAND.width(), height);
        if (fits)
            break;
    }
    return laid;
}

TFormAbout::TFormAbout(QWidget* owner)
    : ui::TSkinnedWindow(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About Control Panel"));
    Skin = std::make_unique<ui::TBitmapManager>(Canvas(), this);
    Skin->Add(0, QStringLiteral("ABOUT_BK"), false);
    SetCanvasSize(Skin->GetSize(0));
    Buttons = std::make_unique<ui::TButtonManager>(this, ui::bmPush, Canvas());
    Buttons->Add(BTN_EXIT, QStringLiteral("Close"), CLOSE_POS.y(), CLOSE_POS.x(), QStringLiteral("NORMAL_BTN"));
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
        const QFont font = ui::PixelFont(QStringLiteral("Arial"), TEXT_PIXEL_SIZE, line.bold);
        painter.setFont(font);
        painter.drawText(line.x, line.y + QFontMetrics(font).ascent(), QString::fromLatin1(line.text));
    }
    const TBoardText board = LayOutBoardText();
    const QFontMetrics metrics(board.font);
    painter.setFont(board.font);
    int y = board.rect.top() + metrics.ascent();
    for (const QString& line : board.lines) {
        painter.drawText(board.rect.left(), y, line);
        y += metrics.lineSpacing();
    }
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
