#pragma once
/** @brief The bells panel: the segment's instruments by name (Add through the Add Bells dialog,
 *  Duplicate, Remove, Up, Down), the tone range, and the Range and Density rows.
 *
 * Every edit of the instrument list marks the session modified. UI thread. */

#include "controls/CUiProperty.h"
#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesBase.h"

#include <optional>

class CSegmentBells;

class CDlgSegmentBells : public CDlgPropertiesBase
{
public:
    CDlgSegmentBells();

    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

    ui::ListBox& InstrumentList() { return *m_list; }
    ui::ComboBox& ToneRangeCombo() { return *m_toneRange; }
    CUiProperty& DensityRow() { return m_density; }
    CUiProperty& RangeRow() { return m_range; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    CSegmentBells* Bells() const;
    void FillList();
    void OnAdd();
    /** Refills and selects @p selection after an edit; nothing when the edit changed nothing. */
    void AfterEdit(std::optional<int> selection);

    CUiProperty m_density;
    CUiProperty m_range;
    ui::ListBox* m_list = nullptr;
    ui::ComboBox* m_toneRange = nullptr;
    QWidget* m_rangePlaceholder = nullptr;
    QWidget* m_densityPlaceholder = nullptr;
};
