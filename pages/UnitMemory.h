#pragma once

#include "core/MemoryGeometry.h"
#include "pages/Page.h"

#include <QString>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The memory page: word-wise random access to the six memories, chip erase of the
// FLASH and the EPCS, and transfers of whole ranges to and from files. All addresses
// and lengths the user types are hexadecimal 16-bit word addresses and word counts.
//
// Long operations handle pending events between their steps (so that Abort works), so
// the user can leave the page while one runs. The operation then goes on with the board
// it started with and never looks at the page's board again; the page stays disabled
// until it ends.
class TFormMemory : public TPage {
    Q_OBJECT

public:
    explicit TFormMemory(QWidget* parent);
    ~TFormMemory() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    // Raised whenever the selected memory changes, so that the main window can move the
    // board outline; the main window binds it before every activation.
    std::function<void()> OnUpdateTestArea;
    // Position of the selected memory in the list (0..5), or -1 for none.
    int MemoryTypePosition() const;

    // Ids of the skinned action buttons.
    enum : int {
        BUTTON_READ = 0,
        BUTTON_WRITE = 1,
        BUTTON_ERASE = 2,
        BUTTON_WRITE_FILE = 3,
        BUTTON_READ_FILE = 4
    };

    QComboBox* ComboBoxMemoryType;
    QLineEdit* EditAddress;      // random access
    QLineEdit* EditWriteData;    // wDATA
    QLineEdit* EditReadData;     // rDATA
    QLineEdit* EditWriteAddress; // sequential write
    QLineEdit* EditWriteLength;
    QCheckBox* CheckBoxFileLength;
    QLabel* LabelFileLength;
    QLineEdit* EditReadAddress; // sequential read
    QLineEdit* EditReadLength;
    QCheckBox* CheckBoxEntireMemory;
    QLabel* LabelEntireMemory;
    QLabel* LabelNote;

    // The skinned action buttons (state queries for the shell's tests and snapshots).
    const ui::TButtonManager& ActionButtons() const { return Buttons; }
    bool NoteVisible() const { return m_NoteVisible; }
    // True while a long operation runs.
    bool Busy() const { return m_Busy; }
    // Asks the running long operation to stop, as its progress dialog's Abort does.
    void AbortOperation();
    // Called once, when the running operation has ended (the main window closes then).
    std::function<void()> OnOperationEnded;

    // Handlers.
    void ComboBoxMemoryTypeChange();
    void ButtonReadClick();
    void ButtonWriteClick();
    void ButtonEraseClick();
    void ButtonWriteFileClick();
    void ButtonReadFileClick();
    void CheckBoxEntireMemoryClick();
    void CheckBoxFileLengthClick();

protected:
    void FormPaint() override;
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override { EnableActions(enabled && !m_Busy); }

private:
    void CreateControls();
    void NameControls();
    void FillMemoryList();
    // Sets the action buttons' enabled state, then the memory-dependent controls.
    void EnableActions(bool enabled);
    void UpdateMemoryControls();
    std::uint8_t CurrentMemoryType() const;
    // Runs `check` on the field's text; shows the error box on failure.
    bool CheckField(
        const QLineEdit* edit, const char* fieldName, std::int32_t maximum, std::int32_t minimum, std::int32_t& value);
    void ShowError(const QString& text);
    void ShowWarning(const QString& text);
    // Operation frame: hourglass and disabled actions, then back.
    void BeginOperation();
    void EndOperation();
    // The failure of an operation reaches the shell only while the page is still on
    // the board the operation used; after a page switch or a reconnect it would tear
    // down a link that the operation no longer speaks for.
    void ReportLinkFailure(const TBoard* usedBoard);
    // EndOperation, after reporting a failed exchange (`exchanged` false) first.
    void EndOperationAfter(bool exchanged, const TBoard* usedBoard);
    // The file dialogs start where the user last picked a file.
    QString DialogFolder() const { return m_LastFolder; }
    void RememberFolder(const QString& fileName);
    // Why `fileName` could not be used, for a message box: "<file>: <reason>".
    static QString FileReason(const QString& fileName, const std::string& reason);

    memory::TMemoryGeometry MemoryGeometry;
    int m_LastPosition = 0;
    bool m_ActionsEnabled = false;
    bool m_NoteVisible = false;
    bool m_Busy = false;
    bool writeFailed = false;
    QString m_LastFolder;
};
