#include "ui/Seams.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
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
    // The caller replaces an existing file on purpose.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text)
{
    if (Handlers().message) {
        Handlers().message(parent, kind, title, text);
        return;
    }
    switch (kind) {
    case TMessageKind::Information:
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
        break;
    case TMessageKind::Warning:
        QMessageBox::warning(parent, title, text, QMessageBox::Ok);
        break;
    case TMessageKind::Error:
        QMessageBox::critical(parent, title, text, QMessageBox::Ok);
        break;
    }
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
