#include "model/CBilateralLocal.h"
#include "model/CBilateralGlobal.h"

#include "RecordBytes.h"
#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// 400 frames a second at 240 cycles a minute: a period of exactly 100 frames, so
// a = 0.5 at offset 0, 1 at 25 and 0 at 75.
constexpr std::uint32_t kRate = 400;

struct Gains
{
    double left;
    double right;
};

void Prepare(CBilateralLocal& local, CBilateralGlobal& global, double depth)
{
    global.m_property.SetValue(240.0);
    local.SetDefaults();
    local.m_enabled = true;
    local.m_depth.SetValue(depth);
}

// Renders @p frames frames from the start of the session-wide clock, as the engine does.
std::vector<Gains> Render(CBilateralLocal& local, CBilateralGlobal& global, std::uint32_t frames)
{
    global.StartClock(0, kRate, 100000);
    local.Setup(&global, 0, kRate, 0, 100000);
    std::vector<Gains> out;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        Gains g{1.0, 1.0};
        local.Process(g.left, g.right);
        out.push_back(g);
        global.AdvanceClock();
    }
    return out;
}

} // namespace

// The panning law with its options; a wrong order of cubing and inverting, or a
// missing doubling, changes a row.
TEST(CBilateralLocal, GainsOfThePanningLaw)
{
    struct Case
    {
        const char* name;
        double depth;
        bool cubic, invert;
        std::uint32_t offset;
        double left, right;
    };
    const Case cases[] = {
        {"depth 0 is gain 1", 0, false, false, 25, 1.0, 1.0},
        {"depth 0 cubed: 0.5 cubed, doubled", 0, true, false, 25, 0.25, 0.25},
        {"depth 0 cubed then inverted", 0, true, true, 25, 1.0, 1.0},
        {"depth 100 at a = 1: all left", 100, false, false, 25, 1.0, 0.0},
        {"depth 100 at a = 0: all right", 100, false, false, 75, 0.0, 1.0},
        {"depth 100 at a = 0.5: centre", 100, false, false, 0, 1.0, 1.0},
        {"depth 100 inverted at a = 1: all right", 100, false, true, 25, 0.0, 1.0},
        {"depth 50 at a = 1", 50, false, false, 25, 1.0, 0.5},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBilateralGlobal global;
        CBilateralLocal local;
        Prepare(local, global, c.depth);
        local.m_cubic = c.cubic;
        local.m_invert = c.invert;
        const Gains g = Render(local, global, c.offset + 1).back();
        EXPECT_NEAR(g.left, c.left, 1e-12);
        EXPECT_NEAR(g.right, c.right, 1e-12);
    }
}

TEST(CBilateralLocal, DisabledLeavesSamplesAndFrameAlone)
{
    CBilateralGlobal global;
    CBilateralLocal local;
    Prepare(local, global, 100);
    local.m_enabled = false;
    global.StartClock(0, kRate, 1000);
    local.Setup(&global, 25, kRate, 0, 1000);
    double left = 0.25, right = 0.5;
    local.Process(left, right);
    EXPECT_EQ(left, 0.25);
    EXPECT_EQ(right, 0.5);
    EXPECT_EQ(local.GetFrame(), 25u);
}

// A delay of 10 is a tenth of a second: 40 frames here. Until the line has been filled
// it gives back zeros, which stand for the centre; then it replays the sweep 40 frames
// late.
TEST(CBilateralLocal, DelayedSweepStartsCentredAndReplaysLate)
{
    CBilateralGlobal global;
    CBilateralLocal plain, delayed;
    Prepare(plain, global, 100);
    Prepare(delayed, global, 100);
    delayed.m_delay.SetValue(10.0);
    const std::vector<Gains> direct = Render(plain, global, 400);
    const std::vector<Gains> late = Render(delayed, global, 400);
    EXPECT_EQ(delayed.GetDelayFrames(), 40u);
    for (std::uint32_t i = 0; i < 40; ++i)
    {
        ASSERT_EQ(late[i].left, 1.0) << i;
        ASSERT_EQ(late[i].right, 1.0) << i;
    }
    for (std::uint32_t i = 40; i < 400; ++i)
    {
        ASSERT_NEAR(late[i].left, direct[i - 40].left, 1e-12) << i;
        ASSERT_NEAR(late[i].right, direct[i - 40].right, 1e-12) << i;
    }
}

// A playback used to inherit the previous playback's delay and samples when its own
// delay started at 0 and rose later. Every Setup now starts the line afresh.
TEST(CBilateralLocal, EveryPlaybackBehavesLikeTheFirst)
{
    CGraph rising; // delay 0 at the start, rising to 10 over the segment
    rising.SetPoint(0, {0.0, 0.0});
    rising.SetPoint(1, {1.0, 1.0});

    CBilateralGlobal global;
    CBilateralLocal fresh, reused;
    for (CBilateralLocal* local : {&fresh, &reused})
    {
        Prepare(*local, global, 100);
        local->m_cubic = true;
    }
    reused.m_delay.SetValue(5.0);
    Render(reused, global, 300); // an earlier playback with a 20-frame delay
    reused.m_delay.SetGraph(rising);
    fresh.m_delay.SetGraph(rising);

    const auto run = [&](CBilateralLocal& local)
    {
        global.StartClock(0, kRate, 1000);
        local.Setup(&global, 0, kRate, 0, 1000);
        std::vector<double> out;
        for (std::uint32_t i = 0; i < 1000; ++i)
        {
            double left = 1.0, right = 1.0;
            local.Process(left, right);
            out.push_back(left);
            out.push_back(right);
            global.AdvanceClock();
        }
        return out;
    };
    const std::vector<double> first = run(reused);
    const std::vector<double> second = run(reused);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, run(fresh));

    // With a constant positive delay the second run must not start from the first one's
    // samples either.
    reused.m_delay.SetValue(7.0);
    const std::vector<double> delayedFirst = run(reused);
    EXPECT_EQ(delayedFirst, run(reused));
    EXPECT_NE(delayedFirst, first);
}

// The delay comes from the file unchecked: a huge one must not size the line to
// gigabytes, a negative one must not become a huge unsigned count.
TEST(CBilateralLocal, DelayIsHeldToOneSecond)
{
    struct Case
    {
        double delay;
        unsigned long frames;
    };
    const Case cases[] = {{1e12, 48000}, {100.0, 48000}, {-5.0, 0}, {0.0, 0}, {2.5, 1200}, {10.0, 4800}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.delay);
        CBilateralGlobal global;
        CBilateralLocal local;
        Prepare(local, global, 100);
        local.m_delay.SetValue(c.delay);
        global.StartClock(0, 48000, 480000);
        local.Setup(&global, 0, 48000, 0, 480000);
        EXPECT_EQ(local.GetDelayFrames(), c.frames);
        double left = 1.0, right = 1.0;
        for (int i = 0; i < 10; ++i)
            local.Process(left, right);
        EXPECT_TRUE(std::isfinite(left));
    }
}

TEST(CBilateralLocal, OwnRateFollowsItsOwnClock)
{
    CBilateralLocal local;
    local.SetDefaults();
    local.m_enabled = true;
    local.m_ownRate = true;
    local.m_rate.SetValue(240.0); // 4 per second: 100 frames at 400 Hz
    local.Setup(nullptr, 1000, kRate, 1000, 2000);
    std::vector<double> lefts;
    for (int i = 0; i < 200; ++i)
    {
        double left = 1.0, right = 1.0;
        local.Process(left, right);
        lefts.push_back(left);
    }
    EXPECT_NEAR(lefts[0], 1.0, 1e-12);  // centre
    EXPECT_NEAR(lefts[75], 0.0, 1e-12); // all right
    EXPECT_NEAR(lefts[175], 0.0, 1e-12);
}

TEST(CBilateralLocal, CopyFromCopiesEverySetting)
{
    CBilateralLocal source;
    source.SetDefaults();
    source.m_enabled = true;
    source.m_depth.SetValue(30);
    source.m_delay.SetValue(4);
    source.m_invert = true;
    source.m_cubic = true;
    source.m_ownRate = true;
    source.m_rate.SetValue(90);
    CBilateralLocal copy;
    copy.SetDefaults();
    copy.CopyFrom(source);
    plat::Archive a = plat::Archive::ForStoring(400);
    plat::Archive b = plat::Archive::ForStoring(400);
    source.Serialize(a);
    copy.Serialize(b);
    EXPECT_EQ(a.GetBytes(), b.GetBytes());
}

TEST(CBilateralLocal, CurrentRecordIsByteExact)
{
    CBilateralLocal local;
    local.SetDefaults();
    local.m_invert = true;
    local.m_delay.SetValue(2.5);
    plat::Archive out = plat::Archive::ForStoring(400);
    local.Serialize(out);
    ASSERT_EQ(out.GetBytes().size(), 316u);

    plat::Archive expected = plat::Archive::ForStoring();
    expected.WriteFlag(false); // enabled
    expected.WriteFlag(true);  // invert
    expected.WriteFlag(false); // cubic
    expected.WriteFlag(false); // own rate
    vtest::PutConstantProperty(expected, 0, 100, 100);
    vtest::PutConstantProperty(expected, 0, 10, 2.5);
    vtest::PutConstantProperty(expected, 1, 1200, 60);
    EXPECT_EQ(out.GetBytes(), expected.GetBytes());

    plat::Archive in = plat::Archive::ForLoading(out.GetBytes(), 400);
    CBilateralLocal loaded;
    loaded.SetDefaults();
    loaded.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_TRUE(loaded.m_invert);
    EXPECT_EQ(loaded.m_delay.GetValue(), 2.5);
}

// Old files: depth as a fraction (x 100) and the delay as a plain double in units ten
// times larger (x 10), which becomes a constant without touching the delay's graph.
TEST(CBilateralLocal, RecordOfOldFilesScalesDepthAndDelay)
{
    plat::Archive old = plat::Archive::ForStoring();
    old.WriteFlag(true);
    vtest::PutOldDoubleProperty(old, 0.8, false);
    old.WriteDouble(0.3);
    old.WriteFlag(false);
    old.WriteFlag(true);
    old.WriteFlag(true);
    vtest::PutOldDoubleProperty(old, 75.0, false);

    CBilateralLocal local;
    local.SetDefaults();
    CGraph drawn;
    drawn.SetConstant(0.7);
    local.m_delay.SetGraph(drawn);

    plat::Archive in = plat::Archive::ForLoading(old.GetBytes(), 399);
    local.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_TRUE(local.m_enabled);
    EXPECT_DOUBLE_EQ(local.m_depth.GetValue(), 80.0);
    EXPECT_EQ(local.m_delay.GetMode(), 0);
    EXPECT_DOUBLE_EQ(local.m_delay.GetValue(), 3.0);
    EXPECT_DOUBLE_EQ(local.m_delay.GetGraph().GetValueAt(0.5), 0.7);
    EXPECT_FALSE(local.m_invert);
    EXPECT_TRUE(local.m_cubic);
    EXPECT_TRUE(local.m_ownRate);
    EXPECT_EQ(local.m_rate.GetValue(), 75.0);

    plat::Archive broken = plat::Archive::ForStoring();
    broken.WriteFlag(true);
    vtest::PutOldDoubleProperty(broken, 0.8, false);
    broken.WriteDouble(std::nan(""));
    plat::Archive bad = plat::Archive::ForLoading(broken.GetBytes(), 300);
    EXPECT_THROW(local.Serialize(bad), plat::ArchiveError);
}
