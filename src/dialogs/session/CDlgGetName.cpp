#include "dialogs/session/CDlgGetName.h"

#include "controls/Controls.h"

#include <QPainter>

namespace
{

// Dialog units.
constexpr int kWidthDlu = 212;
constexpr int kHeightDlu = 38;

} // namespace

CDlgGetName::CDlgGetName(QWidget* parent) : ui::Dialog(parent)
{
    // No caption bar and no close box; Esc still closes it.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    auto* caption = new ui::Static(this, -1, QStringLiteral("Enter name"));
    caption->setGeometry(MapDialogRect(7, 5, 140, 9));
    m_edit = new ui::Edit(this, kIdName);
    m_edit->setGeometry(MapDialogRect(7, 17, 144, 14));
    auto* ok = new ui::Button(this, ui::IDOK, QStringLiteral("OK"));
    ok->setGeometry(MapDialogRect(158, 17, 47, 14));
}

bool CDlgGetName::OnInitDialog()
{
    m_edit->SetWindowText(m_name);
    m_edit->setFocus(Qt::OtherFocusReason);
    // The whole name is selected, so that typing replaces it.
    m_edit->SetSel(0, -1);
    return false;
}

void CDlgGetName::OnOK()
{
    m_name = m_edit->GetWindowText();
    EndDialog(ui::IDOK);
}

bool CDlgGetName::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id != ui::IDOK || code != ui::Notify::Clicked)
        return false;
    OnOK();
    return true;
}

void CDlgGetName::OnPaint(QPainter& painter)
{
    // Without a caption bar the window needs an edge of its own to stand out from what lies behind.
    painter.setPen(QColor(110, 110, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
