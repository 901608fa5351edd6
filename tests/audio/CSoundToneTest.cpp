#include "audio/CSoundTone.h"

#include "GeneratorRig.h"
#include "MixerFixtures.h"
#include "model/CBrainwavesLocal.h"
#include "model/CSegmentTone.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A new tone segment as the factory makes it: defaults, and the generator makes the beat.
void MakeToneSegment(CSegmentTone& segment)
{
    segment.SetDefaults();
    segment.m_brainwaves.SetTrueBinaural(true);
}

struct BeatCase
{
    const char* name;
    bool enabled;
    std::int32_t method;
    bool trueBinaural;
    double left;  // Hz
    double right; // Hz
};

// Carrier 200 Hz, session beat 10 Hz. Only the true binaural method with the entrainment on
// splits the carrier; a disabled entrainment used to detune the tone by half a beat anyway.
const BeatCase kBeatCases[] = {
    {"BinauralSplitsByHalfABeat", true, CBrainwavesLocal::kMethodBinaural, true, 195.0, 205.0},
    {"MonauralKeepsOneCarrier", true, CBrainwavesLocal::kMethodMonaural, true, 200.0, 200.0},
    {"IsochronicKeepsOneCarrier", true, CBrainwavesLocal::kMethodIsochronic, true, 200.0, 200.0},
    {"DisabledBinauralIsNotDetuned", false, CBrainwavesLocal::kMethodBinaural, true, 200.0, 200.0},
    {"BinauralWithoutTheFlagLeavesTheBeatToTheGains", true, CBrainwavesLocal::kMethodBinaural, false, 200.0,
     200.0},
};

TEST(CSoundTone, BeatFrequenciesByEntrainmentSetting)
{
    constexpr unsigned kRate = 11025;
    for (const BeatCase& c : kBeatCases)
    {
        SCOPED_TRACE(c.name);
        vtest::GeneratorRig rig(kRate, 10);
        rig.m_brainwaves.m_property.SetValue(10.0);
        CSegmentTone segment;
        MakeToneSegment(segment);
        segment.m_carrier.SetValue(200.0);
        segment.m_overtones.SetValue(0.0);
        segment.m_brainwaves.m_enabled = c.enabled;
        segment.m_brainwaves.m_method = c.method;
        segment.m_brainwaves.SetTrueBinaural(c.trueBinaural);
        CSoundTone tone;
        rig.Prepare(tone, segment);
        ASSERT_TRUE(tone.Init()) << tone.GetErrorText().toStdString();

        const auto frames = vtest::Render(tone, 4 * kRate);
        const auto left = vtest::Channel(frames, false);
        const auto right = vtest::Channel(frames, true);
        EXPECT_NEAR(vtest::PeakHz(left, kRate, 150.0, 250.0), c.left, 0.5);
        EXPECT_NEAR(vtest::PeakHz(right, kRate, 150.0, 250.0), c.right, 0.5);
        if (c.left == c.right)
        {
            EXPECT_EQ(left, right) << "one carrier must sound identically on both channels";
        }
        EXPECT_TRUE(tone.Terminate());
    }
}

// The default tone (240 Hz, entrainment off, session beat 4 Hz) plays 240 Hz, not 238 Hz.
TEST(CSoundTone, DefaultToneIsNotDetuned)
{
    constexpr unsigned kRate = 11025;
    vtest::GeneratorRig rig(kRate, 10);
    CSegmentTone segment;
    MakeToneSegment(segment);
    segment.m_overtones.SetValue(0.0);
    CSoundTone tone;
    rig.Prepare(tone, segment);
    ASSERT_TRUE(tone.Init());
    const auto frames = vtest::Render(tone, 4 * kRate);
    EXPECT_NEAR(vtest::PeakHz(vtest::Channel(frames, false), kRate, 200.0, 280.0), 240.0, 0.5);
}

// The wave at @p u carrier periods from the start: the sine plus n partials at the fixed
// multiples of the carrier, each running on (not restarted with every period), amplitudes 0.72,
// 0.5184, 0.373248, ..., divided by 1 plus their sum.
double ExpectedWave(double u, int n)
{
    static const double kMultipliers[] = {1.25, 1.5, 1.75, 2.0, 2.25, 2.5, 2.75, 3.0, 3.25};
    double s = std::sin(kTwoPi * u);
    double total = 1.0;
    double a = 1.0;
    for (int i = 0; i < n; ++i)
    {
        a *= 0.72;
        s += a * std::sin(kTwoPi * u * kMultipliers[i]);
        total += a;
    }
    return s / total;
}

struct OvertoneCase
{
    const char* name;
    double setting;
    int overtones;
};

const OvertoneCase kOvertoneCases[] = {
    {"ZeroIsAPureSine", 0.0, 0},
    {"FractionIsTruncated", 2.9, 2},
    {"NineIsTheWholeSeries", 9.0, 9},
    // A damaged value past the table must not read beyond the nine multipliers.
    {"AboveTheTableActsAsNine", 40.0, 9},
    {"NegativeActsAsZero", -3.0, 0},
};

TEST(CSoundTone, OvertoneSeriesFollowsTheConstant)
{
    // 48 kHz / 200 Hz: a period of exactly 240 frames, so frame i is i / 240 periods in.
    constexpr unsigned kRate = 48000;
    constexpr int kPeriod = 240;
    for (const OvertoneCase& c : kOvertoneCases)
    {
        SCOPED_TRACE(c.name);
        vtest::GeneratorRig rig(kRate, 2);
        CSegmentTone segment;
        MakeToneSegment(segment);
        segment.m_carrier.SetValue(200.0);
        segment.m_overtones.SetValue(c.setting);
        // A graph on the row does not count: the constant does.
        CGraph graph;
        graph.SetConstant(1.0);
        segment.m_overtones.SetGraph(graph);
        CSoundTone tone;
        rig.Prepare(tone, segment);
        ASSERT_TRUE(tone.Init());
        const auto frames = vtest::Render(tone, 10 * kPeriod);
        double worst = 0.0;
        double peak = 0.0;
        for (std::size_t i = 0; i < frames.size(); ++i)
        {
            const double expected = ExpectedWave(double(i) / kPeriod, c.overtones);
            worst = std::max(worst, std::abs(frames[i].left - expected));
            peak = std::max(peak, double(std::abs(frames[i].left)));
        }
        EXPECT_LT(worst, 1e-5);
        EXPECT_LE(peak, 1.0);
    }
}

// The overtones are heard at 1.25 to 3.25 times the carrier: with 9 of them on 200 Hz there are
// peaks at 250, 300, ..., 650 Hz, no DC and no step. Partials restarted at each carrier period
// gave only harmonics of 200 Hz, a DC offset of 9 % of the peak and a step every period.
TEST(CSoundTone, OvertonesArePartialsAtTheirMultiples)
{
    constexpr unsigned kRate = 44100;
    vtest::GeneratorRig rig(kRate, 4);
    CSegmentTone segment;
    MakeToneSegment(segment);
    segment.m_carrier.SetValue(200.0);
    segment.m_overtones.SetValue(9.0);
    CSoundTone tone;
    rig.Prepare(tone, segment);
    ASSERT_TRUE(tone.Init());
    const auto frames = vtest::Render(tone, 4 * kRate);
    const auto left = vtest::Channel(frames, false);
    for (int k = 5; k <= 13; ++k)
        EXPECT_NEAR(vtest::PeakHz(left, kRate, 50.0 * k - 20.0, 50.0 * k + 20.0), 50.0 * k, 0.5) << k;

    double mean = 0.0;
    double peak = 0.0;
    double largestStep = 0.0;
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        mean += left[i];
        peak = std::max(peak, std::abs(double(left[i])));
        if (i > 0)
            largestStep = std::max(largestStep, std::abs(double(left[i]) - left[i - 1]));
    }
    mean /= double(left.size());
    EXPECT_LT(std::abs(mean), 0.002 * peak);
    // The slope of the sum is bounded by the weighted slopes of its partials.
    double slope = 1.0, total = 1.0, a = 1.0;
    for (double m : CSoundTone::kOvertoneMultipliers)
    {
        a *= 0.72;
        slope += a * m;
        total += a;
    }
    EXPECT_LT(largestStep, kTwoPi * 200.0 / kRate * slope / total * 1.01);
}

// A carrier graph from 30 Hz to 1000 Hz: a new frequency is taken only at a period end, so
// the largest step between two samples stays under the slope of the fastest sine.
TEST(CSoundTone, CarrierRampHasNoPhaseJump)
{
    constexpr unsigned kRate = 22050;
    constexpr unsigned kSeconds = 3;
    vtest::GeneratorRig rig(kRate, kSeconds);
    CSegmentTone segment;
    MakeToneSegment(segment);
    segment.m_overtones.SetValue(0.0);
    CGraph ramp;
    ramp.SetPoint(0, CDPoint{0.0, 0.0});
    ramp.SetPoint(1, CDPoint{1.0, 1.0});
    ramp.UpdateCurve();
    segment.m_carrier.SetGraph(ramp);
    CSoundTone tone;
    rig.Prepare(tone, segment);
    ASSERT_TRUE(tone.Init());

    const auto frames = vtest::Render(tone, kRate * kSeconds);
    const double bound = kTwoPi * 1000.0 / kRate * 1.001;
    double largest = 0.0;
    int crossings = 0;
    for (std::size_t i = 1; i < frames.size(); ++i)
    {
        largest = std::max(largest, double(std::abs(frames[i].left - frames[i - 1].left)));
        if (frames[i - 1].left < 0.0f && frames[i].left >= 0.0f)
            ++crossings;
    }
    EXPECT_LT(largest, bound);
    // The glide really happens: a mean of 515 Hz over 3 s is about 1545 cycles.
    EXPECT_NEAR(crossings, 1545, 40);
}

TEST(CSoundTone, RenderingAllocatesNothing)
{
    constexpr unsigned kRate = 44100;
    vtest::GeneratorRig rig(kRate, 2);
    CSegmentTone segment;
    MakeToneSegment(segment);
    segment.m_brainwaves.m_enabled = true;
    segment.m_overtones.SetValue(9.0);
    CSoundTone tone;
    rig.Prepare(tone, segment);
    ASSERT_TRUE(tone.Init());
    CStereoFrame frame;
    vtest::AllocationScope scope;
    for (unsigned i = 0; i < kRate; ++i)
    {
        tone.GetSample(frame);
        tone.PostProcess(frame);
        ++tone.m_position;
        ++tone.m_absoluteFrame;
    }
    EXPECT_EQ(scope.Count(), 0u);
}

// Through the real engine: the factory's tone segment makes its beat from two carriers at the
// tone's base gain of 0.15, whatever the sizes of the device's requests.
TEST(CSoundTone, SoundsThroughTheMixerAtItsBaseGain)
{
    constexpr std::uint32_t kRate = 11025;
    constexpr std::uint32_t kFrames = 4 * kRate;
    auto render = [&](std::uint32_t request)
    {
        vtest::ProbeSession session(kRate, 5);
        session.brainwaves.m_property.SetValue(10.0);
        const std::int32_t track = session.AddTrack(CSegment::kKindTone);
        auto& tone = dynamic_cast<CSegmentTone&>(session.AddSegment(track, 0.0, 1.0));
        tone.m_carrier.SetValue(200.0);
        tone.m_overtones.SetValue(0.0);
        tone.m_brainwaves.m_enabled = true;
        CMixer mixer;
        mixer.SetSoundFactory(
            [](std::int32_t kind) -> std::unique_ptr<CSound>
            { return kind == CSegment::kKindTone ? std::make_unique<CSoundTone>() : nullptr; });
        rt::OfflineRenderer renderer(mixer);
        std::vector<float> out(kFrames * 2);
        EXPECT_TRUE(renderer.Start(session.params));
        EXPECT_EQ(renderer.Render(out.data(), kFrames, vtest::Fixed(request)), kFrames);
        renderer.Stop();
        EXPECT_TRUE(session.events.Errors().empty());
        return out;
    };
    const auto out = render(20000);
    std::vector<double> left;
    std::vector<double> right;
    for (std::uint32_t i = 0; i < kFrames; ++i)
    {
        left.push_back(out[2 * i]);
        right.push_back(out[2 * i + 1]);
    }
    EXPECT_NEAR(vtest::PeakHz(left, kRate, 150.0, 250.0), 195.0, 0.5);
    EXPECT_NEAR(vtest::PeakHz(right, kRate, 150.0, 250.0), 205.0, 0.5);
    EXPECT_NEAR(vtest::AmplitudeAt(left, kRate, 195.0), 0.15, 0.005);
    EXPECT_NEAR(vtest::AmplitudeAt(right, kRate, 205.0), 0.15, 0.005);
    EXPECT_EQ(render(333), out);
}

} // namespace
