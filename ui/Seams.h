#pragma once

#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QFileDialog;
class QMessageBox;
class QWidget;

// The places where the program waits for a person or hands control to the event loop:
// message boxes, file dialogs and processEvents. Each goes through a replaceable
// handler so that tests can answer them without anyone at the screen. An empty handler
// means the Qt default.
namespace ui {

enum class TMessageKind {
    Information,
    Warning,
    Error
};

// Shows a message box with a single OK button and returns when it was dismissed. A text
// of more than MAX_BOX_LINES lines is shown in a scrolling box instead, so that OK stays
// on a 768-pixel screen.
void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text);
inline constexpr int MAX_BOX_LINES = 24;
// The box ShowMessage shows for a text of a few lines: its icon, the text and OK, in the
// panel's look.
std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, TMessageKind kind, const QString& title, const QString& text);
// The scrolling box: the text read-only in a box of at most MAX_BOX_LINES lines, and OK.
std::unique_ptr<QDialog> MakeScrollingMessage(QWidget* parent, const QString& title, const QString& text);

struct TFileDialogRequest {
    QString title;
    QString filter;        // Qt filter, e.g. "All files (*.*);;Hex files (*.HEX *.hex)"
    QString defaultSuffix; // appended by the dialog when the typed name has none, e.g. "bin"
    QString directory;     // start folder; empty = current directory
};
// The chosen file's full path, or an empty string when the user cancelled. The open
// dialog accepts only existing files; the save dialog replaces a file without asking.
QString GetOpenFileName(QWidget* parent, const TFileDialogRequest& request);
QString GetSaveFileName(QWidget* parent, const TFileDialogRequest& request);

// The suffix a save dialog gives a bare name under the name filter `nameFilter`
// ("Hex files (*.HEX *.hex)" gives "hex"); `fallback` for a filter of every name.
QString SuffixOfFilter(const QString& nameFilter, const QString& fallback);
// Makes the dialog's default suffix follow the name filter the user picks.
void FollowFilterSuffix(QFileDialog& dialog, const QString& fallback);

// Lets the event loop handle pending events (a long loop calls it between steps).
void ProcessEvents();

using MessageHandler
    = std::function<void(QWidget* parent, TMessageKind kind, const QString& title, const QString& text)>;
using FileDialogHandler = std::function<QString(QWidget* parent, const TFileDialogRequest& request)>;
using ProcessEventsHandler = std::function<void()>;

struct TSeamHandlers {
    MessageHandler message;
    FileDialogHandler openFile;
    FileDialogHandler saveFile;
    ProcessEventsHandler processEvents;
};

// Installs `handlers` (each empty member = the Qt default) and returns the previous set.
TSeamHandlers SetSeamHandlers(TSeamHandlers handlers);
TSeamHandlers CurrentSeamHandlers();

// Installs handlers for one scope (a test) and restores the previous ones at its end.
class TScopedSeams {
public:
    explicit TScopedSeams(TSeamHandlers handlers)
        : m_previous(SetSeamHandlers(std::move(handlers)))
    { }
    ~TScopedSeams() { SetSeamHandlers(std::move(m_previous)); }
    TScopedSeams(const TScopedSeams&) = delete;
    TScopedSeams& operator=(const TScopedSeams&) = delete;

private:
    TSeamHandlers m_previous;
};

} // namespace ui
