#include "Hooks.h"

#include "platform/Native.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {

BeepHandler& BeepSlot()
{
    static BeepHandler handler;
    return handler;
}

ErrorDialogHandler& DialogSlot()
{
    static ErrorDialogHandler handler;
    return handler;
}

WaitHandler& WaitSlot()
{
    static WaitHandler handler;
    return handler;
}

} // namespace

void WaitBegins()
{
    if (const WaitHandler& handler = WaitSlot())
        handler(true);
}

void WaitEnds()
{
    if (const WaitHandler& handler = WaitSlot())
        handler(false);
}

void SetWaitHandler(WaitHandler handler) { WaitSlot() = std::move(handler); }

void Beep()
{
    if (const BeepHandler& handler = BeepSlot()) {
        handler();
        return;
    }
    native::SystemBeep();
}

void SetBeepHandler(BeepHandler handler) { BeepSlot() = std::move(handler); }

void ShowErrorDialog(const std::string& text)
{
    if (const ErrorDialogHandler& handler = DialogSlot()) {
        handler(text);
        return;
    }
    std::fprintf(stderr, "Error: %s\n", text.c_str());
}

void SetErrorDialogHandler(ErrorDialogHandler handler) { DialogSlot() = std::move(handler); }

} // namespace platform
