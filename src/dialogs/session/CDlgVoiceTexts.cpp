#include "dialogs/session/CDlgVoiceTexts.h"

#include "controls/Controls.h"
#include "dialogs/session/HelpTopic.h"

namespace
{

// Dialog units.
constexpr int kWidthDlu = 418;
constexpr int kHeightDlu = 276;

} // namespace

CDlgVoiceTexts::CDlgVoiceTexts(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Session Transcript"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    m_edit = new ui::MultiLineEdit(this, kIdText);
    m_edit->setGeometry(MapDialogRect(7, 7, 404, 241));
    m_edit->setReadOnly(true);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setTabChangesFocus(true);
    auto* copy = new ui::Button(this, kIdCopy, QStringLiteral("Copy text"));
    copy->setGeometry(MapDialogRect(7, 255, 60, 14));
    auto* close = new ui::Button(this, ui::IDOK, QStringLiteral("Close"));
    close->setGeometry(MapDialogRect(307, 255, 50, 14));
    auto* help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    help->setGeometry(MapDialogRect(361, 255, 50, 14));
}

bool CDlgVoiceTexts::OnInitDialog()
{
    // The text arrives with the old line ends (CR LF); the field shows lines, not stray CRs.
    QString text = m_text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->SetWindowText(text);
    return true;
}

void CDlgVoiceTexts::OnCopyText()
{
    m_edit->selectAll();
    m_edit->ensureCursorVisible();
    m_edit->copy();
}

bool CDlgVoiceTexts::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case kIdCopy:
        OnCopyText();
        return true;
    case ui::IDOK:
        OnOK();
        return true;
    case kIdHelp:
        dlg::ShowHelpTopic(kHelpTopic);
        return true;
    default:
        return false;
    }
}
