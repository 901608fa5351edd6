#include "panes/CAppPane.h"

#include "model/CVornaDoc.h"

#include <gtest/gtest.h>

namespace
{

struct RowCase
{
    const char* name;
    int height;
    int count;
    std::vector<std::pair<int, int>> rows;
};

// The first H mod n rows are one pixel taller and each bottom is the next top; a count of zero
// (a file may hold no tracks) must not divide by zero.
TEST(CAppPane, TrackRowsSplitTheHeightWithTheRemainderOnTop)
{
    const RowCase cases[] = {
        {"even split", 90, 3, {{0, 30}, {30, 60}, {60, 90}}},
        {"remainder two goes to the first two rows", 11, 3, {{0, 4}, {4, 8}, {8, 11}}},
        {"one row takes everything", 7, 1, {{0, 7}}},
        {"more rows than pixels", 2, 3, {{0, 1}, {1, 2}, {2, 2}}},
        {"no tracks gives empty rows", 100, 0, {{0, 0}}},
        {"no height gives empty rows", 0, 4, {{0, 0}}},
    };
    for (const RowCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < int(c.rows.size()); ++i)
        {
            int top = -1, bottom = -1;
            CAppPane::TrackRowRect(c.height, c.count, i, top, bottom);
            EXPECT_EQ(top, c.rows[i].first) << "row " << i;
            EXPECT_EQ(bottom, c.rows[i].second) << "row " << i;
        }
    }
}

TEST(CAppPane, StageExtentsTruncateAndCursorFractionIsHeld)
{
    CVornaDoc doc;
    CAppPane pane;
    pane.resize(1000, 20);
    pane.SetDocument(&doc);
    ASSERT_GT(doc.m_stages.GetCount(), 0);
    int left = -1, right = -1;
    pane.GetStageExtent(0, left, right);
    EXPECT_EQ(left, int(doc.m_stages.GetStage(0).m_start * 1000));
    EXPECT_EQ(right, int(doc.m_stages.GetStage(0).m_end * 1000));
    pane.GetStageExtent(doc.m_stages.GetCount(), left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);

    ui::SetCursorPos(pane.mapToGlobal(QPoint(250, 5)));
    EXPECT_DOUBLE_EQ(pane.GetCursorFraction(), 0.25);
    ui::SetCursorPos(pane.mapToGlobal(QPoint(1500, 5)));
    EXPECT_DOUBLE_EQ(pane.GetCursorFraction(), 1.0);

    // A pane of width 1 or 0 must not divide by zero.
    pane.resize(1, 20);
    ui::SetCursorPos(pane.mapToGlobal(QPoint(0, 5)));
    pane.UpdateHoverPosition();
    EXPECT_DOUBLE_EQ(doc.m_hoverPosition, 0.0);
    pane.resize(0, 20);
    EXPECT_DOUBLE_EQ(pane.GetCursorFraction(), 0.0);
    pane.UpdateHoverPosition();
    EXPECT_DOUBLE_EQ(doc.m_hoverPosition, -1.0);
}

} // namespace
