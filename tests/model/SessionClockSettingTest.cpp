#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "model/CBrainwavesLocal.h"
#include "model/SinePhasor.h"

#include "RecordBytes.h"
#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{

// The cycle starts the clock opens over @p frames steps, in order.
std::vector<double> CycleStarts(model::SessionClockSetting& setting, int frames)
{
    std::vector<double> starts{setting.GetClock().m_cycleStart};
    for (int i = 0; i < frames; ++i)
    {
        const CCycleClock& clock = setting.AdvanceClock();
        if (clock.m_cycleStart != starts.back())
            starts.push_back(clock.m_cycleStart);
    }
    return starts;
}

} // namespace

// 4 Hz at 44102 frames a second is a period of 11025.5 frames: the first boundary keeps
// the half frame, every later one lies 11025 whole frames after the one before.
TEST(SessionClockSetting, BoundariesAfterTheFirstAreWholeFrames)
{
    CBrainwavesGlobal global;
    global.StartClock(100, 44102, 1000000);
    EXPECT_EQ(global.GetClock().m_period, 11025.5);
    EXPECT_EQ(global.GetClock().m_nextBoundary, 11125.5);
    EXPECT_EQ(global.GetClock().m_frequency, 4.0);

    const std::vector<double> starts = CycleStarts(global, 3 * 11026);
    ASSERT_GE(starts.size(), 4u);
    EXPECT_EQ(starts[0], 100.0);
    EXPECT_EQ(starts[1], 11125.5);
    EXPECT_EQ(starts[2], 11125.5 + 11025);
    EXPECT_EQ(starts[3], 11125.5 + 2 * 11025);
    EXPECT_EQ(global.GetClockFrame(), 100u + 3 * 11026);
}

TEST(SessionClockSetting, BilateralClockRunsAtTheRatePerMinuteOverSixty)
{
    CBilateralGlobal global;
    global.m_property.SetValue(120);
    global.StartClock(0, 48000, 480000);
    EXPECT_EQ(global.GetClock().m_frequency, 2.0);
    EXPECT_EQ(global.GetClock().m_period, 24000.0);
    EXPECT_EQ(global.GetFrequency(), 2.0);
}

// 0 Hz is inside the beat range; a file may hold worse. None of these may leave an
// infinite boundary (the clock would never read its setting again) or a non-number.
TEST(SessionClockSetting, FrequencyThatMakesNoCycleHoldsThePhase)
{
    const double cases[] = {0.0, -3.0, 1e-12, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()};
    for (const double f : cases)
    {
        SCOPED_TRACE(f);
        CBrainwavesGlobal global;
        global.m_property.SetValue(f);
        global.StartClock(500, 44100, 100000);
        const CCycleClock& clock = global.GetClock();
        EXPECT_EQ(clock.m_nextBoundary, 501.0);
        EXPECT_EQ(clock.PhaseAt(500), 0.0);
        EXPECT_EQ(clock.PhaseAt(510), 0.0);
        for (int i = 0; i < 5; ++i)
            global.AdvanceClock();
        EXPECT_EQ(clock.m_nextBoundary, 505.0); // read again at every step
        EXPECT_TRUE(std::isfinite(clock.m_cycleStart));
    }
}

// A beat that starts at 0 Hz and rises: the clock resumes as soon as the frequency is
// positive, with finite gains throughout. A graph rising from 0 opens one long cycle at
// its first tiny frequency; a constant set while playing opens cycles at its rate.
TEST(SessionClockSetting, ZeroHertzFollowedByARisingSettingResumes)
{
    const std::uint32_t rate = 1000;
    const std::uint32_t total = 20000;
    for (const bool byGraph : {true, false})
    {
        SCOPED_TRACE(byGraph ? "rising graph" : "constant set to 10 Hz at half time");
        CBrainwavesGlobal global;
        if (byGraph)
        {
            CGraph graph; // 0 Hz over the first half, then rising to 10 Hz
            graph.SetPoint(0, {0.0, 0.0});
            graph.SetPoint(1, {1.0, 0.25});
            graph.AddPoint({0.5, 0.0});
            global.m_property.SetGraph(graph);
        }
        else
            global.m_property.SetValue(0.0);

        CBrainwavesLocal local;
        local.SetDefaults();
        local.m_enabled = true;
        local.m_method = CBrainwavesLocal::kMethodIsochronic;
        local.m_depth.SetValue(100);
        global.StartClock(0, rate, total);
        local.Setup(&global, 0, rate, 0, total);
        int cycles = 0;
        double lastStart = global.GetClock().m_cycleStart;
        for (std::uint32_t frame = 0; frame < total; ++frame)
        {
            if (!byGraph && frame == total / 2)
                global.m_property.SetValue(10.0);
            double left = 1.0, right = 1.0;
            local.Process(left, right);
            ASSERT_TRUE(std::isfinite(left)) << "frame " << frame;
            const CCycleClock& clock = global.AdvanceClock();
            ASSERT_TRUE(std::isfinite(clock.m_nextBoundary)) << "frame " << frame;
            if (frame < total / 2)
            {
                ASSERT_EQ(clock.m_period, 0.0) << "held while the beat is 0, frame " << frame;
            }
            else if (frame > total / 2 + 1)
            {
                ASSERT_GT(clock.m_period, 0.0) << "resumed, frame " << frame;
            }
            if (clock.m_period > 0.0 && clock.m_cycleStart != lastStart)
            {
                ++cycles;
                lastStart = clock.m_cycleStart;
            }
        }
        if (byGraph)
            EXPECT_GE(cycles, 1);
        else
            EXPECT_EQ(cycles, 100); // 10 Hz for 10 s
    }
}

// Every track of a block must see the clocks as they stood at the block's first frame.
// Rewinding only the frame left the cycle where the previous track ended it, so later
// tracks saw negative phases and lost their isochronic pulses.
TEST(SessionClockSetting, RestoredClockStateGivesTwoTracksIdenticalGains)
{
    CBrainwavesGlobal global;
    global.m_property.SetValue(10.0);
    const std::uint32_t rate = 4000;
    global.StartClock(0, rate, 400000);

    CBrainwavesLocal tracks[2];
    for (CBrainwavesLocal& local : tracks)
    {
        local.SetDefaults();
        local.m_enabled = true;
        local.m_method = CBrainwavesLocal::kMethodIsochronic;
        local.m_depth.SetValue(100);
        local.Setup(&global, 0, rate, 0, 400000);
    }
    const std::uint32_t blockFrames = 2500; // several boundaries a block
    std::vector<double> gains[2];
    for (std::uint32_t block = 0; block < 3; ++block)
    {
        const model::SessionClockSetting::ClockState atBlockStart = global.SaveClockState();
        for (int t = 0; t < 2; ++t)
        {
            global.RestoreClockState(atBlockStart);
            for (std::uint32_t i = 0; i < blockFrames; ++i)
            {
                double left = 1.0, right = 1.0;
                tracks[t].Process(left, right);
                gains[t].push_back(left);
                global.AdvanceClock();
            }
        }
    }
    ASSERT_EQ(gains[0].size(), gains[1].size());
    EXPECT_EQ(gains[0], gains[1]);
    EXPECT_EQ(global.GetClockFrame(), 3 * blockFrames);
}

// The phasor against the sine it stands for (worked out in long double), over the longest run
// between anchors, from phases all round the circle and steps up to half a cycle a frame (a tone
// at half the rate); and a block read through Sines gives what frame-by-frame reading gives,
// however the block is cut.
TEST(SinePhasor, StaysWithinItsBoundBetweenAnchors)
{
    constexpr double kTwoPi = 2.0 * 3.14159265358979323846;
    constexpr long double kTwoPiLong = 2.0L * 3.14159265358979323846264338327950288L;
    double worst = 0.0;
    for (const double step : {1e-7, 1.0 / 4410.0, 0.01, 0.123456, 0.25, 0.4999})
        for (int start = 0; start < 64; ++start)
        {
            const double u = start / 64.0 + 0.003;
            model::SinePhasor frames;
            model::SinePhasor block;
            frames.Anchor(u, step);
            block.Anchor(u, step);
            double sines[model::SinePhasor::kAnchorFrames];
            block.Sines(sines, 1);
            block.Sines(sines + 1, 102);
            block.Sines(sines + 103, model::SinePhasor::kAnchorFrames - 103);
            for (std::uint32_t k = 0; k < model::SinePhasor::kAnchorFrames; ++k)
            {
                if (k == 0)
                {
                    ASSERT_EQ(frames.Sin(), std::sin(kTwoPi * u)); // the anchor is the exact sine
                }
                ASSERT_EQ(sines[k], frames.Sin()) << k;
                long double phase = static_cast<long double>(u) + static_cast<long double>(k) * step;
                phase -= std::floor(phase);
                worst = std::max(worst, double(std::abs(frames.Sin() - std::sin(kTwoPiLong * phase))));
                frames.Step();
            }
        }
    EXPECT_LT(worst, 1e-13);
}

// The block the tracks read: the clock, frequency and swing of each frame as a clock stepped
// frame by frame gives them. The swing turns a phasor between exact sines; it must stay within
// the phasor's bound of the per-frame sine at the highest beat (the largest step a frame), over
// cycles whose frequency follows a graph, and give the very same values however the frames are
// cut into blocks.
TEST(SessionClockSetting, BlocksHoldWhatThePerFrameClockGivesWhateverTheCut)
{
    constexpr std::uint32_t rate = 8000;
    constexpr std::uint32_t total = 60000;
    const auto make = [](CBrainwavesGlobal& global)
    {
        CGraph graph; // 0 Hz, where the clock holds, up to the top of the range and back
        graph.AddPoint({0.3, 1.0});
        graph.MovePoint(0, 0.0, 0.0);
        graph.MovePoint(graph.GetPointCount() - 1, 1.0, 0.2);
        global.m_property.SetGraph(graph);
        global.StartClock(0, rate, total);
    };
    CBrainwavesGlobal reference;
    make(reference);
    std::vector<CCycleClock> clocks;
    std::vector<double> frequencies;
    std::vector<double> waves;
    for (std::uint32_t f = 0; f < total; ++f)
    {
        const CCycleClock& clock = reference.GetClock();
        clocks.push_back(clock);
        frequencies.push_back(reference.GetFrequency());
        waves.push_back((std::sin(2.0 * 3.14159265358979323846 * clock.PhaseAt(f)) + 1.0) / 2.0);
        reference.AdvanceClock();
    }

    const std::vector<std::uint32_t> cuts[] = {{1}, {256}, {4410}, {1, 700, 255, 3, 10000}};
    std::vector<double> firstCut;
    for (const auto& cut : cuts)
    {
        CBrainwavesGlobal global;
        make(global);
        model::ClockBlock block;
        block.Reserve(10000);
        std::vector<double> got;
        double worst = 0.0;
        for (std::uint32_t f = 0, k = 0; f < total; ++k)
        {
            const std::uint32_t n = std::min(cut[k % cut.size()], total - f);
            global.FillBlock(block, n, true);
            ASSERT_EQ(block.firstFrame, f);
            for (std::uint32_t i = 0; i < n; ++i, ++f)
            {
                ASSERT_EQ(block.clock[i].m_cycleStart, clocks[f].m_cycleStart) << f;
                ASSERT_EQ(block.clock[i].m_period, clocks[f].m_period) << f;
                ASSERT_EQ(block.frequency[i], frequencies[f]) << f;
                worst = std::max(worst, std::abs(block.wave[i] - waves[f]));
                got.push_back(block.wave[i]);
            }
        }
        EXPECT_LT(worst, 1e-13); // the phasor's bound, and the per-frame sine's own rounding
        EXPECT_EQ(global.GetClockFrame(), total);
        if (firstCut.empty())
            firstCut = got;
        else
            EXPECT_EQ(got, firstCut);
    }
}

TEST(SessionClockSetting, GlobalsStartWithTheirDefaultsAndReturnToThem)
{
    CBrainwavesGlobal beat;
    CBilateralGlobal rate;
    EXPECT_EQ(beat.m_property.GetValue(), 4.0);
    EXPECT_EQ(beat.m_property.GetRange(), (std::pair<double, double>(0, 40)));
    EXPECT_EQ(rate.m_property.GetValue(), 60.0);
    EXPECT_EQ(rate.m_property.GetRange(), (std::pair<double, double>(1, 1200)));
    beat.m_property.SetValue(30);
    rate.m_property.SetMode(1);
    beat.SetDefault();
    rate.SetDefault();
    EXPECT_EQ(beat.m_property.GetValue(), 4.0);
    EXPECT_EQ(rate.m_property.GetMode(), 0);
    EXPECT_EQ(rate.m_property.GetValue(), 60.0);
}

TEST(SessionClockSetting, RecordsInBothForms)
{
    CBilateralGlobal global;
    plat::Archive out = plat::Archive::ForStoring(400);
    global.Serialize(out);
    plat::Archive expected = plat::Archive::ForStoring();
    vtest::PutConstantProperty(expected, 1, 1200, 60);
    EXPECT_EQ(out.GetBytes(), expected.GetBytes());

    // Old files: an int32 nobody reads, then a graph the property takes in graph mode.
    plat::Archive old = plat::Archive::ForStoring();
    old.WriteInt32(123456);
    vtest::PutGraph(old, 0.25, 0.75);
    plat::Archive in = plat::Archive::ForLoading(old.GetBytes(), 320);
    CBrainwavesGlobal beat;
    beat.m_property.SetValue(9.0);
    beat.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(beat.m_property.GetMode(), 1);
    EXPECT_EQ(beat.m_property.GetValue(), 9.0);
    EXPECT_EQ(beat.m_property.GetRange(), (std::pair<double, double>(0, 40)));
    EXPECT_NEAR(beat.m_property.GetValueAt(0.5), 20.0, 1e-12);

    plat::Archive current = plat::Archive::ForLoading(out.GetBytes(), 400);
    CBrainwavesGlobal loaded;
    loaded.Serialize(current);
    EXPECT_EQ(current.GetRemaining(), 0u);
    EXPECT_EQ(loaded.m_property.GetValue(), 60.0); // the stored property, range and all
    EXPECT_EQ(loaded.m_property.GetRange(), (std::pair<double, double>(1, 1200)));
}
