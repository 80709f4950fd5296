// The VGA page: the preview cells and colours, the mode and pattern bytes the board
// receives, and when a selection is sent (the pattern table: tests/core).

#include "IoPageFixture.h"
#include "pages/UnitVGA.h"
#include "pages/VgaPreview.h"

#include <QComboBox>

using namespace iopages;

namespace {

TEST(VgaPreview, GridCellsTileThePreviewWithoutGaps)
{
    EXPECT_EQ(vga::CellRect(0, 0), QRect(0, 0, 8, 42));
    EXPECT_EQ(vga::CellRect(3, 39).right(), vga::PREVIEW_WIDTH - 1);
    EXPECT_EQ(vga::CellRect(3, 39).bottom(), vga::PREVIEW_HEIGHT - 1);
    for (int j = 1; j < vga::GRID_COLUMNS; ++j)
        EXPECT_EQ(vga::CellRect(0, j).left(), vga::CellRect(0, j - 1).right() + 1);
    for (int i = 1; i < vga::GRID_ROWS; ++i)
        EXPECT_EQ(vga::CellRect(i, 0).top(), vga::CellRect(i - 1, 0).bottom() + 1);
}

TEST(VgaPreview, RampsRestartEverySixteenColumns)
{
    EXPECT_EQ(vga::CellColour(0, 0, 16), QColor(0, 0, 0));
    EXPECT_EQ(vga::CellColour(0, 0, 15), QColor(240, 0, 0));
    EXPECT_EQ(vga::CellColour(0, 1, 1), QColor(0, 16, 0));
    EXPECT_EQ(vga::CellColour(0, 2, 2), QColor(0, 0, 32));
    EXPECT_EQ(vga::CellColour(0, 3, 39), QColor(112, 112, 112));
    EXPECT_EQ(vga::CellColour(6, 3, 5), QColor(80, 0, 0));
    EXPECT_EQ(vga::CellColour(8, 0, 5), QColor(0, 0, 80));
}

TEST(VgaPreview, DrawnPreviewShowsCellsSolidsAndTheComposite)
{
    QImage preview(vga::PREVIEW_WIDTH, vga::PREVIEW_HEIGHT, QImage::Format_RGB32);
    vga::DrawPreview(preview, 0, QImage());
    EXPECT_EQ(preview.pixelColor(vga::CellRect(0, 16).center()), QColor(0, 0, 0));
    EXPECT_EQ(preview.pixelColor(vga::CellRect(0, 15).center()), QColor(240, 0, 0));
    EXPECT_EQ(preview.pixelColor(vga::CellRect(3, 15).bottomRight()), QColor(240, 240, 240));
    vga::DrawPreview(preview, 2, QImage());
    EXPECT_EQ(preview.pixelColor(200, 100), QColor(0, 128, 0));
    QImage composite(vga::PREVIEW_WIDTH, vga::PREVIEW_HEIGHT, QImage::Format_RGB32);
    composite.fill(QColor(1, 2, 3));
    vga::DrawPreview(preview, 9, composite);
    EXPECT_EQ(preview.pixelColor(0, 0), QColor(1, 2, 3));
    EXPECT_EQ(preview.pixelColor(328, 168), QColor(1, 2, 3));
}

class VgaPage : public TPageSuite<TFormVGA> {
protected:
    void PrepareBoard() override { ASSERT_TRUE(Board().SetVgaPattern(2, 4)); }

    static std::pair<int, int> BoardVga()
    {
        const QJsonObject vga = State()["vga"].toObject();
        return {vga["mode"].toInt(), vga["pattern"].toInt()};
    }
};

TEST_F(VgaPage, StartsWithColorScaleAndSendsNothingUntilActivated)
{
    EXPECT_EQ(page->ComboBoxVGA->count(), vga::PATTERN_COUNT);
    EXPECT_EQ(page->ComboBoxVGA->currentText(), "Color Scale");
    EXPECT_EQ(page->ComboBoxVGA->itemText(9), "Composite-In");
    EXPECT_EQ(page->PreviewImage().pixelColor(vga::CellRect(0, 15).center()), QColor(240, 0, 0));
    EXPECT_EQ(BoardVga(), std::make_pair(2, 4));
    // The grey frame around the preview.
    EXPECT_EQ(page->Canvas()->pixelColor(31, 87), QColor(150, 150, 150));
    EXPECT_EQ(page->Canvas()->pixelColor(361, 257), QColor(150, 150, 150));
}

TEST_F(VgaPage, ActivationSendsTheSelectionAndEachChoiceIsSent)
{
    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_EQ(BoardVga(), std::make_pair(2, 0));
    EXPECT_EQ(info.Last().text, "Set VGA Success");
    EXPECT_EQ(info.Last().colour, INFO_GREEN);
    EXPECT_TRUE(info.Saw("VGA Setting...", INFO_YELLOW));

    page->ComboBoxVGA->setCurrentIndex(9);
    EXPECT_EQ(BoardVga(), std::make_pair(1, 9));
    EXPECT_EQ(page->PreviewImage(), resources::LoadBitmap("COMPOSITE").convertToFormat(QImage::Format_RGB32));
    page->ComboBoxVGA->setCurrentIndex(8);
    EXPECT_EQ(BoardVga(), std::make_pair(2, 8));
    EXPECT_EQ(page->PreviewImage().pixelColor(vga::CellRect(2, 3).center()), QColor(0, 0, 48));

    // The selection persists and is sent again, once, at the next activation.
    page->Deactivate();
    ASSERT_TRUE(Board().SetVgaPattern(2, 1));
    const std::size_t lines = info.Lines.size();
    page->Activate(&Board());
    EXPECT_EQ(BoardVga(), std::make_pair(2, 8));
    int settings = 0;
    for (std::size_t i = lines; i < info.Lines.size(); ++i)
        settings += info.Lines[i].text == "VGA Setting...";
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(failures, 0);
}

TEST_F(VgaPage, ChoiceWithoutAnOpenLinkOnlyRedraws)
{
    TInfoRecorder info;
    page->ComboBoxVGA->setCurrentIndex(1); // inactive
    EXPECT_EQ(page->PreviewImage().pixelColor(100, 100), QColor(255, 0, 0));
    page->Activate(&Board());
    Board().Disconnect();
    const std::size_t lines = info.Lines.size();
    page->ComboBoxVGA->setCurrentIndex(3);
    EXPECT_EQ(page->PreviewImage().pixelColor(100, 100), QColor(0, 0, 255));
    EXPECT_EQ(info.Lines.size(), lines);
    std::string error;
    ASSERT_TRUE(Board().Connect(error, 0));
    EXPECT_EQ(BoardVga(), std::make_pair(2, 1)); // sent at activation, not since
    EXPECT_EQ(failures, 0);
}

TEST_F(VgaPage, FailedSettingRaisesLinkFailureAfterThePreviewChanged)
{
    TInfoRecorder info;
    page->Activate(&Board());
    Ctl("fault checksum");
    page->ComboBoxVGA->setCurrentIndex(4);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(info.Last().text, "VGA Setting...");
    EXPECT_EQ(page->PreviewImage().pixelColor(10, 10), QColor(255, 255, 255));
}

TEST_F(VgaPage, Snapshot)
{
    page->Activate(&Board());
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "vga")).isNull());
    page->ComboBoxVGA->setCurrentIndex(9);
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "vga-composite")).isNull());
}

} // namespace
