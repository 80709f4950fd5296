#include "pages/UnitVGA.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/PageText.h"
#include "pages/VgaPreview.h"
#include "resources/Resources.h"
#include "ui/BitmapLoader.h"
#include "ui/Blit.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <mutex>

namespace {

constexpr int PREVIEW_LEFT = 32;
constexpr int PREVIEW_TOP = 88;
const QColor FRAME_GREY(150, 150, 150);
const QColor LIST_BACKGROUND(64, 64, 64);

} // namespace

TFormVGA::TFormVGA(QWidget* parent)
    : TPage(parent, "TAB_DLG_BK")
    , m_Preview(vga::PREVIEW_WIDTH, vga::PREVIEW_HEIGHT, QImage::Format_RGB32)
{
    const QFont arial10 = pagetext::PointFont("Arial", 10);
    LabelCaption = pagetext::MakeLabel(this, "VGA Pattern Display", 24, 24, arial10, pagetext::CAPTION_CYAN);
    LabelPattern = pagetext::MakeLabel(this, "Pattern:", 32, 56, arial10, pagetext::TEXT_WHITE);

    ComboBoxVGA = new QComboBox(this);
    ComboBoxVGA->setEditable(false);
    ComboBoxVGA->setMaxVisibleItems(10);
    ComboBoxVGA->move(88, 50);
    ComboBoxVGA->setFixedWidth(120);
    pagetext::StyleControl(ComboBoxVGA, pagetext::PointFont("MS Sans Serif", 8), pagetext::TEXT_WHITE);
    QPalette listPalette = ComboBoxVGA->palette();
    listPalette.setColor(QPalette::Base, LIST_BACKGROUND);
    listPalette.setColor(QPalette::Button, LIST_BACKGROUND);
    listPalette.setColor(QPalette::Window, LIST_BACKGROUND);
    ComboBoxVGA->setPalette(listPalette);
    for (int n = 0; n < vga::PATTERN_COUNT; ++n)
        ComboBoxVGA->addItem(QString::fromLatin1(vga::PatternName(n)));
    ComboBoxVGA->setCurrentIndex(0);
    ComboBoxVGA->setAccessibleName(QStringLiteral("Pattern"));

    ImageVGA = new QLabel(this);
    ImageVGA->setGeometry(PREVIEW_LEFT, PREVIEW_TOP, vga::PREVIEW_WIDTH, vga::PREVIEW_HEIGHT);
    DrawPreview(0);

    // Connected last: filling the list is not a choice of the user.
    connect(ComboBoxVGA, &QComboBox::currentIndexChanged, this, &TFormVGA::ComboBoxVGAChange);
}

TFormVGA::~TFormVGA() = default;

void TFormVGA::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    if (LinkOpen())
        ComboBoxVGAChange(ComboBoxVGA->currentIndex());
}

void TFormVGA::Deactivate() { AttachBoard(nullptr); }

void TFormVGA::ComboBoxVGAChange(int index)
{
    DrawPreview(index);
    if (LinkOpen())
        SendPattern(index);
}

void TFormVGA::DrawPreview(int index)
{
    const qreal ratio = ui::WindowRatio(this);
    if (ui::RatioOf(m_Preview) != ratio) {
        m_Preview = QImage(
            resources::DeviceSize(QSize(vga::PREVIEW_WIDTH, vga::PREVIEW_HEIGHT), ratio), QImage::Format_RGB32);
        m_Preview.setDevicePixelRatio(ratio);
    }
    // Drawn for the preview's ratio, and only when it shows: the page is made at start-up.
    const QImage composite
        = vga::ShowsComposite(index) ? ui::LoadNamedBitmap(QStringLiteral("COMPOSITE"), ratio) : QImage();
    vga::DrawPreview(m_Preview, index, composite);
    ImageVGA->setPixmap(QPixmap::fromImage(m_Preview));
}

void TFormVGA::RatioChanged() { DrawPreview(ComboBoxVGA->currentIndex()); }

void TFormVGA::SendPattern(int index)
{
    TBoard* board = Board();
    ShowInfo("VGA Setting...", INFO_YELLOW);
    bool sent = false;
    {
        std::lock_guard<TBoard> guard(*board);
        board->FlushInput();
        sent = board->SetVgaPattern(vga::ModeFor(index), static_cast<std::uint8_t>(index));
    }
    if (sent)
        ShowInfo(QStringLiteral("%1 %2").arg("Set VGA", "Success"), INFO_GREEN);
    else
        RaiseLinkFailure();
}

void TFormVGA::FormPaint()
{
    TPage::FormPaint();
    // A one-pixel grey frame just outside the preview.
    QPainter painter(Canvas());
    painter.setPen(FRAME_GREY);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(PREVIEW_LEFT - 1, PREVIEW_TOP - 1, vga::PREVIEW_WIDTH + 1, vga::PREVIEW_HEIGHT + 1);
}
