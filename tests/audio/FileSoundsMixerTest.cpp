// The file-based kinds as the program plays them: segments added to the new session's tracks,
// rendered offline by the real mixer with the generators its factory makes.
#include "MixerFixtures.h"
#include "SoundMedia.h"

#include "audio/CMixer.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentSuggestions.h"
#include "model/CVornaDoc.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cmath>

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
        CPlaybackParams params;
        params.m_tracks = &doc.m_tracks;
        params.m_rate = kRate;
        params.m_sessionSeconds = static_cast<std::uint32_t>(doc.m_sessionLength);
        params.m_segmentFadeSeconds = 3.0;
        params.m_playlistFadeSeconds = 2.0;
        params.m_brainwavesGlobal = &doc.m_brainwaves;
        params.m_bilateralGlobal = &doc.m_bilateral;
        params.m_notifyWindow = &events;

        for (std::int32_t i = 0; i < doc.m_tracks.GetCount(); ++i)
            doc.m_tracks.GetTrack(i).m_active = doc.m_tracks.GetTrack(i).m_kind == c.kind;
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

} // namespace
