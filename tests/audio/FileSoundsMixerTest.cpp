// The file-based kinds as the program plays them: segments added to the new session's tracks,
// rendered offline by the real mixer with the generators its factory makes.
#include "MixerFixtures.h"
#include "PerFrameRenderer.h"
#include "SoundMedia.h"

#include "audio/CMixer.h"
#include "audio/SharedLoops.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentSuggestions.h"
#include "model/CVornaDoc.h"
#include "model/PlaylistSegment.h"
#include "platform/Random.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace
{

using Format = plat::SoundWriter::Format;

constexpr unsigned kRate = 44100;

// Where the default session keeps the track of @p kind.
CTrack& TrackOfKind(CVornaDoc& doc, std::int32_t kind)
{
    for (std::int32_t i = 0; i < doc.m_tracks.GetCount(); ++i)
        if (doc.m_tracks.GetTrack(i).m_kind == kind)
            return doc.m_tracks.GetTrack(i);
    throw std::runtime_error("no track of that kind");
}

// Peak of the left and right channels over frames [from, to).
float Peak(const std::vector<float>& out, std::size_t from, std::size_t to)
{
    float p = 0.0f;
    for (std::size_t i = 2 * from; i < 2 * to && i < out.size(); ++i)
        p = std::max(p, std::isfinite(out[i]) ? std::fabs(out[i]) : 1e9f);
    return p;
}

// The session's playback at @p rate with only the track of @p kind active.
CPlaybackParams PlayOnly(CVornaDoc& doc, std::int32_t kind, unsigned rate, vtest::RecordingEvents& events)
{
    for (std::int32_t i = 0; i < doc.m_tracks.GetCount(); ++i)
        doc.m_tracks.GetTrack(i).m_active = doc.m_tracks.GetTrack(i).m_kind == kind;
    CPlaybackParams params;
    params.m_tracks = &doc.m_tracks;
    params.m_rate = rate;
    params.m_sessionSeconds = static_cast<std::uint32_t>(doc.m_sessionLength);
    params.m_segmentFadeSeconds = 3.0;
    params.m_playlistFadeSeconds = 2.0;
    params.m_brainwavesGlobal = &doc.m_brainwaves;
    params.m_bilateralGlobal = &doc.m_bilateral;
    params.m_notifyWindow = &events;
    return params;
}

struct KindCase
{
    const char* name;
    std::int32_t kind;
};

// Each file kind, the only active track of the new session, sounds over its first 20 s through
// the mixer
// without an error: voice, playlists and external audio from a file of the test, breathwork from
// the prompts and noise loops made at build time.
TEST(FileSoundsInTheMixer, EachKindSoundsInANewSession)
{
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", QStringLiteral(VORNA_TEST_DATA_DIR));
    const QString tone = vtest::MediaPath("mixer-tone.ogg");
    ASSERT_TRUE(vtest::WriteSine(tone, Format::OggVorbis, 48000, 2, 8 * 48000, 440.0, 0.5));

    CVornaDoc doc;
    const double end = 20.0 / doc.m_sessionLength;
    auto add = [&](std::int32_t kind)
    {
        auto segment = CSegments::CreateSegment(kind);
        segment->m_begin = 0.0;
        segment->m_end = end;
        CSegment& s = *segment;
        TrackOfKind(doc, kind).m_segments.AddSegment(std::move(segment));
        return &s;
    };
    static_cast<CSegmentSuggestions*>(add(CSegment::kKindVoice))->m_files.push_back({tone, 0});
    static_cast<CSegmentAmbientMusic*>(add(CSegment::kKindAmbientMusic))->m_files.push_back({tone, 0});
    static_cast<CSegmentNatureBG*>(add(CSegment::kKindNature))->m_files.push_back({tone, 0});
    add(CSegment::kKindBreathwork); // pattern 0, 12 s cycles, breathing 50
    auto* external = static_cast<CSegmentMusicExt*>(add(CSegment::kKindExternalAudio));
    external->m_path = tone;
    external->m_loop = true;

    const KindCase cases[] = {
        {"voice", CSegment::kKindVoice},
        {"ambient music", CSegment::kKindAmbientMusic},
        {"nature", CSegment::kKindNature},
        {"breathwork", CSegment::kKindBreathwork},
        {"external audio", CSegment::kKindExternalAudio},
    };
    for (const KindCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::RecordingEvents events;
        CPlaybackParams params = PlayOnly(doc, c.kind, kRate, events);
        CMixer mixer;
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(params));
        std::vector<float> out(std::size_t{22} * kRate * 2);
        renderer.Render(out.data(), 22 * kRate, vtest::Fixed(4410));
        renderer.Stop();
        EXPECT_TRUE(events.Errors().empty()) << events.Errors().front().toStdString();

        EXPECT_GT(Peak(out, 4 * kRate, 6 * kRate), 0.01f) << "sounds inside the segment";
        EXPECT_LT(Peak(out, 0, 20 * kRate), 1.0f) << "finite and in range";
        EXPECT_EQ(Peak(out, 21 * kRate, 22 * kRate), 0.0f) << "silent after the segment";
    }
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", "");
}

// The loops kept for an open session are the files its playback reads from memory: the
// playlists' files and looping external audio of its active tracks, once each. A playback
// then decodes none of them; letting go of them makes the next one decode again.
TEST(FileSoundsInTheMixer, KeptLoopsAreTheOnesAPlaybackReads)
{
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", QStringLiteral(VORNA_TEST_DATA_DIR));
    std::vector<QString> files;
    for (int i = 0; i < 5; ++i)
    {
        files.push_back(vtest::MediaPath(QStringLiteral("kept-%1.ogg").arg(i)));
        ASSERT_TRUE(
            vtest::WriteSine(files.back(), Format::OggVorbis, 48000, 2, 3 * 48000, 300.0 + 50 * i, 0.5));
    }
    CVornaDoc doc;
    auto add = [&](CTrack& track, std::int32_t kind)
    {
        auto segment = CSegments::CreateSegment(kind);
        segment->m_begin = 0.0;
        segment->m_end = 10.0 / doc.m_sessionLength;
        CSegment& s = *segment;
        track.m_segments.AddSegment(std::move(segment));
        return &s;
    };
    auto* music = static_cast<CSegmentAmbientMusic*>(
        add(TrackOfKind(doc, CSegment::kKindAmbientMusic), CSegment::kKindAmbientMusic));
    music->m_files = {{files[0], 0}, {files[1], 0}};
    static_cast<CSegmentNatureBG*>(add(TrackOfKind(doc, CSegment::kKindNature), CSegment::kKindNature))
        ->m_files.push_back({files[0], 0});
    auto* external = static_cast<CSegmentMusicExt*>(
        add(TrackOfKind(doc, CSegment::kKindExternalAudio), CSegment::kKindExternalAudio));
    external->m_path = files[2];
    external->m_loop = true;
    // A voice file streams; a switched-off track is not played.
    static_cast<CSegmentSuggestions*>(add(TrackOfKind(doc, CSegment::kKindVoice), CSegment::kKindVoice))
        ->m_files.push_back({files[3], 0});
    doc.m_tracks.InsertTrack(doc.m_tracks.GetCount(), CSegment::kKindNature);
    CTrack& off = doc.m_tracks.GetTrack(doc.m_tracks.GetCount() - 1);
    static_cast<CSegmentNatureBG*>(add(off, CSegment::kKindNature))->m_files.push_back({files[4], 0});
    off.m_active = false;

    vtest::RecordingEvents events;
    CPlaybackParams params;
    params.m_tracks = &doc.m_tracks;
    params.m_rate = kRate;
    params.m_sessionSeconds = static_cast<std::uint32_t>(doc.m_sessionLength);
    params.m_brainwavesGlobal = &doc.m_brainwaves;
    params.m_bilateralGlobal = &doc.m_bilateral;
    params.m_notifyWindow = &events;
    auto play = [&](CMixer& mixer)
    {
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(params));
        std::vector<float> out(std::size_t{2} * kRate * 2);
        renderer.Render(out.data(), 2 * kRate, vtest::Fixed(4410));
        renderer.Stop();
        EXPECT_GT(Peak(out, kRate, 2 * kRate), 0.01f);
    };

    CMixer mixer;
    const std::uint64_t start = audio::SharedLoops::DecodeCount();
    mixer.KeepLoops(params);
    mixer.WaitForKeptLoops();
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 3u) << "files 0, 1 and 2";
    play(mixer);
    play(mixer);
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 3u) << "both playbacks read the kept loops";

    CPlaybackParams none = params;
    none.m_tracks = nullptr;
    mixer.KeepLoops(none);
    mixer.WaitForKeptLoops();
    play(mixer);
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 6u) << "let go of, so decoded again";
    EXPECT_TRUE(events.Errors().empty());
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", "");
}

struct BlockCase
{
    const char* name;
    std::int32_t kind;
    std::function<void(CSegment&, const std::vector<QString>&)> setUp;
};

// The file kinds read their sources in spans between their events (a file's start and end, a
// pause, an item switch and its crossfade, a slice's start and end, a breathing phase); a span
// cut at the wrong frame, a counter stepped wrongly over a span or random draws taken in
// another order shows as a difference from the frame-by-frame renderer. 75 s at 22.05 kHz:
// the playlists switch items after their minute, the slices of 3..20 s cross at 6 s.
TEST(FileSoundsInTheMixer, BlockRendererMatchesFrameByFrame)
{
    constexpr unsigned kBlockRate = 22050;
    constexpr unsigned kSeconds = 75;
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", QStringLiteral(VORNA_TEST_DATA_DIR));
    std::vector<QString> files;
    const double lengths[] = {1.3, 2.1, 7.0};
    for (std::size_t i = 0; i < std::size(lengths); ++i)
    {
        files.push_back(vtest::MediaPath(QStringLiteral("block-%1.ogg").arg(i)));
        ASSERT_TRUE(vtest::WriteSine(files.back(), Format::OggVorbis, 48000, 2,
                                     static_cast<std::uint64_t>(lengths[i] * 48000), 300.0 + 110.0 * i, 0.5));
    }
    auto voice = [](bool shuffle)
    {
        return [shuffle](CSegment& s, const std::vector<QString>& media)
        {
            auto& v = static_cast<CSegmentSuggestions&>(s);
            for (const QString& f : media)
                v.m_files.push_back({f, 0});
            v.m_playMode =
                shuffle ? CSegmentSuggestions::kPlayModeShuffle : CSegmentSuggestions::kPlayModeSequential;
            v.m_interval.SetValue(1.5);
        };
    };
    auto playlist = [](bool slicing)
    {
        return [slicing](CSegment& s, const std::vector<QString>& media)
        {
            auto& p = dynamic_cast<model::PlaylistSegment&>(s);
            p.m_files.push_back({media[2], 0});
            p.m_files.push_back({media[1], 0});
            p.m_playStyle =
                slicing ? model::PlaylistSegment::kPlayStyleSlicing : model::PlaylistSegment::kPlayStyleLoop;
            p.m_changeTime.SetValue(1.0);
        };
    };
    auto external = [](bool loop)
    {
        return [loop](CSegment& s, const std::vector<QString>& media)
        {
            auto& e = static_cast<CSegmentMusicExt&>(s);
            e.m_path = media[2];
            e.m_loop = loop;
        };
    };
    const BlockCase cases[] = {
        {"VoiceInTurn", CSegment::kKindVoice, voice(false)},
        {"VoiceShuffled", CSegment::kKindVoice, voice(true)},
        {"AmbientMusicSliced", CSegment::kKindAmbientMusic, playlist(true)},
        {"NatureWholeFiles", CSegment::kKindNature, playlist(false)},
        {"BreathworkWithHolds", CSegment::kKindBreathwork,
         [](CSegment& s, const std::vector<QString>&)
         {
             auto& b = static_cast<CSegmentBreathwork&>(s);
             b.m_pattern = 7; // 1 : 4 : 2 : 1
             b.m_cycle.SetValue(8.0);
             b.m_breathing.SetMode(CSmartProperty::kModeAutoGraph);
         }},
        {"ExternalAudioLooping", CSegment::kKindExternalAudio, external(true)},
        {"ExternalAudioOnce", CSegment::kKindExternalAudio, external(false)},
    };
    for (const BlockCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<float> out[2];
        for (const vtest::Renderer renderer : {vtest::Renderer::kPerFrame, vtest::Renderer::kBlock})
        {
            plat::SetRandomSeedOverride(4321);
            CVornaDoc doc;
            auto segment = CSegments::CreateSegment(c.kind);
            segment->m_begin = 1.0 / doc.m_sessionLength;
            segment->m_end = (kSeconds - 1.0) / doc.m_sessionLength;
            c.setUp(*segment, files);
            TrackOfKind(doc, c.kind).m_segments.AddSegment(std::move(segment));
            vtest::RecordingEvents events;
            CPlaybackParams params = PlayOnly(doc, c.kind, kBlockRate, events);
            vtest::PerFrameRenderer reference;
            CMixer mixer;
            reference.Use(mixer, renderer);
            rt::OfflineRenderer offline(mixer);
            ASSERT_TRUE(offline.Start(params));
            std::vector<float>& o = out[renderer == vtest::Renderer::kBlock ? 1 : 0];
            o.assign(std::size_t{kSeconds} * kBlockRate * 2, -99.0f);
            auto random = std::make_shared<std::mt19937>(5);
            offline.Render(o.data(), kSeconds * kBlockRate,
                           [random]
                           { return std::uniform_int_distribution<std::uint32_t>(1, 20000)(*random); });
            offline.Stop();
            plat::SetRandomSeedOverride(std::nullopt);
            EXPECT_TRUE(events.Errors().empty()) << events.Errors().front().toStdString();
        }
        double worst = 0.0;
        std::size_t where = 0;
        for (std::size_t i = 0; i < out[0].size(); ++i)
        {
            const double d = std::abs(double(out[1][i]) - out[0][i]);
            if (!(d <= worst))
            {
                worst = d;
                where = i;
            }
        }
        EXPECT_LT(worst, 1e-6) << "frame " << where / 2;
        EXPECT_GT(Peak(out[0], 0, kSeconds * kBlockRate), 0.01f) << "the kind sounds";
    }
    SetRegString(plat::RegRoot::LocalMachine, "InstallPath", "");
}

} // namespace
