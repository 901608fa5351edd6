#include "dialogs/session/CDlgNotes.h"

#include "controls/Controls.h"
#include "dialogs/session/HelpTopic.h"

namespace
{

// Dialog units.
constexpr int kWidthDlu = 418;
constexpr int kHeightDlu = 342;

} // namespace

CDlgNotes::CDlgNotes(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Session Notes"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    m_edit = new ui::MultiLineEdit(this, kIdText);
    m_edit->setGeometry(MapDialogRect(7, 7, 404, 307));
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setTabChangesFocus(true);
    auto* cancel = new ui::Button(this, ui::IDCANCEL, QStringLiteral("Cancel"));
    cancel->setGeometry(MapDialogRect(307, 321, 50, 14));
    auto* help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    help->setGeometry(MapDialogRect(361, 321, 50, 14));
}

bool CDlgNotes::OnInitDialog()
{
    if (m_notes != nullptr)
        m_edit->SetWindowText(*m_notes);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    m_edit->setFont(font);
    m_edit->setFocus(Qt::OtherFocusReason);
    return false;
}

bool CDlgNotes::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id == kIdText && code == ui::Notify::SetFocus)
    {
        // Focus puts the caret in view without selecting anything, so a key typed at once cannot
        // replace the whole text.
        QTextCursor caret = m_edit->textCursor();
        caret.clearSelection();
        m_edit->setTextCursor(caret);
        m_edit->ensureCursorVisible();
        return true;
    }
    if (code != ui::Notify::Clicked)
        return false;
    if (id == ui::IDCANCEL)
    {
        OnCancel();
        return true;
    }
    if (id == kIdHelp)
    {
        dlg::ShowHelpTopic(kHelpTopic);
        return true;
    }
    return false;
}

void CDlgNotes::OnCancel()
{
    if (m_notes != nullptr)
        *m_notes = m_edit->GetWindowText();
    EndDialog(ui::IDCANCEL);
}
