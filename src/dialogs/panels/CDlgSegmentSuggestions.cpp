#include "dialogs/panels/CDlgSegmentSuggestions.h"

#include "dialogs/panels/SegmentPanelRules.h"
#include "dialogs/panels/SegmentPanelWidgets.h"
#include "dialogs/panels/SoundFileList.h"
#include "messages/ViewMessages.h"
#include "model/CSegmentSuggestions.h"

using namespace segpanel;

CDlgSegmentSuggestions::CDlgSegmentSuggestions()
    : CDlgSegmentFileList(filelist::kFolderVoice, kVoiceModeCombo, kGapRow)
{
}

bool CDlgSegmentSuggestions::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    FillCombo(*m_firstCombo, kVoicePlayModes, kInitialVoiceMode);
    FitCombos({m_firstCombo});
    CreateOwnRow();
    SetTimer(kGapTimer, kGapTimerMs);
    // A click asks for the file even when it lands on the item already selected (the first one
    // after every bind, or the one just played), which changes no selection and so sends no
    // selection change.
    connect(m_list, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index)
            {
                CSegmentSuggestions* voice = Voice();
                if (voice != nullptr && index.isValid())
                    voice->RequestFile(index.row());
            });
    return true;
}

CSegmentSuggestions* CDlgSegmentSuggestions::Voice() const
{
    return dynamic_cast<CSegmentSuggestions*>(m_pObject);
}

std::vector<CFileListEntry>* CDlgSegmentSuggestions::Files() const
{
    CSegmentSuggestions* voice = Voice();
    return voice != nullptr ? &voice->m_files : nullptr;
}

void CDlgSegmentSuggestions::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    CSegmentSuggestions* voice = Voice();
    FillList();
    if (voice == nullptr)
    {
        m_row.SetProperty(nullptr);
        m_firstCombo->SetCurSel(-1);
        return;
    }
    // The placeholder of a live recording (mode 3) has no item and shows none.
    m_firstCombo->SetCurSel(voice->m_playMode);
    m_row.SetProperty(&voice->m_interval);
    m_lastGap = voice->m_interval.GetValue();
    UpdateControls();
}

void CDlgSegmentSuggestions::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    CSegmentSuggestions* voice = Voice();
    if (voice == nullptr)
        return;
    const bool playing = IsPlaying();
    const std::int32_t mode = voice->m_playMode;
    if (mode == CSegmentSuggestions::kPlayModeLivePlaceholder)
    {
        // The live recording's own segment: its files come from the recording, so only the mode
        // can be changed, and only while nothing plays.
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->setEnabled(false);
        m_firstCombo->setEnabled(!playing);
        return;
    }
    if (playing && VoiceListUsableWhilePlaying(mode))
        m_list->setEnabled(true);
    m_row.EnableControls(VoiceGapRowState(mode, playing));
}

void CDlgSegmentSuggestions::OnListChanged()
{
    SetModified();
    UpdateDuration();
}

void CDlgSegmentSuggestions::OnListSelChange()
{
    if (CSegmentSuggestions* voice = Voice())
        voice->RequestFile(m_list->GetCurSel());
}

void CDlgSegmentSuggestions::OnFirstCombo(int index)
{
    CSegmentSuggestions* voice = Voice();
    if (voice == nullptr || index < 0)
        return;
    voice->m_playMode = index;
    SetObject(voice);
    UpdateDuration();
}

void CDlgSegmentSuggestions::OnTimer(int id)
{
    if (id == kGapTimer && isVisible())
    {
        if (CSegmentSuggestions* voice = Voice())
        {
            const double gap = voice->m_interval.GetValue();
            if (gap != m_lastGap)
            {
                m_lastGap = gap;
                UpdateDuration();
            }
        }
    }
    CDlgPropertiesBase::OnTimer(id);
}

void CDlgSegmentSuggestions::UpdateDuration()
{
    CSegmentSuggestions* voice = Voice();
    if (voice == nullptr)
        return;
    voice->UpdateDuration(CSegment::GetDurationFunction());
    if (ui::ViewMessages* view = ActiveView())
        view->SegmentChanged();
    ui::InvalidateWindow(qobject_cast<QWidget*>(GetActiveView()));
}
