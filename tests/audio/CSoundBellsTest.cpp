#include "audio/CSoundBells.h"

#include "GeneratorRig.h"
#include "audio/StkSetup.h"
#include "model/CSegmentBells.h"
#include "platform/Random.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <QFile>

#include <stk/Stk.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <set>

namespace
{

// Bells whose random draws come from a script (then from a fixed value once it runs out).
class ScriptedBells : public CSoundBells
{
public:
    std::deque<double> m_script;
    double m_fallback = 0.5;

    // Every bell ticks all along, as before bells could rest.
    void NeverRest() { m_restLevel = 0.0; }
    using CSoundBells::GetSamples;

protected:
    double DrawUnit() noexcept override
    {
        if (m_script.empty())
            return m_fallback;
        const double u = m_script.front();
        m_script.pop_front();
        return u;
    }
};

// An installation folder with STK's raw wave, so the modal bars can be made.
void InstallWithRawWave()
{
    const QString folder = vtest::MakeInstallFolder(QStringLiteral("bells-install"));
    QFile::remove(folder + QStringLiteral("/Internals/marmstk1.raw"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VORNA_TEST_STK_RAWWAVE),
                            folder + QStringLiteral("/Internals/marmstk1.raw")));
}

void MakeBellsSegment(CSegmentBells& segment, std::initializer_list<std::int32_t> instruments,
                      double density = 50.0)
{
    segment.SetDefaults();
    segment.m_instruments = instruments;
    segment.m_density.SetValue(density);
}

// The positions of every strike of bell @p b over @p frames frames: a strike happens on the
// frame at which the bell's next strike was due.
std::vector<std::uint32_t> StrikePositions(CSoundBells& bells, std::size_t b, std::size_t frames)
{
    std::vector<std::uint32_t> strikes;
    CStereoFrame frame;
    for (std::size_t i = 0; i < frames; ++i)
    {
        const std::uint32_t due = bells.GetBells()[b].m_nextStrike;
        EXPECT_TRUE(bells.GetSample(frame));
        if (bells.m_position == due)
            strikes.push_back(due);
        ++bells.m_position;
        ++bells.m_absoluteFrame;
    }
    return strikes;
}

class CSoundBellsTest : public ::testing::Test
{
protected:
    void SetUp() override { InstallWithRawWave(); }
};

// Draws of a first schedule: spread (multiplies the sparse part), extra second, first note,
// step size, direction, pan. One instrument at density 50: w = 0.25 + 1 + 0.5 x 15 x 0.5 = 5 s.
TEST_F(CSoundBellsTest, FirstStrikeComesAfterAThirdOfTheInterval)
{
    constexpr unsigned kRate = 11025;
    for (const std::int32_t type : {1, 4})
    {
        SCOPED_TRACE(type);
        vtest::GeneratorRig rig(kRate, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {type});
        ScriptedBells bells;
        bells.m_script = {0.5, 0.25, 0.0, 0.0, 0.9, 0.5};
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init()) << bells.GetErrorText().toStdString();
        const std::uint32_t first = static_cast<std::uint32_t>(5.0 / 3.0 * kRate);
        ASSERT_EQ(bells.GetBells().size(), 1u);
        EXPECT_EQ(bells.GetBells()[0].m_nextStrike, first);

        // Silent until the strike, ringing from it on.
        const auto before = vtest::Render(bells, first);
        EXPECT_TRUE(
            std::all_of(before.begin(), before.end(), [](const CStereoFrame& f) { return f.left == 0.0f; }));
        // The next schedule: w = 0.5 + 1 + 0 = 1.5 s after the strike.
        bells.m_script = {0.0, 0.5, 0.0, 0.9, 0.5};
        const auto after = vtest::Render(bells, kRate / 10);
        EXPECT_TRUE(
            std::any_of(after.begin(), after.end(), [](const CStereoFrame& f) { return f.left != 0.0f; }));
        EXPECT_EQ(bells.GetBells()[0].m_nextStrike, first + static_cast<std::uint32_t>(1.5 * kRate));
    }
}

TEST_F(CSoundBellsTest, FullDensityStrikesEveryOneToTwoSeconds)
{
    constexpr unsigned kRate = 11025;
    plat::SetRandomSeedOverride(1234);
    SeedRandom();
    vtest::GeneratorRig rig(kRate, 120);
    CSegmentBells segment;
    MakeBellsSegment(segment, {4}, 100.0);
    CSoundBells bells;
    rig.Prepare(bells, segment);
    ASSERT_TRUE(bells.Init());
    const auto strikes = StrikePositions(bells, 0, 60 * kRate);
    plat::SetRandomSeedOverride(std::nullopt);

    ASSERT_GE(strikes.size(), 30u);
    EXPECT_GE(strikes[0], kRate / 3);
    EXPECT_LT(strikes[0], 2 * kRate / 3);
    for (std::size_t i = 1; i < strikes.size(); ++i)
    {
        const std::uint32_t interval = strikes[i] - strikes[i - 1];
        EXPECT_GE(interval, kRate) << "strike " << i;
        EXPECT_LT(interval, 2 * kRate) << "strike " << i;
    }
}

struct WalkCase
{
    const char* name;
    std::int32_t toneRange;
    double range; // the segment's "Range", %
    double first; // draw for the first note
    double step;  // draw for the step size
    double up;    // draw for the direction (> 0.5 goes up)
    int expected; // note index of the first strike
};

// Scale 0 holds notes 0..6, scale 2 notes 14..20; the first note is lo + trunc(draw x 7),
// then one step of 1 + trunc(draw x range x 7 x 0.5) notes.
const WalkCase kWalkCases[] = {
    {"StepsUpOneNote", CSegmentBells::kToneRangeLow, 50.0, 0.3, 0.0, 0.9, 3},
    {"StepsDownOneNote", CSegmentBells::kToneRangeLow, 50.0, 0.3, 0.0, 0.1, 1},
    {"WideStepUp", CSegmentBells::kToneRangeLow, 100.0, 0.0, 0.99, 0.9, 4},
    {"ClampsAtTheTop", CSegmentBells::kToneRangeLow, 100.0, 0.99, 0.99, 0.9, 6},
    {"ClampsAtTheBottom", CSegmentBells::kToneRangeLow, 100.0, 0.3, 0.99, 0.1, 0},
    {"HighScaleStartsAtItsOwnNotes", CSegmentBells::kToneRangeHigh, 50.0, 0.0, 0.0, 0.1, 14},
    {"SmallestRangeStepsOneNote", CSegmentBells::kToneRangeAll, 1.0, 0.5, 0.99, 0.9, 11},
    // A stored tone range outside the table plays the medium notes.
    {"UnknownToneRangeIsMedium", 42, 50.0, 0.0, 0.0, 0.1, 7},
};

TEST_F(CSoundBellsTest, NoteWalkStaysInItsScale)
{
    for (const WalkCase& c : kWalkCases)
    {
        SCOPED_TRACE(c.name);
        vtest::GeneratorRig rig(11025, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {1});
        segment.m_toneRange = c.toneRange;
        segment.m_range.SetValue(c.range);
        ScriptedBells bells;
        bells.m_script = {0.5, 0.5, c.first, c.step, c.up, 0.5};
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init());
        const CBell& bell = bells.GetBells()[0];
        EXPECT_EQ(bell.m_note, c.expected);
        EXPECT_DOUBLE_EQ(bell.m_frequency, CSoundBells::kNotes[static_cast<std::size_t>(c.expected)]);
    }
}

// Free-running walks over two minutes of strikes at the widest "Range" never leave their
// scale and reach both of its ends.
TEST_F(CSoundBellsTest, RandomWalksKeepToEveryScale)
{
    constexpr unsigned kRate = 11025;
    for (std::int32_t scale = 0; scale < CSegmentBells::kToneRangeCount; ++scale)
    {
        SCOPED_TRACE(scale);
        plat::SetRandomSeedOverride(77 + scale);
        SeedRandom();
        vtest::GeneratorRig rig(kRate, 600);
        CSegmentBells segment;
        MakeBellsSegment(segment, {4, 5}, 100.0);
        segment.m_toneRange = scale;
        segment.m_range.SetValue(100.0);
        CSoundBells bells;
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init());
        std::set<int> notes;
        CStereoFrame frame;
        for (unsigned i = 0; i < 120 * kRate; ++i)
        {
            ASSERT_TRUE(bells.GetSample(frame));
            // A note holds from one strike to the next, at least a second.
            if (i % (kRate / 4) == 0)
                for (const CBell& bell : bells.GetBells())
                    notes.insert(bell.m_note);
            ++bells.m_position;
        }
        const auto range = CSoundBells::kScales[static_cast<std::size_t>(scale)];
        EXPECT_EQ(*notes.begin(), range.lo);
        EXPECT_EQ(*notes.rbegin(), range.hi);
    }
    plat::SetRandomSeedOverride(std::nullopt);
}

struct PanCase
{
    const char* name;
    double pan;
    double left; // channel gains before the bell's own gain
    double right;
};

const PanCase kPanCases[] = {
    {"HardLeft", 0.0, 1.0, 0.0},      {"QuarterLeft", 0.25, 1.0, 0.5}, {"Centre", 0.5, 1.0, 1.0},
    {"QuarterRight", 0.75, 0.5, 1.0}, {"HardRight", 1.0, 0.0, 1.0},
};

// The bell's output is the bare instrument's, times the pan law and the type's gain: 3 for
// the banded waveguides, 0.1 for the modal bars.
TEST_F(CSoundBellsTest, PanAndTypeGainScaleTheInstrument)
{
    constexpr unsigned kRate = 22050;
    for (const std::int32_t type : {1, 4})
    {
        for (const PanCase& c : kPanCases)
        {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(type));
            vtest::GeneratorRig rig(kRate, 60);
            CSegmentBells segment;
            MakeBellsSegment(segment, {type});
            segment.m_toneRange = CSegmentBells::kToneRangeMedium;
            ScriptedBells bells;
            // First strike after w / 3 = (0 + 1 + 0) / 3 s on note 7 (220 Hz). A strike sounds
            // at the pan drawn when it is struck (with its successor's schedule), not at the
            // one drawn with its own.
            bells.m_script = {0.0, 0.0, 0.0, 0.0, 0.1, 0.5, 0.0, 0.0, 0.0, 0.1, c.pan};
            rig.Prepare(bells, segment);
            ASSERT_TRUE(bells.Init());
            const std::uint32_t strike = bells.GetBells()[0].m_nextStrike;
            const auto frames = vtest::Render(bells, strike + kRate / 2);

            auto bare = CSoundBells::CreateInstrument(type);
            ASSERT_TRUE(bare);
            bare->noteOn(220.0, 1.0);
            const double gain = type < 4 ? 3.0 : 0.1;
            double worst = 0.0;
            double loudest = 0.0;
            for (std::size_t i = strike; i < frames.size(); ++i)
            {
                const double s = bare->tick();
                loudest = std::max(loudest, std::abs(s));
                worst = std::max(worst, std::abs(frames[i].left - s * gain * c.left));
                worst = std::max(worst, std::abs(frames[i].right - s * gain * c.right));
            }
            EXPECT_GT(loudest, 1e-3);
            EXPECT_LT(worst, 1e-6);
        }
    }
}

// STK tunes its instruments by its own sample rate; left at its 44.1 kHz default, a 220 Hz
// bell sounded at 479 Hz in a 96 kHz session.
TEST_F(CSoundBellsTest, BellIsInTuneAtEverySessionRate)
{
    for (const unsigned rate : {22050u, 44100u, 96000u})
    {
        SCOPED_TRACE(rate);
        stk::Stk::setSampleRate(rate == 44100u ? 48000.0 : 44100.0); // anything but the session's
        vtest::GeneratorRig rig(rate, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {1});
        segment.m_toneRange = CSegmentBells::kToneRangeMedium;
        ScriptedBells bells;
        bells.m_script = {0.0, 0.0, 0.0, 0.0, 0.1, 0.5}; // 220 Hz after a third of a second
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init());
        const std::uint32_t strike = bells.GetBells()[0].m_nextStrike;
        const auto frames = vtest::Render(bells, strike + 2 * rate);
        EXPECT_NEAR(vtest::PeakHz(vtest::Channel(frames, false, strike), rate, 100.0, 550.0), 220.0, 1.0);
    }
}

TEST(CSoundBells, MissingRawWaveFailsQuietlyWithTheBellMessage)
{
    vtest::MakeInstallFolder(QStringLiteral("no-rawwave")); // "Internals" without marmstk1.raw
    vtest::GeneratorRig rig(44100, 60);
    CSegmentBells segment;
    MakeBellsSegment(segment, {1, 4});
    CSoundBells bells;
    rig.Prepare(bells, segment);
    testing::internal::CaptureStderr();
    const bool ok = bells.Init();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_EQ(bells.GetErrorText(), QStringLiteral("Failed to initialize a bell sound."));
    EXPECT_TRUE(bells.GetBells().empty());
    EXPECT_EQ(printed, "") << "STK's own printing must be off";

    // The waveguides need no raw wave.
    CSegmentBells waveguides;
    MakeBellsSegment(waveguides, {0, 1, 2, 3});
    CSoundBells more;
    rig.Prepare(more, waveguides);
    EXPECT_TRUE(more.Init()) << more.GetErrorText().toStdString();
}

// Density and "Range" may follow an automatic graph: both walks start with the segment, a
// new target once a second of the session rate.
TEST_F(CSoundBellsTest, DensityAndRangeWalksStartAtTheSessionRate)
{
    constexpr unsigned kRate = 11025;
    for (const bool density : {true, false})
    {
        SCOPED_TRACE(density ? "Density" : "Range");
        vtest::GeneratorRig rig(kRate, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {}); // no bells, so Init itself reads neither property
        CSmartProperty& p = density ? segment.m_density : segment.m_range;
        p.SetMode(CSmartProperty::kModeAutoGraph);
        for (int i = 0; i < 30000; ++i) // a walk nobody restarts drifts on from here
            p.GetValueAt(0.0);
        CSoundBells bells;
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init());

        const auto [lower, upper] = std::pair{p.GetAutoGraph().m_lowerLimit, p.GetAutoGraph().m_upperLimit};
        std::vector<double> v;
        for (unsigned i = 0; i <= kRate; ++i)
            v.push_back(p.GetValueAt(0.0));
        EXPECT_DOUBLE_EQ(v[0], lower + (upper - lower) * 0.5) << "a started walk sets out from the middle";
        // The ramp to the first target takes one second: the value then holds for a frame
        // while the next target is drawn.
        EXPECT_NE(v[2], v[1]);
        EXPECT_DOUBLE_EQ(v[kRate], v[kRate - 1]);
    }
}

struct RestCase
{
    const char* name;
    std::int32_t type;
    bool rests; // between strikes 8.4 s apart
};

// A rest that began while the bell could still be heard, or a bell that woke with a stale
// state (the vibraphone's tremolo at another phase) would differ from the bell ticked all
// along by more than -100 dBFS; a rule that never rests would leave the bar ticking.
const RestCase kRestCases[] = {
    {"MarimbaRests", 4, true},
    {"VibraphoneWakesInPhase", 5, true},
    {"UniformBarRests", 1, true},
    {"RingingBowlKeepsTicking", 0, false},
};

TEST_F(CSoundBellsTest, DecayedBellRestsUntilItsNextStrike)
{
    constexpr unsigned kRate = 22050;
    constexpr double kHearing = 1e-5; // -100 dBFS
    for (const RestCase& c : kRestCases)
    {
        SCOPED_TRACE(c.name);
        vtest::GeneratorRig rig(kRate, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {c.type});
        // The first strike after 1/3 s, the second 8.4 s later (w = 0 + 1 + 0.99 x 7.5).
        const std::deque<double> script = {0.0, 0.0, 0.0, 0.0, 0.9, 0.5, 0.99, 0.0, 0.0, 0.9, 0.5};
        ScriptedBells bells;
        ScriptedBells ticking;
        ticking.NeverRest();
        for (ScriptedBells* b : {&bells, &ticking})
        {
            b->m_script = script;
            rig.Prepare(*b, segment);
            ASSERT_TRUE(b->Init());
        }
        const std::uint32_t first = bells.GetBells()[0].m_nextStrike;

        std::size_t resting = 0;
        bool wokeAtStrike = true;
        bool restingSilent = true;
        bool restingUnticked = true;
        double worst = 0.0;
        std::uint32_t second = 0;
        for (std::uint32_t i = 0; i < 12 * kRate; ++i)
        {
            const CBell& bell = bells.GetBells()[0];
            const bool strikes = i >= first && bell.m_nextStrike == i;
            if (strikes)
                second = i;
            const double before = bell.m_instrument->lastOut();
            const bool rests = bell.m_resting && !strikes && i > first;
            CStereoFrame a;
            CStereoFrame b;
            ASSERT_TRUE(bells.GetSample(a));
            ASSERT_TRUE(ticking.GetSample(b));
            if (strikes && bell.m_resting)
                wokeAtStrike = false;
            if (rests)
            {
                ++resting;
                restingSilent = restingSilent && a.left == 0.0f && a.right == 0.0f;
                restingUnticked = restingUnticked && bell.m_instrument->lastOut() == before;
            }
            worst = std::max({worst, std::abs(double(a.left) - b.left), std::abs(double(a.right) - b.right)});
            for (ScriptedBells* s : {&bells, &ticking})
            {
                ++s->m_position;
                ++s->m_absoluteFrame;
            }
        }
        EXPECT_GT(second, first) << "struck twice";
        EXPECT_EQ(resting > 0, c.rests) << resting << " frames rested";
        EXPECT_TRUE(wokeAtStrike);
        EXPECT_TRUE(restingSilent);
        EXPECT_TRUE(restingUnticked);
        EXPECT_LT(worst, kHearing);
    }
}

// Twelve bells of every type at full density, several struck within one chunk: the block
// path must strike them in the list's order (one random stream) and sum them in that order,
// as frame by frame; and resting must leave the sound as it was within -100 dBFS.
TEST_F(CSoundBellsTest, ChunksMatchFramesAndRestingKeepsTheSound)
{
    constexpr unsigned kRate = 22050;
    constexpr std::uint32_t kFrames = 30 * kRate;
    const std::uint32_t chunks[] = {1, 7, 256, 100, 3};
    std::mt19937 random(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::deque<double> draws(20000);
    for (double& d : draws)
        d = unit(random);
    std::vector<CStereoFrame> out[3];
    std::size_t rested = 0;
    for (int run = 0; run < 3; ++run)
    {
        SCOPED_TRACE(run);
        vtest::GeneratorRig rig(kRate, 60);
        CSegmentBells segment;
        MakeBellsSegment(segment, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 100.0);
        segment.m_toneRange = CSegmentBells::kToneRangeAll;
        ScriptedBells bells;
        bells.m_script = draws;
        if (run == 2)
            bells.NeverRest();
        rig.Prepare(bells, segment);
        ASSERT_TRUE(bells.Init());
        out[run].resize(kFrames);
        if (run == 0)
        {
            out[run] = vtest::Render(bells, kFrames);
            continue;
        }
        for (std::uint32_t done = 0, k = 0; done < kFrames; ++k)
        {
            const std::uint32_t n = std::min(chunks[k % std::size(chunks)], kFrames - done);
            ASSERT_TRUE(bells.GetSamples(out[run].data() + done, n));
            for (const CBell& bell : bells.GetBells())
                rested += bell.m_resting ? n : 0;
            bells.m_position += n;
            bells.m_absoluteFrame += n;
            done += n;
        }
    }

    double chunked = 0.0;
    double resting = 0.0;
    for (std::uint32_t i = 0; i < kFrames; ++i)
    {
        chunked = std::max({chunked, std::abs(double(out[0][i].left) - out[1][i].left),
                            std::abs(double(out[0][i].right) - out[1][i].right)});
        resting = std::max({resting, std::abs(double(out[1][i].left) - out[2][i].left),
                            std::abs(double(out[1][i].right) - out[2][i].right)});
    }
    EXPECT_EQ(chunked, 0.0);
    EXPECT_LT(resting, 1e-5);
    EXPECT_GT(rested, 0u) << "the bars decay within their strikes";
}

// Twelve bells of every type, struck at full density: no allocation while rendering.
TEST_F(CSoundBellsTest, RenderingAllocatesNothing)
{
    constexpr unsigned kRate = 44100;
    vtest::GeneratorRig rig(kRate, 60);
    CSegmentBells segment;
    MakeBellsSegment(segment, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 100.0);
    CSoundBells bells;
    rig.Prepare(bells, segment);
    ASSERT_TRUE(bells.Init());
    CStereoFrame frame;
    vtest::AllocationScope scope;
    for (unsigned i = 0; i < 10 * kRate; ++i)
    {
        bells.GetSample(frame);
        bells.PostProcess(frame);
        ++bells.m_position;
        ++bells.m_absoluteFrame;
    }
    EXPECT_EQ(scope.Count(), 0u);
    EXPECT_TRUE(bells.Terminate());
    EXPECT_TRUE(bells.GetBells().empty());
}

} // namespace
