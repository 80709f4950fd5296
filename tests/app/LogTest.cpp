// The log a user can send: quiet by default, and once enabled it tells each configuration
// attempt with the programmer's words and each lost link with its cause.
#include "AppFixture.h"
#include "app/Logging.h"
#include "pages/Page.h"

#include <QLoggingCategory>
#include <QStringList>

using apptest::AppTest;
using apptest::WaitFor;

namespace {

QStringList* g_Log = nullptr;

void Record(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (g_Log && context.category && QByteArray(context.category).startsWith("vx5h."))
        g_Log->append(QString::fromLatin1(context.category) + ": " + text);
}

bool Logged(const QStringList& log, const QString& category, const QString& fragment)
{
    for (const QString& line : log)
        if (line.startsWith(category + ": ") && line.contains(fragment))
            return true;
    return false;
}

} // namespace

TEST_F(AppTest, TheLogIsQuietUnlessEnabledThenTellsConfigurationAndLostLinks)
{
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES")) {
        for (const QLoggingCategory* category : {&lcLink(), &lcConnect(), &lcConfiguration(), &lcPages()})
            EXPECT_FALSE(category->isInfoEnabled()) << category->categoryName();
    }

    QStringList log;
    g_Log = &log;
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    QLoggingCategory::setFilterRules(QStringLiteral("vx5h.*=true"));

    SetUpBoard(false); // the connect has to configure the FPGA
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    ASSERT_EQ(Status(), "Connected");
    EXPECT_TRUE(Logged(log, "vx5h.configuration", "the programmer said: simulator: configured"))
        << log.join('\n').toStdString();
    EXPECT_TRUE(Logged(log, "vx5h.connect", "board name: VX5h-260"));

    // The switches page polls; its next reply never comes.
    Form->SelectPage(PAGE_BUTTON);
    Sim().Ctl("fault drop");
    EXPECT_TRUE(WaitFor([this] { return Status() == "Disconnected"; }, 8000));
    EXPECT_TRUE(Logged(log, "vx5h.link", "budget spent waiting for the reply"));
    EXPECT_TRUE(Logged(log, "vx5h.pages", "lost the link: budget spent"));

    qInstallMessageHandler(previous);
    g_Log = nullptr;
}
