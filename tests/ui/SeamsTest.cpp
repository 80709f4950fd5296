#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <gtest/gtest.h>

#include "ui/DialogStyle.h"
#include "ui/Seams.h"

namespace {

// Tests answer message boxes and file dialogs through the seams; a scope that installs
// handlers must leave the previous ones in place when it ends, also when nested.
TEST(SeamsTest, ScopedHandlersAnswerAndRestoreThePreviousOnes)
{
    QStringList shown;
    ui::TSeamHandlers outer;
    outer.message = [&](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
        shown << QString("outer %1 %2").arg(int(kind)).arg(text);
    };
    outer.openFile = [](QWidget*, const ui::TFileDialogRequest& r) { return "/tmp/in." + r.defaultSuffix; };
    {
        ui::TScopedSeams outerScope(outer);
        {
            ui::TSeamHandlers inner;
            inner.message
                = [&](QWidget*, ui::TMessageKind, const QString&, const QString& text) { shown << "inner " + text; };
            int pumped = 0;
            inner.processEvents = [&] { ++pumped; };
            ui::TScopedSeams innerScope(inner);
            ui::ShowMessage(nullptr, ui::TMessageKind::Error, "t", "a");
            ui::ProcessEvents();
            EXPECT_EQ(pumped, 1);
            // The inner scope replaced the whole set: no open-file answer inside it.
            EXPECT_FALSE(ui::CurrentSeamHandlers().openFile);
        }
        ui::ShowMessage(nullptr, ui::TMessageKind::Warning, "t", "b");
        EXPECT_EQ(ui::GetOpenFileName(nullptr, {"Open", "All files (*.*)", "bin", {}}), "/tmp/in.bin");
    }
    EXPECT_FALSE(ui::CurrentSeamHandlers().message);
    EXPECT_EQ(shown, (QStringList{"inner a", "outer 1 b"}));
    ui::ProcessEvents(); // the Qt default, harmless without pending events
}

} // namespace

// A bare name saved under "Hex files" is a HEX file: the suffix follows the filter.
TEST(SeamsTest, SaveSuffixFollowsTheChosenFilter)
{
    const struct {
        const char* filter;
        const char* suffix;
    } cases[] = {{"Hex files (*.HEX *.hex)", "hex"}, {"All files (*)", "bin"}, {"Images (*.png *.jpg)", "png"},
        {"Anything (*.*)", "bin"}, {"*.txt", "txt"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.suffix, ui::SuffixOfFilter(c.filter, "bin")) << c.filter;

    QFileDialog dialog(nullptr, "Save", QString(), "All files (*);;Hex files (*.HEX *.hex)");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix("bin");
    ui::FollowFilterSuffix(dialog, "bin");
    Q_EMIT dialog.filterSelected("Hex files (*.HEX *.hex)");
    EXPECT_EQ("hex", dialog.defaultSuffix());
    Q_EMIT dialog.filterSelected("All files (*)");
    EXPECT_EQ("bin", dialog.defaultSuffix());
}

// The boxes and the file dialog beside the skinned window wear its dark face and its
// font.
TEST(SeamsTest, TheStandardDialogsWearThePanelsLook)
{
    const QPalette panel = ui::PanelPalette();
    EXPECT_LT(panel.color(QPalette::Window).lightness(), 60) << "a dark face, as the skin's";
    EXPECT_GT(panel.color(QPalette::WindowText).lightness(), 200);
    EXPECT_EQ(panel.color(QPalette::Highlight), QColor(0, 234, 255)) << "the skin's accent";
    const auto box = ui::MakeMessageBox(nullptr, ui::TMessageKind::Error, "Error", "Flash Erase fail");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->palette().color(QPalette::Window), panel.color(QPalette::Window));
    EXPECT_EQ(box->font().family(), "Arial");
    EXPECT_EQ(ui::MakeMessageBox(nullptr, ui::TMessageKind::Warning, "t", "x")->icon(), QMessageBox::Warning);
    EXPECT_EQ(
        ui::MakeScrollingMessage(nullptr, "t", "x")->palette().color(QPalette::Window), panel.color(QPalette::Window));

    // The file dialog at a size that shows its columns (HiDpiTest checks them at each scale).
    QFileDialog dialog(nullptr, "Write a File to Memory", QString(), "All files (*);;Hex files (*.HEX *.hex)");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ui::PrepareFileDialog(dialog);
    EXPECT_EQ(dialog.size(), ui::FILE_DIALOG_SIZE.boundedTo(dialog.screen()->availableSize() * 9 / 10));
    EXPECT_EQ(dialog.viewMode(), QFileDialog::Detail);
    EXPECT_EQ(dialog.palette().color(QPalette::Window), panel.color(QPalette::Window));
}
