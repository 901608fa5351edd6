#pragma once
/** @brief The "Brainwaves" page: whether and how the segment's sound carries a beat (none, the
 *  session-wide beat or its own), the method, and the Frequency and Strength rows. UI thread only. */

#include "controls/CUiProperty.h"
#include "dialogs/panels/CDlgPropertiesBase.h"

#include <atomic>

class CBrainwavesLocal;

namespace ui
{
class Button;
class ComboBox;
} // namespace ui

class CDlgPropertiesBrainwaves : public CDlgPropertiesBase
{
public:
    static constexpr int kWidthDlu = 170;
    static constexpr int kHeightDlu = 88;
    static constexpr int kIdSource = 1133;
    static constexpr int kIdMethod = 1050;
    static constexpr int kIdGlobal = 1041;
    static constexpr int kIdStrengthPlaceholder = 1074;
    static constexpr int kIdFrequencyPlaceholder = 1075;

    CDlgPropertiesBrainwaves();
    ~CDlgPropertiesBrainwaves() override;

    /** Also lets go of the bound segment. */
    void SetDocument(CVornaDoc* doc) override;
    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

    /** The source choice of the enabled and own-frequency flags: 0 none, 1 session-wide, 2 own. */
    static int SourceChoice(bool enabled, bool own) { return !enabled ? 0 : own ? 2 : 1; }
    /** Sets the two flags for source @p choice; choice 0 keeps @p own, so that choosing the own
     *  source again brings the own value back. False, with nothing changed, for another choice. */
    static bool ApplySourceChoice(int choice, std::atomic<bool>& enabled, std::atomic<bool>& own);

    ui::ComboBox& SourceCtrl() { return *m_source; }
    ui::ComboBox& MethodCtrl() { return *m_method; }
    ui::Button& GlobalButton() { return *m_global; }
    CUiProperty& StrengthRow() { return m_strength; }
    CUiProperty& FrequencyRow() { return m_frequency; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void UpdateEnableState();
    void OnSourceChanged();
    void OnMethodChanged();

    CBrainwavesLocal* m_settings = nullptr;
    CUiProperty m_strength;
    CUiProperty m_frequency;
    ui::ComboBox* m_source = nullptr;
    ui::ComboBox* m_method = nullptr;
    ui::Button* m_global = nullptr;
};
