#include "dialogs/panels/CDlgSegmentPlaylist.h"

#include "dialogs/panels/SegmentPanelWidgets.h"
#include "model/PlaylistSegment.h"

using namespace segpanel;

CDlgSegmentPlaylist::CDlgSegmentPlaylist(std::int32_t kind, const char* folderValue,
                                         const DluRect& styleCombo, int initialStyle)
    : CDlgSegmentFileList(folderValue, kPlayOrderCombo, kChangeRow), m_kind(kind),
      m_initialStyle(initialStyle)
{
    m_styleCombo = MakeCombo(this, kIdSecondCombo, styleCombo);
}

bool CDlgSegmentPlaylist::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    FillCombo(*m_firstCombo, kPlayOrders, kInitialPlayOrder);
    FillCombo(*m_styleCombo, kPlayStyles, m_initialStyle);
    FitCombos({m_firstCombo, m_styleCombo});
    CreateOwnRow();
    return true;
}

model::PlaylistSegment* CDlgSegmentPlaylist::Playlist() const
{
    if (m_pObject == nullptr || m_pObject->GetKind() != m_kind)
        return nullptr;
    return dynamic_cast<model::PlaylistSegment*>(m_pObject);
}

std::vector<CFileListEntry>* CDlgSegmentPlaylist::Files() const
{
    model::PlaylistSegment* playlist = Playlist();
    return playlist != nullptr ? &playlist->m_files : nullptr;
}

void CDlgSegmentPlaylist::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    FillList();
    model::PlaylistSegment* playlist = Playlist();
    if (playlist == nullptr)
    {
        m_row.SetProperty(nullptr);
        return;
    }
    m_firstCombo->SetCurSel(playlist->m_randomOrder ? 1 : 0);
    m_styleCombo->SetCurSel(playlist->GetPlayStyle());
    m_row.SetProperty(&playlist->m_changeTime);
    UpdateControls();
}

void CDlgSegmentPlaylist::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    m_row.EnableControls(IsPlaying() ? 1 : 0);
}

void CDlgSegmentPlaylist::OnFirstCombo(int index)
{
    if (model::PlaylistSegment* playlist = Playlist(); playlist != nullptr && index >= 0)
    {
        playlist->m_randomOrder = index == 1;
        SetModified();
    }
}

void CDlgSegmentPlaylist::OnSecondCombo(int index)
{
    if (model::PlaylistSegment* playlist = Playlist(); playlist != nullptr && index >= 0)
    {
        playlist->m_playStyle = index;
        SetModified();
    }
}
