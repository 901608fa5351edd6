#pragma once
/** @brief The "Bilateral" page: whether the segment's sound sweeps between the ears (none, at the
 *  session-wide rate or its own), the Rate, Strength and Delay rows, and the direction and
 *  alternation boxes. UI thread only. */

#include "controls/CUiProperty.h"
#include "dialogs/panels/CDlgPropertiesBase.h"

class CBilateralLocal;

namespace ui
{
class Button;
class CheckBox;
class ComboBox;
} // namespace ui

class CDlgPropertiesBilateral : public CDlgPropertiesBase
{
public:
    static constexpr int kWidthDlu = 170;
    static constexpr int kHeightDlu = 126;
    static constexpr int kIdSource = 1133;
    static constexpr int kIdGlobal = 1041;
    static constexpr int kIdRatePlaceholder = 1062;
    static constexpr int kIdStrengthPlaceholder = 1074;
    static constexpr int kIdDelayPlaceholder = 1075;
    static constexpr int kIdInvert = 1036;
    static constexpr int kIdCubic = 1037;

    CDlgPropertiesBilateral();
    ~CDlgPropertiesBilateral() override;

    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

    ui::ComboBox& SourceCtrl() { return *m_source; }
    ui::Button& GlobalButton() { return *m_global; }
    ui::CheckBox& InvertBox() { return *m_invert; }
    ui::CheckBox& CubicBox() { return *m_cubic; }
    CUiProperty& StrengthRow() { return m_strength; }
    CUiProperty& DelayRow() { return m_delay; }
    CUiProperty& RateRow() { return m_rate; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    virtual void UpdateEnableState();

private:
    void OnSourceChanged();

    CBilateralLocal* m_settings = nullptr;
    CUiProperty m_strength;
    CUiProperty m_delay;
    CUiProperty m_rate;
    ui::ComboBox* m_source = nullptr;
    ui::CheckBox* m_invert = nullptr;
    ui::CheckBox* m_cubic = nullptr;
    ui::Button* m_global = nullptr;
};
