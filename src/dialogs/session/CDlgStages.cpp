#include "dialogs/session/CDlgStages.h"

#include "controls/Controls.h"
#include "dialogs/session/CDlgGetName.h"
#include "dialogs/session/HelpTopic.h"
#include "model/CVornaDoc.h"

#include <algorithm>

namespace
{

// Dialog units.
constexpr int kWidthDlu = 196;
constexpr int kHeightDlu = 164;
constexpr int kButtonX = 139;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CDlgStages::CDlgStages(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Edit Stages"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    m_list = new ui::ListBox(this, kIdList);
    m_list->setGeometry(MapDialogRect(7, 7, 125, 150));

    struct Spec
    {
        int id;
        const char* text;
        const char* tip;
        int y;
    };
    const Spec specs[] = {
        {kIdAdd, "Add", "Add a new stage", 7},
        {kIdDelete, "Delete", "Delete the selected stage", 25},
        {kIdName, "Name", "Rename the selected stage", 43},
        {kIdUp, "Up", "Move the selected stage upward", 67},
        {kIdDown, "Down", "Move the selected stage downward", 85},
        {ui::IDOK, "Close", nullptr, 125},
        {kIdHelp, "Help", nullptr, 143},
    };
    for (const Spec& s : specs)
    {
        auto* button = new ui::Button(this, s.id, QString::fromLatin1(s.text));
        button->setGeometry(MapDialogRect(kButtonX, s.y, kButtonWidth, kButtonHeight));
        if (s.tip != nullptr)
            button->setToolTip(QString::fromLatin1(s.tip));
    }
}

bool CDlgStages::OnInitDialog()
{
    m_list->ResetContent();
    if (m_pDoc == nullptr)
        return true;
    for (std::int32_t i = 0; i < m_pDoc->m_stages.GetCount(); ++i)
        m_list->AddString(m_pDoc->m_stages.GetStage(i).m_name);
    m_list->SetCurSel(0);
    return true;
}

bool CDlgStages::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case kIdAdd:
        OnAddStage();
        return true;
    case kIdDelete:
        OnDeleteStage();
        return true;
    case kIdName:
        OnRenameStage();
        return true;
    case kIdUp:
        OnStageUp();
        return true;
    case kIdDown:
        OnStageDown();
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

QString CDlgStages::AskName(const QString& name)
{
    CDlgGetName ask(this);
    ask.m_name = name;
    ask.DoModal();
    return ask.m_name;
}

void CDlgStages::Changed()
{
    m_pDoc->SetSessionModified();
    // The window behind with every pane in it: its update() alone repaints none of them.
    ui::InvalidateWindow(parentWidget());
}

void CDlgStages::OnAddStage()
{
    const int selected = m_list->GetCurSel();
    if (m_pDoc == nullptr || selected < 0)
        return;
    const QString name = AskName(QString::fromLatin1(kNewStageName));
    m_pDoc->m_stages.InsertStage(name, selected);
    m_list->InsertString(selected, name);
    m_list->SetCurSel(selected);
    Changed();
}

void CDlgStages::OnDeleteStage()
{
    const int selected = m_list->GetCurSel();
    const int count = m_list->GetCount();
    if (m_pDoc == nullptr || selected < 0 || count <= 1)
        return;
    m_pDoc->m_stages.RemoveStage(selected);
    m_list->DeleteString(selected);
    m_list->SetCurSel(std::min(selected, count - 2));
    Changed();
}

void CDlgStages::OnRenameStage()
{
    const int selected = m_list->GetCurSel();
    if (m_pDoc == nullptr || selected < 0)
        return;
    CStage& stage = m_pDoc->m_stages.GetStage(selected);
    stage.m_name = AskName(stage.m_name);
    m_list->item(selected)->setText(stage.m_name);
    m_list->SetCurSel(selected);
    Changed();
}

void CDlgStages::OnStageUp()
{
    const int selected = m_list->GetCurSel();
    if (m_pDoc == nullptr || selected <= 0)
        return;
    m_pDoc->m_stages.SwapStages(selected - 1, selected);
    const QString moved = m_list->GetText(selected);
    m_list->DeleteString(selected);
    m_list->InsertString(selected - 1, moved);
    m_list->SetCurSel(selected - 1);
    Changed();
}

void CDlgStages::OnStageDown()
{
    const int selected = m_list->GetCurSel();
    if (m_pDoc == nullptr || selected < 0 || selected >= m_list->GetCount() - 1)
        return;
    m_pDoc->m_stages.SwapStages(selected, selected + 1);
    const QString moved = m_list->GetText(selected);
    m_list->DeleteString(selected);
    m_list->InsertString(selected + 1, moved);
    m_list->SetCurSel(selected + 1);
    Changed();
}
