#include "panes/CPaneTimeline.h"

#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "model/CVornaDoc.h"
#include "support/RecordingView.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

constexpr QRgb kFrame = qRgb(220, 220, 220);

struct TimelineFixture : ::testing::Test
{
    CVornaDoc doc;
    vtest::RecordingView parent;
    CPaneTimeline timeline;

    void SetUp() override
    {
        parent.resize(1000, 100);
        ASSERT_TRUE(timeline.Create(&parent, ID_PANE_TIMELINE, QRect(0, 10, 1000, 27)));
        timeline.SetDocument(&doc);
        timeline.SetView(&parent);
        parent.show();
    }

    void Press(int x) { QTest::mousePress(&timeline, Qt::LeftButton, {}, QPoint(x, 12)); }
    void Drag(int x) { QTest::mouseMove(&timeline, QPoint(x, 12)); }
    void Release(int x) { QTest::mouseRelease(&timeline, Qt::LeftButton, {}, QPoint(x, 12)); }
    int Restarts() const { return parent.Count(WM_APP_RESTART_PLAYBACK); }
};

// The labels read whole seconds: a tick time of i / 50 of the length must not come out a second
// early through rounding, and the ends show the start and the whole length.
TEST(CPaneTimelineLabels, EveryFifthTickOfAFiveMinuteSession)
{
    const char* expected[] = {"00:30", "01:00", "01:30", "02:00", "02:30",
                              "03:00", "03:30", "04:00", "04:30"};
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(CPaneTimeline::TickLabel(5 * k, 300), QString::fromLatin1(expected[k - 1]))
            << "tick " << 5 * k;
    for (int i : {0, 1, 4, 6, 49, 50})
        EXPECT_TRUE(CPaneTimeline::TickLabel(i, 300).isEmpty()) << "tick " << i;
    EXPECT_EQ(CPaneTimeline::EndLabel(300), "05:00");
    EXPECT_EQ(CPaneTimeline::EndLabel(0), "00:00");
    EXPECT_EQ(CPaneTimeline::EndLabel(3599), "59:59");
    EXPECT_EQ(CPaneTimeline::FormatTime(59.99), "00:59");
    EXPECT_EQ(CPaneTimeline::FormatTime(125.5), "02:05");
    // Tick 15 of 300 s is 90 s; i / 50.0 * 300 would give 89.99999... in a careless evaluation.
    EXPECT_EQ(CPaneTimeline::TickLabel(15, 300), "01:30");
    EXPECT_EQ(CPaneTimeline::TickLabel(35, 300), "03:30");
}

TEST_F(TimelineFixture, PressAtTheLeftEdgeSetsTheCursorToZeroAndSendsNothingWhenIdle)
{
    doc.m_cursorPosition = 0.7;
    Press(0);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.0);
    Drag(250);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.25);
    // Held to the pane while the mouse wanders past either end.
    Drag(-40);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.0);
    Drag(1400);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 999.0 / 1000.0);
    Release(1400);
    EXPECT_FALSE(timeline.IsSeeking());
    EXPECT_EQ(Restarts(), 0);
}

// A press restarts at once; a release where the press was does not restart twice; a drag
// elsewhere restarts once more on release.
TEST_F(TimelineFixture, WhilePlayingAPressAndAChangedReleaseEachRestartOnce)
{
    doc.m_isPlaying = true;
    Press(400);
    EXPECT_EQ(Restarts(), 1);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.4);
    Release(400);
    EXPECT_EQ(Restarts(), 1);

    Press(100);
    EXPECT_EQ(Restarts(), 2);
    Drag(300);
    Drag(600);
    EXPECT_EQ(Restarts(), 2) << "moves while seeking restart nothing";
    Release(600);
    EXPECT_EQ(Restarts(), 3);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.6);
    EXPECT_EQ(parent.messages.size(), 3u) << "nothing but restarts";
}

TEST_F(TimelineFixture, ALiveRecordingIgnoresPressAndRelease)
{
    doc.m_isPlaying = true;
    doc.m_isLive = true;
    doc.m_cursorPosition = 0.1;
    Press(500);
    Drag(700);
    Release(700);
    EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.1);
    EXPECT_FALSE(timeline.IsSeeking());
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(TimelineFixture, HoverFollowsTheMouseAndClearsOnLeave)
{
    QTest::mouseMove(&timeline, QPoint(333, 10));
    EXPECT_NEAR(doc.m_hoverPosition, 333.0 / 999.0, 1e-12);
    QEvent leave(QEvent::Leave);
    ui::SetCursorPos(parent.mapToGlobal(QPoint(500, 80)));
    QCoreApplication::sendEvent(&timeline, &leave);
    EXPECT_DOUBLE_EQ(doc.m_hoverPosition, -1.0);
}

int FrameColumns(const QImage& image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += image.pixel(x, y) == kFrame ? 1 : 0;
    return n;
}

// The cursor frame never starts left of x = 0 and ends at the last column; the pause mark shows
// only when paused, the hover bubble only with a hover position.
TEST_F(TimelineFixture, GrabShowsCursorFramePauseMarkAndBubbleWhereTheyBelong)
{
    doc.m_hoverPosition = -1.0;
    doc.m_cursorPosition = 0.0;
    QImage image = timeline.grab().toImage();
    // Centre max(0, 5) = 5: the frame's outer columns are 0 and 9.
    EXPECT_EQ(image.pixel(0, 13), kFrame);
    EXPECT_EQ(image.pixel(9, 13), kFrame);
    EXPECT_NE(image.pixel(5, 13), kFrame);

    doc.m_cursorPosition = 1.0;
    image = timeline.grab().toImage();
    const int c = 999;
    EXPECT_EQ(image.pixel(c - 5, 13), kFrame);
    EXPECT_EQ(image.pixel(c - 3, 13), kFrame) << "the frame's left side is three pixels wide";
    EXPECT_NE(image.pixel(c - 6, 13), kFrame);

    doc.m_cursorPosition = 0.5;
    const int plain = FrameColumns(timeline.grab().toImage(), 12);
    doc.m_isPaused = true;
    doc.m_pausePosition = 0.2;
    image = timeline.grab().toImage();
    const int x = int(999 * 0.2);
    int marked = 0;
    for (int y = 0; y < 27; ++y)
        marked += (image.pixel(x, y) == kFrame || image.pixel(x + 1, y) == kFrame) ? 1 : 0;
    EXPECT_GT(marked, 5) << "dotted pause mark at x " << x;
    doc.m_isPaused = false;
    EXPECT_EQ(FrameColumns(timeline.grab().toImage(), 12), plain);

    const QRgb bubble = qRgb(70, 70, 70);
    EXPECT_NE(timeline.grab().toImage().pixel(700, 20), bubble);
    doc.m_hoverPosition = 0.7;
    EXPECT_EQ(timeline.grab().toImage().pixel(700 - 12, 20), bubble);
}

// A session of no length and panes of width 0 or 1 must not divide by zero or draw out of place.
TEST_F(TimelineFixture, DegenerateSizesAndLengthsPaintAndSeekSafely)
{
    doc.m_sessionLength = 0;
    doc.m_hoverPosition = 0.5;
    EXPECT_FALSE(timeline.grab().isNull());
    for (int w : {1, 0})
    {
        timeline.resize(w, 27);
        timeline.grab();
        Press(0);
        Release(0);
        EXPECT_DOUBLE_EQ(doc.m_cursorPosition, 0.0);
    }
    timeline.resize(1000, 0);
    timeline.grab();
}

TEST(CPaneTimelineCreate, FailsWithoutItsBackground)
{
    ui::ScopedResourceFailure missing(ui::ResourceKind::Bitmap, CPaneTimeline::kBackgroundBitmap);
    ui::Window parent;
    CPaneTimeline timeline;
    EXPECT_FALSE(timeline.Create(&parent, ID_PANE_TIMELINE, QRect(0, 0, 100, 27)));
}

} // namespace
