#pragma once
/** @brief The "Effects" page: Enhance, reverb, echo and chorus, each a switch, a label and a level
 *  row. A switched-off effect's row is locked; its label never greys out. UI thread only. */

#include "controls/CUiProperty.h"
#include "dialogs/panels/CDlgPropertiesBase.h"
#include "model/CEffectsLocal.h"

#include <array>

namespace ui
{
class CheckBox;
class Static;
} // namespace ui

class CDlgPropertiesEffects : public CDlgPropertiesBase
{
public:
    static constexpr int kWidthDlu = 170;
    static constexpr int kHeightDlu = 93;
    static constexpr std::size_t kCount = CEffectsLocal::kEffectCount;
    /** Control ids per effect, in the order of CEffectsLocal. */
    static constexpr std::array<int, kCount> kIdBox{1013, 1014, 1015, 1016};
    static constexpr std::array<int, kCount> kIdLabel{1142, 1143, 1144, 1145};
    static constexpr std::array<int, kCount> kIdPlaceholder{1101, 1033, 1034, 1035};

    CDlgPropertiesEffects();
    ~CDlgPropertiesEffects() override;

    void SetObject(CSegment* segment) override;
    /** The base's states; then the labels enabled, and each row locked (1) while its effect is
     *  off, in state 2 while playing, else 0. */
    void UpdateControls() override;

    ui::CheckBox& Box(std::size_t effect) { return *m_boxes[effect]; }
    ui::Static& Label(std::size_t effect) { return *m_labels[effect]; }
    CUiProperty& Row(std::size_t effect) { return m_rows[effect]; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    std::array<CUiProperty, kCount> m_rows;
    std::array<ui::CheckBox*, kCount> m_boxes{};
    std::array<ui::Static*, kCount> m_labels{};
};
