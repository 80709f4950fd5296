#include "ui/DialogStyle.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QWidget>

#include "resources/Paint.h"
#include "ui/Fonts.h"

namespace ui {

namespace {

namespace palette = resources::art::palette;

const QColor TEXT(232, 236, 242);
const QColor FIELD(14, 16, 21);
const QColor FIELD_ALTERNATE(22, 25, 32);
const QColor BUTTON(50, 57, 68);
const QColor DISABLED_TEXT(118, 126, 138);
constexpr int PLACES_WIDTH = 150;

} // namespace

QPalette PanelPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, palette::kPanel);
    p.setColor(QPalette::WindowText, TEXT);
    p.setColor(QPalette::Base, FIELD);
    p.setColor(QPalette::AlternateBase, FIELD_ALTERNATE);
    p.setColor(QPalette::Text, TEXT);
    p.setColor(QPalette::PlaceholderText, DISABLED_TEXT);
    p.setColor(QPalette::Button, BUTTON);
    p.setColor(QPalette::ButtonText, TEXT);
    p.setColor(QPalette::BrightText, palette::kAccent);
    p.setColor(QPalette::Highlight, palette::kAccent);
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, palette::kAccent);
    p.setColor(QPalette::ToolTipBase, BUTTON);
    p.setColor(QPalette::ToolTipText, TEXT);
    // The shades the style draws frames and bevels with, around the face.
    p.setColor(QPalette::Light, palette::kPanelEdge.lighter(130));
    p.setColor(QPalette::Midlight, palette::kPanelEdge);
    p.setColor(QPalette::Mid, palette::kPanelEdge.darker(130));
    p.setColor(QPalette::Dark, palette::kPanel.darker(160));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, DISABLED_TEXT);
    p.setColor(QPalette::Disabled, QPalette::Highlight, palette::kPanelEdge);
    return p;
}

QFont DialogFont() { return PixelFont(QStringLiteral("Arial"), 13); }

void StyleDialog(QWidget* dialog)
{
    if (!dialog)
        return;
    dialog->setPalette(PanelPalette());
    dialog->setFont(DialogFont());
    dialog->setAutoFillBackground(true);
}

void PrepareFileDialog(QFileDialog& dialog)
{
    StyleDialog(&dialog);
    dialog.setViewMode(QFileDialog::Detail);
    QSize size = FILE_DIALOG_SIZE;
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    dialog.resize(size);
    // The places on the left ("Computer", the home folder) whole, the files beside them.
    if (auto* splitter = dialog.findChild<QSplitter*>())
        splitter->setSizes({PLACES_WIDTH, size.width() - PLACES_WIDTH});
    // The name takes the room the other columns leave; size, type and date are as wide
    // as what they show, never cut to "171...tes".
    for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

} // namespace ui
