#include "app/UnitProgress.h"

#include <QFont>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "ui/DialogStyle.h"
#include "ui/Fonts.h"

namespace {

constexpr int CLIENT_WIDTH = 348;
constexpr int CLIENT_HEIGHT = 152;

// Centre of the owner's top-level window, or of the screen without an owner.
QPoint CentreFor(const QWidget* owner, const QWidget* dialog)
{
    QRect area;
    if (owner && owner->window()->isVisible())
        area = owner->window()->frameGeometry();
    else if (const QScreen* screen = dialog->screen())
        area = screen->availableGeometry();
    else
        return dialog->pos();
    return area.center() - QPoint(dialog->width() / 2, dialog->height() / 2);
}

} // namespace

TFormProgress::TFormProgress(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Progress"));
    ui::StyleDialog(this);
    setModal(false);
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    // The work runs on this thread: the pointer shows that it is busy except over Abort.
    setCursor(Qt::WaitCursor);

    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setGeometry(24, 16, 305, 49);
    // The dialog font of the program's windows, bold.
    LabelStatus->setFont(ui::PixelFont(QStringLiteral("MS Sans Serif"), 13, true));
    LabelStatus->setWordWrap(true);
    LabelStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(24, 72, 300, 25);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    ButtonAbort = new QPushButton(QStringLiteral("Abort"), this);
    ButtonAbort->setObjectName(QStringLiteral("ButtonAbort"));
    ButtonAbort->setGeometry(136, 112, 75, 25);
    ButtonAbort->setCursor(Qt::PointingHandCursor);
    ButtonAbort->setAutoDefault(false);
    connect(ButtonAbort, &QPushButton::clicked, this, &TFormProgress::ButtonAbortClick);
}

TFormProgress::~TFormProgress() = default;

void TFormProgress::SetStatus(const QString& text)
{
    LabelStatus->setText(text);
    if (isVisible())
        repaint();
}

void TFormProgress::SetPercent(int value) { ProgressBar->setValue(std::clamp(value, 0, 100)); }

void TFormProgress::ButtonAbortClick() { Aborted = true; }

void TFormProgress::FormShow()
{
    LabelStatus->setText(QString());
    ProgressBar->setValue(0);
}

void TFormProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from minimised, not a new show
    move(CentreFor(parentWidget(), this));
    FormShow();
}

void TFormProgress::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous())
        event->ignore();
    else
        event->accept();
}
