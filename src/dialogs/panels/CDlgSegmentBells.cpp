#include "dialogs/panels/CDlgSegmentBells.h"

#include "dialogs/panels/SegmentPanelRules.h"
#include "dialogs/panels/SegmentPanelWidgets.h"
#include "dialogs/session/CDlgAddBells.h"
#include "model/CSegmentBells.h"

using namespace segpanel;

CDlgSegmentBells::CDlgSegmentBells() : CDlgPropertiesBase(kBellsPanelSize.w, kBellsPanelSize.h)
{
    std::vector<QAbstractButton*> buttons;
    for (const ControlSpec& spec : kBellsControls)
    {
        if (spec.id == kIdBellsList)
        {
            m_list = new ui::ListBox(this, spec.id);
            m_list->setGeometry(Px(spec.rect));
            m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        }
        else
            buttons.push_back(MakeButton(this, spec));
    }
    FitButtons(buttons);
    m_toneRange = MakeCombo(this, kIdToneRange, kToneRangeCombo);
    m_rangePlaceholder = CreatePlaceholder(kRangeRow.placeholderId, kRangeRow.rect.x, kRangeRow.rect.y,
                                           kRangeRow.rect.w, kRangeRow.rect.h);
    m_densityPlaceholder = CreatePlaceholder(kDensityRow.placeholderId, kDensityRow.rect.x,
                                             kDensityRow.rect.y, kDensityRow.rect.w, kDensityRow.rect.h);
}

bool CDlgSegmentBells::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    FillCombo(*m_toneRange, kToneRanges, kInitialToneRange);
    FitCombos({m_toneRange});
    CreateRow(m_density, kDensityRow.rowId, m_densityPlaceholder);
    CreateRow(m_range, kRangeRow.rowId, m_rangePlaceholder);
    FitRowLabels({&m_density, &m_range});
    return true;
}

CSegmentBells* CDlgSegmentBells::Bells() const
{
    return dynamic_cast<CSegmentBells*>(m_pObject);
}

void CDlgSegmentBells::FillList()
{
    m_list->ResetContent();
    CSegmentBells* bells = Bells();
    if (bells == nullptr)
        return;
    for (std::size_t i = 0; i < bells->m_instruments.size(); ++i)
        m_list->AddString(
            CSegmentBells::GetInstrumentName(bells->GetInstrument(static_cast<std::int32_t>(i))));
    if (m_list->GetCount() > 0)
        m_list->SetCurSel(0);
}

void CDlgSegmentBells::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    FillList();
    CSegmentBells* bells = Bells();
    m_density.SetProperty(bells != nullptr ? &bells->m_density : nullptr);
    m_range.SetProperty(bells != nullptr ? &bells->m_range : nullptr);
    if (bells == nullptr)
        return;
    m_toneRange->SetCurSel(bells->GetToneRange());
    UpdateControls();
}

void CDlgSegmentBells::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    const int state = IsPlaying() ? 2 : 0;
    m_density.EnableControls(state);
    m_range.EnableControls(state);
}

bool CDlgSegmentBells::OnCommand(int id, ui::Notify code, QWidget* from)
{
    CSegmentBells* bells = Bells();
    if (bells == nullptr)
        return CDlgPropertiesBase::OnCommand(id, code, from);
    const int s = m_list->GetCurSel();
    switch (id)
    {
    case kIdAdd:
        OnAdd();
        return true;
    case kIdDuplicate:
        AfterEdit(DuplicateInstrument(bells->m_instruments, s));
        return true;
    case kIdRemove:
        AfterEdit(RemoveInstrument(bells->m_instruments, s));
        return true;
    case kIdUp:
        AfterEdit(MoveInstrument(bells->m_instruments, s, -1));
        return true;
    case kIdDown:
        AfterEdit(MoveInstrument(bells->m_instruments, s, +1));
        return true;
    case kIdToneRange:
        if (code == ui::Notify::SelChange && m_toneRange->GetCurSel() >= 0)
        {
            bells->m_toneRange = m_toneRange->GetCurSel();
            SetModified();
        }
        return true;
    default:
        return CDlgPropertiesBase::OnCommand(id, code, from);
    }
}

void CDlgSegmentBells::OnAdd()
{
    CDlgAddBells dialog(this);
    // The ticks count however the dialog was closed.
    dialog.DoModal();
    if (CSegmentBells* bells = Bells())
        AfterEdit(AppendInstruments(bells->m_instruments, dialog.GetTicked()));
}

void CDlgSegmentBells::AfterEdit(std::optional<int> selection)
{
    if (!selection)
        return;
    FillList();
    m_list->SetCurSel(*selection);
    SetModified();
}
