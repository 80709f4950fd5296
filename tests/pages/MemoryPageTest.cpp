// The memory page against the simulated board: the controls and their states, random
// access, chip erase and both file transfers, with the dialogs answered by the test.
#include "app/ShowInfo.h"
#include "app/UnitProgress.h"
#include "board/Board.h"
#include "pages/UnitMemory.h"
#include "platform/Paths.h"
#include "ui/Seams.h"

#include "SimulatedBoard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// One simulator and one connected board for the whole program.
class BoardEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        sim = std::make_unique<testsupport::SimulatedBoard>();
        platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
        board = std::make_unique<TBoard>();
        std::string error;
        ASSERT_TRUE(board->Connect(error, 0)) << error;
    }
    void TearDown() override
    {
        board.reset();
        sim.reset();
    }
    static inline std::unique_ptr<testsupport::SimulatedBoard> sim;
    static inline std::unique_ptr<TBoard> board;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new BoardEnvironment);

struct TBox {
    ui::TMessageKind kind;
    QString text;
};

// Button centres on the page.
const QPoint READ(306 + 32, 89 + 8);
const QPoint WRITE(189 + 32, 89 + 8);
const QPoint ERASE(13 + 60, 89 + 8);
const QPoint WRITE_FILE(187 + 88, 162 + 8);
const QPoint READ_FILE(187 + 88, 236 + 8);

// SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH.
enum Position {
    SSRAM0,
    SSRAM1,
    SDRAM,
    EEPROM,
    EPCS,
    FLASH
};

class MemoryPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vx5h-memory-page-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        folder = pattern;
        previousSink = SetShowInfoSink([this](const QString& text, const QColor& colour) {
            infoText = text;
            infoColour = colour;
        });
        seams = std::make_unique<ui::TScopedSeams>(ui::TSeamHandlers{
            [this](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
                boxes.push_back({kind, text});
            },
            [this](QWidget*, const ui::TFileDialogRequest& request) { return Answer(request); },
            [this](QWidget*, const ui::TFileDialogRequest& request) { return Answer(request); },
            [this] {
                QCoreApplication::processEvents();
                ++steps;
                if (auto* dialog = page->findChild<TFormProgress*>())
                    lastPercent = dialog->ProgressBar->value();
                if (duringStep)
                    duringStep(steps);
            },
        });
        page = std::make_unique<TFormMemory>(nullptr);
        page->OnLinkFailure = [this] { ++linkFailures; };
        page->OnUpdateTestArea = [this] { ++areaUpdates; };
        page->show();
        page->Activate(&Board());
    }
    void TearDown() override
    {
        page.reset();
        seams.reset();
        SetShowInfoSink(previousSink);
        fs::remove_all(folder);
    }

    static TBoard& Board() { return *BoardEnvironment::board; }
    static testsupport::SimulatedBoard& Sim() { return *BoardEnvironment::sim; }

    QString Answer(const ui::TFileDialogRequest& request)
    {
        lastRequest = request;
        // The person takes their time in the dialog; the window goes on meanwhile.
        if (dialogWaitMs > 0)
            QTest::qWait(dialogWaitMs);
        return fileAnswer;
    }
    void Click(QPoint at)
    {
        QTest::mouseMove(page.get(), at);
        QTest::mousePress(page.get(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(page.get(), Qt::LeftButton, {}, at);
    }
    void Select(int position)
    {
        page->ComboBoxMemoryType->setCurrentIndex(position);
        Q_EMIT page->ComboBoxMemoryType->activated(position);
    }
    QString Path(const std::string& name) const { return QString::fromStdString(folder + "/" + name); }
    void WriteFile(const std::string& name, const std::string& content) const
    {
        std::ofstream(folder + "/" + name, std::ios::binary) << content;
    }
    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The simulator's bytes, as lower-case hex without separators.
    static std::string SimBytes(const char* memory, std::uint32_t address, std::uint32_t count)
    {
        std::string dump = Sim().Ctl(
            "mem read " + std::string(memory) + " " + std::to_string(address) + " " + std::to_string(count));
        std::string hex;
        for (char c : dump)
            if (std::isxdigit(static_cast<unsigned char>(c)))
                hex += c;
        return hex;
    }
    // Writes a file to memory through the page with "File Length" ticked.
    void WriteWholeFile(int position, const char* address, const std::string& name)
    {
        Select(position);
        page->CheckBoxFileLength->setChecked(true);
        page->EditWriteAddress->setText(address);
        fileAnswer = Path(name);
        Click(WRITE_FILE);
    }
    bool ActionEnabled(int id) const { return page->ActionButtons().FindById(id)->Enabled(); }
    QString EraseCaption() const { return page->ActionButtons().FindById(TFormMemory::BUTTON_ERASE)->Caption(); }

    std::string folder;
    ShowInfoSink previousSink;
    std::unique_ptr<ui::TScopedSeams> seams;
    std::unique_ptr<TFormMemory> page;
    std::vector<TBox> boxes;
    QString infoText;
    QColor infoColour;
    QString fileAnswer;
    int dialogWaitMs = 0;
    ui::TFileDialogRequest lastRequest;
    std::function<void(int)> duringStep;
    int steps = 0;
    int lastPercent = -1;
    int linkFailures = 0;
    int areaUpdates = 0;
};

TEST_F(MemoryPage, ListAndMemoryDependentControls)
{
    const char* texts[]
        = {"SSRAM-0 (100000h WORDS, 2 MB)", "SSRAM-1 (100000h WORDS, 2 MB)", "SDRAM (4000000h WORDS, 128 MB)",
            "EEPROM (800h WORDS, 4 KB)", "EPCS (400000h WORDS, 8 MB)", "FLASH (400000h WORDS, 8 MB)"};
    ASSERT_EQ(6, page->ComboBoxMemoryType->count());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(texts[i], page->ComboBoxMemoryType->itemText(i));
    EXPECT_EQ(0, page->MemoryTypePosition());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_READ));
    EXPECT_FALSE(ActionEnabled(TFormMemory::BUTTON_ERASE));
    EXPECT_FALSE(page->NoteVisible());

    Select(FLASH);
    EXPECT_EQ(1, areaUpdates);
    EXPECT_EQ(FLASH, page->MemoryTypePosition());
    EXPECT_EQ("Chip Erase (260 sec)", EraseCaption());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_ERASE));
    EXPECT_TRUE(page->NoteVisible());
    EXPECT_FALSE(page->LabelNote->isHidden());
    Select(EPCS);
    EXPECT_EQ("Chip Erase (70 sec)", EraseCaption());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_ERASE));
    Select(EEPROM);
    EXPECT_EQ("Chip Erase (70 sec)", EraseCaption());
    EXPECT_FALSE(ActionEnabled(TFormMemory::BUTTON_ERASE));
    EXPECT_FALSE(page->NoteVisible());
    EXPECT_TRUE(page->LabelNote->isHidden());
    EXPECT_EQ(3, areaUpdates);

    // Deactivated, everything but the list is off; erase stays off even for FLASH.
    Select(FLASH);
    page->Deactivate();
    for (int id = 0; id < 5; ++id)
        EXPECT_FALSE(ActionEnabled(id)) << id;
    EXPECT_TRUE(page->ComboBoxMemoryType->isEnabled());
    Click(READ);
    EXPECT_TRUE(infoText.isEmpty());

    fs::create_directories(testsupport::SimulatedBoard::BinFolder() + "../snapshots/pages");
    page->Activate(&Board());
    page->grab().save(
        QString::fromStdString(testsupport::SimulatedBoard::BinFolder() + "../snapshots/pages/memory.png"));
}

TEST_F(MemoryPage, LabelsStandLevelWithTheirBoxes)
{
    const QList<QWidget*> boxes{page->EditAddress, page->EditWriteData, page->EditReadData, page->EditWriteAddress,
        page->EditWriteLength, page->CheckBoxFileLength, page->EditReadAddress, page->EditReadLength,
        page->CheckBoxEntireMemory};
    const auto middle = [](const QWidget* w) { return w->y() + w->height() / 2.0; };
    int checked = 0;
    for (const QLabel* label : page->findChildren<QLabel*>()) {
        if (!QStringList{"Address: ", "wDATA:", "rDATA: ", "Length:", "File Length", "Entire Memory"}.contains(
                label->text()))
            continue;
        // The box right of the label on its row; a check box's caption stands right of it.
        const QWidget* box = label == page->LabelFileLength ? page->CheckBoxFileLength
            : label == page->LabelEntireMemory              ? page->CheckBoxEntireMemory
                                                            : nullptr;
        for (const QWidget* candidate : boxes)
            if (label != page->LabelFileLength && label != page->LabelEntireMemory && candidate->x() > label->x()
                && std::abs(middle(candidate) - middle(label)) < 8 && (!box || candidate->x() < box->x()))
                box = candidate;
        ASSERT_NE(box, nullptr) << label->text().toStdString() << " at " << label->y();
        EXPECT_LE(std::abs(middle(label) - middle(box)), 0.5) << label->text().toStdString() << " at " << label->y();
        ++checked;
    }
    EXPECT_EQ(checked, 9);
}

TEST_F(MemoryPage, CheckBoxesFillTheRangeFields)
{
    // A click on the label flips the box and runs its handler.
    QTest::mouseClick(page->LabelEntireMemory, Qt::LeftButton);
    EXPECT_TRUE(page->CheckBoxEntireMemory->isChecked());
    EXPECT_FALSE(page->EditReadAddress->isEnabled());
    EXPECT_EQ("00000", page->EditReadAddress->text());
    EXPECT_EQ("100000", page->EditReadLength->text());
    QTest::mouseClick(page->CheckBoxEntireMemory, Qt::LeftButton);
    EXPECT_FALSE(page->CheckBoxEntireMemory->isChecked());
    EXPECT_TRUE(page->EditReadLength->isEnabled());

    Select(SDRAM);
    QTest::mouseClick(page->LabelFileLength, Qt::LeftButton);
    EXPECT_TRUE(page->CheckBoxFileLength->isChecked());
    EXPECT_EQ("0", page->EditWriteLength->text()); // ticking changes no field
    QTest::mouseClick(page->LabelFileLength, Qt::LeftButton);
    EXPECT_EQ("0000000", page->EditWriteAddress->text());
    EXPECT_EQ("4000000", page->EditWriteLength->text());
}

TEST_F(MemoryPage, HexFieldsAreCheckedWithTheirBoxes)
{
    page->EditAddress->setText("FFFFF");
    Click(READ);
    EXPECT_EQ("SSRAM-0 Random Read Success", infoText);
    EXPECT_TRUE(boxes.empty());

    page->EditAddress->setText("100000");
    Click(READ);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ui::TMessageKind::Error, boxes[0].kind);
    EXPECT_EQ("The input value(100000) for the field 'Address' is expected to less or equal to FFFFFh.", boxes[0].text);
    EXPECT_EQ("SSRAM-0 Random Read Fail", infoText);
    EXPECT_EQ(INFO_RED, infoColour);

    page->EditAddress->setText("");
    Click(WRITE);
    EXPECT_EQ("Value '' is invalid for 'Address'", boxes.back().text);
    EXPECT_EQ("SSRAM-0 Random Write Fail", infoText);

    page->EditAddress->setText("80000000");
    Click(WRITE);
    EXPECT_EQ(
        "The intput value(80000000) for the field 'Address' is expected to larger or equal to 0h.", boxes.back().text);

    // Nine digits are refused, not cut to 00000001.
    page->EditReadLength->setText("100000001");
    Click(READ_FILE);
    EXPECT_EQ("Value '100000001' is invalid for 'Length'", boxes.back().text);
    EXPECT_EQ("Invalid Input Data.", infoText);

    // The initial length 0 stops both transfers at the minimum.
    page->EditReadLength->setText("0");
    Click(READ_FILE);
    EXPECT_EQ("The intput value(0) for the field 'Length' is expected to larger or equal to 1h.", boxes.back().text);
    Click(WRITE_FILE);
    EXPECT_EQ("Invalud Input Data.", infoText);
    EXPECT_EQ(6u, boxes.size());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_READ_FILE));
    EXPECT_EQ(0, linkFailures);
}

TEST_F(MemoryPage, RandomWriteSendsTheWordLowByteFirst)
{
    Select(SDRAM);
    page->EditAddress->setText("3");
    page->EditWriteData->setText("12AB");
    Click(WRITE);
    EXPECT_EQ("SDRAM Random Write Success", infoText);
    EXPECT_EQ(INFO_GREEN, infoColour);
    EXPECT_EQ("ab12", SimBytes("sdram", 6, 2));

    page->EditReadData->setText("0000");
    Click(READ);
    EXPECT_EQ("12AB", page->EditReadData->text());
    EXPECT_EQ("SDRAM Random Read Success", infoText);

    // A read whose exchange fails keeps the last value; the link counts as lost.
    Sim().Ctl("fault echo 1");
    page->EditAddress->setText("4");
    Click(READ);
    EXPECT_EQ("SDRAM Random Read Fail", infoText);
    EXPECT_EQ("12AB", page->EditReadData->text());
    EXPECT_EQ(1, linkFailures);
}

// A failed exchange is a lost link on this page as on every other: random read, random
// write, a load to a file, and a file write whose first keep-alive goes unanswered. The
// board's refusal is not. A transfer sends a failed packet again, twice: only a third
// failure in a row loses its link.
TEST_F(MemoryPage, FailedExchangesAreLostLinks)
{
    page->EditReadLength->setText("10");
    page->CheckBoxFileLength->setChecked(true);
    WriteFile("small.bin", std::string(64, '\x21'));
    const struct {
        const char* fault;
        Position memory;
        QPoint button;
        const char* answer;
        const char* info;
    } cases[] = {
        {"fault checksum 1", SSRAM0, READ, "lost.bin", "SSRAM-0 Random Read Fail"},
        {"fault drop 1", SSRAM0, WRITE, "lost.bin", "SSRAM-0 Random Write Fail"},
        {"fault echo 3", SSRAM0, READ_FILE, "lost.bin", "Load SSRAM-0 Content to a File Fail."},
        {"fault truncate 3", SSRAM0, READ_FILE, "lost.bin", "Load SSRAM-0 Content to a File Fail."},
        {"fault checksum 3", SSRAM0, WRITE_FILE, "small.bin", "Write a File to SSRAM-0 Fail."},
    };
    for (const auto& c : cases) {
        linkFailures = 0;
        Select(c.memory);
        fileAnswer = Path(c.answer);
        Sim().Ctl(c.fault);
        Click(c.button);
        EXPECT_TRUE(infoText.startsWith(c.info)) << c.fault << ": " << infoText.toStdString();
        EXPECT_EQ(1, linkFailures) << c.fault << " " << c.info;
        Sim().Ctl("fault none");
    }
    EXPECT_FALSE(fs::exists(folder + "/lost.bin"));
}

// Flash programming only clears bits: 1234 over 4321 reads 0220, which is no success.
TEST_F(MemoryPage, FlashWordsAreReadBack)
{
    for (Position memory : {FLASH, EPCS}) {
        Select(memory);
        const char* name = memory == FLASH ? "FLASH" : "EPCS";
        page->EditAddress->setText("3F0F0"); // erased, as nothing else writes there
        page->EditWriteData->setText("1234");
        Click(WRITE);
        page->EditWriteData->setText("4321");
        Click(WRITE);
        EXPECT_EQ(QString(name) + " Random Write Fail: the word reads 0220, not 4321. Erase first.", infoText);
        EXPECT_EQ(INFO_RED, infoColour);
        page->EditWriteData->setText("0220");
        Click(WRITE);
        EXPECT_EQ(QString(name) + " Random Write Success", infoText);
    }
    EXPECT_EQ(0, linkFailures);
}

// The dialogs start where the user last picked a file, "Entire Memory" follows the
// memory, and a file larger than the space left says how much of it went in.
TEST_F(MemoryPage, FilesAndRangesFollowTheUser)
{
    fs::create_directory(folder + "/sub");
    WriteFile("sub/in.bin", "abcd");
    WriteWholeFile(SSRAM0, "0", "sub/in.bin");
    EXPECT_FALSE(lastRequest.directory.isEmpty());
    EXPECT_NE(QDir(lastRequest.directory), QDir(QString::fromStdString(platform::ExecutableFolder())));
    fileAnswer.clear();
    page->EditReadLength->setText("10");
    Click(READ_FILE);
    EXPECT_EQ(Path("sub"), lastRequest.directory);

    QTest::mouseClick(page->LabelEntireMemory, Qt::LeftButton);
    const struct {
        Position memory;
        const char* address;
        const char* length;
    } ranges[] = {{SDRAM, "0000000", "4000000"}, {EEPROM, "000", "800"}, {SSRAM1, "00000", "100000"}};
    for (const auto& r : ranges) {
        Select(r.memory);
        EXPECT_EQ(r.address, page->EditReadAddress->text());
        EXPECT_EQ(r.length, page->EditReadLength->text());
    }

    Sim().Ctl("mem write eeprom 0xFF0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    WriteFile("hundred.hex", std::string(200, 'A') + "\r\n");
    WriteWholeFile(EEPROM, "7FE", "hundred.hex");
    EXPECT_TRUE(infoText.endsWith("] 4 of the file's 100 bytes written: the rest does not fit."))
        << infoText.toStdString();
    EXPECT_EQ(INFO_GREEN, infoColour);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MemoryPage, ChipEraseClearsTheFlashWithProgress)
{
    Sim().Ctl("mem write flash 0x12340 00 11 22");
    ASSERT_EQ("001122", SimBytes("flash", 0x12340, 3));
    Select(FLASH);
    Click(ERASE);
    EXPECT_TRUE(infoText.startsWith("Flash Erase success (")) << infoText.toStdString();
    EXPECT_EQ(INFO_GREEN, infoColour);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ("ffffff", SimBytes("flash", 0x12340, 3));
    EXPECT_EQ(128, steps);
    EXPECT_EQ(99, lastPercent); // (n - 1) * 100 / n
    EXPECT_EQ(nullptr, page->findChild<TFormProgress*>());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_ERASE));
}

TEST_F(MemoryPage, ChipEraseAbortAndZeroBlocks)
{
    Select(EPCS);
    duringStep = [this](int step) {
        if (step == 3)
            page->findChild<TFormProgress*>()->ButtonAbort->click();
    };
    Click(ERASE);
    EXPECT_EQ("Flash Erase abort", infoText);
    EXPECT_EQ(INFO_RED, infoColour);
    EXPECT_EQ(3, steps);
    EXPECT_TRUE(boxes.empty());

    // A count that does not come back erases nothing: fail and a box, and, as the
    // exchange failed, a lost link (a board that answers 0 blocks keeps it).
    duringStep = nullptr;
    Sim().Ctl("fault echo 1");
    Click(ERASE);
    EXPECT_EQ("Flash Erase fail", infoText);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Flash Erase fail", boxes[0].text);
    EXPECT_EQ(1, linkFailures);
}

TEST_F(MemoryPage, BinaryAndHexFilesRoundTrip)
{
    std::string data(65536 + 7, '\0');
    std::mt19937 random(7);
    for (char& c : data)
        c = static_cast<char>(random());
    WriteFile("in.bin", data);
    WriteWholeFile(SSRAM1, "100", "in.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-1 Success.[")) << infoText.toStdString();
    EXPECT_EQ("8004", page->EditWriteLength->text()); // (65543 + 1) / 2 words
    EXPECT_EQ("bin", lastRequest.defaultSuffix);
    EXPECT_TRUE(lastRequest.filter.contains("Hex files"));

    page->EditReadAddress->setText("100");
    page->EditReadLength->setText("8004");
    fileAnswer = Path("out.bin");
    Click(READ_FILE);
    EXPECT_TRUE(infoText.startsWith("Load SSRAM-1 Content to a File Success. (")) << infoText.toStdString();
    EXPECT_TRUE(infoText.endsWith("sec)"));
    const std::string back = ReadFile("out.bin");
    ASSERT_EQ(data.size() + 1, back.size());
    EXPECT_EQ(data, back.substr(0, data.size()));

    fileAnswer = Path("out.HEX");
    Click(READ_FILE);
    const std::string hex = ReadFile("out.HEX");
    ASSERT_EQ(2 * back.size(), hex.size());
    EXPECT_EQ(QByteArray::fromStdString(back).toHex().toUpper().toStdString(), hex);

    // And back in from the HEX text, to another place.
    WriteWholeFile(SSRAM0, "0", "out.HEX");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-0 Success.")) << infoText.toStdString();
    Select(SSRAM0);
    page->EditReadAddress->setText("0");
    fileAnswer = Path("again.bin");
    Click(READ_FILE);
    EXPECT_EQ(back, ReadFile("again.bin"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(0, linkFailures);
}

// The seconds a result text gives: "...Success.[0.1sec]", "...Success. (0.1sec)".
double SecondsOf(const QString& text)
{
    static const QRegularExpression seconds(QStringLiteral("[\\[(]([0-9]+\\.[0-9])sec[\\])]"));
    const QRegularExpressionMatch match = seconds.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

TEST_F(MemoryPage, TransferTimesLeaveOutTheFileDialog)
{
    WriteFile("eeprom.bin", std::string(4096, '\x3C'));
    dialogWaitMs = 1500;
    WriteWholeFile(EEPROM, "0", "eeprom.bin");
    ASSERT_TRUE(infoText.startsWith("Write a File to EEPROM Success.[")) << infoText.toStdString();
    EXPECT_GE(SecondsOf(infoText), 0.0);
    EXPECT_LT(SecondsOf(infoText), 1.0) << infoText.toStdString();

    page->CheckBoxEntireMemory->setChecked(true);
    page->CheckBoxEntireMemoryClick();
    fileAnswer = Path("eeprom-back.bin");
    Click(READ_FILE);
    ASSERT_TRUE(infoText.startsWith("Load EEPROM Content to a File Success. (")) << infoText.toStdString();
    EXPECT_GE(SecondsOf(infoText), 0.0);
    EXPECT_LT(SecondsOf(infoText), 1.0) << infoText.toStdString();
    EXPECT_EQ(ReadFile("eeprom-back.bin"), std::string(4096, '\x3C'));
}

TEST_F(MemoryPage, FileKindAndWholeFileRules)
{
    WriteFile("abc.hex", "ABC");
    WriteWholeFile(SSRAM0, "10", "abc.hex");
    EXPECT_EQ("abc0", SimBytes("ssram0", 0x20, 2));
    EXPECT_EQ("1", page->EditWriteLength->text());

    WriteFile("DUMP.Hex", "4142");
    WriteWholeFile(SSRAM0, "20", "DUMP.Hex");
    EXPECT_EQ("4142", SimBytes("ssram0", 0x40, 2));
    WriteFile("DUMP.txt", "4142");
    WriteWholeFile(SSRAM0, "20", "DUMP.txt");
    EXPECT_EQ("34313432", SimBytes("ssram0", 0x40, 4));

    WriteFile("empty.bin", "");
    page->EditWriteLength->setText("5");
    WriteWholeFile(SSRAM0, "0", "empty.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-0 Success.")) << infoText.toStdString();
    EXPECT_EQ("0", page->EditWriteLength->text());

    // The space left at the last word of the EEPROM is two bytes.
    Sim().Ctl("mem write eeprom 0xFF0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    WriteFile("hundred.bin", std::string(100, '\x5A'));
    WriteWholeFile(EEPROM, "7FF", "hundred.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to EEPROM Success.")) << infoText.toStdString();
    EXPECT_EQ("00005a5a", SimBytes("eeprom", 0xFFC, 4));
    EXPECT_EQ("1", page->EditWriteLength->text());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MemoryPage, BadFilesEndInWarnings)
{
    WriteFile("break.hex", "01\n02");
    WriteWholeFile(SSRAM0, "0", "break.hex");
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(ui::TMessageKind::Warning, boxes[0].kind);
    EXPECT_EQ(
        "invalid hex file.\nThe character at offset 2 of " + Path("break.hex") + " is not a hex digit.", boxes[0].text);
    EXPECT_EQ(ui::TMessageKind::Error, boxes[1].kind);
    EXPECT_TRUE(boxes[1].text.startsWith("Write a File to SSRAM-0 Fail.[")) << boxes[1].text.toStdString();
    EXPECT_EQ(boxes[1].text, infoText);

    boxes.clear();
    WriteFile("short.hex", std::string(39, '0'));
    page->CheckBoxFileLength->setChecked(false);
    page->EditWriteAddress->setText("0");
    page->EditWriteLength->setText("A");
    fileAnswer = Path("short.hex");
    Click(WRITE_FILE);
    ASSERT_EQ(1u, boxes.size()); // the warning only
    EXPECT_EQ(ui::TMessageKind::Warning, boxes[0].kind);
    EXPECT_EQ("File(" + Path("short.hex") + ") size is less than the specified length.", boxes[0].text);
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-0 Fail.["));

    // A file that cannot be opened: the error box only, naming the file and the reason.
    boxes.clear();
    fileAnswer = Path("missing.bin");
    Click(WRITE_FILE);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ui::TMessageKind::Error, boxes[0].kind);
    EXPECT_EQ(infoText + "\n" + Path("missing.bin") + ": No such file or directory", boxes[0].text);

    // A FIFO would block the window in open(): it is refused first.
    boxes.clear();
    ASSERT_EQ(0, ::mkfifo((folder + "/fifo.bin").c_str(), 0600));
    fileAnswer = Path("fifo.bin");
    Click(WRITE_FILE);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_TRUE(boxes[0].text.endsWith(Path("fifo.bin") + ": not a regular file")) << boxes[0].text.toStdString();

    // A dump that cannot be created, or must not be written, fails before the board is read.
    page->EditReadLength->setText("10");
    for (const auto& [file, reason] : {std::pair(Path("no/such/folder/x.bin"), QString("No such file or directory")),
             std::pair(QString("/proc/self/mem"), QString("not a regular file"))}) {
        boxes.clear();
        steps = 0;
        fileAnswer = file;
        Click(READ_FILE);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_TRUE(boxes[0].text.startsWith("Load SSRAM-0 Content to a File Fail. (")) << boxes[0].text.toStdString();
        EXPECT_TRUE(boxes[0].text.endsWith(file + ": " + reason)) << boxes[0].text.toStdString();
        EXPECT_EQ(0, steps) << "no transfer";
    }
    EXPECT_EQ(0, linkFailures);
}

TEST_F(MemoryPage, CancelAndAbortAreNotFailures)
{
    fileAnswer.clear();
    page->EditReadLength->setText("10");
    Click(READ_FILE);
    EXPECT_EQ("Load SSRAM-0 Content to a File Aborted.", infoText);
    page->CheckBoxFileLength->setChecked(true);
    Click(WRITE_FILE);
    EXPECT_EQ("Write a File to SSRAM-0 Aborted.", infoText);
    boxes.clear();

    WriteFile("big.bin", std::string(200000, '\x33'));
    WriteFile("keep.bin", "kept");
    duringStep = [this](int step) {
        if (step == 2)
            page->findChild<TFormProgress*>()->ButtonAbort->click();
    };
    fileAnswer = Path("big.bin");
    Click(WRITE_FILE);
    EXPECT_EQ("Write a File to SSRAM-0 Aborted.", infoText);
    EXPECT_EQ(INFO_RED, infoColour);
    EXPECT_EQ(2, steps);

    // An aborted dump leaves the file it would have replaced alone.
    steps = 0;
    page->EditReadLength->setText("10000");
    fileAnswer = Path("keep.bin");
    Click(READ_FILE);
    EXPECT_EQ("Load SSRAM-0 Content to a File Aborted.", infoText);
    EXPECT_EQ("kept", ReadFile("keep.bin"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(0, linkFailures);
}

TEST_F(MemoryPage, LeavingThePageDuringATransferKeepsItsBoard)
{
    WriteFile("big.bin", std::string(200000, '\x44'));
    duringStep = [this](int step) {
        if (step == 1)
            page->Deactivate();
    };
    WriteWholeFile(SSRAM1, "0", "big.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-1 Success.")) << infoText.toStdString();
    EXPECT_EQ("4444", SimBytes("ssram1", 199998, 2));
    EXPECT_FALSE(ActionEnabled(TFormMemory::BUTTON_WRITE_FILE)); // still detached
    page->Activate(&Board());
    EXPECT_TRUE(ActionEnabled(TFormMemory::BUTTON_WRITE_FILE));
}

// Last of the board tests: it pulls the cable and plugs it back.
TEST_F(MemoryPage, CablePulledDuringAWriteIsALostLink)
{
    WriteFile("big.bin", std::string(200000, '\x55'));
    duringStep = [](int step) {
        if (step == 2)
            Sim().Ctl("unplug");
    };
    WriteWholeFile(SSRAM0, "0", "big.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-0 Fail.[")) << infoText.toStdString();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ui::TMessageKind::Error, boxes[0].kind);
    EXPECT_EQ(1, linkFailures);

    // The same failure after the page was left is not reported: the shell has moved on.
    Sim().Ctl("plug");
    Board().Disconnect();
    std::string error;
    ASSERT_TRUE(Board().Connect(error, 0)) << error;
    page->Activate(&Board());
    steps = 0;
    duringStep = [this](int step) {
        if (step == 1) {
            page->Deactivate();
            Sim().Ctl("unplug");
        }
    };
    WriteWholeFile(SSRAM0, "0", "big.bin");
    EXPECT_TRUE(infoText.startsWith("Write a File to SSRAM-0 Fail.[")) << infoText.toStdString();
    EXPECT_EQ(1, linkFailures);

    Sim().Ctl("plug");
    Board().Disconnect();
    ASSERT_TRUE(Board().Connect(error, 0)) << error;
}

} // namespace
