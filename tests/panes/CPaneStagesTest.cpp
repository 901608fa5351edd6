#include "panes/CPaneStages.h"

#include "MessageSinkWindow.h"
#include "controls/CommandIds.h"
#include "model/CVornaDoc.h"

#include <QTest>

#include <gtest/gtest.h>

namespace
{

// Three stages 0..0.3, 0.3..0.6, 0.6..1.
CStages ThreeStages()
{
    CStages stages;
    stages.SetDefault();
    while (stages.GetCount() > 3)
        stages.RemoveStage(stages.GetCount() - 1);
    stages.GetStage(0).m_end = stages.GetStage(1).m_start = 0.3;
    stages.GetStage(1).m_end = stages.GetStage(2).m_start = 0.6;
    stages.GetStage(2).m_end = 1.0;
    return stages;
}

TEST(CPaneStagesHitTest, GrabsWithinOneHundredthOfABoundaryButNeverTheSessionStart)
{
    const CStages stages = ThreeStages();
    const struct
    {
        double t;
        int stage;
    } cases[] = {
        {0.3, 1},   {0.2905, 1}, {0.3095, 1}, {0.2895, -1}, {0.3105, -1}, {0.6, 2},
        {0.595, 2}, {0.45, -1},  {0.0, -1},   {0.005, -1},  {1.0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPaneStages::HitTestBoundary(stages, c.t), c.stage) << "t = " << c.t;
}

// A drag that would leave either stage under 0.03 leaves both as they were, with no partial
// move to the limit; otherwise the boundary goes exactly to t.
TEST(CPaneStagesDrag, RefusesToMakeAStageShorterThanThreeHundredths)
{
    const struct
    {
        const char* name;
        double t;
        bool moves;
        double boundary;
    } cases[] = {
        {"inside", 0.4, true, 0.4},
        {"previous stage at the limit", 0.03, true, 0.03},
        {"previous stage too short", 0.029, false, 0.3},
        {"next stage too short", 0.575, false, 0.3},
        {"past the next stage's end is held to it, and refused", 0.9, false, 0.3},
        {"before the session start", -0.5, false, 0.3},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CStages stages = ThreeStages();
        EXPECT_EQ(CPaneStages::DragBoundary(stages, 1, c.t), c.moves);
        EXPECT_DOUBLE_EQ(stages.GetStage(0).m_end, c.boundary);
        EXPECT_DOUBLE_EQ(stages.GetStage(1).m_start, c.boundary);
        EXPECT_DOUBLE_EQ(stages.GetStage(0).m_start, 0.0);
        EXPECT_DOUBLE_EQ(stages.GetStage(1).m_end, 0.6);
    }
    CStages stages = ThreeStages();
    EXPECT_FALSE(CPaneStages::DragBoundary(stages, 0, 0.1)) << "the session start has no boundary";
    EXPECT_FALSE(CPaneStages::DragBoundary(stages, 3, 0.1));
}

struct StagesFixture : ::testing::Test
{
    CVornaDoc doc;
    vtest::MessageSinkWindow parent;
    CPaneStages stages;

    void SetUp() override
    {
        doc.m_stages = ThreeStages();
        parent.resize(1000, 60);
        ASSERT_TRUE(stages.Create(&parent, ID_PANE_STAGES, QRect(0, 0, 1000, 27)));
        stages.SetDocument(&doc);
        parent.show();
    }
    void Move(int x) { QTest::mouseMove(&stages, QPoint(x, 12)); }
};

// A boundary drag is an edit: without the modified mark the save prompt would let it be lost.
TEST_F(StagesFixture, ADragWithTheMouseMovesTheBoundaryAndMarksTheSessionModifiedOnRelease)
{
    Move(305);
    EXPECT_EQ(stages.GetGrabbedStage(), 1);
    EXPECT_EQ(stages.cursor().shape(), Qt::BitmapCursor) << "the boundary cursor";
    QTest::mousePress(&stages, Qt::LeftButton, {}, QPoint(305, 12));
    Move(450);
    EXPECT_DOUBLE_EQ(doc.m_stages.GetStage(1).m_start, 0.45);
    EXPECT_DOUBLE_EQ(doc.m_stages.GetStage(0).m_end, 0.45);
    EXPECT_FALSE(doc.IsSessionModified()) << "marked on release";
    QTest::mouseRelease(&stages, Qt::LeftButton, {}, QPoint(450, 12));
    EXPECT_TRUE(doc.IsSessionModified());
    EXPECT_TRUE(parent.messages.empty()) << "the drag sends no message";

    Move(700);
    EXPECT_EQ(stages.GetGrabbedStage(), -1);
    EXPECT_EQ(stages.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(StagesFixture, APressAndReleaseThatMovesNothingLeavesTheSessionUnmodified)
{
    Move(600);
    ASSERT_EQ(stages.GetGrabbedStage(), 2);
    QTest::mousePress(&stages, Qt::LeftButton, {}, QPoint(600, 12));
    QTest::mouseRelease(&stages, Qt::LeftButton, {}, QPoint(600, 12));
    EXPECT_FALSE(doc.IsSessionModified()) << "a click on a boundary";

    // Pressing where there is no boundary drags nothing.
    Move(40); // no boundary here
    QTest::mousePress(&stages, Qt::LeftButton, {}, QPoint(40, 12));
    Move(200);
    QTest::mouseRelease(&stages, Qt::LeftButton, {}, QPoint(200, 12));
    EXPECT_FALSE(doc.IsSessionModified());
    EXPECT_DOUBLE_EQ(doc.m_stages.GetStage(0).m_end, 0.3);
}

TEST_F(StagesFixture, PaintsAtAnySizeAndWithAStageTooNarrowForItsName)
{
    doc.m_stages.GetStage(0).m_name = QStringLiteral("A name far longer than its stage could ever hold");
    for (const QSize size : {QSize(1000, 27), QSize(1, 27), QSize(0, 0), QSize(37, 3)})
    {
        stages.resize(size);
        stages.grab();
    }
}

} // namespace
