#include "pages/UnitHSMC.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/HsmcReport.h"
#include "pages/PageText.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>
#include <mutex>

namespace {

const QColor GREY(128, 128, 128);

// The result sits centred under the Verify button.
const QRect RESULT_RECT(304, 256, 40, 18);

QString InstallText()
{
    return QString("Please make sure the HSMC loopback adapter has connected to the HSMC connector of VX5h-260.\n")
        + "Otherwise please follow the steps below.\n";
}

QString ReinstallText()
{
    return QString("1. Turn off the VX5h-260 board\n")
        + "2. Plug the HSMC loopback adapter into\n    the HSMC connector of VX5h-260\n"
        + "3. Turn on the the VX5h-260 board\n" + "4. Re-launch the VX5h-260 control panel\n";
}

} // namespace

TFormHSMC::TFormHSMC(QWidget* parent)
    : TPage(parent, "HSMC_DLG_BK")
{
    ButtonVerify = new QPushButton("Verify", this);
    ButtonVerify->move(VERIFY_LEFT, VERIFY_TOP);
    ButtonVerify->hide();

    Buttons.Add(ID_VERIFY, "Verify", VERIFY_TOP, VERIFY_LEFT, "NORMAL_BTN");

    const QFont heading = pagetext::PointFont("Arial", 10);
    const QFont text = pagetext::PointFont("Arial", 8);
    LabelCaption = pagetext::MakeLabel(this, "HSMC Loopback Verify", 24, 24, heading, pagetext::CAPTION_CYAN);
    LabelInstallHint = pagetext::MakeLabel(this, "Loopback Installation", 24, 56, heading, pagetext::CAPTION_CYAN);
    LabelInstall = pagetext::MakeFixedLabel(this, InstallText(), QRect(24, 80, 249, 73), text, pagetext::TEXT_WHITE);
    LabelReinstall = pagetext::MakeFixedLabel(this, ReinstallText(), QRect(24, 152, 249, 81), text, GREY);
    QFont resultFont = pagetext::PointFont("Arial", 10);
    resultFont.setBold(true);
    LabelResult = pagetext::MakeFixedLabel(this, "", RESULT_RECT, resultFont, INFO_GREEN);
    LabelResult->setWordWrap(false);
    LabelResult->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    EnableControls(false);
}

TFormHSMC::~TFormHSMC() = default;

bool TFormHSMC::VerifyEnabled() const { return ButtonEnabled(ID_VERIFY); }

void TFormHSMC::EnableControls(bool enabled)
{
    Buttons.SetEnabled(ID_VERIFY, enabled);
    ButtonVerify->setEnabled(enabled);
}

void TFormHSMC::ButtonClick(int id)
{
    if (id == ID_VERIFY)
        ButtonVerifyClick();
}

void TFormHSMC::ButtonVerifyClick()
{
    TBoard* board = Board();
    if (!board || !VerifyEnabled())
        return;
    EnableControls(false);
    LabelResult->setText("");
    LabelResult->repaint();

    ShowInfo("HSMC Loopback Testing...", INFO_YELLOW);
    bool accepted = false;
    std::uint32_t xcvr = 0;
    std::uint64_t io = 0;
    bool exchanged;
    {
        std::lock_guard<TBoard> lock(*board);
        exchanged = board->HsmcLoopbackTest(accepted, xcvr, io);
    }
    const hsmc::TVerdict verdict = hsmc::Verdict(exchanged, accepted, xcvr, io);
    const QColor colour = verdict.passed ? INFO_GREEN : INFO_RED;
    ShowInfo(QString::fromStdString(verdict.infoText), colour);
    if (!verdict.errorBox.empty())
        ui::ShowMessage(
            this, ui::TMessageKind::Error, QStringLiteral("Error"), QString::fromStdString(verdict.errorBox));
    if (!verdict.reportBox.empty())
        ui::ShowMessage(this, ui::TMessageKind::Information, QStringLiteral("Information"),
            QString::fromStdString(verdict.reportBox));

    if (!verdict.resultText.empty()) {
        pagetext::SetLabelColour(LabelResult, colour);
        LabelResult->setText(QString::fromStdString(verdict.resultText));
    }
    if (verdict.linkFailure)
        RaiseLinkFailure();
    // The page may have been left while a box was up, or the link closed.
    EnableControls(LinkOpen());
}
