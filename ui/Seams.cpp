#include "ui/Seams.h"

#include "ui/DialogStyle.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <utility>

namespace ui {

namespace {

TSeamHandlers& Handlers()
{
    static TSeamHandlers handlers;
    return handlers;
}

QString RunFileDialog(QWidget* parent, const TFileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (mode == QFileDialog::AcceptSave)
        FollowFilterSuffix(dialog, request.defaultSuffix);
    // The caller replaces an existing file on purpose.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    PrepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString SuffixOfFilter(const QString& nameFilter, const QString& fallback)
{
    const qsizetype open = nameFilter.indexOf('(');
    const qsizetype close = nameFilter.indexOf(')', open + 1);
    const QString patterns = open >= 0 && close > open ? nameFilter.mid(open + 1, close - open - 1) : nameFilter;
    for (const QString& pattern : patterns.split(' ', Qt::SkipEmptyParts)) {
        const QString suffix = pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QString();
        if (!suffix.isEmpty() && !suffix.contains('*') && !suffix.contains('?'))
            return suffix.toLower();
    }
    return fallback;
}

void FollowFilterSuffix(QFileDialog& dialog, const QString& fallback)
{
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, fallback](const QString& filter) { dialog.setDefaultSuffix(SuffixOfFilter(filter, fallback)); });
}

std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, TMessageKind kind, const QString& title, const QString& text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == TMessageKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == TMessageKind::Error)
        icon = QMessageBox::Critical;
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
    StyleDialog(box.get());
    return box;
}

std::unique_ptr<QDialog> MakeScrollingMessage(QWidget* parent, const QString& title, const QString& text)
{
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setWindowTitle(title);
    StyleDialog(dialog.get());
    auto* view = new QPlainTextEdit(dialog.get());
    view->setReadOnly(true);
    view->setPlainText(QString(text).remove('\r'));
    const QFontMetrics metrics(view->font());
    view->setFixedHeight(MAX_BOX_LINES * metrics.lineSpacing() + 2 * (view->frameWidth() + 4));
    view->setMinimumWidth(40 * metrics.averageCharWidth());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addWidget(view);
    layout->addWidget(buttons);
    return dialog;
}

void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text)
{
    if (Handlers().message) {
        Handlers().message(parent, kind, title, text);
        return;
    }
    if (text.count('\n') >= MAX_BOX_LINES) {
        MakeScrollingMessage(parent, title, text)->exec();
        return;
    }
    MakeMessageBox(parent, kind, title, text)->exec();
}

QString GetOpenFileName(QWidget* parent, const TFileDialogRequest& request)
{
    if (Handlers().openFile)
        return Handlers().openFile(parent, request);
    return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString GetSaveFileName(QWidget* parent, const TFileDialogRequest& request)
{
    if (Handlers().saveFile)
        return Handlers().saveFile(parent, request);
    return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

void ProcessEvents()
{
    if (Handlers().processEvents) {
        Handlers().processEvents();
        return;
    }
    QCoreApplication::processEvents();
}

TSeamHandlers SetSeamHandlers(TSeamHandlers handlers) { return std::exchange(Handlers(), std::move(handlers)); }

TSeamHandlers CurrentSeamHandlers() { return Handlers(); }

} // namespace ui
