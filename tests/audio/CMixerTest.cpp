#include "MixerFixtures.h"

#include "audio/MixerBlockQueue.h"
#include "platform/audio/AudioSystem.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <numeric>
#include <random>

namespace
{

using namespace std::chrono_literals;
using vtest::Fixed;
using vtest::ProbeSession;
using vtest::ProbeSound;
using vtest::RenderOffline;
using vtest::SoundEvent;

float Left(const std::vector<float>& out, std::size_t frame)
{
    return out[2 * frame];
}
float Right(const std::vector<float>& out, std::size_t frame)
{
    return out[2 * frame + 1];
}

// A stream asks in bytes and the mixer answers whole frames, never more than one block: an
// answer in frames, or one past the block, would overrun the stream's buffer.
TEST(CMixer, AnswersRequestsInWholeFramesOfAtMostOneBlock)
{
    struct Case
    {
        const char* name;
        std::uint32_t bytes;
        std::uint32_t answer;
    } cases[] = {
        {"more than a block", 200000, 160000}, {"exactly a block", 160000, 160000},
        {"small request", 800, 800},           {"part of a frame is left out", 803, 800},
        {"less than a frame", 7, 0},
    };
    ProbeSession session(1000, 60);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.PlayOffline(session.params, nullptr));
    std::vector<float> buffer(60000, -1.0f);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mixer.StreamProc(buffer.data(), c.bytes), c.answer);
    }
    mixer.Stop();
    // A stopped mixer gives no data.
    EXPECT_EQ(mixer.StreamProc(buffer.data(), 800), 0u);
}

// Rate 1000 Hz, 8 s: the fractions below fall on whole frames (0.25 is frame 2000).
struct WalkCase
{
    const char* name;
    double start;
    std::vector<std::pair<double, double>> segments;
    // Expected left samples (positions) at some frames relative to the start; -1 is silence.
    std::vector<std::pair<std::uint32_t, float>> samples;
    std::vector<SoundEvent> events;
};

class MixerWalk : public ::testing::TestWithParam<WalkCase>
{
};

TEST_P(MixerWalk, SoundsEachSegmentFromItsStartFrameToItsEndFrame)
{
    const WalkCase& c = GetParam();
    ProbeSession session(1000, 8);
    const auto track = session.AddTrack();
    for (auto [b, e] : c.segments)
        session.AddSegment(track, b, e);
    session.params.m_startFraction = c.start;
    const std::uint32_t startFrame = static_cast<std::uint32_t>(c.start * 8000);
    const auto out = RenderOffline(session, 8000 - startFrame, Fixed(700));
    ASSERT_FALSE(out.empty());
    for (auto [frame, left] : c.samples)
    {
        SCOPED_TRACE(frame);
        const std::size_t at = frame - startFrame;
        if (left < 0)
        {
            EXPECT_EQ(Left(out, at), 0.0f);
            EXPECT_EQ(Right(out, at), 0.0f);
        }
        else
        {
            EXPECT_EQ(Left(out, at), left);
            EXPECT_EQ(Right(out, at), 1.0f);
        }
    }
    EXPECT_EQ(session.scripts[0]->events, c.events);
}

using E = SoundEvent;
INSTANTIATE_TEST_SUITE_P(
    Cases, MixerWalk,
    ::testing::Values(
        // Starting inside a segment starts its sound part-way, at start - segment start.
        WalkCase{"StartInsideSegment",
                 0.375,
                 {{0.25, 0.5}},
                 {{3000, 1000.0f}, {3999, 1999.0f}, {4000, 2000.0f}, {4001, -1}},
                 {{E::kInit, 1000, 3000}, {E::kTerminate, 2001, 4001}}},
        // Before a segment the track is silent until the segment's start frame, which sounds
        // at position 0; the end frame sounds too.
        WalkCase{"StartBeforeSegment",
                 0.0,
                 {{0.25, 0.5}},
                 {{0, -1}, {1999, -1}, {2000, 0.0f}, {4000, 2000.0f}, {4001, -1}, {7999, -1}},
                 {{E::kInit, 0, 2000}, {E::kTerminate, 2001, 4001}}},
        // Segments that all end before the start leave the track silent throughout.
        WalkCase{"AllSegmentsBeforeStart", 0.75, {{0.0, 0.25}, {0.25, 0.5}}, {{6000, -1}, {7999, -1}}, {}},
        // Adjacent segments share frame e: the first sounds on it and terminates, the second
        // starts on e + 1 at position 1.
        WalkCase{"AdjacentSegments",
                 0.0,
                 {{0.25, 0.5}, {0.5, 0.75}},
                 {{4000, 2000.0f}, {4001, 1.0f}, {6000, 2000.0f}, {6001, -1}},
                 {{E::kInit, 0, 2000},
                  {E::kTerminate, 2001, 4001},
                  {E::kInit, 1, 4001},
                  {E::kTerminate, 2001, 6001}}},
        // A segment of a single frame sounds on that frame and ends there.
        WalkCase{"OneFrameSegment",
                 0.0,
                 {{0.5, 0.5}},
                 {{3999, -1}, {4000, 0.0f}, {4001, -1}},
                 {{E::kInit, 0, 4000}, {E::kTerminate, 1, 4001}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CMixer, MutedTrackIsSilentAndPreviewPlaysOnlyThePreviewedTrack)
{
    ProbeSession session(1000, 8);
    const auto loud = session.AddTrack();
    const auto muted = session.AddTrack();
    session.AddSegment(loud, 0.0, 1.0);
    // The previewed segment (index 2) has neighbours that touch it on both sides.
    session.AddSegment(muted, 0.0, 0.25);
    session.AddSegment(muted, 0.25, 0.5);
    session.AddSegment(muted, 0.5, 0.75);
    session.AddSegment(muted, 0.75, 1.0);
    session.tracks.MuteTrack(muted);
    for (auto& s : session.scripts)
        s->signal = ProbeSound::Script::kDc;

    {
        SCOPED_TRACE("muted");
        const auto out = RenderOffline(session, 8000, Fixed(1000));
        for (std::size_t f = 0; f < 8000; f += 97)
            ASSERT_EQ(Left(out, f), 1.0f) << f; // the loud track alone
        EXPECT_TRUE(session.scripts[1]->events.empty());
    }
    {
        SCOPED_TRACE("preview of the muted track's third segment");
        session.scripts[0]->events.clear();
        session.params.m_startFraction = 0.0;
        session.params.m_previewOnly = true;
        session.params.m_previewTrack = muted;
        session.params.m_previewSegment = 2;
        CMixer mixer;
        session.Install(mixer);
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(session.params));
        // The start moves to the previewed segment, in the caller's request too.
        EXPECT_EQ(session.params.m_startFraction, 0.5);
        EXPECT_TRUE(mixer.IsPlaying());
        std::vector<float> out(3000 * 2);
        renderer.Render(out.data(), 3000, Fixed(500));
        for (std::size_t f = 0; f <= 2000; f += 50)
            ASSERT_EQ(Left(out, f), 1.0f) << f;
        // After the segment: zeros go on being delivered, and the mixer says it has finished.
        for (std::size_t f = 2001; f < 3000; ++f)
            ASSERT_EQ(Left(out, f), 0.0f) << f;
        EXPECT_FALSE(mixer.IsPlaying());
        EXPECT_EQ(renderer.Request(out.data(), 400), 400u);
        EXPECT_TRUE(session.scripts[0]->events.empty());
        EXPECT_EQ(
            session.scripts[1]->events,
            (std::vector<SoundEvent>{{SoundEvent::kInit, 0, 4000}, {SoundEvent::kTerminate, 2001, 6001}}));
        renderer.Stop();
    }
}

// A preview of a segment the engine skips never started, and the mixer said it was playing
// until the session's end: the preview ends at once, in silence.
TEST(CMixer, PreviewOfASkippedSegmentEndsAtOnce)
{
    const struct
    {
        const char* name;
        bool otherKind;
    } cases[] = {{"ends before it begins", false}, {"of another kind than its track", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProbeSession session(1000, 8);
        const auto track = session.AddTrack();
        session.AddSegment(track, 0.0, 0.25);
        if (c.otherKind)
        {
            auto tone = CSegments::CreateSegment(CSegment::kKindTone);
            tone->m_begin = 0.5;
            tone->m_end = 0.75;
            session.tracks.GetTrack(track).m_segments.AddSegment(std::move(tone));
        }
        else
            session.AddSegment(track, 0.6, 0.4);
        for (auto& s : session.scripts)
            s->signal = ProbeSound::Script::kDc;
        session.params.m_previewOnly = true;
        session.params.m_previewTrack = track;
        session.params.m_previewSegment = 1;
        CMixer mixer;
        session.Install(mixer);
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(session.params));
        std::vector<float> out(500 * 2, 1.0f);
        renderer.Render(out.data(), 500, Fixed(500));
        EXPECT_FALSE(mixer.IsPlaying());
        for (std::size_t f = 0; f < 500; ++f)
            ASSERT_EQ(Left(out, f), 0.0f) << f;
        EXPECT_TRUE(session.scripts[0]->events.empty());
        renderer.Stop();
    }
}

TEST(CMixer, AfterTheSessionEndDeliversSilenceAndThePositionGoesOn)
{
    ProbeSession session(1000, 2);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kDc;
    CMixer mixer;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    ASSERT_TRUE(renderer.Start(session.params));
    std::vector<float> out(4000 * 2);
    renderer.Render(out.data(), 2000, Fixed(600)); // the last block passes the end: rendered whole
    EXPECT_EQ(Left(out, 1999), 1.0f);
    renderer.Render(out.data(), 4000, Fixed(900));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; }));
    EXPECT_FALSE(mixer.IsPlaying());
    EXPECT_NEAR(mixer.GetPosition(), 6.0, 1e-9);
}

TEST(CMixer, GeneratorFailurePostsOneErrorThenSilence)
{
    ProbeSession session(1000, 8);
    const auto a = session.AddTrack();
    const auto b = session.AddTrack();
    session.AddSegment(a, 0.0, 1.0);
    session.AddSegment(b, 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kDc;
    session.scripts[1]->signal = ProbeSound::Script::kDc;
    session.scripts[1]->failAtFrame = 1234;
    CMixer mixer;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    ASSERT_TRUE(renderer.Start(session.params));
    std::vector<float> out(8000 * 2, -1.0f);
    EXPECT_EQ(renderer.Render(out.data(), 8000, Fixed(1000)), 8000u); // the worker keeps answering
    EXPECT_EQ(Left(out, 999), 2.0f);
    // The failing block is silent as a whole, and so is everything after it.
    for (std::size_t f = 1000; f < 8000; ++f)
        ASSERT_EQ(Left(out, f), 0.0f) << f;
    renderer.Stop();
    const auto errors = session.events.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QStringLiteral("probe read failed"));
}

TEST(CMixer, StartFailuresShowTheirMessageAndLeaveNothingRunning)
{
    struct Case
    {
        const char* name;
        std::function<void(ProbeSession&, CMixer&)> arrange;
        const char* message;
    } cases[] = {
        {"no generator for the kind",
         [](ProbeSession&, CMixer& m) { m.SetSoundFactory([](std::int32_t) { return nullptr; }); },
         "Failed to allocate a mixer memory sound object."},
        {"generator factory runs out of memory",
         [](ProbeSession&, CMixer& m)
         {
             m.SetSoundFactory([](std::int32_t) -> std::unique_ptr<CSound> { throw std::bad_alloc(); });
         },
         "Failed to allocate a mixer memory sound object."},
        // Nothing to play: no message of the engine's own, and nothing starts.
        {"preview of a segment that does not exist",
         [](ProbeSession& s, CMixer& m)
         {
             s.Install(m);
             s.params.m_previewOnly = true;
             s.params.m_previewTrack = 0;
             s.params.m_previewSegment = 1;
         },
         nullptr},
        {"preview of a track that does not exist",
         [](ProbeSession& s, CMixer& m)
         {
             s.Install(m);
             s.params.m_previewOnly = true;
             s.params.m_previewTrack = -1;
             s.params.m_previewSegment = 0;
         },
         nullptr},
        {"no tracks", [](ProbeSession& s, CMixer&) { s.params.m_tracks = nullptr; }, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProbeSession session(1000, 8);
        session.AddSegment(session.AddTrack(), 0.0, 1.0);
        CMixer mixer;
        c.arrange(session, mixer);
        EXPECT_FALSE(mixer.Play(session.params, nullptr));
        EXPECT_FALSE(mixer.IsPlaying());
        EXPECT_EQ(mixer.GetPosition(), 0.0);
        const auto messages = session.events.Messages();
        if (c.message == nullptr)
        {
            EXPECT_TRUE(messages.empty());
            continue;
        }
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], QString::fromLatin1(c.message));
    }
}

// A failing Init is reported like a failing read: one text, then silence.
TEST(CMixer, InitFailurePostsTheGeneratorsText)
{
    ProbeSession session(1000, 8);
    session.AddSegment(session.AddTrack(), 0.25, 1.0);
    session.scripts[0]->failInit = true;
    const auto out = RenderOffline(session, 8000, Fixed(3000));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; }));
    const auto errors = session.events.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QStringLiteral("probe init failed"));
}

// Empty tracks need no generator, and a segment of another kind than its track is never
// handed to the track's generator.
TEST(CMixer, SkipsSegmentsOfAnotherKindAndNeedsNoGeneratorForEmptyTracks)
{
    ProbeSession session(1000, 8);
    session.AddTrack(CSegment::kKindVoice); // empty: no generator is asked for
    const auto t = session.AddTrack(CSegment::kKindNoise);
    session.AddSegment(t, 0.0, 0.25);
    auto stranger = CSegments::CreateSegment(CSegment::kKindTone);
    stranger->m_begin = 0.5;
    stranger->m_end = 0.75;
    stranger->m_volume.SetValue(100.0);
    session.tracks.GetTrack(t).m_segments.AddSegment(stranger);
    session.scripts[1]->signal = ProbeSound::Script::kDc;
    const auto out = RenderOffline(session, 8000, Fixed(1000));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Left(out, 100), 1.0f);
    for (std::size_t f = 4000; f <= 6000; f += 100)
        ASSERT_EQ(Left(out, f), 0.0f) << f;
    EXPECT_EQ(session.scripts[1]->events.size(), 2u); // the noise segment's Init and Terminate only
    EXPECT_TRUE(session.events.Messages().empty());
}

TEST(CMixer, SpectrumBandEdges)
{
    EXPECT_EQ(CMixer::BandEdges(16),
              (std::vector<int>{1, 2, 3, 4, 6, 10, 16, 25, 40, 64, 101, 161, 256, 406, 645, 1023}));
    EXPECT_EQ(CMixer::BandEdges(2), (std::vector<int>{1, 1023}));
    // More bands than bins: every band still moves on by a bin, and none reads past the spectrum.
    const auto many = CMixer::BandEdges(1500);
    EXPECT_TRUE(std::is_sorted(many.begin(), many.end()));
    std::vector<float> magnitudes(1024, 1.0f);
    std::vector<double> bands(1500, -1.0);
    CMixer::BandsFromMagnitudes(magnitudes.data(), bands);
    EXPECT_TRUE(std::all_of(bands.begin(), bands.end(), [](double v) { return v >= 0.0 && v <= 1.0; }));
}

// Renders a sine of @p amplitude at @p hz for half a second and returns the mixer's read-outs.
struct ReadOut
{
    double left = -1, right = -1;
    std::vector<double> bands;
};
ReadOut ReadAfterSine(double amplitude, double hz,
                      ProbeSound::Script::Signal signal = ProbeSound::Script::kSine)
{
    ProbeSession session(44100, 10);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = signal;
    session.scripts[0]->amplitude = amplitude;
    session.scripts[0]->hz = hz;
    CMixer mixer;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    EXPECT_TRUE(renderer.Start(session.params));
    std::vector<float> out(22050 * 2);
    renderer.Render(out.data(), 22050, Fixed(4410));
    ReadOut r;
    mixer.GetLevels(r.left, r.right);
    r.bands.assign(16, -1.0);
    mixer.GetSpectrum(r.bands);
    renderer.Stop();
    return r;
}

TEST(CMixer, LevelsArePeaksOfWhatWasPlayedClampedToOne)
{
    struct Case
    {
        const char* name;
        double amplitude;
        double expected;
    } cases[] = {
        {"full scale", 1.0, 1.0}, {"half scale", 0.5, 0.5}, {"6 dB over", 2.0, 1.0}, {"silence", 0.0, 0.0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const ReadOut r = ReadAfterSine(c.amplitude, 441.0);
        EXPECT_NEAR(r.left, c.expected, 0.01);
        EXPECT_NEAR(r.right, c.expected, 0.01);
    }
}

TEST(CMixer, SpectrumShowsASineInItsBandAndSilenceAsZeros)
{
    // 1 kHz at 44.1 kHz is bin 46.4: band 9 holds bins 40..63.
    const ReadOut sine = ReadAfterSine(0.5, 1000.0);
    const auto peak = std::max_element(sine.bands.begin(), sine.bands.end()) - sine.bands.begin();
    EXPECT_EQ(peak, 9);
    EXPECT_GT(sine.bands[9], 0.1);

    const ReadOut silence = ReadAfterSine(0.0, 1000.0);
    EXPECT_TRUE(std::all_of(silence.bands.begin(), silence.bands.end(), [](double v) { return v == 0.0; }));

    CMixer idle;
    std::vector<double> bands(16, -1.0);
    idle.GetSpectrum(bands);
    EXPECT_TRUE(std::all_of(bands.begin(), bands.end(), [](double v) { return v == 0.0; }));
}

// A session with effects, entrainment and bilateral movement, to compare block plans.
void BuildRichSession(ProbeSession& s)
{
    s.brainwaves.m_property.SetValue(7.3); // cycle boundaries fall inside blocks
    const auto a = s.AddTrack();
    CSegment& whole = s.AddSegment(a, 0.0, 1.0);
    whole.m_effects.m_switch[CEffectsLocal::kReverb] = true;
    whole.m_effects.m_switch[CEffectsLocal::kEcho] = true;
    whole.m_effects.m_level[CEffectsLocal::kReverb].SetValue(60.0);
    whole.m_effects.m_level[CEffectsLocal::kEcho].SetValue(40.0);
    whole.m_brainwaves.m_enabled = true;
    whole.m_brainwaves.m_method = CBrainwavesLocal::kMethodIsochronic;
    s.scripts[a]->signal = ProbeSound::Script::kSine;
    s.scripts[a]->amplitude = 0.5;
    s.scripts[a]->hz = 330.0;

    const auto b = s.AddTrack();
    CSegment& part = s.AddSegment(b, 0.3, 0.7);
    part.m_bilateral.m_enabled = true;
    part.m_bilateral.m_cubic = true;
    part.m_bilateral.m_delay.SetValue(5.0);
    part.m_brainwaves.m_enabled = true;
    part.m_brainwaves.m_method = CBrainwavesLocal::kMethodMonaural;
    s.scripts[b]->signal = ProbeSound::Script::kSine;
    s.scripts[b]->amplitude = 0.3;
    s.scripts[b]->hz = 1234.0;
}

TEST(CMixer, OutputDoesNotDependOnBlockSizes)
{
    constexpr std::uint32_t kFrames = 96000;
    ProbeSession reference(48000, 2);
    BuildRichSession(reference);
    const auto expected = RenderOffline(reference, kFrames, Fixed(20000));
    ASSERT_FALSE(expected.empty());
    std::mt19937 random(7);
    struct Plan
    {
        const char* name;
        std::function<std::uint32_t()> next;
    } plans[] = {
        {"256", Fixed(256)},
        {"1024", Fixed(1024)},
        {"random 1..20000", [&] { return std::uniform_int_distribution<std::uint32_t>(1, 20000)(random); }},
        {"single frames then large", [n = 0]() mutable { return ++n < 3000 ? 1u : 19999u; }},
    };
    for (const Plan& plan : plans)
    {
        SCOPED_TRACE(plan.name);
        ProbeSession session(48000, 2);
        BuildRichSession(session);
        const auto out = RenderOffline(session, kFrames, plan.next);
        ASSERT_EQ(out.size(), expected.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < out.size(); ++i)
            worst = std::max(worst, std::abs(double(out[i]) - expected[i]));
        EXPECT_LT(worst, 1e-6);
    }
}

// Every track sees the session clocks as they stood at the block's first frame: a second track
// with the same isochronic pulse must pulse exactly as the first, so two of them give twice one.
TEST(CMixer, TracksOnTheSessionClockGetTheSameEnvelope)
{
    auto build = [](ProbeSession& s, int tracks)
    {
        s.brainwaves.m_property.SetValue(9.7);
        for (int i = 0; i < tracks; ++i)
        {
            const auto t = s.AddTrack();
            CSegment& seg = s.AddSegment(t, 0.0, 1.0);
            seg.m_brainwaves.m_enabled = true;
            seg.m_brainwaves.m_method = CBrainwavesLocal::kMethodIsochronic;
            seg.m_brainwaves.m_depth.SetValue(100.0);
            s.scripts[t]->signal = ProbeSound::Script::kDc;
            s.scripts[t]->amplitude = 0.25;
        }
    };
    ProbeSession one(8000, 4), two(8000, 4);
    build(one, 1);
    build(two, 2);
    const auto a = RenderOffline(one, 32000, Fixed(1500));
    const auto b = RenderOffline(two, 32000, Fixed(1500));
    ASSERT_EQ(a.size(), b.size());
    double worst = 0.0, energy = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        worst = std::max(worst, std::abs(2.0 * a[i] - b[i]));
        energy += a[i] * a[i];
    }
    EXPECT_LT(worst, 1e-6);
    EXPECT_GT(energy, 0.0);
}

// Degenerate segments, zero fades and a generator that emits non-numbers: playback goes on,
// stops at the end and never hands the device a non-number.
TEST(CMixer, DegenerateInputNeitherHangsNorPoisonsTheOutput)
{
    ProbeSession session(1000, 8);
    session.params.m_segmentFadeSeconds = 0.0;
    session.params.m_playlistFadeSeconds = std::nan("");
    const auto a = session.AddTrack();
    CSegment& tiny = session.AddSegment(a, 0.5, 0.5);
    CGraph graph;
    graph.AddPoint({0.0, 10.0});
    graph.AddPoint({1.0, 90.0});
    for (CSmartProperty* p :
         {&tiny.m_volume, &tiny.m_balance, &tiny.m_brainwaves.m_depth, &tiny.m_bilateral.m_depth,
          &tiny.m_effects.m_level[0], &tiny.m_effects.m_level[1]})
        p->SetGraph(graph);
    tiny.m_brainwaves.m_enabled = true;
    tiny.m_bilateral.m_enabled = true;
    tiny.m_effects.m_switch[CEffectsLocal::kReverb] = true;
    session.scripts[a]->signal = ProbeSound::Script::kDc;
    const auto b = session.AddTrack();
    CSegment& bad = session.AddSegment(b, 0.0, 1.0);
    bad.m_effects.m_switch[CEffectsLocal::kChorus] = true;
    session.scripts[b]->signal = ProbeSound::Script::kNan;
    const auto c = session.AddTrack();
    CSegment& reversed = session.AddSegment(c, 0.6, 0.55); // ends before it begins
    (void)reversed;
    session.AddSegment(c, 0.7, 0.8);
    session.scripts[c]->signal = ProbeSound::Script::kDc;

    CMixer mixer;
    const auto out = RenderOffline(session, 10000, Fixed(3333), nullptr, &mixer);
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); }));
    EXPECT_GT(std::abs(Left(out, 4000)), 0.0f); // the one-frame segment sounds
    EXPECT_EQ(Left(out, 4600), 0.0f);           // the reversed segment does not
    EXPECT_GT(Left(out, 6000), 0.0f);           // and does not hold up the one after it
    EXPECT_EQ(session.scripts[c]->events.size(), 2u);
}

TEST(CMixer, LevelWindowReceivesEveryBlockInOrder)
{
    ProbeSession session(1000, 8);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    rt::MixerBlockQueue queue(8000);
    const auto out = RenderOffline(session, 6000, Fixed(777), &queue);
    ASSERT_EQ(queue.Available(), 6000u);
    std::vector<float> copy(6000 * 2);
    EXPECT_EQ(queue.Read(copy.data(), 6000), 6000u);
    EXPECT_EQ(copy, out);
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(MixerBlockQueue, DropsAndCountsWhatDoesNotFit)
{
    rt::MixerBlockQueue queue(20000);
    std::vector<float> block(2 * 30000, 0.5f);
    queue.OnMixerBlock(block.data(), 30000);
    EXPECT_GE(queue.Available(), 20000u);
    EXPECT_EQ(queue.Available() + queue.Dropped(), 30000u);
    EXPECT_EQ(queue.Received(), 30000u);
}

TEST(CMixer, SteadyStateBlocksAllocateNothing)
{
    ProbeSession session(48000, 60);
    BuildRichSession(session);
    CMixer mixer;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    ASSERT_TRUE(renderer.Start(session.params));
    std::vector<float> out(20000 * 2);
    // Past both segments' starts (the second begins at 18 s).
    for (int i = 0; i < 50; ++i)
        renderer.Request(out.data(), 20000);
    const vtest::AllocationScope scope;
    for (int i = 0; i < 30; ++i)
        renderer.Request(out.data(), 4096);
    EXPECT_EQ(scope.Count(), 0u);
    renderer.Stop();
}

// The generators this build has, made by the mixer's own factory: each sounds through the
// mixer, nothing goes non-finite, and steady blocks allocate nothing, on the worker alone and
// with every block's tracks split over the render pool's helpers.
TEST(CMixer, PlaysTheBuiltGeneratorKinds)
{
    struct Case
    {
        const char* name;
        std::vector<std::int32_t> kinds;
        bool mustSound;
        unsigned threads = 1;
    } cases[] = {
        {"tone", {CSegment::kKindTone}, true},
        {"noise", {CSegment::kKindNoise}, true},
        {"bells", {CSegment::kKindBells}, false}, // strikes come at random times
        {"all three", {CSegment::kKindTone, CSegment::kKindNoise, CSegment::kKindBells}, true},
        {"two of each on four threads",
         {CSegment::kKindTone, CSegment::kKindNoise, CSegment::kKindBells, CSegment::kKindTone,
          CSegment::kKindNoise, CSegment::kKindBells},
         true,
         4},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProbeSession session(22050, 30);
        for (std::int32_t kind : c.kinds)
        {
            CSegment& segment = session.AddSegment(session.AddTrack(kind), 0.0, 1.0);
            segment.m_brainwaves.m_enabled = true;
            segment.m_effects.m_switch[CEffectsLocal::kReverb] = true;
            segment.m_effects.m_level[CEffectsLocal::kReverb].SetValue(50.0);
        }
        CMixer mixer; // the default factory
        mixer.SetRenderThreads(c.threads);
        mixer.SetWorkPerThread(0.0);
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(session.params));
        std::vector<float> out(22050 * 2);
        renderer.Render(out.data(), 22050, Fixed(2205));
        const vtest::AllocationScope scope;
        renderer.Render(out.data(), 22050, Fixed(2205));
        EXPECT_EQ(scope.Count(), 0u);
        renderer.Stop();
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); }));
        const double energy = std::inner_product(out.begin(), out.end(), out.begin(), 0.0);
        if (c.mustSound)
        {
            EXPECT_GT(std::sqrt(energy / out.size()), 1e-3);
        }
        EXPECT_TRUE(session.events.Errors().empty()) << session.events.Errors().front().toStdString();
        EXPECT_TRUE(session.events.Messages().empty());
    }
}

// Through the audio layer: the null device plays what the mixer renders, and Play returns
// with the mixer already playing.
class MixerOnNullDevice : public ::testing::Test
{
protected:
    void SetUp() override { plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::FreeRun); }
    void TearDown() override
    {
        plat::AudioSystem::SetNullDeviceMonitor({});
        plat::AudioSystem::SetNullDeviceRate(0);
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    }
};

TEST_F(MixerOnNullDevice, PlaysThroughTheOutputStream)
{
    ProbeSession session(44100, 600);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kSine;
    session.scripts[0]->amplitude = 0.5;
    session.params.m_startFraction = 0.5;
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.Play(session.params, nullptr));
    EXPECT_TRUE(mixer.IsPlaying());
    // A meter polls from its own thread while the session plays.
    std::atomic<bool> polling{true};
    std::thread meter(
        [&]
        {
            std::vector<double> bands(16);
            while (polling.load())
            {
                double l = 0, r = 0;
                mixer.GetLevels(l, r);
                mixer.GetSpectrum(bands);
                (void)mixer.GetPosition();
                (void)mixer.GetCpuLoad();
            }
        });
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (mixer.GetPosition() < 300.5 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    polling.store(false);
    meter.join();
    EXPECT_GE(mixer.GetPosition(), 300.5);
    double left = 0, right = 0;
    mixer.GetLevels(left, right);
    EXPECT_NEAR(left, 0.5, 0.01);
    EXPECT_GT(mixer.GetCpuLoad(), 0.0);
    EXPECT_LE(mixer.GetCpuLoad(), 1.0);
    mixer.Stop();
    EXPECT_FALSE(mixer.IsPlaying());
    EXPECT_TRUE(session.events.Messages().empty());
}

// The heard position and the blocks' stamps count the same frames: every block handed to the
// level window carries the session frame it starts at (the start's frame, then one after the
// other), and the heard frame trails the frames handed over by the lead a live recording delays
// the session audio by: never negative, never more than the stream's buffer and a block.
TEST_F(MixerOnNullDevice, HeardPositionTrailsTheBlockStampsByTheLead)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    class StampSink : public rt::MixerBlockSink
    {
    public:
        void OnMixerBlock(const float*, std::uint32_t) noexcept override {}
        void OnMixerBlockAt(const float*, std::uint32_t frames, std::uint64_t stamp) noexcept override
        {
            if (stamp != m_next.load())
                m_gaps.fetch_add(1);
            m_next.store(stamp + frames);
        }
        std::atomic<std::uint64_t> m_next{5 * 44100};
        std::atomic<int> m_gaps{0};
    } sink;
    ProbeSession session(44100, 10);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.params.m_startFraction = 0.5;
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.Play(session.params, &sink));
    std::uint64_t worstLead = 0;
    bool heardBehind = true;
    const auto until = std::chrono::steady_clock::now() + 600ms;
    while (std::chrono::steady_clock::now() < until)
    {
        const std::uint64_t handed = sink.m_next.load();
        const std::uint64_t heard = mixer.GetHeardFrame();
        heardBehind = heardBehind && heard <= handed && heard >= 5 * 44100;
        worstLead = std::max(worstLead, handed - std::min(handed, heard));
        std::this_thread::sleep_for(3ms);
    }
    EXPECT_GT(mixer.GetHeardFrame(), 5u * 44100 + 4410) << "the null device plays in real time";
    EXPECT_NEAR(mixer.GetHeardPosition(), double(mixer.GetHeardFrame()) / 44100, 1e-9);
    mixer.Stop();
    EXPECT_EQ(sink.m_gaps.load(), 0);
    EXPECT_TRUE(heardBehind);
    EXPECT_LE(worstLead, 44100u * 3 / 10 + CMixer::kMaxBlockFrames);
    EXPECT_EQ(mixer.GetHeardFrame(), 0u) << "idle";
}

// A device that plays only 48000 Hz takes a session at 22050 Hz: the output stream resamples
// it, and the engine notices nothing. The heard position counts session frames at the session's
// pace and trails the stamped blocks as on any device; the device plays the session's sine,
// continuous, at its own rate.
TEST_F(MixerOnNullDevice, SessionAtARateTheDeviceRefusesPlaysResampled)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    plat::AudioSystem::SetNullDeviceRate(48000);
    constexpr std::uint32_t kRate = 22050;
    std::mutex m;
    std::vector<float> played;
    played.reserve(48000 * 4);
    plat::AudioSystem::SetNullDeviceMonitor(
        [&](const float* f, std::uint32_t n)
        {
            std::lock_guard lock(m);
            if (played.size() + 2 * n <= played.capacity())
                played.insert(played.end(), f, f + 2 * n);
        });
    class StampSink : public rt::MixerBlockSink
    {
    public:
        void OnMixerBlock(const float*, std::uint32_t) noexcept override {}
        void OnMixerBlockAt(const float*, std::uint32_t frames, std::uint64_t stamp) noexcept override
        {
            m_next.store(stamp + frames);
        }
        std::atomic<std::uint64_t> m_next{0};
    } sink;
    ProbeSession session(kRate, 10);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kSine;
    session.scripts[0]->amplitude = 0.5;
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.Play(session.params, &sink));
    const auto t0 = std::chrono::steady_clock::now();
    bool heardBehind = true;
    while (std::chrono::steady_clock::now() < t0 + 800ms)
    {
        const std::uint64_t handed = sink.m_next.load();
        heardBehind = heardBehind && mixer.GetHeardFrame() <= handed;
        std::this_thread::sleep_for(3ms);
    }
    const std::uint64_t heard = mixer.GetHeardFrame();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double left = 0, right = 0;
    mixer.GetLevels(left, right);
    mixer.Stop();
    plat::AudioSystem::SetNullDeviceMonitor({});
    EXPECT_TRUE(session.events.Messages().empty());
    EXPECT_TRUE(heardBehind);
    EXPECT_LE(static_cast<double>(heard), elapsed * kRate * 1.02);
    EXPECT_GE(static_cast<double>(heard), 0.4 * kRate);
    EXPECT_NEAR(left, 0.5, 0.01);

    // A 1000 Hz sine at 48000 Hz: each sample is 2 cos(w) times the one before less the one
    // before that. Only a lost or repeated stretch (an underrun on a loaded machine) breaks it.
    std::lock_guard lock(m);
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * 1000.0 / 48000.0);
    int breaks = 0;
    std::size_t sounding = 0;
    for (std::size_t k = 2; k < played.size() / 2; ++k)
    {
        const double v = played[2 * k];
        if (std::abs(v) > 0.0)
            ++sounding;
        if (std::abs(v - (c * played[2 * k - 2] - played[2 * k - 4])) > 1e-3)
            ++breaks;
    }
    EXPECT_GE(sounding, std::size_t{48000 * 4 / 10});
    EXPECT_LE(breaks, 40) << "the played sound is the session's sine";
}

// A generator that takes longer to start than the stream can wait costs silence and a counted
// underrun, never a stalled stream; its sound follows once it has started.
TEST_F(MixerOnNullDevice, LateWorkerCostsSilenceNotAHang)
{
    ProbeSession session(22050, 600);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kDc;
    session.scripts[0]->amplitude = 0.5;
    session.scripts[0]->initDelay = 1500ms;
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.Play(session.params, nullptr));
    auto waitFor = [](auto done)
    {
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (!done() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(2ms);
        return done();
    };
    EXPECT_TRUE(waitFor([&] { return mixer.Underruns() > 0; }));
    EXPECT_TRUE(waitFor(
        [&]
        {
            double left = 0, right = 0;
            mixer.GetLevels(left, right);
            return left > 0.4;
        }));
    mixer.Stop();
}

// A late block delays the sound, never drops it: with an Init of 700 ms (longer than the stream
// waits) the first request is answered late, the output plays silence meanwhile, and then every
// session frame follows in order. The lost frames were the opening of a voice file.
TEST_F(MixerOnNullDevice, LateFirstBlockDelaysTheSessionWithoutLosingFrames)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    constexpr std::uint32_t kRate = 8000;
    constexpr std::uint32_t kSeconds = 2;
    class Capture : public rt::MixerBlockSink
    {
    public:
        Capture() { m_frames.resize(kRate * kSeconds * 3); }
        void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept override
        {
            for (std::uint32_t i = 0; i < frames && m_count < m_frames.size(); ++i)
                m_frames[m_count++] = {interleaved[2 * i], interleaved[2 * i + 1]};
        }
        std::vector<CStereoFrame> m_frames;
        std::size_t m_count = 0; // read after Stop
    } capture;
    ProbeSession session(kRate, kSeconds);
    session.AddSegment(session.AddTrack(), 0.0, 1.0);
    session.scripts[0]->signal = ProbeSound::Script::kPosition; // left: the frame, right: 1
    session.scripts[0]->initDelay = 700ms;
    CMixer mixer;
    session.Install(mixer);
    ASSERT_TRUE(mixer.Play(session.params, &capture));
    const auto until = std::chrono::steady_clock::now() + 8s;
    while (mixer.IsPlaying() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(mixer.IsPlaying());
    const std::uint64_t underruns = mixer.Underruns();
    mixer.Stop();
    EXPECT_GT(underruns, 0u) << "the first block really was late";

    std::uint32_t next = 0;
    bool inOrder = true;
    for (std::size_t i = 0; i < capture.m_count; ++i)
    {
        const CStereoFrame& f = capture.m_frames[i];
        if (f.right == 0.0f)
            continue; // silence while the worker was late, or after the end
        inOrder = inOrder && f.left == static_cast<float>(next);
        ++next;
    }
    EXPECT_TRUE(inOrder);
    // A last block that runs past the end also holds the segment's closing frame (its end is
    // inclusive); one that ends exactly at the end does not. Which one comes depends on the
    // device's request sizes.
    EXPECT_GE(next, kRate * kSeconds) << "every session frame was heard";
    EXPECT_LE(next, kRate * kSeconds + 1) << "nothing after the segment's end";
}

// Play and Stop at random moments (while a generator initialises, right after an error, in
// mid-block) must never hang: a watchdog ends the test if one cycle takes 5 s.
TEST_F(MixerOnNullDevice, SurvivesPlayStopCyclesAtRandomMoments)
{
    ProbeSession session(22050, 600);
    const auto a = session.AddTrack();
    const auto b = session.AddTrack();
    session.AddSegment(a, 0.0, 1.0);
    session.AddSegment(b, 0.0, 0.5);
    session.scripts[a]->signal = ProbeSound::Script::kSine;
    session.scripts[a]->initDelay = 300us;
    session.scripts[b]->failAtFrame = 3000;

    std::atomic<int> cycle{0};
    std::atomic<bool> finished{false};
    std::thread watchdog(
        [&]
        {
            int seen = -1;
            auto last = std::chrono::steady_clock::now();
            while (!finished.load())
            {
                std::this_thread::sleep_for(20ms);
                const int now = cycle.load();
                if (now != seen)
                {
                    seen = now;
                    last = std::chrono::steady_clock::now();
                }
                else if (std::chrono::steady_clock::now() - last > 5s)
                {
                    std::fprintf(stderr, "Play/Stop cycle %d hangs\n", now);
                    std::abort();
                }
            }
        });
    std::mt19937 random(11);
    CMixer mixer;
    session.Install(mixer);
    for (int i = 0; i < 1000; ++i)
    {
        cycle.store(i);
        session.params.m_startFraction = std::uniform_real_distribution<double>(0.0, 0.6)(random);
        ASSERT_TRUE(mixer.Play(session.params, nullptr));
        ASSERT_TRUE(mixer.IsPlaying());
        const int wait = std::uniform_int_distribution<int>(0, 3)(random);
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(wait * 400));
        double l, r;
        mixer.GetLevels(l, r);
        (void)mixer.GetPosition();
        mixer.Stop();
        session.scripts[a]->events.clear();
        session.scripts[b]->events.clear();
    }
    finished.store(true);
    watchdog.join();
}

} // namespace
