#include "controls/CWndToolbarHelp.h"

#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include <QPainter>

CWndToolbarHelp::CWndToolbarHelp(QWidget* parent) : ui::Window(parent)
{
    SetOpaquePaint(true);
}

int CWndToolbarHelp::OnCreate()
{
    m_background = ui::LoadBitmap(kBackgroundBitmap);
    if (m_background.isNull())
        return -1;
    struct Spec
    {
        int id;
        const char* tip;
    };
    static const Spec specs[3] = {
        {ID_HELP_BACK, "Back"}, {ID_HELP_FORWARD, "Forward"}, {ID_HELP_HOME, "Home"}};
    for (int i = 0; i < 3; ++i)
    {
        if (m_buttons[i] == nullptr)
            m_buttons[i] = new CHoverButton(this, specs[i].id);
        m_buttons[i]->SetBitmapFromStrip(kButtonStrip, i);
        m_buttons[i]->setToolTip(QString::fromLatin1(specs[i].tip));
        m_buttons[i]->show();
    }
    Layout();
    return 0;
}

void CWndToolbarHelp::Layout()
{
    const int a = (height() - kButtonSize) / 2;
    for (int i = 0; i < 3; ++i)
        if (m_buttons[i] != nullptr)
            m_buttons[i]->setGeometry(a + i * kButtonStep, a, kButtonSize, kButtonSize);
}

void CWndToolbarHelp::OnSize(int, int)
{
    Layout();
}

void CWndToolbarHelp::OnPaint(QPainter& painter)
{
    TileBitmap(painter, rect(), m_background);
}

bool CWndToolbarHelp::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case ID_HELP_BACK:
        SendToParent(WM_APP_HELP_BACK);
        return true;
    case ID_HELP_FORWARD:
        SendToParent(WM_APP_HELP_FORWARD);
        return true;
    case ID_HELP_HOME:
        SendToParent(WM_APP_HELP_HOME);
        return true;
    default:
        return false;
    }
}
