#include <QFileDialog>
#include <QStringList>
#include <gtest/gtest.h>

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
