#pragma once
/** @brief The small dialog that picks bell instruments to add to a bells segment: twelve check
 *  boxes, placed beside the mouse cursor and always on top.
 *
 * The ticks count however the dialog closes (Enter, Esc or the close box): the caller reads them
 * after DoModal whatever it returned. UI thread. */

#include "controls/Window.h"

#include <array>
#include <vector>

namespace ui
{
class CheckBox;
}

class CDlgAddBells : public ui::Dialog
{
public:
    static constexpr int kInstrumentCount = 12;
    /** Control id of instrument 0's box; instrument i has kIdFirstBox + i. */
    static constexpr int kIdFirstBox = 1013;
    /** Where the dialog goes: its right edge this far left of the cursor, its top this far below. */
    static constexpr int kCursorOffset = 50;

    explicit CDlgAddBells(QWidget* parent = nullptr);

    /** Whether instrument @p index is ticked. */
    bool IsTicked(int index) const;
    /** The ticked instruments' indexes, in index order. */
    std::vector<int> GetTicked() const;

    /** The dialog's rectangle for a cursor at @p cursor (screen coordinates): beside the cursor
     *  as above, moved inside @p screen where it would reach past it. */
    static QRect PlaceBesideCursor(const QPoint& cursor, const QSize& size, const QRect& screen);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    std::array<bool, kInstrumentCount> m_flags{};
    std::array<ui::CheckBox*, kInstrumentCount> m_boxes{};
};
