#pragma once
/** @brief What the tone, noise and breathwork panels share: an optional drop-down list that
 *  stores one choice of the segment, and property rows bound to the segment's values.
 *
 * While the session plays the rows keep a constant value editable but lock their mode button,
 * and the drop-down list is disabled. UI thread. */

#include "controls/CUiProperty.h"
#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesBase.h"
#include "dialogs/panels/SegmentPanelLayout.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CSmartProperty;

class CDlgSegmentRows : public CDlgPropertiesBase
{
public:
    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    CUiProperty& Row(int index) { return *m_rows[static_cast<std::size_t>(index)]; }
    /** The drop-down list; null on a panel without one. */
    ui::ComboBox* Combo() { return m_combo; }

protected:
    /** What the bound segment gives the panel: its values in row order, and the field the list
     *  stores its choice in with the choice to show. Empty while no segment of the panel's kind
     *  is bound. */
    struct Binding
    {
        std::vector<CSmartProperty*> properties;
        std::int32_t* choice = nullptr;
        std::int32_t shownChoice = -1;
    };

    /** @p comboTexts empty: a panel without a drop-down list. */
    CDlgSegmentRows(const segpanel::DluRect& size, std::span<const segpanel::RowSpec> rows, int comboId = 0,
                    const segpanel::DluRect& combo = {}, std::span<const char* const> comboTexts = {},
                    int initialChoice = 0);

    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    virtual Binding Bind() const = 0;

private:
    std::span<const segpanel::RowSpec> m_rowSpecs;
    std::vector<std::unique_ptr<CUiProperty>> m_rows;
    std::vector<QWidget*> m_placeholders;
    ui::ComboBox* m_combo = nullptr;
    std::span<const char* const> m_comboTexts;
    int m_initialChoice;
};
