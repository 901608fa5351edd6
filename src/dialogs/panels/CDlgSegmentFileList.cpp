#include "dialogs/panels/CDlgSegmentFileList.h"
#include "dialogs/session/HelpTopic.h"

#include "dialogs/panels/SegmentPanelWidgets.h"
#include "dialogs/panels/SoundFileList.h"
#include "messages/AppMessage.h"

using namespace segpanel;

CDlgSegmentFileList::CDlgSegmentFileList(const char* folderValue, const DluRect& firstCombo,
                                         const RowSpec& row)
    : CDlgPropertiesBase(kFileListPanelSize.w, kFileListPanelSize.h),
      m_folderValue(QString::fromLatin1(folderValue)), m_rowId(row.rowId)
{
    std::vector<QAbstractButton*> buttons;
    for (const ControlSpec& spec : kFileListControls)
    {
        switch (spec.id)
        {
        case kIdFileList:
            m_list = new ui::ListBox(this, spec.id);
            m_list->setGeometry(Px(spec.rect));
            // Long names scroll sideways rather than being cut.
            m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            break;
        case kIdHelpLink:
        {
            auto* link = new ui::Static(this, spec.id, QString::fromLatin1(spec.text));
            link->setGeometry(Px(spec.rect));
            link->setTextFormat(Qt::RichText);
            link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
            break;
        }
        default:
        {
            ui::Button* button = MakeButton(this, spec);
            buttons.push_back(button);
            if (spec.id == kIdPlay)
                m_play = button;
            break;
        }
        }
    }
    FitButtons(buttons);
    m_firstCombo = MakeCombo(this, kIdFirstCombo, firstCombo);
    m_rowPlaceholder = CreatePlaceholder(row.placeholderId, row.rect.x, row.rect.y, row.rect.w, row.rect.h);
}

void CDlgSegmentFileList::CreateOwnRow()
{
    CDlgPropertiesBase::CreateRow(m_row, m_rowId, m_rowPlaceholder);
    FitRowLabels({&m_row});
}

void CDlgSegmentFileList::FillList()
{
    m_list->ResetContent();
    const std::vector<CFileListEntry>* files = Files();
    if (files == nullptr)
        return;
    for (const QString& text : filelist::ItemTexts(*files))
        m_list->AddString(text);
    if (m_list->GetCount() > 0)
        m_list->SetCurSel(0);
}

void CDlgSegmentFileList::OnListChanged()
{
    SetModified();
}

bool CDlgSegmentFileList::OnCommand(int id, ui::Notify code, QWidget* from)
{
    if (Files() == nullptr)
        return CDlgPropertiesBase::OnCommand(id, code, from);
    switch (id)
    {
    case kIdAdd:
        OnAdd();
        return true;
    case kIdRemove:
        OnRemove();
        return true;
    case kIdUp:
        OnMove(-1);
        return true;
    case kIdDown:
        OnMove(+1);
        return true;
    case kIdPlay:
        OnPlay();
        return true;
    case kIdHelpLink:
    {
        dlg::ShowHelpTopic(kHelpTopicMultipleFiles);
        return true;
    }
    case kIdFileList:
        if (code == ui::Notify::SelChange)
            OnListSelChange();
        return true;
    case kIdFirstCombo:
        if (code == ui::Notify::SelChange)
            OnFirstCombo(m_firstCombo->GetCurSel());
        return true;
    case kIdSecondCombo:
        if (code == ui::Notify::SelChange)
            OnSecondCombo(static_cast<ui::ComboBox*>(from)->GetCurSel());
        return true;
    default:
        return CDlgPropertiesBase::OnCommand(id, code, from);
    }
}

void CDlgSegmentFileList::OnAdd()
{
    if (!filelist::AddSoundFiles(this, m_folderValue, *Files()))
        return;
    FillList();
    OnListChanged();
}

void CDlgSegmentFileList::OnRemove()
{
    std::vector<CFileListEntry>& files = *Files();
    const int n = static_cast<int>(files.size());
    const int s = m_list->GetCurSel();
    if (s < 0 || s >= n)
        return;
    files.erase(files.begin() + s);
    FillList();
    m_list->SetCurSel(filelist::SelectionAfterRemove(n, s));
    OnListChanged();
}

void CDlgSegmentFileList::OnMove(int step)
{
    const int s = m_list->GetCurSel();
    if (!filelist::MoveItem(*Files(), s, s + step))
        return;
    FillList();
    m_list->SetCurSel(s + step);
    // The order is what plays: a changed order is an edit of the session.
    SetModified();
}

void CDlgSegmentFileList::OnPlay()
{
    const std::vector<CFileListEntry>& files = *Files();
    const int s = m_list->GetCurSel();
    if (s < 0 || s >= static_cast<int>(files.size()))
        return;
    PlayFile(files[static_cast<std::size_t>(s)].GetResolvedPath(), m_play);
}
