// Screenshots of the stages pane and the timeline over the new session's nine stages, for a
// reviewer to look at: the stages above where the tracks go, the timeline below them.
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

TEST(TimelineStagesScreenshot, NineStagesWithCursorPauseMarkAndHover)
{
    CVornaDoc doc;
    ASSERT_EQ(doc.m_stages.GetCount(), 9);
    doc.m_sessionLength = 1800;
    doc.m_cursorPosition = 0.42;
    doc.m_isPaused = true;
    doc.m_pausePosition = 0.42;
    doc.m_hoverPosition = 0.655;

    constexpr int kWidth = 1200, kGap = 60;
    vtest::MessageSinkWindow parent;
    parent.resize(kWidth + CPaneVSplitter::kWidth, 27 + kGap + 27);
    CPaneStages stages;
    CPaneTimeline timeline;
    CPaneVSplitter splitter;
    ASSERT_TRUE(stages.Create(&parent, ID_PANE_STAGES, QRect(0, 0, kWidth, 27)));
    ASSERT_TRUE(timeline.Create(&parent, ID_PANE_TIMELINE, QRect(0, 27 + kGap, kWidth, 27)));
    ASSERT_TRUE(splitter.Create(&parent, ID_PANE_VSPLITTER, QRect(kWidth, 0, CPaneVSplitter::kWidth, parent.height())));
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
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + QStringLiteral("/stages-timeline-nine-stages.png")));
}

} // namespace
