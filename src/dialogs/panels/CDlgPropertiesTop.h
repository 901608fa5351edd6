#pragma once
/** @brief The top panel of the properties pane: the segment's name, its times, Test, Reset and
 *  Help, the segment-times button, the Volume and Stereo rows, and the tab strip that chooses the
 *  page below it ("Sound", "Effects", "Brainwaves", "Bilateral").
 *
 * A tab the user chooses is reported to the pane (PropertyPaneHost::ShowPropertyTab) and marks the
 * session modified; a tab selected by code (SelectTab) does neither. UI thread only. */

#include "controls/CUiProperty.h"
#include "dialogs/panels/CDlgPropertiesBase.h"

#include <QString>

#include <functional>

class CTracks;

namespace ui
{
class Button;
class Static;
class TabBar;
} // namespace ui

/** What the top panel asks of the pane that holds it. */
class PropertyPaneHost
{
public:
    /** WM_APP_SHOW_PROPERTY_TAB: shows the page of @p tab (kTabSound .. kTabBilateral). */
    virtual void ShowPropertyTab(int tab) = 0;
    /** WM_APP_RESET_SOUND_FOLDER: the shown segment's sound folder goes back to its library's. */
    virtual void ResetSoundFolder() = 0;

protected:
    ~PropertyPaneHost() = default;
};

class CDlgPropertiesTop : public CDlgPropertiesBase
{
public:
    static constexpr int kWidthDlu = 169;
    static constexpr int kHeightDlu = 120;

    static constexpr int kIdName = 1026;
    static constexpr int kIdTest = 1010;
    static constexpr int kIdReset = 1011;
    static constexpr int kIdHelp = 9;
    static constexpr int kIdDimensions = 1013;
    static constexpr int kIdFrom = 1021;
    static constexpr int kIdTo = 1022;
    static constexpr int kIdLength = 1020;
    static constexpr int kIdVolumePlaceholder = 1033;
    static constexpr int kIdStereoPlaceholder = 1034;
    static constexpr int kIdTabPlaceholder = 1018;
    static constexpr int kIdTab = 20054;

    static constexpr int kTabSound = 0;
    static constexpr int kTabEffects = 1;
    static constexpr int kTabBrainwaves = 2;
    static constexpr int kTabBilateral = 3;
    static constexpr int kTabCount = 4;

    CDlgPropertiesTop();
    ~CDlgPropertiesTop() override;

    /** Null unbinds the rows (the segment went away); otherwise binds the name, times and rows. */
    void SetObject(CSegment* segment) override;
    /** The base's enable states; then name, Test, rows and tabs stay enabled, the rows in state 2
     *  while playing, and Test reads "Stop" while playing. */
    void UpdateControls() override;
    /** Rewrites From, To and Length from the bound segment. */
    void UpdateTimes();

    /** Stores the pane that is told of the user's tab and of Reset (not owned; null: nobody). */
    void SetHost(PropertyPaneHost* host) { m_host = host; }

    /** Selects tab @p tab without telling anyone. */
    void SelectTab(int tab);
    int GetTab() const;
    /** The client width recorded when the panel was made; 0 before. */
    int GetWidth() const { return m_clientWidth; }

    /** "mm:ss" of @p seconds as the panel writes its times: minutes not limited to two digits. */
    static QString FormatTime(int seconds);
    /** The help topic of @p tab: "Effects", "BrainwaveEntrainment", "BilateralSound", or on the
     *  Sound tab the display name of track @p track's kind without blanks; empty when there is
     *  none (no track selected, a tab outside 0..3). */
    static QString HelpTopic(int tab, const CTracks& tracks, int track);

    /** How the segment-times dialog is run (tests replace it): it gets the range it may use, the
     *  document, the segment and this panel as its owner. */
    using DimensionsRunner = std::function<int(CDlgPropertiesTop& owner, double rangeFrom, double rangeTo)>;
    void SetDimensionsRunner(DimensionsRunner runner) { m_runDimensions = std::move(runner); }
    /** The range the segment-times dialog gets for the bound segment: the end of the segment
     *  before it on the selected track (0 for the first) and the begin of the one after it (1 for
     *  the last). False when the segment is not on the selected track. */
    bool GetDimensionLimits(double& rangeFrom, double& rangeTo) const;

    // The controls, for the pane and tests.
    ui::Static& NameCtrl() { return *m_name; }
    ui::Static& FromCtrl() { return *m_from; }
    ui::Static& ToCtrl() { return *m_to; }
    ui::Static& LengthCtrl() { return *m_length; }
    ui::Button& TestButton() { return *m_test; }
    ui::Button& ResetButton() { return *m_reset; }
    ui::Button& HelpButton() { return *m_help; }
    ui::Button& DimensionsButton() { return *m_dimensions; }
    ui::TabBar& TabCtrl() { return *m_tab; }
    CUiProperty& VolumeRow() { return m_volume; }
    CUiProperty& StereoRow() { return m_stereo; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void OnTest();
    void OnReset();
    void OnHelp();
    void OnEditDimensions();
    void OnChangeActiveTab(int index);
    void ShowName(const QString& name);

    ui::TabBar* m_tab = nullptr;
    CUiProperty m_volume;
    CUiProperty m_stereo;
    ui::Static* m_name = nullptr;
    ui::Static* m_from = nullptr;
    ui::Static* m_to = nullptr;
    ui::Static* m_length = nullptr;
    ui::Button* m_test = nullptr;
    ui::Button* m_reset = nullptr;
    ui::Button* m_help = nullptr;
    ui::Button* m_dimensions = nullptr;
    QString m_fullName;
    int m_clientWidth = 0;
    DimensionsRunner m_runDimensions;
    PropertyPaneHost* m_host = nullptr;
};
