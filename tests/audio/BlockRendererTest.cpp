// The block renderer against the per-frame one it replaced: for every kind built here, every
// entrainment method, bilateral movement with a delay, effects, graph and automatic
// properties, fades and segment edges falling inside blocks, both renderers must give the
// same output for the same request plan, and each the same output for every request plan.
#include "MixerFixtures.h"
#include "PerFrameRenderer.h"
#include "SoundMedia.h"

#include "audio/CEffectsProcessor.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace
{

using vtest::Fixed;

constexpr std::uint32_t kRate = 22050;
constexpr std::uint32_t kSeconds = 3;
constexpr std::uint32_t kFrames = kRate * kSeconds;

// Heights are fractions of the property's range.
CGraph Wave(double low, double high, int points = 24)
{
    CGraph graph;
    for (int i = 1; i + 1 < points; ++i)
        graph.AddPoint({i / double(points - 1), low + (high - low) * (0.5 + 0.5 * std::sin(i * 1.3))});
    graph.MovePoint(0, 0.0, low);
    graph.MovePoint(graph.GetPointCount() - 1, 1.0, high);
    graph.SetSmooth(1);
    return graph;
}

void Automatic(CSmartProperty& p)
{
    p.SetMode(CSmartProperty::kModeAutoGraph);
    p.GetAutoGraph().m_changeRate = CAutoGraph::kFastestRate;
}

struct Session
{
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    vtest::RecordingEvents events;
    CPlaybackParams params;

    Session()
    {
        params.m_tracks = &tracks;
        params.m_rate = kRate;
        params.m_sessionSeconds = kSeconds;
        params.m_segmentFadeSeconds = 0.4;
        params.m_playlistFadeSeconds = 0.2;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
        params.m_notifyWindow = &events;
        brainwaves.m_property.SetGraph(Wave(0.1, 0.3)); // 4 to 12 Hz over the session
        bilateral.m_property.SetValue(95.0);
    }

    CSegment& Add(std::int32_t kind, double begin, double end)
    {
        std::int32_t track = -1;
        for (std::int32_t i = 0; i < tracks.GetCount(); ++i)
            if (tracks.GetTrack(i).m_kind == kind &&
                tracks.GetTrack(i)
                        .m_segments.GetSegment(tracks.GetTrack(i).m_segments.GetCount() - 1)
                        ->m_end <= begin)
                track = i;
        if (track < 0)
        {
            tracks.InsertTrack(tracks.GetCount(), kind);
            track = tracks.GetCount() - 1;
        }
        auto segment = CSegments::CreateSegment(kind);
        segment->m_begin = begin;
        segment->m_end = end;
        CSegment& result = *segment;
        tracks.GetTrack(track).m_segments.AddSegment(std::move(segment));
        return result;
    }
};

void Entrain(CSegment& s, std::int32_t method, bool own)
{
    s.m_brainwaves.m_enabled = true;
    s.m_brainwaves.m_method = method;
    s.m_brainwaves.m_ownFrequency = own;
    s.m_brainwaves.m_frequency.SetGraph(Wave(0.05, 0.4));
    s.m_brainwaves.m_depth.SetGraph(Wave(0.3, 1.0));
}

void Pan(CSegment& s, double delay, bool own, bool cubic, bool invert)
{
    s.m_bilateral.m_enabled = true;
    s.m_bilateral.m_delay.SetValue(delay);
    s.m_bilateral.m_ownRate = own;
    s.m_bilateral.m_rate.SetValue(140.0);
    s.m_bilateral.m_cubic = cubic;
    s.m_bilateral.m_invert = invert;
    s.m_bilateral.m_depth.SetGraph(Wave(0.4, 1.0));
}

void Effects(CSegment& s, std::initializer_list<std::size_t> on, bool automatic)
{
    for (std::size_t e : on)
    {
        s.m_effects.m_switch[e] = true;
        s.m_effects.m_level[e].SetGraph(Wave(0.2, 0.7));
        if (automatic)
            Automatic(s.m_effects.m_level[e]);
    }
}

// Every method, own and session clocks, and segment edges that fall inside every plan's blocks.
void Build(Session& session)
{
    {
        CSegment& s = session.Add(CSegment::kKindTone, 0.0, 0.4567);
        auto& tone = dynamic_cast<CSegmentTone&>(s);
        tone.m_carrier.SetGraph(Wave(0.1, 0.4));
        tone.m_overtones.SetValue(3.0);
        Entrain(s, CBrainwavesLocal::kMethodBinaural, false); // the beat from two carriers
        Pan(s, 5.0, false, true, false);
        Effects(s, {CEffectsLocal::kReverb, CEffectsLocal::kEcho}, false);
        s.m_volume.SetGraph(Wave(0.5, 1.0));
    }
    {
        CSegment& s = session.Add(CSegment::kKindTone, 0.4567, 1.0);
        auto& tone = dynamic_cast<CSegmentTone&>(s);
        Automatic(tone.m_carrier);
        Entrain(s, CBrainwavesLocal::kMethodBinaural, true);
        Automatic(s.m_brainwaves.m_frequency); // read by the tone and by the own clock
        Pan(s, 0.0, true, false, true);
        Automatic(s.m_balance);
    }
    {
        CSegment& s = session.Add(CSegment::kKindNoise, 0.0, 1.0);
        auto& noise = dynamic_cast<CSegmentNoise&>(s);
        noise.m_smoothness.SetGraph(Wave(0.2, 0.8));
        Automatic(noise.m_filter);
        noise.m_frequency.SetGraph(Wave(0.1, 0.6));
        Entrain(s, CBrainwavesLocal::kMethodIsochronicWide, false);
        Pan(s, 2.5, false, false, false);
        Effects(s, {CEffectsLocal::kChorus, CEffectsLocal::kEnhance}, true);
        s.m_balance.SetGraph(Wave(0.2, 0.8));
        Automatic(s.m_volume);
    }
    {
        CSegment& s = session.Add(CSegment::kKindNoise, 0.1, 0.3);
        Entrain(s, CBrainwavesLocal::kMethodBinaural, false); // swings the channels on a noise track
        Pan(s, 8.0, true, true, true);
    }
    {
        CSegment& s = session.Add(CSegment::kKindNoise, 0.3, 0.300051); // three frames
        Entrain(s, CBrainwavesLocal::kMethodMonaural, true);
    }
    {
        CSegment& s = session.Add(CSegment::kKindNoise, 0.31, 0.77);
        Entrain(s, CBrainwavesLocal::kMethodIsochronicNarrow, true);
        Automatic(s.m_brainwaves.m_depth);
    }
    {
        CSegment& s = session.Add(CSegment::kKindNoise, 0.8, 1.0);
        Entrain(s, CBrainwavesLocal::kMethodIsochronic, false);
        Automatic(s.m_bilateral.m_delay);
        Pan(s, 3.0, false, false, false);
        Automatic(s.m_bilateral.m_delay);
    }
    {
        CSegment& s = session.Add(CSegment::kKindBells, 0.05, 0.95);
        auto& bells = dynamic_cast<CSegmentBells&>(s);
        bells.m_instruments = {0, 5, 9};
        bells.m_density.SetValue(100.0);
        Entrain(s, CBrainwavesLocal::kMethodMonaural, false);
        Effects(s, {CEffectsLocal::kReverb}, false);
    }
}

// What most sessions are: every setting constant, so each track takes the renderer's shortcuts
// (volume, balance, depth and delay read once, the session clock's swing shared): every method on
// the session clock, bilateral movement with and without a delay, an off-centre balance, fades,
// the tone's two carriers of a binaural beat and a monaural one, and segment edges inside blocks.
void BuildConstant(Session& session)
{
    session.brainwaves.m_property.SetValue(10.0);
    const std::int32_t methods[] = {CBrainwavesLocal::kMethodBinaural, CBrainwavesLocal::kMethodMonaural,
                                    CBrainwavesLocal::kMethodIsochronic,
                                    CBrainwavesLocal::kMethodIsochronicWide,
                                    CBrainwavesLocal::kMethodIsochronicNarrow};
    int i = 0;
    for (const std::int32_t method : methods)
    {
        CSegment& s =
            session.Add(i % 2 == 0 ? CSegment::kKindNoise : CSegment::kKindTone, 0.02 * i, 0.7 + 0.061 * i);
        s.m_brainwaves.m_enabled = true;
        s.m_brainwaves.m_method = method;
        s.m_brainwaves.m_depth.SetValue(30.0 + 15.0 * i);
        s.m_volume.SetValue(60.0 + 8.0 * i);
        s.m_balance.SetValue(i == 1 ? 30.0 : i == 3 ? 75.0 : 50.0);
        if (i >= 2)
        {
            s.m_bilateral.m_enabled = true;
            s.m_bilateral.m_delay.SetValue(i == 2 ? 0.0 : 4.0);
            s.m_bilateral.m_depth.SetValue(70.0);
            s.m_bilateral.m_cubic = i == 3;
            s.m_bilateral.m_invert = i == 4;
        }
        if (auto* tone = dynamic_cast<CSegmentTone*>(&s))
            tone->m_carrier.SetValue(150.0 + 40.0 * i);
        if (i == 4)
            Effects(s, {CEffectsLocal::kReverb}, false);
        ++i;
    }
}

// The kinds that play files, beside a tone: voice, both playlists, breathwork and external audio
// on a file of the test (at another rate, so it is resampled), each with its own entrainment
// method, clock and bilateral movement.
void BuildFileKinds(Session& session)
{
    static const QString media = []
    {
        const QString path = vtest::MediaPath("block-renderer.ogg");
        EXPECT_TRUE(
            vtest::WriteSine(path, plat::SoundWriter::Format::OggVorbis, 44100, 2, 44100, 330.0, 0.4));
        return path;
    }();
    {
        CSegment& s = session.Add(CSegment::kKindVoice, 0.0, 0.8);
        dynamic_cast<CSegmentSuggestions&>(s).m_files.push_back({media, 0});
        Entrain(s, CBrainwavesLocal::kMethodMonaural, false);
        Pan(s, 6.0, false, false, false);
    }
    {
        CSegment& s = session.Add(CSegment::kKindAmbientMusic, 0.1, 0.9);
        dynamic_cast<CSegmentAmbientMusic&>(s).m_files.push_back({media, 0});
        Entrain(s, CBrainwavesLocal::kMethodIsochronic, true);
        s.m_volume.SetGraph(Wave(0.4, 0.9));
    }
    {
        CSegment& s = session.Add(CSegment::kKindNature, 0.0, 1.0);
        dynamic_cast<CSegmentNatureBG&>(s).m_files.push_back({media, 0});
        s.m_brainwaves.m_enabled = true;
        s.m_brainwaves.m_method = CBrainwavesLocal::kMethodBinaural;
        s.m_brainwaves.m_depth.SetValue(60.0);
        Pan(s, 0.0, true, true, false);
    }
    {
        CSegment& s = session.Add(CSegment::kKindBreathwork, 0.05, 0.95);
        Entrain(s, CBrainwavesLocal::kMethodIsochronicNarrow, false);
        Automatic(s.m_brainwaves.m_depth);
    }
    {
        CSegment& s = session.Add(CSegment::kKindExternalAudio, 0.2, 0.7);
        auto& external = dynamic_cast<CSegmentMusicExt&>(s);
        external.m_path = media;
        external.m_loop = true; // fades as a loop does
        Entrain(s, CBrainwavesLocal::kMethodIsochronicWide, false);
        Effects(s, {CEffectsLocal::kChorus}, true);
    }
    {
        CSegment& s = session.Add(CSegment::kKindTone, 0.15, 0.85);
        s.m_brainwaves.m_enabled = true;
        s.m_brainwaves.m_method = CBrainwavesLocal::kMethodMonaural; // one carrier, swung
        s.m_brainwaves.m_depth.SetValue(50.0);
    }
}

std::vector<float> Render(vtest::Renderer renderer, std::function<std::uint32_t()> plan, std::uint32_t seed,
                          const std::function<void(Session&)>& build = Build)
{
    // The same seeds for every walk and for the worker's generator, in the same order.
    plat::SetRandomSeedOverride(seed);
    Session session;
    build(session);
    vtest::PerFrameRenderer reference;
    CMixer mixer;
    reference.Use(mixer, renderer);
    rt::OfflineRenderer offline(mixer);
    std::vector<float> out(std::size_t{kFrames} * 2, -99.0f);
    if (offline.Start(session.params))
    {
        offline.Render(out.data(), kFrames, std::move(plan));
        offline.Stop();
    }
    plat::SetRandomSeedOverride(std::nullopt);
    EXPECT_TRUE(session.events.Errors().empty());
    EXPECT_TRUE(session.events.Messages().empty());
    return out;
}

std::function<std::uint32_t()> RandomPlan(std::uint32_t seed)
{
    auto random = std::make_shared<std::mt19937>(seed);
    return [random] { return std::uniform_int_distribution<std::uint32_t>(1, 20000)(*random); };
}

TEST(BlockRenderer, MatchesThePerFrameRendererForEveryRequestPlan)
{
    struct Plan
    {
        const char* name;
        std::function<std::function<std::uint32_t()>()> make;
    } plans[] = {
        {"1", [] { return Fixed(1); }},         {"441", [] { return Fixed(441); }},
        {"512", [] { return Fixed(512); }},     {"4410", [] { return Fixed(4410); }},
        {"20000", [] { return Fixed(20000); }}, {"random", [] { return RandomPlan(11); }},
    };
    const std::pair<const char*, std::function<void(Session&)>> sessions[] = {
        {"graphs and walks", Build},
        {"constant settings", BuildConstant},
        {"file kinds", BuildFileKinds},
    };
    for (const auto& [sessionName, build] : sessions)
        for (const Plan& plan : plans)
        {
            SCOPED_TRACE(std::string(sessionName) + ", plan " + plan.name);
            const auto expected = Render(vtest::Renderer::kPerFrame, plan.make(), 777, build);
            const auto out = Render(vtest::Renderer::kBlock, plan.make(), 777, build);
            ASSERT_EQ(out.size(), expected.size());
            double worst = 0.0;
            std::size_t where = 0;
            double energy = 0.0;
            for (std::size_t i = 0; i < out.size(); ++i)
            {
                const double d = std::abs(double(out[i]) - expected[i]);
                if (!(d <= worst))
                {
                    worst = d;
                    where = i;
                }
                energy += double(expected[i]) * expected[i];
            }
            EXPECT_LT(worst, 1e-6) << "frame " << where / 2 << (where % 2 ? " right" : " left");
            EXPECT_GT(std::sqrt(energy / out.size()), 1e-3); // the session sounds
        }
}

// The effects run in pieces on a fixed grid of session frames, their levels taken at each
// piece's start, so a session sounds the same however the device cuts it into requests: with
// effect levels on graphs and automatic walks, and a segment with effects ending inside blocks
// on a track whose next segment starts on the following frame.
TEST(BlockRenderer, EveryRequestPlanGivesTheSameSound)
{
    for (const vtest::Renderer renderer : {vtest::Renderer::kBlock, vtest::Renderer::kPerFrame})
    {
        SCOPED_TRACE(renderer == vtest::Renderer::kBlock ? "block" : "per frame");
        const auto expected = Render(renderer, Fixed(441), 777);
        const std::pair<const char*, std::function<std::uint32_t()>> plans[] = {
            {"512", Fixed(512)}, {"4410", Fixed(4410)}, {"random", RandomPlan(5)}};
        for (const auto& [name, plan] : plans)
        {
            SCOPED_TRACE(name);
            const auto out = Render(renderer, plan, 777);
            ASSERT_EQ(out.size(), expected.size());
            std::size_t differ = 0;
            while (differ < out.size() && out[differ] == expected[differ])
                ++differ;
            EXPECT_EQ(differ, out.size()) << "first difference at frame " << differ / 2;
        }
    }
}

// A segment's effects do not stop with its last frame: the reverb's tail rings on after it and
// fades out within the tail's time, with no step larger than the sound's own slope, and the
// track is silent afterwards.
TEST(BlockRenderer, AnEndingSegmentsEffectTailFadesOut)
{
    const auto build = [](Session& session)
    {
        CSegment& s = session.Add(CSegment::kKindTone, 0.0, 0.5);
        s.m_effects.m_switch[CEffectsLocal::kReverb] = true;
        s.m_effects.m_level[CEffectsLocal::kReverb].SetValue(50.0);
    };
    const std::size_t end = kFrames / 2; // the segment's last frame
    const auto tail = static_cast<std::size_t>(std::lround(kRate * CEffectsProcessor::kTailSeconds));
    for (const vtest::Renderer renderer : {vtest::Renderer::kBlock, vtest::Renderer::kPerFrame})
    {
        SCOPED_TRACE(renderer == vtest::Renderer::kBlock ? "block" : "per frame");
        const auto out = Render(renderer, Fixed(441), 3, build);
        const auto slope = [&](std::size_t from, std::size_t to)
        {
            double worst = 0.0;
            for (std::size_t i = from; i < to; ++i)
                for (int ch = 0; ch < 2; ++ch)
                    worst = std::max(worst, std::abs(double(out[2 * (i + 1) + ch]) - out[2 * i + ch]));
            return worst;
        };
        const double own = slope(end - kRate / 10, end - 1);
        EXPECT_GT(own, 1e-5) << "the reverb sounds at the end";
        EXPECT_LE(slope(end - 1, end + tail + 2), 1.2 * own);
        EXPECT_GT(std::abs(out[2 * (end + tail / 4)]), 0.0f) << "the tail rings on";
        for (std::size_t i = end + tail + 1; i < end + kRate / 2; ++i)
            ASSERT_EQ(out[2 * i], 0.0f) << "frame " << i;
    }
}

} // namespace
