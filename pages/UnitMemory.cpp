#include "pages/UnitMemory.h"

#include "app/ShowInfo.h"
#include "app/UnitProgress.h"
#include "board/Board.h"
#include "core/HexField.h"
#include "core/MemoryTransfer.h"
#include "pages/MemoryProgress.h"
#include "pages/PageText.h"
#include "platform/Paths.h"
#include "platform/Tick.h"
#include "ui/Seams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <functional>
#include <memory>
#include <utility>

using memory::MemoryTypeName;

namespace {

const QColor HEADING_COLOUR(0, 234, 255);
const QColor LABEL_COLOUR(255, 255, 255);
const QColor NOTE_COLOUR(255, 0, 0);

constexpr int KEY_NOTE_ICON = 1;

// A label that acts like the caption of the check box beside it.
class TClickLabel : public QLabel {
public:
    TClickLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
        : QLabel(text, parent)
        , m_OnClick(std::move(onClick))
    { }

protected:
    // Taking the press keeps the release here instead of with the page below.
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && m_OnClick)
            m_OnClick();
    }

private:
    std::function<void()> m_OnClick;
};

void Style(QLabel* label, int pointSize, const QColor& colour)
{
    label->setFont(QFont(QStringLiteral("Arial"), pointSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
}

// The page's texts are in points of the screen, unlike the other pages' pixel sizes.
QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, int pointSize, const QColor& colour)
{
    return pagetext::MakeLabel(parent, text, left, top, QFont(QStringLiteral("Arial"), pointSize), colour);
}

// Puts `label` at `left`, its text centred on the height of `control` beside it, so that
// label and box read as one line whatever the font's height.
void CentreOn(QLabel* label, int left, const QWidget* control)
{
    const QRect box = control->geometry();
    label->move(left, box.top() + (box.height() - label->height()) / 2);
}

// The small white label before a box.
QLabel* FieldLabel(QWidget* parent, const QString& text, int left, const QWidget* box)
{
    QLabel* label = MakeLabel(parent, text, left, 0, 8, LABEL_COLOUR);
    CentreOn(label, left, box);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& text, int left, int top, int width, int maxLength)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(left, top, width, 21);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

TFormMemory::TFormMemory(QWidget* parent)
    : TPage(parent, "MEMORY_DLG_BK")
{
    Skin.Add(KEY_NOTE_ICON, "NOTE_ICON", true);

    Buttons.Add(BUTTON_ERASE, "Chip Erase (70 sec)", 89, 13, "MIDDLE_BTN");
    Buttons.Add(BUTTON_WRITE, "Write", 89, 189, "NORMAL_BTN");
    Buttons.Add(BUTTON_READ, "Read", 89, 306, "NORMAL_BTN");
    Buttons.Add(BUTTON_WRITE_FILE, "Write a File to Memory", 162, 187, "LONG_BTN");
    Buttons.Add(BUTTON_READ_FILE, "Load Memory Content to a File", 236, 187, "LONG_BTN");

    CreateControls();
    FillMemoryList();
    EnableActions(false);
    // Where the user started the program, taken before connecting changes the current
    // directory; the program's own folder holds nothing of the user's.
    m_LastFolder = QDir::currentPath();
    if (QDir(m_LastFolder) == QDir(QString::fromStdString(platform::ExecutableFolder())))
        m_LastFolder = QDir::homePath();
}

TFormMemory::~TFormMemory() = default;

void TFormMemory::CreateControls()
{
    MakeLabel(this, "Memory Type", 16, 16, 10, HEADING_COLOUR);
    MakeLabel(this, "Random Access", 16, 41, 10, HEADING_COLOUR);
    MakeLabel(this, "Sequential Write", 16, 114, 10, HEADING_COLOUR);
    MakeLabel(this, "Sequential Read", 16, 185, 10, HEADING_COLOUR);

    ComboBoxMemoryType = new QComboBox(this);
    ComboBoxMemoryType->setEditable(false);
    ComboBoxMemoryType->setFont(QFont(QStringLiteral("Arial"), 9));
    ComboBoxMemoryType->setStyleSheet(
        QStringLiteral("QComboBox { color: white; background-color: rgb(64,64,64); border: 1px solid rgb(128,128,128); "
                       "padding-left: 3px; }"
                       "QComboBox QAbstractItemView { color: white; background-color: rgb(64,64,64); }"));
    ComboBoxMemoryType->setGeometry(102, 12, 270, 21);
    connect(ComboBoxMemoryType, &QComboBox::activated, this, &TFormMemory::ComboBoxMemoryTypeChange);

    EditAddress = MakeEdit(this, "00000000", 62, 59, 72, 8);
    FieldLabel(this, "Address: ", 16, EditAddress);
    EditWriteData = MakeEdit(this, "0000", 187, 59, 64, 4);
    FieldLabel(this, "wDATA:", 145, EditWriteData);
    EditReadData = MakeEdit(this, "0000", 305, 59, 64, 4);
    FieldLabel(this, "rDATA: ", 265, EditReadData);
    EditReadData->setReadOnly(true);
    EditReadData->setStyleSheet(QStringLiteral("QLineEdit { color: white; background-color: black; }"));

    EditWriteAddress = MakeEdit(this, "00000000", 62, 132, 72, 0);
    FieldLabel(this, "Address: ", 16, EditWriteAddress);
    EditWriteLength = MakeEdit(this, "0", 187, 132, 66, 0);
    FieldLabel(this, "Length:", 148, EditWriteLength);
    CheckBoxFileLength = new QCheckBox(this);
    CheckBoxFileLength->setGeometry(275, 134, 16, 16);
    connect(CheckBoxFileLength, &QCheckBox::clicked, this, &TFormMemory::CheckBoxFileLengthClick);
    LabelFileLength = new TClickLabel("File Length", this, [this] {
        CheckBoxFileLength->setChecked(!CheckBoxFileLength->isChecked());
        CheckBoxFileLengthClick();
    });
    Style(LabelFileLength, 8, LABEL_COLOUR);
    CentreOn(LabelFileLength, 295, CheckBoxFileLength);

    EditReadAddress = MakeEdit(this, "00000000", 62, 203, 72, 0);
    FieldLabel(this, "Address: ", 16, EditReadAddress);
    EditReadLength = MakeEdit(this, "0", 187, 203, 66, 0);
    FieldLabel(this, "Length:", 147, EditReadLength);
    CheckBoxEntireMemory = new QCheckBox(this);
    CheckBoxEntireMemory->setGeometry(275, 208, 16, 16);
    connect(CheckBoxEntireMemory, &QCheckBox::clicked, this, &TFormMemory::CheckBoxEntireMemoryClick);
    LabelEntireMemory = new TClickLabel("Entire Memory", this, [this] {
        CheckBoxEntireMemory->setChecked(!CheckBoxEntireMemory->isChecked());
        CheckBoxEntireMemoryClick();
    });
    Style(LabelEntireMemory, 8, LABEL_COLOUR);
    CentreOn(LabelEntireMemory, 295, CheckBoxEntireMemory);

    LabelNote = MakeLabel(this, "Note. Please erase flash first before writing data.", 44, 255, 10, NOTE_COLOUR);
    LabelNote->hide();
    NameControls();
    // Enter in a box runs the action its row is for.
    SubmitWith(EditAddress, BUTTON_READ);
    SubmitWith(EditWriteData, BUTTON_WRITE);
    SubmitWith(EditReadData, BUTTON_READ);
    SubmitWith(EditWriteAddress, BUTTON_WRITE_FILE);
    SubmitWith(EditWriteLength, BUTTON_WRITE_FILE);
    SubmitWith(EditReadAddress, BUTTON_READ_FILE);
    SubmitWith(EditReadLength, BUTTON_READ_FILE);
}

void TFormMemory::NameControls()
{
    // The labels beside the boxes are drawn apart from them; a screen reader needs the
    // names on the boxes themselves.
    ComboBoxMemoryType->setAccessibleName(QStringLiteral("Memory Type"));
    EditAddress->setAccessibleName(QStringLiteral("Random access address"));
    EditWriteData->setAccessibleName(QStringLiteral("wDATA, the word to write"));
    EditReadData->setAccessibleName(QStringLiteral("rDATA, the word read"));
    EditWriteAddress->setAccessibleName(QStringLiteral("Sequential write address"));
    EditWriteLength->setAccessibleName(QStringLiteral("Sequential write length"));
    CheckBoxFileLength->setAccessibleName(QStringLiteral("File Length"));
    EditReadAddress->setAccessibleName(QStringLiteral("Sequential read address"));
    EditReadLength->setAccessibleName(QStringLiteral("Sequential read length"));
    CheckBoxEntireMemory->setAccessibleName(QStringLiteral("Entire Memory"));
}

void TFormMemory::FillMemoryList()
{
    for (int position = 0; position < memory::MEMORY_LIST_COUNT; ++position) {
        const std::uint8_t type = memory::MemoryTypeOfPosition(position);
        ComboBoxMemoryType->addItem(Text(memory::MemoryListText(MemoryTypeName(type), MemoryGeometry.SizeBytes(type))));
    }
    ComboBoxMemoryType->setCurrentIndex(0);
    m_LastPosition = 0;
}

int TFormMemory::MemoryTypePosition() const { return ComboBoxMemoryType->currentIndex(); }

std::uint8_t TFormMemory::CurrentMemoryType() const { return memory::MemoryTypeOfPosition(MemoryTypePosition()); }

// --- page contract -------------------------------------------------------------------

void TFormMemory::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    EnableActions(LinkOpen() && !m_Busy);
}

void TFormMemory::Deactivate()
{
    AttachBoard(nullptr);
    EnableActions(false);
}

void TFormMemory::EnableActions(bool enabled)
{
    m_ActionsEnabled = enabled;
    for (int id : {BUTTON_READ, BUTTON_WRITE, BUTTON_WRITE_FILE, BUTTON_READ_FILE})
        Buttons.SetEnabled(id, enabled);
    UpdateMemoryControls();
}

void TFormMemory::UpdateMemoryControls()
{
    const std::uint8_t type = CurrentMemoryType();
    const bool erasable = memory::IsErasable(type);
    if (erasable != m_NoteVisible) {
        m_NoteVisible = erasable;
        LabelNote->setVisible(erasable);
        RepaintCanvas(); // the note's icon is drawn on the canvas
    }
    Buttons.SetCaption(BUTTON_ERASE, type == protocol::MEM_FLASH ? "Chip Erase (260 sec)" : "Chip Erase (70 sec)");
    Buttons.SetEnabled(BUTTON_ERASE, m_ActionsEnabled && erasable && LinkOpen());
}

void TFormMemory::ComboBoxMemoryTypeChange()
{
    UpdateMemoryControls();
    // "Entire Memory" names the selected memory's range, so it follows the selection.
    if (CheckBoxEntireMemory->isChecked())
        CheckBoxEntireMemoryClick();
    if (OnUpdateTestArea)
        OnUpdateTestArea();
    const int position = MemoryTypePosition();
    if (position != m_LastPosition) {
        ShowInfo("", INFO_GREEN);
        m_LastPosition = position;
    }
}

void TFormMemory::CheckBoxEntireMemoryClick()
{
    const bool ticked = CheckBoxEntireMemory->isChecked();
    EditReadAddress->setEnabled(!ticked);
    EditReadLength->setEnabled(!ticked);
    if (ticked) {
        const std::uint32_t words = MemoryGeometry.SizeWords(CurrentMemoryType());
        EditReadAddress->setText(Text(memory::ZeroAddressText(words)));
        EditReadLength->setText(Text(memory::HexText(words)));
    }
}

void TFormMemory::CheckBoxFileLengthClick()
{
    if (CheckBoxFileLength->isChecked())
        return;
    const std::uint32_t words = MemoryGeometry.SizeWords(CurrentMemoryType());
    EditWriteAddress->setText(Text(memory::ZeroAddressText(words)));
    EditWriteLength->setText(Text(memory::HexText(words)));
}

// --- painting and mouse ----------------------------------------------------------------

void TFormMemory::FormPaint()
{
    Skin.Draw(BACKGROUND, 0, 0);
    if (m_NoteVisible)
        Skin.Draw(KEY_NOTE_ICON, 22, 256);
    Buttons.PaintAll();
}

void TFormMemory::ButtonClick(int id)
{
    switch (id) {
    case BUTTON_READ:
        ButtonReadClick();
        break;
    case BUTTON_WRITE:
        ButtonWriteClick();
        break;
    case BUTTON_ERASE:
        ButtonEraseClick();
        break;
    case BUTTON_WRITE_FILE:
        ButtonWriteFileClick();
        break;
    case BUTTON_READ_FILE:
        ButtonReadFileClick();
        break;
    default:
        break;
    }
}

// --- helpers -----------------------------------------------------------------------------

bool TFormMemory::CheckField(
    const QLineEdit* edit, const char* fieldName, std::int32_t maximum, std::int32_t minimum, std::int32_t& value)
{
    const memory::THexField field = memory::ParseHexField(edit->text().toStdString(), fieldName, maximum, minimum);
    if (!field.ok) {
        ShowError(Text(field.error));
        return false;
    }
    value = field.value;
    return true;
}

void TFormMemory::ShowError(const QString& text)
{
    ui::ShowMessage(this, ui::TMessageKind::Error, QStringLiteral("Error"), text);
}

void TFormMemory::ShowWarning(const QString& text)
{
    ui::ShowMessage(this, ui::TMessageKind::Warning, QStringLiteral("Warning"), text);
}

void TFormMemory::BeginOperation()
{
    m_Busy = true;
    ui::SetWindowCursor(this, ui::TCursor::HourGlass);
    EnableActions(false);
}

void TFormMemory::EndOperation()
{
    m_Busy = false;
    EnableActions(LinkOpen());
    ui::SetWindowCursor(this, ui::TCursor::Default);
    if (auto ended = std::exchange(OnOperationEnded, nullptr))
        ended();
}

void TFormMemory::AbortOperation()
{
    if (auto* progress = findChild<TFormProgress*>())
        progress->ButtonAbortClick();
}

void TFormMemory::ReportLinkFailure(const TBoard* usedBoard)
{
    if (Board() == usedBoard)
        RaiseLinkFailure();
}

void TFormMemory::EndOperationAfter(bool exchanged, const TBoard* usedBoard)
{
    // The link is closed before the actions come back, so that none is live without it.
    m_Busy = false;
    if (!exchanged)
        ReportLinkFailure(usedBoard);
    EndOperation();
}

// --- random access -------------------------------------------------------------------------

void TFormMemory::ButtonWriteClick()
{
    TBoard* board = Board();
    if (!board)
        return;
    const std::uint8_t type = CurrentMemoryType();
    const std::int32_t words = static_cast<std::int32_t>(MemoryGeometry.SizeWords(type));
    ShowInfo(QString::asprintf("%s Random Write...", MemoryTypeName(type)), INFO_YELLOW);
    BeginOperation();
    std::int32_t address = 0, data = 0;
    bool ok = CheckField(EditAddress, "Address", words - 1, 0, address)
        && CheckField(EditWriteData, "wDATA", 0xFFFF, 0, data);
    bool exchanged = true;
    QString mismatch;
    if (ok) {
        const std::uint32_t byteAddress = 2u * static_cast<std::uint32_t>(address);
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(data), static_cast<std::uint8_t>(data >> 8)};
        exchanged = board->MemoryWrite(ok, type, byteAddress, 2, bytes);
        // Programming a flash only clears bits: what was not erased first reads back as
        // something else, and that is no success.
        if (exchanged && ok && memory::IsErasable(type)) {
            std::uint8_t back[2] = {};
            exchanged = board->MemoryRead(ok, type, byteAddress, 2, back);
            const int word = back[0] | back[1] << 8;
            if (exchanged && ok && word != data) {
                ok = false;
                mismatch = QString::asprintf(": the word reads %04X, not %04X. Erase first.", word, data);
            }
        }
    }
    ShowInfo(QString::asprintf("%s Random Write %s", MemoryTypeName(type), ok ? "Success" : "Fail") + mismatch,
        ok ? INFO_GREEN : INFO_RED);
    EndOperationAfter(exchanged, board);
}

void TFormMemory::ButtonReadClick()
{
    TBoard* board = Board();
    if (!board)
        return;
    const std::uint8_t type = CurrentMemoryType();
    const std::int32_t words = static_cast<std::int32_t>(MemoryGeometry.SizeWords(type));
    ShowInfo(QString::asprintf("%s Random Read...", MemoryTypeName(type)), INFO_YELLOW);
    BeginOperation();
    std::int32_t address = 0;
    bool ok = CheckField(EditAddress, "Address", words - 1, 0, address);
    bool exchanged = true;
    if (ok) {
        std::uint8_t bytes[2] = {};
        exchanged = board->MemoryRead(ok, type, 2u * static_cast<std::uint32_t>(address), 2, bytes);
        if (exchanged && ok)
            EditReadData->setText(QString::asprintf("%04X", bytes[0] | bytes[1] << 8));
    }
    ShowInfo(QString::asprintf("%s Random Read %s", MemoryTypeName(type), ok ? "Success" : "Fail"),
        ok ? INFO_GREEN : INFO_RED);
    EndOperationAfter(exchanged, board);
}

// --- chip erase -------------------------------------------------------------------------------

void TFormMemory::ButtonEraseClick()
{
    TBoard* board = Board();
    if (!board)
        return;
    const std::uint8_t type = CurrentMemoryType();
    BeginOperation();
    ShowInfo("Flash Erase...", INFO_YELLOW);
    const std::uint32_t start = platform::TickCount();
    // The dialog shows the blocks erased before the one just done.
    const memory::TEraseResult result = memorypage::WithProgressDialog(this, 1,
        [&](memory::ITransferProgress& progress) { return memory::EraseChipWithProgress(*board, progress, type); });
    const std::uint32_t elapsed = platform::TicksSince(start);

    QString text;
    if (result.aborted)
        text = QStringLiteral("Flash Erase abort");
    else if (result.success)
        text = QString::asprintf("%s %s (%.d seconds)", "Flash Erase", "success", static_cast<int>(elapsed / 1000));
    else
        text = QStringLiteral("Flash Erase fail");
    ShowInfo(text, result.success ? INFO_GREEN : INFO_RED);
    if (!result.aborted && !result.success)
        ShowError(text);
    EndOperationAfter(!result.blockFailed && !result.linkLost, board);
}
