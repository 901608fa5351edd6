#pragma once
/** @brief Builds the "Sound" panels' controls from the layout tables (SegmentPanelLayout.h).
 *  UI thread. */

#include "controls/Controls.h"
#include "dialogs/panels/SegmentPanelLayout.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class CUiProperty;

namespace segpanel
{

/** The rectangle in pixels. */
inline QRect Px(const DluRect& r)
{
    return ui::Dialog::MapDialogRect(r.x, r.y, r.w, r.h);
}

/** Narrows the font of @p buttons (or @p combos), one font for all of them, until every caption
 *  (every item) fits its control: first condensed, then a pixel smaller at a time down to
 *  kSmallestTextPixels. The rectangles are the layout's; the workspace's face is wider than the one
 *  they were drawn for, so a long caption or item would be cut otherwise. */
void FitButtons(const std::vector<QAbstractButton*>& buttons);
void FitCombos(const std::vector<QComboBox*>& combos);
/** The same for the labels of a panel's property rows, once the rows are laid out. */
void FitRowLabels(const std::vector<CUiProperty*>& rows);
inline constexpr int kSmallestTextPixels = 9;

/** A push button from its table row. */
ui::Button* MakeButton(QWidget* parent, const ControlSpec& spec);

/** A drop-down list over @p rect, empty until FillCombo. */
ui::ComboBox* MakeCombo(QWidget* parent, int id, const DluRect& rect);

/** Puts @p texts into @p combo in order and selects @p initial, notifying nothing. */
void FillCombo(ui::ComboBox& combo, std::span<const char* const> texts, int initial);

} // namespace segpanel
