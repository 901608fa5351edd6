#include "dialogs/panels/CDlgSegmentRows.h"

#include "dialogs/panels/SegmentPanelWidgets.h"
#include "model/CSmartProperty.h"

using namespace segpanel;

CDlgSegmentRows::CDlgSegmentRows(const DluRect& size, std::span<const RowSpec> rows, int comboId,
                                 const DluRect& combo, std::span<const char* const> comboTexts,
                                 int initialChoice)
    : CDlgPropertiesBase(size.w, size.h), m_rowSpecs(rows), m_comboTexts(comboTexts),
      m_initialChoice(initialChoice)
{
    if (!comboTexts.empty())
        m_combo = MakeCombo(this, comboId, combo);
    for (const RowSpec& row : rows)
    {
        m_placeholders.push_back(
            CreatePlaceholder(row.placeholderId, row.rect.x, row.rect.y, row.rect.w, row.rect.h));
        m_rows.push_back(std::make_unique<CUiProperty>());
    }
}

bool CDlgSegmentRows::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    if (m_combo != nullptr)
    {
        FillCombo(*m_combo, m_comboTexts, m_initialChoice);
        FitCombos({m_combo});
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        CreateRow(*m_rows[i], m_rowSpecs[i].rowId, m_placeholders[i]);
    std::vector<CUiProperty*> rows;
    for (const std::unique_ptr<CUiProperty>& row : m_rows)
        rows.push_back(row.get());
    FitRowLabels(rows);
    return true;
}

void CDlgSegmentRows::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    const Binding binding = Bind();
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->SetProperty(i < binding.properties.size() ? binding.properties[i] : nullptr);
    if (binding.properties.empty())
        return;
    if (m_combo != nullptr)
        m_combo->SetCurSel(binding.shownChoice);
    UpdateControls();
}

void CDlgSegmentRows::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    const bool playing = IsPlaying();
    if (m_combo != nullptr)
        m_combo->setEnabled(!playing);
    for (const std::unique_ptr<CUiProperty>& row : m_rows)
        row->EnableControls(playing ? 2 : 0);
}

bool CDlgSegmentRows::OnCommand(int id, ui::Notify code, QWidget* from)
{
    if (m_combo == nullptr || id != ui::ControlId(m_combo))
        return CDlgPropertiesBase::OnCommand(id, code, from);
    const Binding binding = Bind();
    const int choice = m_combo->GetCurSel();
    if (code == ui::Notify::SelChange && binding.choice != nullptr && choice >= 0)
    {
        *binding.choice = choice;
        SetModified();
    }
    return true;
}
