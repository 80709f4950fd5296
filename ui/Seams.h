#pragma once

#include <QString>
#include <functional>

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

// Shows a message box with a single OK button and returns when it was dismissed.
void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text);

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
