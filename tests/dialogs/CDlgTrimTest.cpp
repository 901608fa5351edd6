// The waveform selector with real mouse events: bound drags, ruler seeks, and what it paints.
#include "dialogs/looptool/CDlgTrim.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <utility>
#include <vector>

namespace
{

/** The loop tool's side: records the selector's calls. */
struct Recorder : dlg::TrimEvents
{
    std::vector<std::pair<double, double>> selections;
    std::vector<float> positions;

    void TrimSelection(double from, double to) override { selections.emplace_back(from, to); }
    void TrimPosition(float position) override { positions.push_back(position); }
};

/** A one-second 220 Hz sine at 44100 Hz, stereo. */
std::vector<CStereoFrame> Sine(std::uint32_t frames)
{
    std::vector<CStereoFrame> f(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        f[i].left = f[i].right = 0.8f * float(std::sin(2 * M_PI * 220 * i / 44100.0));
    return f;
}

class TrimTest : public ::testing::Test
{
protected:
    TrimTest()
    {
        parent.resize(420, 140);
        trim = new CDlgTrim(&parent, &events);
        trim->setGeometry(10, 10, 400, 120);
        parent.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    /** The pixel of a fraction of the wave's width, in the wave's middle row. */
    QPoint WaveAt(double fraction) const
    {
        const QRect w = trim->WaveRect();
        return QPoint(w.x() + int(std::trunc(w.width() * fraction)), w.y() + w.height() / 2);
    }
    void Press(QPoint p) { QTest::mousePress(trim, Qt::LeftButton, Qt::NoModifier, p); }
    void Move(QPoint p) { QTest::mouseMove(trim, p); }
    void Release(QPoint p) { QTest::mouseRelease(trim, Qt::LeftButton, Qt::NoModifier, p); }

    Recorder events; // outlives the selector, which the parent deletes
    QWidget parent;
    CDlgTrim* trim = nullptr;
    std::vector<CStereoFrame> frames = Sine(44100);
};

} // namespace

// Dragging the start bound past the end swaps them: the tool always hears start <= end, and the
// drag goes on with the edge the user holds, which is now the end bound.
TEST_F(TrimTest, DraggingABoundPastTheOtherSwapsThem)
{
    trim->SetSource(0.2, 0.5, 44100, frames);
    Press(WaveAt(0.2) + QPoint(3, 0)); // within 4 pixels of the start bound
    Move(WaveAt(0.8));
    EXPECT_NEAR(trim->GetSelStart(), 0.5, 1e-12);
    EXPECT_NEAR(trim->GetSelEnd(), 0.8, 0.01);
    Move(WaveAt(0.9));
    EXPECT_NEAR(trim->GetSelStart(), 0.5, 1e-12);
    EXPECT_NEAR(trim->GetSelEnd(), 0.9, 0.01);
    Move(WaveAt(0.1));
    EXPECT_NEAR(trim->GetSelStart(), 0.1, 0.01);
    EXPECT_NEAR(trim->GetSelEnd(), 0.5, 1e-12);
    Move(QPoint(trim->width() + 50, WaveAt(0).y())); // past the right end: the last column
    Release(QPoint(trim->width() + 50, WaveAt(0).y()));
    EXPECT_EQ(trim->GetSelEnd(), 1.0);
    ASSERT_GE(events.selections.size(), 4u);
    for (const auto& [start, end] : events.selections)
        EXPECT_LE(start, end);
    EXPECT_EQ(events.selections.back(), std::make_pair(trim->GetSelStart(), trim->GetSelEnd()));
}

// A press farther than 4 pixels from both bounds picks none: moving then changes nothing.
TEST_F(TrimTest, PressAwayFromTheBoundsMovesNothing)
{
    trim->SetSource(0.2, 0.5, 44100, frames);
    Press(WaveAt(0.2) + QPoint(6, 0));
    Move(WaveAt(0.7));
    Release(WaveAt(0.7));
    EXPECT_EQ(trim->GetSelStart(), 0.2);
    EXPECT_EQ(trim->GetSelEnd(), 0.5);
    EXPECT_TRUE(events.selections.empty());
}

// The ruler seeks to d / width: never 1 past its right end (the last pixel), 0 past its left end.
TEST_F(TrimTest, RulerSeeksWithinTheSource)
{
    trim->SetSource(0.05, 0.95, 44100, frames);
    const QRect ruler = trim->RulerRect();
    const int y = ruler.y() + 10;
    Press(QPoint(ruler.x() + 100, y));
    ASSERT_EQ(events.positions.size(), 1u);
    EXPECT_FLOAT_EQ(events.positions.back(), 100.0f / ruler.width());
    Move(QPoint(ruler.right() + 60, y));
    EXPECT_FLOAT_EQ(events.positions.back(), float(ruler.width() - 1) / ruler.width());
    EXPECT_EQ(trim->GetPlayPos(), ruler.width() - 1);
    Move(QPoint(-30, y));
    EXPECT_EQ(events.positions.back(), 0.0f);
    Release(QPoint(-30, y));
    EXPECT_TRUE(events.selections.empty());
}

// Painted: a silent source is a flat line on the centre row; a sine fills the wave's height; the
// band marks the selection.
TEST_F(TrimTest, SilentSourceDrawsAFlatLine)
{
    const std::vector<CStereoFrame> silence(44100);
    trim->SetSource(0.25, 0.75, 44100, silence);
    const QRect wave = trim->WaveRect();
    const int centre = wave.y() + wave.height() / 2;
    QImage image = trim->grab().toImage();
    const QRgb line = qRgb(200, 210, 220);
    for (double f : {0.1, 0.5, 0.9})
    {
        SCOPED_TRACE(f);
        const int x = WaveAt(f).x();
        EXPECT_EQ(image.pixel(x, centre), line);
        EXPECT_NE(image.pixel(x, centre - 3), line);
        EXPECT_NE(image.pixel(x, centre + 3), line);
    }
    EXPECT_EQ(image.pixel(WaveAt(0.1).x(), wave.y() + 5), qRgb(39, 54, 61));
    EXPECT_EQ(image.pixel(WaveAt(0.5).x(), wave.y() + 5), qRgb(100, 110, 120));

    trim->SetSource(0.25, 0.75, 44100, frames);
    image = trim->grab().toImage();
    EXPECT_EQ(image.pixel(WaveAt(0.5).x(), centre - wave.height() / 2 + 2), line);

    trim->Clear();
    image = trim->grab().toImage();
    EXPECT_EQ(image.pixel(WaveAt(0.5).x(), centre), qRgb(39, 54, 61));
}

// A window one pixel wide has no span to spread the source over: it paints its background and
// moves no bound.
TEST_F(TrimTest, OnePixelWideWindowDrawsOnlyItsBackground)
{
    trim->setGeometry(10, 10, 5, 120);
    trim->SetSource(0.2, 0.5, 44100, frames);
    EXPECT_EQ(trim->WaveRect().width(), 1);
    (void)trim->grab();
    Press(QPoint(2, 20));
    Move(QPoint(3, 20));
    Release(QPoint(3, 20));
    EXPECT_EQ(trim->GetSelStart(), 0.2);
}

// The ruler's labels: mm:ss of tick / 25 of the whole seconds, the total in brackets.
TEST(CDlgTrimRuler, LabelsInWholeSeconds)
{
    struct Case
    {
        int tick;
        int total;
        const char* text;
    };
    const Case cases[] = {
        {5, 42, "00:08"}, {10, 42, "00:16"}, {20, 42, "00:33"}, {5, 600, "02:00"}, {15, 3725, "37:15"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDlgTrim::TickLabel(c.tick, c.total), QString::fromLatin1(c.text))
            << c.tick << " " << c.total;
    EXPECT_EQ(CDlgTrim::LengthLabel(42), QStringLiteral("[00:42]"));
    EXPECT_EQ(CDlgTrim::LengthLabel(3725), QStringLiteral("[62:05]"));
}

// The peak near a frame: every 100th frame from 500 before to 500 after it, clipped to the source.
TEST(CDlgTrimPeak, WindowClippedAtTheEnds)
{
    std::vector<CStereoFrame> f(2000);
    f[0].left = -0.3f;
    f[100].right = 0.4f;
    f[150].left = 0.9f; // only windows starting at 50, 150, ... step on it
    f[1999].right = -0.7f;
    struct Case
    {
        std::int64_t centre;
        float left, right;
    };
    const Case cases[] = {
        {0, 0.3f, 0.4f},    // 0 .. 500, clipped at the start
        {100, 0.3f, 0.4f},  // 0 .. 600
        {550, 0.9f, 0.0f},  // 50 .. 1050: 150 is a step, 0 and 100 are not
        {1999, 0.0f, 0.7f}, // 1499 .. 1999, clipped at the end: the last frame is a step
        {1600, 0.0f, 0.0f}, // 1100 .. 1999 by 100: 1999 is not a step
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.centre);
        float l = -1, r = -1;
        CDlgTrim::PeakNear(f, c.centre, l, r);
        EXPECT_EQ(l, c.left);
        EXPECT_EQ(r, c.right);
    }
    float l = -1, r = -1;
    CDlgTrim::PeakNear({}, 0, l, r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
}
