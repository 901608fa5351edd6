#include "dialogs/panels/PropertyRows.h"

#include "controls/CPropertyInfo.h"
#include "controls/CUiProperty.h"
#include "model/CVornaDoc.h"

#include <QApplication>

#include <algorithm>
#include <array>

namespace props
{

namespace
{

// id, label, unit, label / edit fraction, format, mode button, auto-graph, one decimal
constexpr std::array<RowSpec, 25> kRows{{
    {kRowVoiceGap, "Gap", "seconds", 0.35, 0.12, "%.0f", false, false, false},
    {kRowChange, "Change", "minutes", 0.4, 0.12, "%.0f", false, false, false},
    {kRowToneCarrier, "Carrier", "Hz", 0.28, 0.15, "%.0f", true, false, false},
    {kRowToneOvertones, "Overtones", "", 0.28, 0.15, "%.0f", false, false, false},
    {kRowNoiseSmoothness, "Smoothness", "%", 0.38, 0.15, "%.0f", true, true, false},
    {kRowNoiseFilter, "Filter", "%", 0.38, 0.15, "%.0f", true, true, false},
    {kRowNoiseFrequency, "Frequency", "Hz", 0.38, 0.15, "%.0f", true, true, false},
    {kRowNoiseSharpness, "Sharpness", "%", 0.38, 0.15, "%.0f", true, true, false},
    {kRowBreathCycle, "Cycle", "seconds", 0.35, 0.12, "%.0f", true, false, false},
    {kRowBreathBreathing, "Breathing", "%", 0.35, 0.12, "%.0f", true, false, false},
    {kRowBellsDensity, "Density", "%", 0.35, 0.12, "%.0f", true, true, false},
    {kRowBellsRange, "Range", "%", 0.35, 0.12, "%.0f", true, true, false},
    {kRowVolume, "Volume", "%", 0.28, 0.12, "%.0f", true, true, false},
    {kRowStereo, "Stereo", "%", 0.28, 0.12, "%.0f", true, true, false},
    {kRowBrainwaveStrength, "Strength", "%", 0.35, 0.18, "%.0f", true, false, false},
    {kRowBrainwaveFrequency, "Frequency", "Hz", 0.35, 0.18, "%.2f", true, false, true},
    {kRowBilateralStrength, "Strength", "%", 0.38, 0.15, "%.0f", true, false, false},
    {kRowBilateralDelay, "Delay", "1/10 sec", 0.38, 0.15, "%.0f", false, false, false},
    {kRowBilateralRate, "Rate", "CPM", 0.38, 0.15, "%.0f", true, false, false},
    {kRowGlobalBrainwaves, "Global Brainwave Entrainment", "Hz", 0.5, 0.12, "%.2f", true, false, true},
    {kRowGlobalBilateral, "Global Bilateral Sound", "CPM", 0.5, 0.12, "%.0f", true, false, false},
    {20081, "", "", 0.0, 0.2, "%.0f", true, false, false},
    {20082, "", "", 0.0, 0.2, "%.0f", true, false, false},
    {20083, "", "", 0.0, 0.2, "%.0f", true, false, false},
    {20084, "", "", 0.0, 0.2, "%.0f", true, false, false},
}};

} // namespace

std::span<const RowSpec> RowTable()
{
    return kRows;
}

const RowSpec* FindRow(int id)
{
    const auto it = std::find_if(kRows.begin(), kRows.end(), [id](const RowSpec& r) { return r.id == id; });
    return it != kRows.end() ? &*it : nullptr;
}

QFont PanelFont()
{
    QFont font = QApplication::font();
    font.setStretch(QFont::Condensed);
    font.setPixelSize(11);
    return font;
}

bool CreatePropertyRow(CUiProperty& row, int id, QWidget* placeholder, QWidget* parent, CVornaDoc* doc,
                       GraphAxis axis)
{
    const RowSpec* spec = FindRow(id);
    if (spec == nullptr || parent == nullptr)
        return false;
    CPropertyInfo info;
    info.m_placeholder = placeholder;
    info.m_label = QString::fromLatin1(spec->label);
    info.m_unit = QString::fromLatin1(spec->unit);
    info.m_labelFraction = spec->labelFraction;
    info.m_editFraction = spec->editFraction;
    info.m_format = QString::fromLatin1(spec->format);
    info.m_modeButton = spec->modeButton;
    info.m_autoGraph = spec->autoGraph;
    info.m_parent = parent;
    info.m_id = id;
    info.m_oneDecimal = spec->oneDecimal;
    if (doc != nullptr)
    {
        info.m_stages = &doc->m_stages;
        info.m_editorPos = &doc->m_graphEditorPos;
        info.m_editorSize = &doc->m_graphEditorSize;
        info.m_graphClipboard = &doc->m_graphClipboard;
        info.m_sessionLength = &doc->m_sessionLength;
    }
    // No tracks pane is kept: the row asks the active view for it each time an editor opens, so
    // it never holds a pane that has gone.
    info.m_tracksPane = nullptr;
    info.m_wholeSession = axis == GraphAxis::WholeSession;
    return row.Create(info);
}

} // namespace props
