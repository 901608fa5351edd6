#include "audio/CPlaylistPlayer.h"
#include "audio/CPlItemSlicing.h"
#include "audio/CSoundAmbientMusic.h"
#include "audio/CSoundNatureBG.h"

#include "SoundMedia.h"
#include "SoundRig.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentNatureBG.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

namespace
{

using Format = plat::SoundWriter::Format;
using AmbientRig = vtest::SoundRig<CSoundAmbientMusic, CSegmentAmbientMusic>;
using NatureRig = vtest::SoundRig<CSoundNatureBG, CSegmentNatureBG>;

constexpr unsigned kRate = 11025;

// A file of one constant level: what plays at a frame, and how much of each item, can be
// read off the output exactly.
CFileListEntry LevelFile(const QString& name, float level, double seconds = 2.0)
{
    const QString path = vtest::MediaPath(name);
    EXPECT_TRUE(vtest::WriteFrames(path, Format::WavFloat, kRate, 1, std::uint64_t(seconds * kRate),
                                   [=](std::uint64_t, int) { return level; }));
    return {path, 0};
}

template <class Rig> void SetPlaylist(Rig& rig, std::vector<CFileListEntry> files, bool slices = false)
{
    rig.segment->m_files = std::move(files);
    rig.segment->m_randomOrder = false;
    rig.segment->m_playStyle = slices ? 1 : 0;
    rig.segment->m_changeTime.SetValue(1.0);
}

// Two files, one minute each, a 15 s fade, at 11025 Hz from 22050 Hz files: the second fades
// in from 60 s and is alone from 75 s, the first comes back at 120 s; the tones' amplitudes
// follow the linear crossfade.
TEST(CPlaylistPlayer, TwoFilesCrossfadeEveryChangeTime)
{
    constexpr unsigned fileRate = 22050;
    std::vector<CFileListEntry> files;
    for (double hz : {300.0, 500.0})
    {
        const QString path = vtest::MediaPath(QString("tone%1.wav").arg(hz));
        // 7 s hold whole periods of both tones, so the loop is seamless.
        ASSERT_TRUE(vtest::WriteSine(path, Format::Wav16, fileRate, 1, 7 * fileRate, hz, 0.5));
        files.push_back({path, 0});
    }
    AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 200 * kRate);
    SetPlaylist(rig, files);
    rig.sound.m_playlistFadeFrames = 15 * kRate;
    ASSERT_TRUE(rig.sound.Init());
    const auto out = rig.Render(130 * kRate);
    ASSERT_FALSE(rig.failed) << rig.error.toStdString();

    // Weight of file 2 at time t: 0 before 60 s, (t - 60) / 15 up to 75 s, 1 to 120 s, then
    // falling again.
    auto second = [](double t) {
        return t < 60 ? 0.0 : t < 75 ? (t - 60) / 15 : t < 120 ? 1.0 : 1.0 - std::min(1.0, (t - 120) / 15);
    };
    for (double t : {10.0, 59.0, 62.0, 67.5, 73.0, 76.0, 100.0, 119.0, 123.0, 127.5})
    {
        SCOPED_TRACE(testing::Message() << t << " s");
        const auto from = static_cast<std::size_t>((t - 0.1) * kRate);
        const std::size_t count = kRate / 5;
        EXPECT_NEAR(vtest::ToneAmplitude(out, kRate, 300.0, from, count), 0.5 * (1 - second(t)), 0.02);
        EXPECT_NEAR(vtest::ToneAmplitude(out, kRate, 500.0, from, count), 0.5 * second(t), 0.02);
    }
    EXPECT_TRUE(rig.sound.Terminate());
}

struct SwitchCase
{
    const char* name;
    double startSeconds; // where playback starts inside the segment
    std::uint32_t fade;  // frames
    double switchSeconds[2];
};

// Exact switching with level files: the crossfade's first frame is all the current item, the
// two overlap for fade + 1 frames, a fade of 0 switches at once, and a playback that starts
// inside the segment switches every change time from where it started.
TEST(CPlaylistPlayer, SwitchesEveryChangeTimeFromThePlaybackStart)
{
    const std::vector<CFileListEntry> files = {LevelFile("level-a.wav", 0.25f),
                                               LevelFile("level-b.wav", 0.75f)};
    const SwitchCase cases[] = {
        {"from the segment start", 0.0, 100, {60, 120}},
        {"fade of 0", 0.0, 0, {60, 120}},
        {"started 30 s in", 30.0, 100, {90, 150}},
    };
    for (const SwitchCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto start = static_cast<std::uint32_t>(c.startSeconds * kRate);
        NatureRig rig(CSegment::kKindNature, kRate, 300 * kRate, start);
        SetPlaylist(rig, files);
        rig.sound.m_fadeFrames = c.fade; // nature fades over the segment fade
        rig.sound.m_playlistFadeFrames = 9 * kRate;
        ASSERT_TRUE(rig.sound.Init());
        const auto out =
            rig.Render(static_cast<std::size_t>((c.switchSeconds[1] + 5 - c.startSeconds) * kRate));
        ASSERT_FALSE(rig.failed) << rig.error.toStdString();

        float from = 0.25f;
        for (double s : c.switchSeconds)
        {
            const float to = 1.0f - from;
            const auto at = static_cast<std::size_t>((s - c.startSeconds) * kRate);
            EXPECT_FLOAT_EQ(out[at - 1].left, from);
            for (std::uint32_t k = 0; k <= c.fade; ++k)
            {
                const float w = c.fade == 0 ? 1.0f : float(k) / float(c.fade);
                ASSERT_NEAR(out[at + k].left, from + w * (to - from), 1e-6) << s << " s + " << k;
            }
            EXPECT_FLOAT_EQ(out[at + c.fade + 1].left, to);
            from = to;
        }
        EXPECT_TRUE(rig.sound.Terminate());
    }
}

// One file: whole-file mode loops it and slicing keeps slicing, with no switch and no gap.
TEST(CPlaylistPlayer, OneFilePlaysTheWholeSegment)
{
    for (bool slices : {false, true})
    {
        SCOPED_TRACE(slices ? "slices" : "whole file");
        AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 200 * kRate);
        SetPlaylist(rig, {LevelFile("only.wav", 0.5f)}, slices);
        rig.sound.m_playlistFadeFrames = 15 * kRate;
        ASSERT_TRUE(rig.sound.Init());
        const auto out = rig.Render(150 * kRate);
        ASSERT_FALSE(rig.failed);
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_NEAR(out[i].left, 0.5f, 1e-6) << "frame " << i;
    }
}

// A shuffled list plays each round as a permutation and never the same file twice running,
// across the rounds too.
TEST(CPlaylistPlayer, ShuffledRoundsNeverRepeatAFile)
{
    const float levels[] = {0.2f, 0.5f, 0.8f};
    std::vector<CFileListEntry> files;
    for (float l : levels)
        files.push_back(LevelFile(QString("shuffle%1.wav").arg(l), l));
    for (std::uint32_t seed = 1; seed <= 3; ++seed)
    {
        SCOPED_TRACE(seed);
        vtest::ScriptRandom(seed * 104729);
        AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 1000 * kRate);
        SetPlaylist(rig, files);
        rig.segment->m_randomOrder = true;
        rig.sound.m_playlistFadeFrames = 0;
        ASSERT_TRUE(rig.sound.Init());
        const int items = 9;
        const auto out = rig.Render(static_cast<std::size_t>(items * 60 * kRate));
        ASSERT_FALSE(rig.failed);
        std::vector<int> played;
        for (int i = 0; i < items; ++i)
        {
            const float level = out[static_cast<std::size_t>((i * 60 + 30) * kRate)].left;
            played.push_back(
                int(std::find(std::begin(levels), std::end(levels), level) - std::begin(levels)));
            ASSERT_LT(played.back(), 3) << "item " << i << " plays " << level;
        }
        for (int i = 1; i < items; ++i)
            EXPECT_NE(played[i], played[i - 1]) << "item " << i;
        for (int round = 0; round < items / 3; ++round)
            EXPECT_EQ(std::set<int>(played.begin() + round * 3, played.begin() + round * 3 + 3).size(), 3u)
                << "round " << round;
    }
}

// The file frames that a slicing item reads, checked against the scripted random numbers:
// a 4 s file at 44100 Hz is shorter than two crossfades, so slices last 3 s to 20 s and read
// round the looping file.
TEST(CPlItemSlicing, SlicesFollowTheRandomNumbersAndWrapTheFile)
{
    constexpr unsigned rate = 44100;
    constexpr std::uint32_t length = 4 * rate;
    constexpr std::uint32_t c = CPlItemSlicing::kCrossfadeFrames;
    constexpr double scale = 1 << 18; // file frame i holds (i + 1) / 2^18
    const QString path = vtest::MediaPath("slice-positions.wav");
    ASSERT_TRUE(vtest::WriteFrames(path, Format::WavFloat, rate, 1, length,
                                   [](std::uint64_t i, int) { return static_cast<float>((i + 1) / scale); }));
    auto code = [&](std::uint64_t frame) { return static_cast<float>((frame % length + 1) / scale); };

    plat::Random15 script = vtest::ScriptRandom(4242);
    CPlItemSlicing item;
    item.m_path = path;
    item.m_rate = rate;
    ASSERT_TRUE(item.Open());

    auto pickLength = [&] { return std::uint32_t(script.Unit() * (20.0 * rate - 3.0 * rate) + 3.0 * rate); };
    std::uint32_t sliceStart = std::uint32_t(script.Unit() * length); // opening of the first slice
    for (int slice = 0; slice < 3; ++slice)
    {
        SCOPED_TRACE(testing::Message() << "slice " << slice);
        const std::uint32_t sliceLength = pickLength();
        const std::uint32_t body = (sliceStart + c) % length;
        const std::uint32_t next = std::uint32_t(script.Unit() * length);
        ASSERT_GE(sliceLength, 3 * rate);
        ASSERT_LT(sliceLength, 20 * rate);
        CStereoFrame f;
        for (std::uint32_t i = 0; i < sliceLength; ++i)
        {
            ASSERT_TRUE(item.GetFrame(f));
            ASSERT_EQ(f.left, code(body + i)) << "body frame " << i;
        }
        EXPECT_EQ(item.GetSliceLength(), sliceLength);
        for (std::uint32_t i = 0; i < c; ++i)
        {
            ASSERT_TRUE(item.GetFrame(f));
            const float w = float(i) / float(c - 1);
            const float expected = w * code(next + i) + (1.0f - w) * code(body + sliceLength + i);
            ASSERT_NEAR(f.left, expected, 1e-6) << "crossfade frame " << i;
        }
        sliceStart = next;
    }
}

struct EmptyCase
{
    const char* name;
    bool slices;
};

// A file of no frames: silence, never a division by zero.
TEST(CPlaylistPlayer, FileOfNoFramesIsSilent)
{
    const QString path = vtest::MediaPath("no-frames.wav");
    ASSERT_TRUE(vtest::WriteSine(path, Format::Wav16, kRate, 2, 0, 440.0));
    for (const EmptyCase c : {EmptyCase{"whole file", false}, EmptyCase{"slices", true}})
    {
        SCOPED_TRACE(c.name);
        AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 100 * kRate);
        SetPlaylist(rig, {{path, 0}, {path, 0}}, c.slices);
        rig.sound.m_playlistFadeFrames = kRate;
        ASSERT_TRUE(rig.sound.Init());
        const auto out = rig.Render(65 * kRate);
        EXPECT_FALSE(rig.failed);
        EXPECT_TRUE(vtest::SoundingRuns(out).empty());
    }
}

// An empty list is silent; a file that cannot be opened fails Init with its path, or a later
// switch with the kind's message.
TEST(CPlaylistPlayer, MissingFiles)
{
    const CFileListEntry good = LevelFile("good.wav", 0.5f);
    const CFileListEntry missing = {vtest::MediaPath("missing.wav"), 0};
    {
        AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 10 * kRate);
        SetPlaylist(rig, {});
        ASSERT_TRUE(rig.sound.Init());
        EXPECT_TRUE(vtest::SoundingRuns(rig.Render(kRate)).empty());
        EXPECT_FALSE(rig.failed);
    }
    {
        AmbientRig rig(CSegment::kKindAmbientMusic, kRate, 10 * kRate);
        SetPlaylist(rig, {good, missing});
        EXPECT_FALSE(rig.sound.Init());
        EXPECT_EQ(rig.sound.GetErrorText(), "Failed to open the playlist file: \n\n" + missing.m_path);
    }
    // The third file is opened at the first switch, ahead of its own fade-in.
    AmbientRig ambient(CSegment::kKindAmbientMusic, kRate, 300 * kRate);
    NatureRig nature(CSegment::kKindNature, kRate, 300 * kRate);
    SetPlaylist(ambient, {good, good, missing});
    SetPlaylist(nature, {good, good, missing});
    ASSERT_TRUE(ambient.sound.Init());
    ASSERT_TRUE(nature.sound.Init());
    ambient.Render(61 * kRate);
    nature.Render(61 * kRate);
    EXPECT_EQ(ambient.error, "Failed to read the ambient music playlist.");
    EXPECT_EQ(nature.error, "Failed to read the nature playlist.");
}

} // namespace
