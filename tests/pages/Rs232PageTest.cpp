// The RS232 page: reception switched on while the page is active and off when it is
// left, received bytes appended, Clear, Send with its terminating NUL, and the
// refusal and link-failure rules, against the simulated board.

#include "IoPageFixture.h"
#include "pages/UnitRS232.h"
#include "ui/Seams.h"

#include <QPlainTextEdit>

using namespace iopages;

namespace {

class Rs232Page : public TPageSuite<TFormRS232> {
protected:
    void PrepareBoard() override { Ctl("clear-sent"); }

    static QByteArray Sent() { return State()["rs232_sent"].toString().toLatin1(); }
    static bool ReceiverOn() { return State()["rs232_enabled"].toBool(); }
    void ClickSend() { Click(page.get(), 289 + 32, 242 + 8); }
    void ClickClear() { Click(page.get(), 289 + 32, 138 + 8); }
    bool WaitRx(const QString& text)
    {
        return WaitFor([&] { return page->EditRx->toPlainText() == text; }, 2000);
    }
};

TEST_F(Rs232Page, ActivationSwitchesReceptionOnAndLeavingSwitchesItOff)
{
    TInfoRecorder info;
    EXPECT_FALSE(page->SendEnabled());
    page->Activate(&Board());
    EXPECT_TRUE(ReceiverOn());
    EXPECT_TRUE(page->IsPolling());
    EXPECT_TRUE(page->SendEnabled());
    EXPECT_EQ(info.Last().text, "RS232 Monitor...");
    EXPECT_EQ(info.Last().colour, INFO_YELLOW);

    page->Deactivate();
    EXPECT_FALSE(ReceiverOn());
    EXPECT_FALSE(page->IsPolling());
    EXPECT_FALSE(page->SendEnabled());
}

TEST_F(Rs232Page, ReceivedBytesAreAppendedAndClearEmptiesTheBox)
{
    TInfoRecorder info;
    page->Activate(&Board());
    Ctl("rs232 Hello");
    ASSERT_TRUE(WaitRx("Hello"));
    Ctl("rs232 World");
    ASSERT_TRUE(WaitRx("HelloWorld"));
    ClickClear();
    EXPECT_EQ(page->EditRx->toPlainText(), "");
    EXPECT_TRUE(page->IsPolling());
    Ctl("rs232 again");
    ASSERT_TRUE(WaitRx("again"));
    // An empty receiver answers "nothing received": no complaint, polling goes on.
    QTest::qWait(300);
    EXPECT_TRUE(page->IsPolling());
    EXPECT_FALSE(info.Saw("RS232 receive fail.", INFO_RED));
    EXPECT_EQ(failures, 0);

    // The received text stays while the page is inactive.
    page->Deactivate();
    EXPECT_EQ(page->EditRx->toPlainText(), "again");
}

TEST_F(Rs232Page, SendWritesTheTextAndItsNul)
{
    TInfoRecorder info;
    page->Activate(&Board());
    ClickSend(); // empty text: only the NUL, as one chunk of one byte
    EXPECT_EQ(Sent(), QByteArray(1, '\0'));
    EXPECT_EQ(info.Last().text, "RS232 transmit successfully.");
    EXPECT_EQ(info.Last().colour, INFO_GREEN);
    EXPECT_TRUE(info.Saw("RS232 transmitting...", INFO_YELLOW));

    Ctl("clear-sent");
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QChar('A' + i % 26);
    page->EditSend->setPlainText(text);
    ClickSend(); // 301 bytes: chunks of 128, 128 and 45
    EXPECT_EQ(Sent(), text.toLatin1() + QByteArray(1, '\0'));
    EXPECT_TRUE(page->SendEnabled());

    Ctl("clear-sent");
    page->EditSend->clear();
    QTest::keyClicks(page->EditSend, "typed");
    ClickSend();
    EXPECT_EQ(Sent(), QByteArray("typed\0", 6));
    EXPECT_EQ(failures, 0);

    // Latin-1 goes out byte for byte; beyond it, the text is refused, never sent as '?'.
    Ctl("clear-sent");
    page->EditSend->setPlainText(QString::fromUtf8("caf\u00e9"));
    ClickSend();
    EXPECT_EQ(Sent(), QByteArray("caf\xe9\0", 5));
    Ctl("clear-sent");
    std::vector<QString> warnings;
    ui::TSeamHandlers handlers;
    handlers.message
        = [&](QWidget*, ui::TMessageKind, const QString&, const QString& text) { warnings.push_back(text); };
    ui::TScopedSeams seams(handlers);
    page->EditSend->setPlainText(QString::fromUtf8("5 \u20ac"));
    ClickSend();
    EXPECT_EQ(Sent(), QByteArray());
    const QString why
        = QString::fromUtf8("Character 3: \"\u20ac\" cannot be sent: the port carries Latin-1 characters only.");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], why);
    EXPECT_EQ(info.Last().text, why);
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_TRUE(page->SendEnabled());
}

TEST_F(Rs232Page, RefusedPollsComplainAndKeepPolling)
{
    TInfoRecorder info;
    page->Activate(&Board());
    // The receiver switched off behind the page's back: the firmware refuses reads.
    bool ok = false;
    ASSERT_TRUE(Board().ChannelEnable(ok, protocol::CHANNEL_RS232, 0));
    ASSERT_TRUE(WaitFor([&] { return info.Saw("RS232 receive fail.", INFO_RED); }, 2000));
    QTest::qWait(250);
    EXPECT_TRUE(page->IsPolling());
    EXPECT_EQ(failures, 0);
}

TEST_F(Rs232Page, FailedReceiveEndsPollingWithLinkFailure)
{
    TInfoRecorder info;
    page->Activate(&Board());
    Ctl("fault checksum");
    ASSERT_TRUE(WaitFor([&] { return failures > 0; }, 2000));
    EXPECT_FALSE(page->IsPolling());
    EXPECT_TRUE(info.Saw("RS232 receive fail.", INFO_RED));
    QTest::qWait(250);
    EXPECT_EQ(failures, 1);
}

TEST_F(Rs232Page, FailedSendReportsAndRaisesLinkFailure)
{
    TInfoRecorder info;
    page->Activate(&Board());
    page->EditSend->setPlainText("lost");
    Ctl("fault checksum");
    ClickSend();
    EXPECT_EQ(info.Last().text, "RS232 transmit fail.");
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(page->IsPolling());
}

TEST_F(Rs232Page, FailedSwitchOnLeavesThePageIdle)
{
    TInfoRecorder info;
    Ctl("fault checksum");
    page->Activate(&Board());
    EXPECT_EQ(info.Last().text, "Failed to start RS232");
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_FALSE(page->IsPolling());
    EXPECT_FALSE(page->SendEnabled());
    EXPECT_EQ(failures, 0);
}

TEST_F(Rs232Page, ClosedLinkMeansNoExchangeOnEitherSide)
{
    page->Activate(&Board());
    ASSERT_TRUE(ReceiverOn());
    Board().Disconnect();
    page->Deactivate(); // switched off without an exchange: the board's receiver stays on
    EXPECT_TRUE(ReceiverOn());
    EXPECT_EQ(failures, 0);

    page->Activate(&Board());
    EXPECT_FALSE(page->IsPolling());
    EXPECT_FALSE(page->SendEnabled());
}

TEST_F(Rs232Page, Snapshot)
{
    page->Activate(&Board());
    Ctl("rs232 Hello from the board");
    ASSERT_TRUE(WaitRx("Hello from the board"));
    page->EditSend->setPlainText("Hello from the panel");
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "rs232")).isNull());
}

} // namespace
