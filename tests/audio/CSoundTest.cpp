#include "audio/CSound.h"

#include "audio/CEffectsProcessor.h"
#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "model/CSegments.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// A generator that emits 1.0 on both channels, with the base gain and fades of a kind.
class UnitSound : public CSound
{
public:
    explicit UnitSound(double baseGain = 1.0, bool fades = true) : m_baseGain(baseGain), m_fades(fades) {}
    bool GetSample(CStereoFrame& frame) override
    {
        frame = {1.0f, 1.0f};
        return true;
    }
    double GetBaseGain() const noexcept override { return m_baseGain; }
    bool HasFades() const noexcept override { return m_fades; }

private:
    double m_baseGain;
    bool m_fades;
};

// Records what the sound asks of the track's processor and can be told to fail.
class SpyProcessor : public CEffectsProcessor
{
public:
    bool Init(int rate, bool enhance, bool reverb, bool echo, bool chorus) override
    {
        m_inits.push_back({rate, enhance, reverb, echo, chorus});
        return m_failInit ? false : CEffectsProcessor::Init(rate, enhance, reverb, echo, chorus);
    }
    bool Terminate() noexcept override
    {
        ++m_terminates;
        return m_failTerminate ? false : CEffectsProcessor::Terminate();
    }
    struct InitCall
    {
        int rate;
        bool enhance, reverb, echo, chorus;
    };
    std::vector<InitCall> m_inits;
    int m_terminates = 0;
    bool m_failInit = false;
    bool m_failTerminate = false;
};

CGraph Ramp()
{
    CGraph g;
    g.SetPoint(0, {0.0, 0.0});
    g.SetPoint(1, {1.0, 1.0});
    g.UpdateCurve();
    return g;
}

// A tone segment at volume 100, centred, with a sound prepared as the mixer does.
struct Fixture
{
    explicit Fixture(std::uint32_t length = 1000, std::uint32_t rate = 44100, double baseGain = 1.0,
                     bool fades = false)
        : segment(CSegments::CreateSegment(CSegment::kKindTone)), sound(baseGain, fades)
    {
        segment->m_volume.SetValue(100);
        sound.m_rate = rate;
        sound.m_sessionSeconds = 60;
        sound.m_segment = segment.get();
        sound.m_effects = &fx;
        sound.m_segmentStart = 500;
        sound.m_segmentEnd = 500 + length;
        sound.m_segmentLength = length;
        sound.m_absoluteFrame = 500;
        sound.m_brainwavesGlobal = &brainwaves;
        sound.m_bilateralGlobal = &bilateral;
    }
    // The frame at position @p p, as the mixer renders it.
    CStereoFrame FrameAt(std::uint32_t p)
    {
        sound.m_position = p;
        CStereoFrame f;
        sound.GetSample(f);
        sound.PostProcess(f);
        return f;
    }

    CSegments::SegmentPtr segment;
    SpyProcessor fx;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    UnitSound sound;
};

} // namespace

TEST(CSound, FadeTable)
{
    struct Case
    {
        const char* name;
        std::uint32_t length, fade, position;
        double expected;
        std::uint32_t fadeAfter;
    };
    const Case cases[] = {
        {"rise starts silent", 100, 10, 0, 0.0, 10},
        {"rise halfway", 100, 10, 5, 0.5, 10},
        {"rise ends at F", 100, 10, 10, 1.0, 10},
        {"middle", 100, 10, 50, 1.0, 10},
        {"fall starts at L - F", 100, 10, 90, 1.0, 10},
        {"fall halfway", 100, 10, 95, 0.5, 10},
        {"fall ends at L", 100, 10, 100, 0.0, 10},
        {"past a cut-short end stays silent, not negative", 100, 10, 101, 0.0, 10},
        {"short segment: F becomes L/2 - 1", 10, 20, 2, 0.5, 4},
        {"short segment: rise ends before the middle", 10, 20, 4, 1.0, 4},
        {"short segment: the middle", 10, 20, 5, 1.0, 4},
        {"short segment: fall after the middle", 10, 20, 8, 0.5, 4},
        {"L = 2F: rise ends where the fall begins", 20, 10, 10, 1.0, 10},
        {"L = 2F: fall right after", 20, 10, 11, 0.9, 10},
        {"no fade frames: no fade", 100, 0, 0, 1.0, 0},
        {"L = 0", 0, 5, 0, 1.0, 0},
        {"L = 1", 1, 5, 0, 1.0, 0},
        {"L = 2 (divided 0 by 0)", 2, 5, 1, 1.0, 0},
        {"L = 3 (divided 0 by 0)", 3, 5, 2, 1.0, 0},
        {"L = 4: F = 1", 4, 5, 0, 0.0, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Fixture f(c.length, 44100, 1.0, true);
        f.sound.m_fadeFrames = c.fade;
        f.sound.m_position = c.position;
        EXPECT_DOUBLE_EQ(f.sound.GetFade(), c.expected);
        EXPECT_EQ(f.sound.m_fadeFrames, c.fadeAfter);
    }

    Fixture noFades(100, 44100, 1.0, false);
    noFades.sound.m_fadeFrames = 10;
    EXPECT_EQ(noFades.sound.GetFade(), 1.0);
}

TEST(CSound, BaseGainAndFadesByKind)
{
    struct Case
    {
        std::int32_t kind;
        double gain;
        bool fades, fadesWhenLooping;
    };
    const Case cases[] = {
        {CSegment::kKindVoice, 1.0, false, false},      {CSegment::kKindAmbientMusic, 1.0, true, true},
        {CSegment::kKindNature, 1.0, true, true},       {CSegment::kKindBells, 0.25, true, true},
        {CSegment::kKindTone, 0.15, true, true},        {CSegment::kKindNoise, 1.0, true, true},
        {CSegment::kKindBreathwork, 1.0, false, false}, {CSegment::kKindExternalAudio, 1.0, false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(CSound::BaseGainOfKind(c.kind), c.gain);
        EXPECT_EQ(CSound::KindHasFades(c.kind, false), c.fades);
        EXPECT_EQ(CSound::KindHasFades(c.kind, true), c.fadesWhenLooping);
        // The gain reaches the samples: a unit generator at volume 50 gives gain x 0.5.
        Fixture f(1000, 44100, CSound::BaseGainOfKind(c.kind));
        f.segment->m_volume.SetValue(50);
        const CStereoFrame out = f.FrameAt(500);
        EXPECT_FLOAT_EQ(out.left, float(0.5 * c.gain));
        EXPECT_FLOAT_EQ(out.right, float(0.5 * c.gain));
    }
}

TEST(CSound, BalanceLaw)
{
    struct Case
    {
        double balance, left, right;
    };
    for (const Case c : {Case{50, 1, 1}, Case{100, 0, 1}, Case{0, 1, 0}, Case{75, 0.5, 1}, Case{25, 1, 0.5}})
    {
        SCOPED_TRACE(c.balance);
        Fixture f;
        f.segment->m_balance.SetValue(c.balance);
        const CStereoFrame out = f.FrameAt(500);
        EXPECT_FLOAT_EQ(out.left, float(c.left));
        EXPECT_FLOAT_EQ(out.right, float(c.right));
    }
}

// The settings' time fraction is p / (L - 1), which passes 1 on the last frames of a segment
// (it sounds from its start frame to its end frame, both included): a volume graph must hold
// its end value there instead of dropping to the graph's outside value for a frame.
TEST(CSound, VolumeGraphHoldsItsEndOnTheLastFrames)
{
    Fixture f(1000);
    f.segment->m_volume.SetGraph(Ramp());
    ASSERT_TRUE(f.sound.Init());
    EXPECT_FLOAT_EQ(f.FrameAt(0).left, 0.0f);
    EXPECT_NEAR(f.FrameAt(333).left, 1.0 / 3, 1e-6);
    EXPECT_FLOAT_EQ(f.FrameAt(999).left, 1.0f);
    EXPECT_FLOAT_EQ(f.FrameAt(1000).left, 1.0f);
    EXPECT_TRUE(f.sound.Terminate());
}

// Both modulations act on the gained, faded and balanced frame, entrainment first. Both are
// gains, so the order shows only in rounding; what must hold is that each is applied once.
TEST(CSound, EntrainmentThenBilateralOnEveryFrame)
{
    Fixture f(44100);
    f.segment->m_volume.SetValue(50);
    CBrainwavesLocal& bw = f.segment->m_brainwaves;
    bw.m_enabled = true;
    bw.m_method = CBrainwavesLocal::kMethodIsochronic;
    bw.m_ownFrequency = true;
    bw.m_frequency.SetValue(7);
    bw.m_depth.SetValue(80);
    CBilateralLocal& bl = f.segment->m_bilateral;
    bl.m_enabled = true;
    bl.m_ownRate = true;
    bl.m_rate.SetValue(300);
    bl.m_depth.SetValue(100);
    bl.m_delay.SetValue(0);
    ASSERT_TRUE(f.sound.Init());

    // Copies of the two settings, bound the same way, give the gains frame by frame.
    CBrainwavesLocal bwAlone;
    bwAlone.CopyFrom(bw);
    bwAlone.Setup(nullptr, 500, 44100, 500, 500 + 44100);
    CBilateralLocal blAlone;
    blAlone.CopyFrom(bl);
    blAlone.Setup(nullptr, 500, 44100, 500, 500 + 44100);
    double distinctGains = 0;
    for (std::uint32_t p = 0; p < 44100; p += 1)
    {
        double l = 0.5, r = 0.5;
        bwAlone.Process(l, r);
        blAlone.Process(l, r);
        f.sound.m_position = p;
        CStereoFrame out;
        f.sound.GetSample(out);
        f.sound.PostProcess(out);
        ASSERT_FLOAT_EQ(out.left, float(l)) << p;
        ASSERT_FLOAT_EQ(out.right, float(r)) << p;
        distinctGains += std::abs(l - r);
    }
    EXPECT_GT(distinctGains, 1000.0); // the bilateral movement did separate the sides
}

// The effect levels go to the processor divided by 100, at p / L.
TEST(CSound, UpdateEffectsPassesTheLevelsAtPOverL)
{
    Fixture f(1000);
    auto& levels = f.segment->m_effects.m_level;
    levels[CEffectsLocal::kEnhance].SetValue(10);
    levels[CEffectsLocal::kReverb].SetValue(20);
    levels[CEffectsLocal::kEcho].SetValue(30);
    levels[CEffectsLocal::kChorus].SetGraph(Ramp());
    ASSERT_TRUE(f.sound.Init());
    for (std::uint32_t p : {0u, 250u, 999u, 1000u})
    {
        SCOPED_TRACE(p);
        f.FrameAt(p);
        EXPECT_DOUBLE_EQ(f.fx.GetEnhanceLevel(), 0.1);
        EXPECT_DOUBLE_EQ(f.fx.GetReverbLevel(), 0.2);
        EXPECT_DOUBLE_EQ(f.fx.GetEchoLevel(), 0.3);
        EXPECT_NEAR(f.fx.GetChorusLevel(), p / 1000.0, 1e-9);
    }
}

TEST(CSound, InitAndTerminateDriveTheTrackEffects)
{
    Fixture f;
    auto& on = f.segment->m_effects.m_switch;
    on[CEffectsLocal::kReverb] = true;
    on[CEffectsLocal::kChorus] = true;
    EXPECT_FALSE(f.sound.IsEffectsRunning());
    ASSERT_TRUE(f.sound.Init());
    ASSERT_EQ(f.fx.m_inits.size(), 1u);
    const SpyProcessor::InitCall& call = f.fx.m_inits[0];
    EXPECT_EQ(call.rate, 44100);
    EXPECT_FALSE(call.enhance);
    EXPECT_TRUE(call.reverb);
    EXPECT_FALSE(call.echo);
    EXPECT_TRUE(call.chorus);
    EXPECT_TRUE(f.sound.IsEffectsRunning());
    EXPECT_TRUE(f.fx.IsRunning());
    EXPECT_TRUE(f.sound.Terminate());
    EXPECT_FALSE(f.sound.IsEffectsRunning());
    EXPECT_FALSE(f.fx.IsRunning());
    EXPECT_TRUE(f.sound.Terminate()); // not running: nothing to do
    EXPECT_EQ(f.fx.m_terminates, 1);
    EXPECT_TRUE(f.sound.GetErrorText().isEmpty());
}

TEST(CSound, EffectsFailuresAreReportedWithTheirTexts)
{
    {
        Fixture f;
        f.fx.m_failInit = true;
        EXPECT_FALSE(f.sound.Init());
        EXPECT_EQ(f.sound.GetErrorText(), "Failed to initialize the segment effects.");
        EXPECT_FALSE(f.sound.IsEffectsRunning());
    }
    {
        Fixture f;
        ASSERT_TRUE(f.sound.Init());
        f.fx.m_failTerminate = true;
        EXPECT_FALSE(f.sound.Terminate());
        EXPECT_EQ(f.sound.GetErrorText(), "Failed to terminate a segment effects.");
        EXPECT_TRUE(f.sound.IsEffectsRunning());
        f.fx.m_failTerminate = false;
    }
    {
        Fixture f;
        f.sound.m_rate = 0; // no processor starts at rate 0
        EXPECT_FALSE(f.sound.Init());
        EXPECT_EQ(f.sound.GetErrorText(), "Failed to initialize the segment effects.");
    }
}

// A stop in mid-segment deletes the sound without Terminate: the effects still stop.
TEST(CSound, DestructorStopsRunningEffects)
{
    SpyProcessor fx;
    auto segment = CSegments::CreateSegment(CSegment::kKindNoise);
    {
        UnitSound sound;
        sound.m_rate = 48000;
        sound.m_segment = segment.get();
        sound.m_effects = &fx;
        sound.m_segmentLength = 100;
        ASSERT_TRUE(sound.Init());
        EXPECT_TRUE(fx.IsRunning());
    }
    EXPECT_EQ(fx.m_terminates, 1);
    EXPECT_FALSE(fx.IsRunning());
}

// Init starts the walk of every property evaluated frame by frame for the segment: a started
// walk takes a new target every rate frames (here 100), an unstarted one every 44100, so over
// 1000 evaluations only a started walk bends.
TEST(CSound, InitStartsTheWalksOfEveryPropertyEvaluatedPerFrame)
{
    plat::SetRandomSeedOverride(7);
    using Pick = CSmartProperty& (*)(CSegment&);
    struct Case
    {
        const char* name;
        Pick pick;
    };
    const Case cases[] = {
        {"volume", [](CSegment& s) -> CSmartProperty& { return s.m_volume; }},
        {"balance", [](CSegment& s) -> CSmartProperty& { return s.m_balance; }},
        {"enhance level",
         [](CSegment& s) -> CSmartProperty& { return s.m_effects.m_level[CEffectsLocal::kEnhance]; }},
        {"reverb level",
         [](CSegment& s) -> CSmartProperty& { return s.m_effects.m_level[CEffectsLocal::kReverb]; }},
        {"echo level",
         [](CSegment& s) -> CSmartProperty& { return s.m_effects.m_level[CEffectsLocal::kEcho]; }},
        {"chorus level",
         [](CSegment& s) -> CSmartProperty& { return s.m_effects.m_level[CEffectsLocal::kChorus]; }},
        {"entrainment depth", [](CSegment& s) -> CSmartProperty& { return s.m_brainwaves.m_depth; }},
        {"entrainment frequency", [](CSegment& s) -> CSmartProperty& { return s.m_brainwaves.m_frequency; }},
        {"bilateral depth", [](CSegment& s) -> CSmartProperty& { return s.m_bilateral.m_depth; }},
        {"bilateral delay", [](CSegment& s) -> CSmartProperty& { return s.m_bilateral.m_delay; }},
        {"bilateral rate", [](CSegment& s) -> CSmartProperty& { return s.m_bilateral.m_rate; }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Fixture f(1000, 100);
        CSmartProperty& p = c.pick(*f.segment);
        p.GetAutoGraph().m_changeRate = CAutoGraph::kFastestRate;
        p.SetMode(CSmartProperty::kModeAutoGraph);
        ASSERT_TRUE(f.sound.Init());
        std::vector<double> values;
        for (int i = 0; i < 1000; ++i)
            values.push_back(p.GetValueAt(0.5));
        int bends = 0;
        for (std::size_t i = 2; i < values.size(); ++i)
            bends += std::abs(values[i] - 2 * values[i - 1] + values[i - 2]) > 1e-9;
        EXPECT_GE(bends, 5);
        EXPECT_TRUE(f.sound.Terminate());
    }
    plat::SetRandomSeedOverride(std::nullopt);
}

// The walks also run through the frames the sound renders: volume reaches the samples and a
// level the processor.
TEST(CSound, WalkingVolumeAndLevelReachTheOutput)
{
    Fixture f(1000, 100);
    f.segment->m_volume.SetMode(CSmartProperty::kModeAutoGraph);
    f.segment->m_effects.m_level[CEffectsLocal::kReverb].SetMode(CSmartProperty::kModeAutoGraph);
    ASSERT_TRUE(f.sound.Init());
    double lowest = 1, highest = 0, lowestLevel = 1, highestLevel = 0;
    for (std::uint32_t i = 0; i < 1000; ++i)
    {
        const float v = f.FrameAt(i).left;
        lowest = std::min<double>(lowest, v);
        highest = std::max<double>(highest, v);
        lowestLevel = std::min(lowestLevel, f.fx.GetReverbLevel());
        highestLevel = std::max(highestLevel, f.fx.GetReverbLevel());
    }
    EXPECT_GT(highest - lowest, 0.01);
    EXPECT_GT(highestLevel - lowestLevel, 0.01);
    EXPECT_TRUE(f.sound.Terminate());
}

// A one-frame (and a zero-frame) segment with every setting on a graph: t = 0 / 0 must not
// reach a graph or a fade as NaN.
TEST(CSound, OneFrameSegmentWithEveryPropertyOnAGraphStaysFinite)
{
    for (std::uint32_t length : {0u, 1u})
    {
        SCOPED_TRACE(length);
        Fixture f(length, 44100, 1.0, true);
        f.sound.m_fadeFrames = 44100;
        CSegment& s = *f.segment;
        s.m_volume.SetGraph(Ramp());
        s.m_balance.SetGraph(Ramp());
        for (std::size_t i = 0; i < CEffectsLocal::kEffectCount; ++i)
        {
            s.m_effects.m_switch[i] = true;
            s.m_effects.m_level[i].SetGraph(Ramp());
        }
        s.m_brainwaves.m_enabled = true;
        s.m_brainwaves.m_depth.SetGraph(Ramp());
        s.m_bilateral.m_enabled = true;
        s.m_bilateral.m_depth.SetGraph(Ramp());
        ASSERT_TRUE(f.sound.Init());
        std::vector<CStereoFrame> block(2);
        block[0] = f.FrameAt(0);
        block[1] = f.FrameAt(1);
        EXPECT_EQ(f.fx.Process(block.data(), 2), 2u);
        for (const CStereoFrame& fr : block)
        {
            EXPECT_TRUE(std::isfinite(fr.left));
            EXPECT_TRUE(std::isfinite(fr.right));
        }
        for (double level :
             {f.fx.GetEnhanceLevel(), f.fx.GetReverbLevel(), f.fx.GetEchoLevel(), f.fx.GetChorusLevel()})
            EXPECT_TRUE(std::isfinite(level));
        EXPECT_TRUE(f.sound.Terminate());
    }
}
