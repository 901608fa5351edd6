#pragma once
/** @brief The property rows of the program: one entry per row id (20059 to 20084) with the label,
 *  unit, layout fractions, format and mode flags a row is built from, and the helper that builds a
 *  row of the table over its panel's placeholder with the document's references.
 *
 * UI thread only. */

#include <QFont>
#include <QString>

#include <span>

class CUiProperty;
class CVornaDoc;
class QWidget;

namespace props
{

/** One row of the table. */
struct RowSpec
{
    int id;
    const char* label;    ///< empty for the effects rows, whose labels stand beside them
    const char* unit;     ///< empty for none
    double labelFraction; ///< share of the row's width for the label
    double editFraction;  ///< share of the row's width for the value edit
    const char* format;   ///< printf format of the value
    bool modeButton;      ///< the row can switch to a graph
    bool autoGraph;       ///< "Set AutoGraph" can be chosen
    bool oneDecimal;      ///< the graph editor shows tenths
};

// Row ids, named after their panels.
inline constexpr int kRowVoiceGap = 20059;
inline constexpr int kRowChange = 20060; ///< ambient music and nature
inline constexpr int kRowToneCarrier = 20062;
inline constexpr int kRowToneOvertones = 20063;
inline constexpr int kRowNoiseSmoothness = 20064;
inline constexpr int kRowNoiseFilter = 20065;
inline constexpr int kRowNoiseFrequency = 20066;
inline constexpr int kRowNoiseSharpness = 20067;
inline constexpr int kRowBreathCycle = 20068;
inline constexpr int kRowBreathBreathing = 20069;
inline constexpr int kRowBellsDensity = 20070;
inline constexpr int kRowBellsRange = 20071;
inline constexpr int kRowVolume = 20072;
inline constexpr int kRowStereo = 20073;
inline constexpr int kRowBrainwaveStrength = 20074;
inline constexpr int kRowBrainwaveFrequency = 20075;
inline constexpr int kRowBilateralStrength = 20076;
inline constexpr int kRowBilateralDelay = 20077;
inline constexpr int kRowBilateralRate = 20078;
inline constexpr int kRowGlobalBrainwaves = 20079;
inline constexpr int kRowGlobalBilateral = 20080;
inline constexpr int kRowEffectEnhance = 20081; ///< then reverb, echo and chorus: 20082 to 20084
inline constexpr int kRowEffectChorus = 20084;

/** Every row of the table, in id order. */
std::span<const RowSpec> RowTable();
/** The row @p id; null for an id the table does not hold (20061 among them). */
const RowSpec* FindRow(int id);

/** The font of the panels and of the dialogs made of property rows: the workspace's face at a
 *  condensed width and the small size the templates were laid out for, so labels stay whole. */
QFont PanelFont();

/** Where a row's graph editor takes its time axis from. */
enum class GraphAxis
{
    SelectedSegment, ///< the segment selected in the tracks pane (asked each time the editor opens)
    WholeSession,    ///< the whole session, whatever is selected (the session-wide settings)
};

/** Builds row @p id of the table into @p row over @p placeholder (a hidden widget whose rectangle
 *  the row takes) as a child of @p parent, with @p doc's stages, graph-editor placement, graph
 *  clipboard and session length. The row is created unbound. False for an id outside the table
 *  or without a parent. */
bool CreatePropertyRow(CUiProperty& row, int id, QWidget* placeholder, QWidget* parent, CVornaDoc* doc,
                       GraphAxis axis = GraphAxis::SelectedSegment);

} // namespace props
