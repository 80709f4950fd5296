#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;
class QCloseEvent;
class QShowEvent;

// The modeless progress dialog of long page operations (chip erase, file transfers).
// The caller shows it, drives it step by step with SetPercent/SetStatus, lets events be
// handled between steps and ends its loop when IsAborted() is true. The dialog never
// closes itself; its caller destroys it.
class TFormProgress : public QDialog {
    Q_OBJECT

public:
    explicit TFormProgress(QWidget* owner);
    ~TFormProgress() override;

    // Sets the status text and shows it at once, before the caller's next blocking step.
    void SetStatus(const QString& text);
    // Bar position, 0 to 100 (values outside are clamped).
    void SetPercent(int value);
    bool IsAborted() const { return Aborted; }

    QLabel* LabelStatus;
    QProgressBar* ProgressBar;
    QPushButton* ButtonAbort;

    void ButtonAbortClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Abort is a request to the caller; neither Escape nor the window manager (Alt+F4)
    // closes the dialog under a running loop. Escape answers Abort, as a keyboard user
    // expects of a dialog's Escape; the caller may hide or close it in code.
    void reject() override { ButtonAbortClick(); }
    void closeEvent(QCloseEvent* event) override;
    void FormShow();

private:
    bool Aborted = false;
};
