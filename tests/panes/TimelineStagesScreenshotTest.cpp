// Screenshots of the stages pane and the timeline over the new session's nine stages, for a
// reviewer to look at: the stages above where the tracks go, the timeline below them. The picture
// holds what the panes were told to draw: a separator at each stage's start, every stage's name,
// the cursor's frame, the pause mark and the hover bubble at their places.
#include "panes/CPaneStages.h"
#include "panes/CPaneTimeline.h"
#include "panes/CPaneVSplitter.h"

#include "MessageSinkWindow.h"
#include "controls/CommandIds.h"
#include "model/CVornaDoc.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace
{

/** Pixels of exactly @p colour in @p area of @p image. */
int CountColour(const QImage& image, const QRect& area, QColor colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

/** Pixels of @p area that differ from the same place of @p blank (text or marks drawn there). */
int CountChanged(const QImage& image, const QImage& blank, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) != blank.pixel(x, y) ? 1 : 0;
    return count;
}

TEST(TimelineStagesScreenshot, NineStagesWithCursorPauseMarkAndHover)
{
    CVornaDoc doc;
    ASSERT_EQ(doc.m_stages.GetCount(), 9);
    doc.m_sessionLength = 1800;
    doc.m_cursorPosition = 0.42;
    doc.m_isPaused = true;
    doc.m_pausePosition = 0.25; // apart from the cursor, so that each mark has its own columns
    doc.m_hoverPosition = 0.655;

    constexpr int kWidth = 1200, kGap = 60;
    vtest::MessageSinkWindow parent;
    parent.resize(kWidth + CPaneVSplitter::kWidth, 27 + kGap + 27);
    CPaneStages stages;
    CPaneTimeline timeline;
    CPaneVSplitter splitter;
    ASSERT_TRUE(stages.Create(&parent, ID_PANE_STAGES, QRect(0, 0, kWidth, 27)));
    ASSERT_TRUE(timeline.Create(&parent, ID_PANE_TIMELINE, QRect(0, 27 + kGap, kWidth, 27)));
    ASSERT_TRUE(splitter.Create(&parent, ID_PANE_VSPLITTER,
                                QRect(kWidth, 0, CPaneVSplitter::kWidth, parent.height())));
    stages.SetDocument(&doc);
    timeline.SetDocument(&doc);

    QImage shot(parent.size(), QImage::Format_RGB32);
    shot.fill(QColor(70, 70, 70));
    {
        QPainter p(&shot);
        p.drawPixmap(0, 0, stages.grab());
        p.drawPixmap(0, 27 + kGap, timeline.grab());
        p.drawPixmap(kWidth, 0, splitter.grab());
    }
    // The splitter's own pixels come from its bar art, not the parent's grey.
    EXPECT_NE(shot.pixel(kWidth + 1, 40), qRgb(70, 70, 70));

    // The same stages without their names: what the name boxes hold without text.
    CVornaDoc unnamed;
    for (int i = 0; i < unnamed.m_stages.GetCount(); ++i)
        unnamed.m_stages.GetStage(i).m_name.clear();
    stages.SetDocument(&unnamed);
    const QImage bareStages = stages.grab().toImage();
    stages.SetDocument(&doc);

    const QColor separator(200, 200, 200), frame(220, 220, 220), bubbleFill(70, 70, 70);
    for (int i = 0; i < doc.m_stages.GetCount(); ++i)
    {
        const CStage& stage = doc.m_stages.GetStage(i);
        const int x0 = static_cast<int>(stage.m_start * kWidth), x1 = static_cast<int>(stage.m_end * kWidth);
        if (i > 0)
        {
            EXPECT_EQ(CountColour(shot, QRect(x0, 3, 1, 27 - 8), separator), 27 - 8)
                << "separator of stage " << i;
        }
        EXPECT_GT(CountChanged(shot, bareStages, QRect(x0 + 4, 0, x1 - x0 - 8, 27 - 3)), 20)
            << "the name of stage " << i;
    }

    const int tl = 27 + kGap;
    const int c = CPaneTimeline::CursorFrameCentre(doc.m_cursorPosition, kWidth);
    for (int x : {c - 5, c + 4})
    {
        EXPECT_GE(CountColour(shot, QRect(x, tl + 4, 2, 27 - 8), frame), 27 - 8) << "cursor frame at " << x;
    }
    const int pause = static_cast<int>((kWidth - 1) * doc.m_pausePosition);
    const int dotted = CountColour(shot, QRect(pause, tl, 2, 27), frame);
    EXPECT_GT(dotted, 10) << "pause mark";
    EXPECT_LT(dotted, 2 * 27) << "the pause mark is dotted";
    // The bubble's dark fill around the hover time, and none of it where nothing hovers.
    const int hover = static_cast<int>(kWidth * doc.m_hoverPosition);
    EXPECT_GT(CountColour(shot, QRect(hover - 17, tl + 6, 34, 27 - 12), bubbleFill), 34 * 4)
        << "hover bubble";
    EXPECT_LT(CountColour(shot, QRect(kWidth * 9 / 10 - 17, tl + 6, 34, 27 - 12), bubbleFill), 34)
        << "no bubble away from the hover";
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + QStringLiteral("/stages-timeline-nine-stages.png")));
}

} // namespace
