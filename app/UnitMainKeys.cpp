// The main window from the keyboard and for screen readers: the keys of its actions,
// page switching in the tabs' order, and the names its skinned buttons are read out by.
// Tab, Space and Enter on the skinned buttons come with the kit (TSkinnedWindow).

#include "app/UnitMain.h"

#include <QShortcut>
#include <algorithm>

using namespace mainlayout;

namespace {

const char* SystemButtonName(int id)
{
    switch (id) {
    case BTN_CLOSE:
        return "Close";
    case BTN_MINI:
        return "Minimise";
    case BTN_ABOUT:
        return "About";
    default:
        return "Connect";
    }
}

} // namespace

void TFormMain::NameButtons()
{
    TabButtons->SetRole(ui::TButtonManager::TRole::PageTab);
    // The tabs are reached with Ctrl+Tab, Close and About with their keys: Tab walks the
    // page and Connect, where the work is.
    for (int index : TAB_CREATION_ORDER)
        TabButtons->SetTabStop(index, false);
    for (const TSystemButton& button : SYSTEM_BUTTONS) {
        SystemButtons->SetAccessibleName(button.id, QString::fromLatin1(SystemButtonName(button.id)));
        SystemButtons->SetTabStop(button.id, button.id == BTN_CONNECT);
    }
}

void TFormMain::BuildKeys()
{
    // Keys press the buttons, so that they do exactly what a click does and nothing while
    // the button is disabled (Connect and Close while the panel connects).
    struct TKeyAction {
        QKeySequence key;
        void (TFormMain::*action)();
    };
    const TKeyAction actions[] = {
        {ConnectKey(), &TFormMain::PressConnect},
        {CloseKey(), &TFormMain::PressClose},
        {AboutKey(), &TFormMain::PressAbout},
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), &TFormMain::NextPage},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), &TFormMain::NextPage},
        // Ctrl+Shift+Tab: Qt matches Shift+Tab as Backtab, with or without Shift, so one
        // sequence takes them all (two would make the key ambiguous and do nothing).
        {QKeySequence(Qt::CTRL | Qt::Key_Backtab), &TFormMain::PreviousPage},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), &TFormMain::PreviousPage},
    };
    for (const TKeyAction& a : actions)
        connect(new QShortcut(a.key, this), &QShortcut::activated, this, a.action);
}

void TFormMain::PressConnect() { PressButton(SystemButtons.get(), BTN_CONNECT); }
void TFormMain::PressClose() { PressButton(SystemButtons.get(), BTN_CLOSE); }
void TFormMain::PressAbout() { PressButton(SystemButtons.get(), BTN_ABOUT); }
void TFormMain::NextPage() { StepPage(1); }
void TFormMain::PreviousPage() { StepPage(-1); }

void TFormMain::StepPage(int step)
{
    const auto& order = TAB_CREATION_ORDER;
    const int count = static_cast<int>(order.size());
    const auto at = std::find(order.begin(), order.end(), ActivePage);
    // From the welcome animation the first step lands on the first or the last tab.
    int position = at != order.end() ? static_cast<int>(at - order.begin()) : (step > 0 ? -1 : count);
    position = ((position + step) % count + count) % count;
    PressButton(TabButtons.get(), order[static_cast<size_t>(position)]);
}
