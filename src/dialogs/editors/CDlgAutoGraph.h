#pragma once
/** @brief The automatic-graph editor: the lower and upper limits and the change rate of a property's
 *  random walk, each change written into the CAutoGraph at once (closing keeps it).
 *
 * The limits are whole numbers within the property's range once a slider has moved; a slider pushed
 * past the other one stops at the other one's value. UI thread only. */

#include "controls/Controls.h"

class CAutoGraph;

class CDlgAutoGraph : public ui::Dialog
{
public:
    static constexpr int kIdTitle = 1040;
    static constexpr int kIdLowerLabel = 1041;
    static constexpr int kIdUpperLabel = 1042;
    static constexpr int kIdLowerSlider = 1043;
    static constexpr int kIdUpperSlider = 1019;
    static constexpr int kIdRate = 1132;
    static constexpr int kIdClose = 1;
    static constexpr int kIdHelp = 1012;

    static constexpr const char* kHelpTopic = "AutoGraphProperty";

    explicit CDlgAutoGraph(QWidget* parent = nullptr);

    /** The graph edited in place, the property row's label and its unit; set before DoModal. */
    void SetProperty(CAutoGraph* graph, const QString& name, const QString& unit);

protected:
    bool OnInitDialog() override;
    void OnHScroll(ui::ScrollCode code, int pos, QWidget* from) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    /** "%d %s": the value cut toward zero, then the unit. */
    static void SetLimitLabel(double value, const QString& unit, ui::Static* label);

    CAutoGraph* m_graph = nullptr;
    QString m_name;
    QString m_unit;

    ui::Static* m_title = nullptr;
    ui::Static* m_lowerLabel = nullptr;
    ui::Static* m_upperLabel = nullptr;
    ui::Slider* m_lower = nullptr;
    ui::Slider* m_upper = nullptr;
    ui::ComboBox* m_rate = nullptr;
    ui::Button* m_close = nullptr;
    ui::Button* m_help = nullptr;
};
