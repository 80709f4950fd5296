// The panel from the keyboard alone, connected to a simulated board: Tab walks a page in
// reading order and ends at Connect, Space and Enter press the focused button as a click
// does (with the focus mark shown), Enter in a box runs the button it goes with, the page
// keys follow the tabs and stop while the tabs are disabled, and Alt+C, F1, Escape and
// Ctrl+Q reach Connect, About and Close.
#include "AppFixture.h"
#include "app/UnitAbout.h"
#include "pages/UnitLCD.h"
#include "pages/LedLayout.h"
#include "pages/UnitLED.h"
#include "pages/UnitMemory.h"
#include "pages/UnitRS232.h"
#include "pages/UnitVGA.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace mainlayout;
using apptest::AppTest;

namespace {

class Keyboard : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetUpBoard(true);
        MakeForm();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.data()));
        ASSERT_TRUE(StartAutoConnect());
        ASSERT_EQ(Form->ActivePage, PAGE_LED);
    }

    // The key goes where a key press would: the focused control, or the window.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form.data();
        QTest::keyClick(target, key, modifiers);
    }

    // What a screen reader would call the focused control.
    static QString Focused()
    {
        QWidget* focus = QApplication::focusWidget();
        if (auto* skinned = qobject_cast<ui::TSkinnedWindow*>(focus); skinned && skinned->FocusGroup())
            return skinned->FocusGroup()->FindById(skinned->FocusId())->AccessibleName();
        return focus ? focus->accessibleName() : QString();
    }

    // The names Tab (or Shift+Tab) passes, `count` presses from here.
    std::vector<QString> Walk(int count, bool back = false)
    {
        std::vector<QString> names;
        for (int i = 0; i < count; ++i) {
            Key(back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
            names.push_back(Focused());
        }
        return names;
    }

    void TabTo(const QString& name)
    {
        for (int i = 0; i < 40 && Focused() != name; ++i)
            Key(Qt::Key_Tab);
        ASSERT_EQ(Focused(), name);
    }

    std::uint32_t BoardLeds() const
    {
        const QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(SimState())).object();
        return static_cast<std::uint32_t>(state["leds"].toInteger());
    }

    template<typename T> T* Page(int index) { return static_cast<T*>(Form->Pages[index]); }
};

// Pixels of the skin's accent, the focus mark's colour, within `area` of the page.
int AccentPixels(const ui::TSkinnedWindow& page, const QRect& area)
{
    const QImage part = page.Canvas()->copy(area);
    int count = 0;
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) {
            const QRgb p = part.pixel(x, y);
            count += qRed(p) < 80 && qGreen(p) > 180 && qBlue(p) > 200;
        }
    return count;
}

TEST_F(Keyboard, TabWalksThePageInReadingOrderThenConnectAndBack)
{
    std::vector<QString> expected;
    for (int id : {8, 7, 6, 5, 4, 3, 2, 1, 0}) // the lowest LED of a row is at the right
        expected.push_back(QStringLiteral("GLED%1").arg(id));
    for (int id : {8, 7, 6, 5, 4, 3, 2, 1, 0})
        expected.push_back(QStringLiteral("RLED%1").arg(id));
    for (int id : {17, 16, 15, 14, 13, 12, 11, 10, 9})
        expected.push_back(QStringLiteral("RLED%1").arg(id));
    for (const char* name : {"Light All", "Unlight All", "Disconnect"})
        expected.push_back(QString::fromLatin1(name));
    const int stops = static_cast<int>(expected.size());
    EXPECT_EQ(Walk(stops), expected);
    EXPECT_EQ(Walk(1), std::vector<QString>{"GLED8"}) << "it goes round";
    EXPECT_EQ(Walk(2, true), (std::vector<QString>{"Disconnect", "Unlight All"}));

    // The memory page: its list, boxes and check boxes among its buttons, row by row; the
    // chip erase, disabled for SSRAM, is passed over.
    Key(Qt::Key_Tab, Qt::ControlModifier);
    Key(Qt::Key_Tab, Qt::ControlModifier);
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(Form->ActivePage, PAGE_MEMORY);
    const std::vector<QString> memory{"Memory Type", "Random access address", "wDATA, the word to write",
        "rDATA, the word read", "Write", "Read", "Sequential write address", "Sequential write length", "File Length",
        "Write a File to Memory", "Sequential read address", "Sequential read length", "Entire Memory",
        "Load Memory Content to a File", "Disconnect"};
    EXPECT_EQ(Walk(static_cast<int>(memory.size())), memory);
}

TEST_F(Keyboard, SpaceAndEnterPressTheFocusedButtonAsAClickDoes)
{
    auto* led = Page<TFormLED>(PAGE_LED);
    const QRect gled3(leds::ButtonPlace(3), QSize(24, 36));
    EXPECT_EQ(AccentPixels(*led, gled3), 0) << "no mark before the keyboard is used";
    TabTo("GLED3");
    EXPECT_GT(AccentPixels(*led, gled3), 20) << "the focused button shows the mark";

    const std::uint32_t before = led->CurrentMask();
    Key(Qt::Key_Space);
    EXPECT_FALSE(led->LedLit(3));
    EXPECT_EQ(BoardLeds(), before & ~8u);
    Key(Qt::Key_Return);
    EXPECT_TRUE(led->LedLit(3));
    EXPECT_EQ(BoardLeds(), before);

    TabTo("Unlight All");
    EXPECT_EQ(AccentPixels(*led, gled3), 0) << "the mark went with the focus";
    Key(Qt::Key_Enter);
    EXPECT_EQ(BoardLeds(), 0u);

    // Connect (Disconnect now) is a stop of its own, pressed like any other button.
    TabTo("Disconnect");
    Key(Qt::Key_Space);
    EXPECT_EQ(Status(), "Disconnected");
}

// Pixels of the skin's accent in a ring just around `control`, as the window shows it.
int RingPixels(const QWidget* control)
{
    QWidget* page = control->parentWidget();
    const QRect ring = control->geometry().adjusted(-3, -3, 3, 3);
    const QImage shot = page->grab(ring).toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            count += qRed(p) < 80 && qGreen(p) > 180 && qBlue(p) > 200;
        }
    return count;
}

// Every control Tab reaches shows the same mark: the skinned buttons' cyan ring, and the
// same ring around the boxes and the drop-down lists, so that Down on a list is never a
// change made unseen.
TEST_F(Keyboard, EveryFocusedControlShowsTheCyanRing)
{
    Form->StepPage(3);
    ASSERT_EQ(Form->ActivePage, PAGE_MEMORY);
    auto* memory = Page<TFormMemory>(PAGE_MEMORY);
    EXPECT_EQ(RingPixels(memory->ComboBoxMemoryType), 0) << "no mark before the keyboard is used";
    TabTo("Memory Type");
    EXPECT_GT(RingPixels(memory->ComboBoxMemoryType), 40) << "the memory list";
    Key(Qt::Key_Down);
    EXPECT_EQ(memory->MemoryTypePosition(), 1);
    EXPECT_GT(RingPixels(memory->ComboBoxMemoryType), 40) << "still marked after Down";
    TabTo("Random access address");
    EXPECT_EQ(RingPixels(memory->ComboBoxMemoryType), 0) << "the mark went with the focus";
    EXPECT_GT(RingPixels(memory->EditAddress), 40) << "a box";
    TabTo("File Length");
    EXPECT_GT(RingPixels(memory->CheckBoxFileLength), 20) << "a check box";

    Form->SelectPage(PAGE_VGA);
    Form->TabButtons->SetSelected(PAGE_VGA, true);
    auto* vga = Page<TFormVGA>(PAGE_VGA);
    TabTo("Pattern");
    EXPECT_GT(RingPixels(vga->ComboBoxVGA), 40) << "the pattern list";
}

TEST_F(Keyboard, EnterInABoxRunsTheButtonItGoesWith)
{
    // Memory: Enter in wDATA writes the word, Enter in the address reads it back.
    Form->StepPage(3);
    ASSERT_EQ(Form->ActivePage, PAGE_MEMORY);
    auto* memory = Page<TFormMemory>(PAGE_MEMORY);
    memory->EditAddress->setText("00000010");
    memory->EditWriteData->setText("BEEF");
    memory->EditWriteData->setFocus();
    Key(Qt::Key_Return);
    memory->EditReadData->setText("0000");
    memory->EditAddress->setFocus();
    Key(Qt::Key_Return);
    EXPECT_EQ(memory->EditReadData->text(), "BEEF");

    // LCD: Enter in a line sets both lines.
    Form->StepPage(3); // Memory, G-Sensor, SD Card, LCD
    ASSERT_EQ(Form->ActivePage, PAGE_LCD);
    auto* lcd = Page<TFormLCD>(PAGE_LCD);
    lcd->EditLine0->setText("KEYS ONLY");
    lcd->EditLine1->setFocus();
    Key(Qt::Key_Return);
    EXPECT_TRUE(SimSays("KEYS ONLY")) << SimState();

    // RS232: Shift+Enter starts a new line, Enter sends the text.
    Form->StepPage(2); // IR RX, RS232
    ASSERT_EQ(Form->ActivePage, PAGE_RS232);
    auto* rs232 = Page<TFormRS232>(PAGE_RS232);
    rs232->EditSend->setFocus();
    QTest::keyClicks(rs232->EditSend, "ab");
    Key(Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(rs232->EditSend, "c");
    EXPECT_EQ(rs232->EditSend->toPlainText(), "ab\nc");
    Key(Qt::Key_Return);
    EXPECT_TRUE(SimSays(R"("rs232_sent":"ab\nc)")) << SimState();
}

TEST_F(Keyboard, PageKeysFollowTheTabsAndWaitWhileTheyAreDisabled)
{
    struct TStep {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const TStep steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, PAGE_SEG7},
        {Qt::Key_PageDown, Qt::ControlModifier, PAGE_BUTTON},
        {Qt::Key_Backtab, Qt::ControlModifier, PAGE_SEG7}, // Ctrl+Shift+Tab, as Qt matches it
        {Qt::Key_PageUp, Qt::ControlModifier, PAGE_LED},
        {Qt::Key_PageUp, Qt::ControlModifier, PAGE_HSMC}, // round to the last tab
        {Qt::Key_Tab, Qt::ControlModifier, PAGE_LED},
    };
    for (const TStep& step : steps) {
        Key(step.key, step.modifiers);
        EXPECT_EQ(Form->ActivePage, step.page) << "key " << step.key;
        EXPECT_TRUE(Form->TabButtons->IsSelected(step.page)) << "the tab follows as for a click";
    }
    // From a control of the page, too.
    Form->StepPage(3);
    Page<TFormMemory>(PAGE_MEMORY)->EditAddress->setFocus();
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Form->ActivePage, PAGE_GSENSOR);

    // A lost link disables the tabs, and the page keys with them, until Alt+C connects.
    Sim().Ctl("fault checksum");
    ASSERT_TRUE(apptest::WaitFor([this] { return Status() == "Disconnected"; }, 5000));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Form->ActivePage, PAGE_GSENSOR);
    Sim().Ctl("fault none");
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
}

TEST_F(Keyboard, F1OpensAboutEscapeClosesItAndCtrlQCloses)
{
    bool aboutShown = false;
    QTimer::singleShot(100, [&aboutShown] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* about = qobject_cast<TFormAbout*>(window); about && about->isVisible()) {
                aboutShown = true;
                QTest::keyClick(about, Qt::Key_Escape);
            }
    });
    Key(Qt::Key_F1); // returns when the box has closed
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(Form->isVisible());

    // The window is active again once the box has gone (offscreen, the test says so).
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.data()));
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(Form->isVisible());
}

} // namespace
