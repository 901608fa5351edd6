#include "audio/CSoundSuggestions.h"

#include "SoundMedia.h"
#include "SoundRig.h"
#include "model/CSegmentSuggestions.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <numbers>
#include <set>

namespace
{

using Format = plat::SoundWriter::Format;
using Rig = vtest::SoundRig<CSoundSuggestions, CSegmentSuggestions>;

constexpr unsigned kRate = 44100;
constexpr double kAmp = 0.5;
// File i of a list sounds at its own pitch, so a render shows which file plays.
constexpr double kHz[] = {300.0, 500.0, 700.0, 900.0, 1100.0};

// A cosine (full amplitude on its first frame, so onsets are exact) of @p seconds in the
// test's library, stored library relative.
CFileListEntry VoiceFile(const QString& name, double seconds, double hz, unsigned rate = kRate)
{
    const QString path = GetSoundLibraryFolder() + "Voice/" + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const auto frames = static_cast<std::uint64_t>(std::llround(seconds * rate));
    EXPECT_TRUE(vtest::WriteFrames(
        path, Format::WavFloat, rate, 1, frames,
        [=](std::uint64_t i, int)
        { return static_cast<float>(kAmp * std::cos(2.0 * std::numbers::pi * hz * double(i) / rate)); }));
    return {"Voice\\" + name, 1};
}

// Which of the list's pitches sounds at the start of a run.
int FileOfRun(const std::vector<CStereoFrame>& frames, unsigned rate, const vtest::Run& run, int files)
{
    const std::size_t count = std::min<std::size_t>(run.length, rate / 10);
    int best = -1;
    double bestAmp = 0.0;
    for (int i = 0; i < files; ++i)
    {
        const double a = vtest::ToneAmplitude(frames, rate, kHz[i], run.start, count);
        if (a > bestAmp)
            bestAmp = a, best = i;
    }
    return best;
}

struct SequenceCase
{
    const char* name;
    std::vector<double> fileSeconds;
    double interval;
    double segmentSeconds;
    std::vector<double> onsets; // seconds, within a few frames
};

// In list order each file starts a pause after the end of the previous one (at least 1 s),
// plays whole, and a file that would end after the segment never starts and ends the voice.
TEST(CSoundSuggestions, SequentialFilesFollowTheirPausesInsideTheSegment)
{
    const SequenceCase cases[] = {
        {"three 10 s files, interval 5, 60 s segment", {10, 10, 10}, 5.0, 60.0, {0, 15, 30}},
        {"interval 0.3 pauses for 1 s", {2, 2}, 0.3, 20.0, {0, 3}},
        {"a file past the segment end ends the voice", {10, 10, 1}, 5.0, 24.0, {0}},
        // The second file starts 1 s after the first one's last frame, at 220499.
        {"a file ending at the segment end plays", {4, 220501.0 / kRate}, 1.0, 10.0, {0, 5}},
        {"one frame longer never starts", {4, 220502.0 / kRate}, 1.0, 10.0, {0}},
    };
    for (const SequenceCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto length = static_cast<std::uint32_t>(c.segmentSeconds * kRate);
        Rig rig(CSegment::kKindVoice, kRate, length);
        for (std::size_t i = 0; i < c.fileSeconds.size(); ++i)
            rig.segment->m_files.push_back(VoiceFile(QString("seq%1.wav").arg(i), c.fileSeconds[i], kHz[i]));
        rig.segment->m_interval.SetValue(c.interval);
        ASSERT_TRUE(rig.sound.Init());
        const auto frames = rig.Render(length + 1);
        ASSERT_FALSE(rig.failed) << rig.error.toStdString();

        const auto runs = vtest::SoundingRuns(frames);
        ASSERT_EQ(runs.size(), c.onsets.size());
        for (std::size_t i = 0; i < runs.size(); ++i)
        {
            SCOPED_TRACE(i);
            EXPECT_NEAR(double(runs[i].start), c.onsets[i] * kRate, 2.0);
            EXPECT_NEAR(double(runs[i].length), c.fileSeconds[i] * kRate, 2.0);
            EXPECT_EQ(FileOfRun(frames, kRate, runs[i], int(c.fileSeconds.size())), int(i));
        }
        EXPECT_TRUE(rig.sound.Terminate());
    }
}

// Shuffled rounds: each a permutation of the list, the first not starting with file 0 and
// every later one not starting with the file that ended the round before.
TEST(CSoundSuggestions, ShuffleRoundsNeverRepeatTheFileAcrossARound)
{
    constexpr unsigned rate = 11025;
    for (int n : {2, 3, 5})
    {
        std::vector<CFileListEntry> files;
        for (int i = 0; i < n; ++i)
            files.push_back(VoiceFile(QString("shuffle%1.wav").arg(i), 0.2, kHz[i], rate));
        for (std::uint32_t seed = 1; seed <= 6; ++seed)
        {
            SCOPED_TRACE(testing::Message() << n << " files, seed " << seed);
            vtest::ScriptRandom(seed * 7919);
            const std::uint32_t length = 20 * rate;
            Rig rig(CSegment::kKindVoice, rate, length);
            rig.segment->m_files = files;
            rig.segment->m_playMode = CSegmentSuggestions::kPlayModeShuffle;
            rig.segment->m_interval.SetValue(0.3); // every pause the 1 s minimum
            ASSERT_TRUE(rig.sound.Init());
            const auto frames = rig.Render(length + 1);
            ASSERT_FALSE(rig.failed);

            std::vector<int> played;
            for (const vtest::Run& run : vtest::SoundingRuns(frames))
                played.push_back(FileOfRun(frames, rate, run, n));
            ASSERT_GE(played.size(), std::size_t(3 * n));
            EXPECT_NE(played[0], 0);
            for (std::size_t round = 0; (round + 1) * n <= played.size(); ++round)
            {
                const std::set<int> seen(played.begin() + round * n, played.begin() + (round + 1) * n);
                EXPECT_EQ(seen.size(), std::size_t(n)) << "round " << round;
                if (round > 0)
                {
                    EXPECT_NE(played[round * n], played[round * n - 1]) << "round " << round;
                }
            }
        }
    }
}

// Prerecorded: nothing until the panel asks, then the asked file from its start at once, a
// later request replacing it; a request past the list silences it; no selection is an error.
TEST(CSoundSuggestions, PrerecordedPlaysTheRequestedFileWhenAsked)
{
    const std::uint32_t length = 20 * kRate;
    Rig rig(CSegment::kKindVoice, kRate, length);
    for (int i = 0; i < 3; ++i)
        rig.segment->m_files.push_back(VoiceFile(QString("pre%1.wav").arg(i), 4.0, kHz[i]));
    rig.segment->m_playMode = CSegmentSuggestions::kPlayModePrerecorded;
    rig.segment->RequestFile(2); // left over from an earlier playback: Init forgets it
    ASSERT_TRUE(rig.sound.Init());

    auto before = rig.Render(2 * kRate);
    EXPECT_TRUE(vtest::SoundingRuns(before).empty());

    rig.segment->RequestFile(1);
    auto first = rig.Render(kRate);
    ASSERT_FALSE(first.empty());
    EXPECT_FLOAT_EQ(first[0].left, float(kAmp)) << "file 1 starts on the frame of the request, at 2.0 s";
    EXPECT_GT(vtest::ToneAmplitude(first, kRate, kHz[1], 0, kRate / 10), 0.45);

    rig.segment->RequestFile(0);
    auto second = rig.Render(kRate);
    ASSERT_FALSE(second.empty());
    EXPECT_FLOAT_EQ(second[0].left, float(kAmp));
    EXPECT_GT(vtest::ToneAmplitude(second, kRate, kHz[0], 0, kRate / 10), 0.45);

    rig.segment->RequestFile(7);
    auto past = rig.Render(kRate);
    EXPECT_FALSE(rig.failed) << rig.error.toStdString();
    EXPECT_TRUE(vtest::SoundingRuns(past).empty());

    rig.segment->RequestFile(-1);
    rig.Render(1);
    EXPECT_TRUE(rig.failed);
    EXPECT_EQ(rig.error, "Failed to select the prerecorded voice file.");
}

struct FileCase
{
    const char* name;
    std::int32_t mode;
    bool writeFile;
    double seconds;
    QString expectedError; // empty: plays
    bool sounds;
};

// What a file of the list does: a library path stored with backslashes plays, a missing file
// names its resolved path, a file of no frames stops playback, the live placeholder is silent.
TEST(CSoundSuggestions, FilesOfTheList)
{
    const QString resolved = GetSoundLibraryFolder() + "Voice/case.wav";
    const FileCase cases[] = {
        {"library path with backslashes", CSegmentSuggestions::kPlayModeSequential, true, 1.0, {}, true},
        {"missing file", CSegmentSuggestions::kPlayModeSequential, false, 0.0,
         "Failed to open the voice file: \n\n" + resolved, false},
        {"file of no frames", CSegmentSuggestions::kPlayModeSequential, true, 0.0,
         "Failed to get the voice file size.", false},
        {"live placeholder", CSegmentSuggestions::kPlayModeLivePlaceholder, true, 1.0, {}, false},
    };
    for (const FileCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        QFile::remove(resolved);
        Rig rig(CSegment::kKindVoice, kRate, 3 * kRate);
        if (c.writeFile)
            rig.segment->m_files.push_back(VoiceFile("case.wav", c.seconds, kHz[0]));
        else
            rig.segment->m_files.push_back({"Voice\\case.wav", 1});
        rig.segment->m_playMode = c.mode;
        ASSERT_TRUE(rig.sound.Init());
        const auto frames = rig.Render(2 * kRate);
        EXPECT_EQ(rig.error, c.expectedError);
        EXPECT_EQ(rig.failed, !c.expectedError.isEmpty());
        EXPECT_EQ(!vtest::SoundingRuns(frames).empty(), c.sounds);
        EXPECT_TRUE(rig.sound.Terminate());
    }
}

} // namespace
