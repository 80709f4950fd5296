#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>

#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"
#include "ui/SkinnedWindow.h"

class QCloseEvent;
class QEventLoop;

// The skinned about box, opened from the main window's About button. Its picture
// "ABOUT_BK" sets its size; one push button, Close, ends it.
class TFormAbout : public ui::TSkinnedWindow {
    Q_OBJECT

public:
    explicit TFormAbout(QWidget* owner = nullptr);
    ~TFormAbout() override;

    // Shows the box application-modal and returns when it was closed.
    void ShowModal();
    // The board the program is connected to (the link's description), shown under the
    // version; empty when not connected.
    void SetLinkDescription(const QString& description)
    {
        m_LinkDescription = description;
        setAccessibleDescription(description);
    }

    static constexpr int BTN_EXIT = 0;
    // Where Close stands: centred, about as far from the bottom edge as from the maker's
    // line above it.
    static constexpr QPoint CLOSE_POS{118, 270};

    // The board line as drawn: its lines, their face and the rectangle they fill.
    struct TBoardText {
        QStringList lines;
        QFont font;
        QRect rect;
    };
    TBoardText LayOutBoardText() const;

    std::unique_ptr<ui::TBitmapManager> Skin;
    std::unique_ptr<ui::TButtonManager> Buttons;

protected:
    void FormPaint() override;
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    void FormMouseUp(int x, int y) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the box, as it closes every dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ButtonExitClick();
    void DrawTextLines();

    QEventLoop* m_modalLoop = nullptr;
    QString m_LinkDescription;
};
