#include "audio/CSoundMusicExt.h"

#include "SoundMedia.h"
#include "SoundRig.h"
#include "audio/SharedLoops.h"
#include "model/CSegmentMusicExt.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using Format = plat::SoundWriter::Format;
using Rig = vtest::SoundRig<CSoundMusicExt, CSegmentMusicExt>;

constexpr unsigned kRate = 44100;
constexpr std::uint32_t kFileFrames = 10 * kRate;
constexpr double kScale = 1 << 20; // file frame i holds (i + 1) / 2^20, exact in float

// A 10 s file whose every frame says where in the file it is.
QString PositionFile()
{
    const QString path = vtest::MediaPath("position.wav");
    EXPECT_TRUE(vtest::WriteFrames(path, Format::WavFloat, kRate, 1, kFileFrames,
                                   [](std::uint64_t i, int)
                                   { return static_cast<float>((i + 1) / kScale); }));
    return path;
}

// The file frame a rendered frame came from; -1 for silence.
long long FileFrameOf(const CStereoFrame& f)
{
    return std::llround(f.left * kScale) - 1;
}

struct StartCase
{
    const char* name;
    bool loop;
    double startSeconds;
    long long firstFileFrame; // -1: silent from the start
};

// A playback that starts inside the segment continues the file from there (modulo its length
// when looping); a file that does not loop plays once and falls silent, a looping one wraps.
TEST(CSoundMusicExt, PlaysFromTheSegmentPosition)
{
    const QString path = PositionFile();
    const StartCase cases[] = {
        {"once, from the start", false, 0.0, 0},
        {"once, started 5 s in", false, 5.0, 5 * kRate},
        {"once, started after its end", false, 12.0, -1},
        {"looping, started 25 s in", true, 25.0, 5 * kRate},
    };
    for (const StartCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto start = static_cast<std::uint32_t>(c.startSeconds * kRate);
        Rig rig(CSegment::kKindExternalAudio, kRate, 40 * kRate, start);
        rig.segment->m_path = path;
        rig.segment->m_loop = c.loop;
        ASSERT_TRUE(rig.sound.Init());
        EXPECT_EQ(rig.sound.HasFades(), c.loop) << "only a looping file fades";
        const std::size_t frames = 12 * kRate;
        const auto out = rig.Render(frames);
        ASSERT_EQ(out.size(), frames);
        for (std::size_t i = 0; i < frames; ++i)
        {
            long long expected = -1;
            if (c.firstFileFrame >= 0)
            {
                expected = c.firstFileFrame + static_cast<long long>(i);
                if (c.loop)
                    expected %= kFileFrames;
                else if (expected >= kFileFrames)
                    expected = -1;
            }
            ASSERT_EQ(FileFrameOf(out[i]), expected) << "frame " << i;
            ASSERT_EQ(out[i].left, out[i].right) << "a mono file plays on both channels";
        }
        EXPECT_TRUE(rig.sound.Terminate());
    }
}

// A looping file is decoded once, not on every pass, and a second track looping it reads
// the same decoded copy; streaming it would run the codec again on each pass.
TEST(CSoundMusicExt, LoopingFileIsDecodedOnceForEveryPassAndTrack)
{
    const QString path = PositionFile();
    const std::uint64_t before = audio::SharedLoops::DecodeCount();
    Rig first(CSegment::kKindExternalAudio, kRate, 40 * kRate);
    Rig second(CSegment::kKindExternalAudio, kRate, 40 * kRate, 3 * kRate);
    for (Rig* rig : {&first, &second})
    {
        rig->segment->m_path = path;
        rig->segment->m_loop = true;
        ASSERT_TRUE(rig->sound.Init());
    }
    const auto a = first.Render(21 * kRate);
    const auto b = second.Render(kRate);
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - before, 1u);
    EXPECT_EQ(FileFrameOf(a.back()), (21 * kRate - 1) % kFileFrames) << "the third pass";
    EXPECT_EQ(FileFrameOf(b.front()), 3 * kRate);
}

struct EdgeCase
{
    const char* name;
    QString path;
    bool loop;
    QString error; // of Init; empty: silent
};

// Files that give nothing to play: silence, or the open failure's message; never a crash on a
// looping file of no frames (whose position would be p mod 0).
TEST(CSoundMusicExt, FilesWithoutSound)
{
    const QString empty = vtest::MediaPath("no-frames.wav");
    ASSERT_TRUE(vtest::WriteSine(empty, Format::Wav16, kRate, 2, 0, 440.0));
    const EdgeCase cases[] = {
        {"no path", {}, false, {}},
        {"looping file of no frames", empty, true, {}},
        {"file of no frames", empty, false, {}},
        {"missing file", vtest::MediaPath("missing.wav"), false,
         "Failed to open the external music sound file."},
    };
    for (const EdgeCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        Rig rig(CSegment::kKindExternalAudio, kRate, 10 * kRate, 3 * kRate);
        rig.segment->m_path = c.path;
        rig.segment->m_loop = c.loop;
        EXPECT_EQ(rig.sound.Init(), c.error.isEmpty());
        EXPECT_EQ(rig.sound.GetErrorText(), c.error);
        if (!c.error.isEmpty())
            continue;
        const auto out = rig.Render(kRate);
        EXPECT_FALSE(rig.failed);
        EXPECT_TRUE(vtest::SoundingRuns(out).empty());
        EXPECT_TRUE(rig.sound.Terminate());
    }
}

} // namespace
