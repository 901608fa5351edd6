#include "model/CBrainwavesLocal.h"
#include "model/CBrainwavesGlobal.h"

#include "RecordBytes.h"
#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

// 400 frames a second and a 2 Hz beat make a period of exactly 200 frames, so a phase p
// is reached at frame 200 p after the clock's start.
constexpr std::uint32_t kRate = 400;
constexpr std::uint32_t kPeriod = 200;

struct Gains
{
    double left;
    double right;
};

// The gains of one frame @p offset frames after the start of the session-wide clock.
Gains GainsAt(CBrainwavesLocal& local, CBrainwavesGlobal& global, std::int64_t offset)
{
    const std::uint32_t start = 1000;
    global.StartClock(start, kRate, 100000);
    local.Setup(&global, static_cast<std::uint32_t>(start + offset), kRate, 0, 100000);
    Gains g{1.0, 1.0};
    local.Process(g.left, g.right);
    return g;
}

void Prepare(CBrainwavesLocal& local, CBrainwavesGlobal& global, std::int32_t method, double depth)
{
    global.m_property.SetValue(2.0);
    local.SetDefaults();
    local.m_enabled = true;
    local.m_method = method;
    local.m_depth.SetValue(depth);
}

} // namespace

// Each row is a law or a guard that a wrong sign, a swapped channel or a missing check
// would break; the offset chooses the phase (0: a = 0.5; 50: a = 1; 150: a = 0).
TEST(CBrainwavesLocal, GainsOfEachMethod)
{
    struct Case
    {
        const char* name;
        std::int32_t method;
        double depth;
        std::int64_t offset;
        bool trueBinaural;
        double left, right;
    };
    const Case cases[] = {
        {"binaural depth 100 at a = 1", 0, 100, 50, false, 1.0, 0.0},
        {"binaural depth 100 at a = 0", 0, 100, 150, false, 0.0, 1.0},
        {"binaural depth 40 at a = 0.5", 0, 40, 0, false, 0.8, 0.8},
        {"binaural depth 0 is gain 1", 0, 0, 150, false, 1.0, 1.0},
        {"true binaural passes the samples through", 0, 100, 50, true, 1.0, 1.0},
        {"true binaural only concerns method 0", 1, 100, 150, true, 0.0, 0.0},
        {"monaural depth 100 at a = 1", 1, 100, 50, false, 1.0, 1.0},
        {"monaural depth 100 at a = 0", 1, 100, 150, false, 0.0, 0.0},
        {"monaural depth 50 at a = 0.5", 1, 50, 0, false, 0.75, 0.75},
        {"isochronic on at p = 0.25", 2, 100, 50, false, 1.0, 1.0},
        {"isochronic off at p = 0.75", 2, 60, 150, false, 0.4, 0.4},
        {"method outside the list changes nothing", 7, 100, 150, false, 1.0, 1.0},
        {"negative method changes nothing", -1, 100, 150, false, 1.0, 1.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBrainwavesGlobal global;
        CBrainwavesLocal local;
        Prepare(local, global, c.method, c.depth);
        local.SetTrueBinaural(c.trueBinaural);
        const Gains g = GainsAt(local, global, c.offset);
        EXPECT_NEAR(g.left, c.left, 1e-12);
        EXPECT_NEAR(g.right, c.right, 1e-12);
    }
}

TEST(CBrainwavesLocal, DisabledLeavesSamplesAndFrameAloneButUnknownMethodStepsTheFrame)
{
    CBrainwavesGlobal global;
    CBrainwavesLocal local;
    Prepare(local, global, 1, 100);
    local.m_enabled = false;
    global.StartClock(0, kRate, 1000);
    local.Setup(&global, 150, kRate, 0, 1000);
    double left = 0.3, right = -0.7;
    local.Process(left, right);
    EXPECT_EQ(left, 0.3);
    EXPECT_EQ(right, -0.7);
    EXPECT_EQ(local.GetFrame(), 150u);

    local.m_enabled = true;
    local.m_method = 9;
    local.Process(left, right);
    EXPECT_EQ(left, 0.3);
    EXPECT_EQ(local.GetFrame(), 151u);
}

// The pulse for each duty: rises over the first fifth of the duty share, stays on, falls
// over the last fifth, then stays off; at depth 100 the gain is the envelope itself.
TEST(CBrainwavesLocal, IsochronicEnvelopeForEachDuty)
{
    struct Point
    {
        std::int64_t offset; // frames after the cycle start; the period is 200
        double envelope;
    };
    struct Case
    {
        const char* name;
        std::int32_t method;
        std::vector<Point> points;
    };
    const Case cases[] = {
        {"duty 0.5",
         2,
         {{-20, 0}, {0, 0}, {10, 0.5}, {20, 1}, {50, 1}, {80, 1}, {90, 0.5}, {100, 0}, {150, 0}, {199, 0}}},
        {"duty 0.75 (wide)",
         3,
         {{0, 0}, {15, 0.5}, {30, 1}, {100, 1}, {120, 1}, {135, 0.5}, {150, 0}, {170, 0}}},
        {"duty 0.25 (narrow)", 4, {{0, 0}, {5, 0.5}, {10, 1}, {40, 1}, {45, 0.5}, {50, 0}, {100, 0}}},
    };
    for (const Case& c : cases)
    {
        for (const Point& pt : c.points)
        {
            SCOPED_TRACE(std::string(c.name) + " at frame " + std::to_string(pt.offset));
            CBrainwavesGlobal global;
            CBrainwavesLocal local;
            Prepare(local, global, c.method, 100);
            const Gains g = GainsAt(local, global, pt.offset);
            EXPECT_NEAR(g.left, pt.envelope, 1e-9);
            EXPECT_EQ(g.left, g.right);
        }
    }
}

// The own clock adds the unrounded period at every boundary, so after many cycles of a
// period of 133.33 frames the phase still follows the continuous sine; cutting the
// period to whole frames would drift by a third of a frame per cycle.
TEST(CBrainwavesLocal, OwnClockAccumulatesUnroundedPeriods)
{
    CBrainwavesLocal local;
    local.SetDefaults();
    local.m_enabled = true;
    local.m_method = CBrainwavesLocal::kMethodMonaural;
    local.m_depth.SetValue(100);
    local.m_ownFrequency = true;
    local.m_frequency.SetValue(3.0);
    const std::uint32_t start = 5000;
    local.Setup(nullptr, start, kRate, start, start + 4000);
    const double period = (1.0 / 3.0) * kRate;
    double worst = 0.0;
    for (std::uint32_t k = 0; k < 4000; ++k)
    {
        double left = 1.0, right = 1.0;
        local.Process(left, right);
        const double expected = (std::sin(2.0 * kPi * std::fmod(k / period, 1.0)) + 1.0) / 2.0;
        worst = std::max(worst, std::abs(left - expected));
    }
    EXPECT_LT(worst, 1e-9);
}

// A segment that starts and ends on the same frame (the factory makes them) used to
// divide by zero; NaN then hung the graph lookup.
TEST(CBrainwavesLocal, ZeroLengthSegmentGivesFiniteGains)
{
    CBrainwavesGlobal global;
    CBrainwavesLocal local;
    Prepare(local, global, 0, 100);
    CGraph rising;
    rising.SetPoint(0, {0.0, 0.0});
    rising.SetPoint(1, {1.0, 1.0});
    local.m_depth.SetGraph(rising);
    global.StartClock(0, kRate, 1000);
    struct Span
    {
        std::uint32_t frame, first, end;
    };
    // Same first and end frame; a frame before the first (unsigned subtraction would wrap);
    // an end before the first.
    for (const Span& s : {Span{10, 10, 10}, Span{5, 10, 10}, Span{0, 20, 10}})
    {
        local.Setup(&global, s.frame, kRate, s.first, s.end);
        double left = 1.0, right = 1.0;
        local.Process(left, right);
        EXPECT_TRUE(std::isfinite(left));
        EXPECT_TRUE(std::isfinite(right));
    }
}

// A 0 Hz own frequency holds the pulse quietly and picks the setting up again at once.
TEST(CBrainwavesLocal, OwnFrequencyOfZeroResumesWhenItRises)
{
    CBrainwavesLocal local;
    local.SetDefaults();
    local.m_enabled = true;
    local.m_method = CBrainwavesLocal::kMethodBinaural;
    local.m_depth.SetValue(100);
    local.m_ownFrequency = true;
    local.m_frequency.SetValue(0.0);
    local.Setup(nullptr, 0, kRate, 0, 10000);
    for (int k = 0; k < 50; ++k)
    {
        double left = 1.0, right = 1.0;
        local.Process(left, right);
        ASSERT_NEAR(left, 0.5, 1e-12); // phase held at 0
        ASSERT_NEAR(right, 0.5, 1e-12);
    }
    local.m_frequency.SetValue(2.0);
    std::vector<double> lefts;
    for (std::uint32_t k = 0; k < kPeriod; ++k)
    {
        double left = 1.0, right = 1.0;
        local.Process(left, right);
        lefts.push_back(left);
    }
    EXPECT_NEAR(lefts[0], 0.5, 1e-12);  // a new cycle opened on the first frame
    EXPECT_NEAR(lefts[50], 1.0, 1e-12); // and runs at 2 Hz
    EXPECT_NEAR(lefts[150], 0.0, 1e-12);
}

TEST(CBrainwavesLocal, GetFrequencyFollowsTheSourceInUse)
{
    CBrainwavesGlobal global;
    global.m_property.SetValue(7.5);
    global.StartClock(0, kRate, 1000);
    CBrainwavesLocal local;
    local.SetDefaults();
    local.m_frequency.SetValue(12.0);
    EXPECT_EQ(local.GetFrequency(), 0.0); // not bound yet
    local.Setup(&global, 0, kRate, 0, 1000);
    EXPECT_EQ(local.GetFrequency(), 7.5);
    local.m_ownFrequency = true;
    EXPECT_EQ(local.GetFrequency(), 12.0);
}

TEST(CBrainwavesLocal, CopyFromCopiesSettingsButNotTheTrueBinauralFlag)
{
    CBrainwavesLocal source;
    source.SetDefaults();
    source.m_enabled = true;
    source.m_method = 4;
    source.m_depth.SetValue(70);
    source.m_ownFrequency = true;
    source.m_frequency.SetValue(10);
    source.SetTrueBinaural(true);

    CBrainwavesLocal copy;
    copy.SetDefaults();
    copy.CopyFrom(source);
    EXPECT_TRUE(copy.m_enabled);
    EXPECT_EQ(copy.m_method, 4);
    EXPECT_EQ(copy.m_depth.GetValue(), 70);
    EXPECT_TRUE(copy.m_ownFrequency);
    EXPECT_EQ(copy.m_frequency.GetValue(), 10);
    EXPECT_FALSE(copy.IsTrueBinaural());

    source.SetDefaults(); // the defaults leave the flag alone too
    EXPECT_TRUE(source.IsTrueBinaural());
    EXPECT_FALSE(source.m_enabled);
    EXPECT_EQ(source.m_depth.GetValue(), 40);
}

// The own-frequency byte comes before the depth, unlike the member order.
TEST(CBrainwavesLocal, CurrentRecordIsByteExact)
{
    CBrainwavesLocal local;
    local.SetDefaults();
    plat::Archive out = plat::Archive::ForStoring(400);
    local.Serialize(out);
    ASSERT_EQ(out.GetBytes().size(), 214u);

    plat::Archive expected = plat::Archive::ForStoring();
    expected.WriteFlag(false);
    expected.WriteInt32(0);
    expected.WriteFlag(false);
    vtest::PutConstantProperty(expected, 0, 100, 40);
    vtest::PutConstantProperty(expected, 0, 40, 4);
    EXPECT_EQ(out.GetBytes(), expected.GetBytes());

    local.m_enabled = true;
    local.m_method = 3;
    local.m_ownFrequency = true;
    local.m_frequency.SetValue(12.5);
    plat::Archive changed = plat::Archive::ForStoring(400);
    local.Serialize(changed);
    EXPECT_EQ(changed.GetBytes()[0], 1);
    EXPECT_EQ(changed.GetBytes()[1], 3);
    EXPECT_EQ(changed.GetBytes()[5], 1);

    plat::Archive in = plat::Archive::ForLoading(changed.GetBytes(), 410);
    CBrainwavesLocal loaded;
    loaded.SetDefaults();
    loaded.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    plat::Archive again = plat::Archive::ForStoring(400);
    loaded.Serialize(again);
    EXPECT_EQ(again.GetBytes(), changed.GetBytes());
}

TEST(CBrainwavesLocal, RecordOfOldFilesScalesTheDepth)
{
    plat::Archive old = plat::Archive::ForStoring();
    old.WriteFlag(true);
    old.WriteInt32(2);
    vtest::PutOldDoubleProperty(old, 0.25, false); // depth as a fraction
    old.WriteByte(7);                              // any non-zero byte is true
    vtest::PutOldDoubleProperty(old, 6.5, true, 0.1, 0.3);

    plat::Archive in = plat::Archive::ForLoading(old.GetBytes(), 300);
    CBrainwavesLocal local;
    local.SetDefaults();
    local.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_TRUE(local.m_enabled);
    EXPECT_EQ(local.m_method, 2);
    EXPECT_EQ(local.m_depth.GetMode(), 0);
    EXPECT_DOUBLE_EQ(local.m_depth.GetValue(), 25.0);
    EXPECT_TRUE(local.m_ownFrequency);
    EXPECT_EQ(local.m_frequency.GetMode(), 1); // the stored graph wins over the number
    EXPECT_NEAR(local.m_frequency.GetValueAt(0.5), 0.2 * 40, 1e-12);

    plat::Archive current = plat::Archive::ForLoading(old.GetBytes(), 400);
    EXPECT_FALSE(local.LoadOld(current));
    EXPECT_EQ(current.GetPosition(), 0u);
}
