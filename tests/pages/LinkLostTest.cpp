// Every page that acts on the board, after its own exchange failed: once the link is
// closed (as the main window closes it), nothing on the page is live that needs it, so
// no click can give a second error and a second disconnect.
#include "IoPageFixture.h"
#include "pages/LedLayout.h"
#include "pages/Seg7Layout.h"
#include "pages/UnitHSMC.h"
#include "pages/UnitLCD.h"
#include "pages/UnitLED.h"
#include "pages/UnitMemory.h"
#include "pages/UnitRS232.h"
#include "pages/UnitSDCARD.h"
#include "pages/UnitSeg7.h"
#include "ui/Seams.h"

#include <QLineEdit>

using namespace iopages;

namespace {

struct TCase {
    const char* name;
    std::function<std::unique_ptr<TPage>()> make;
    std::function<void(TPage&)> act; // one action that exchanges with the board
    int linkFree = 0;                // buttons that need no link (RS232's Clear)
};

template<class TWindow> std::function<std::unique_ptr<TPage>()> Make()
{
    return [] { return std::make_unique<TWindow>(nullptr); };
}

template<class TWindow> std::function<void(TPage&)> Call(void (TWindow::*handler)())
{
    return [handler](TPage& page) { (static_cast<TWindow&>(page).*handler)(); };
}

std::function<void(TPage&)> ClickAt(QPoint at)
{
    return [at](TPage& page) { Click(&page, at.x(), at.y()); };
}

class LinkLost : public TBoardSuite { };

TEST_F(LinkLost, NoControlStaysLiveOnAnyPage)
{
    ui::TSeamHandlers silent;
    silent.message = [](QWidget*, ui::TMessageKind, const QString&, const QString&) {};
    ui::TScopedSeams seams(silent);
    const TCase cases[] = {
        {"SD card Read", Make<TFormSDCARD>(), Call(&TFormSDCARD::ReadClick)},
        {"LCD Set", Make<TFormLCD>(), Call(&TFormLCD::ButtonSetClick)},
        {"HSMC Verify", Make<TFormHSMC>(), Call(&TFormHSMC::ButtonVerifyClick)},
        {"RS232 Send", Make<TFormRS232>(), Call(&TFormRS232::ButtonSendClick), 1},
        {"seven-segment arrow", Make<TFormSeg7>(), ClickAt(seg7::UpButtonPlace(0) + QPoint(10, 9))},
        {"LED", Make<TFormLED>(), ClickAt(leds::ButtonPlace(3) + QPoint(12, 18))},
        {"memory random read", Make<TFormMemory>(), ClickAt(QPoint(306 + 32, 89 + 8))},
        {"memory random write", Make<TFormMemory>(), ClickAt(QPoint(189 + 32, 89 + 8))},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!Board().IsOpen()) {
            std::string error;
            ASSERT_TRUE(Board().Connect(error, 0)) << error;
        }
        std::unique_ptr<TPage> page = c.make();
        int failures = 0;
        page->OnLinkFailure = [&] {
            ++failures;
            Board().Disconnect(); // what the main window does
        };
        ShowPage(page.get());
        page->Activate(&Board());
        ASSERT_GT(page->EnabledButtonCount(), c.linkFree);
        Ctl("fault checksum 1");
        c.act(*page);
        EXPECT_EQ(1, failures);
        EXPECT_EQ(c.linkFree, page->EnabledButtonCount());
        // A second click finds nothing to do.
        c.act(*page);
        EXPECT_EQ(1, failures);
        page->Deactivate();
        Ctl("fault none");
    }
}

} // namespace
