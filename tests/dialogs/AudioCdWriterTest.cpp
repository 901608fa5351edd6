// The pieces of writing an audio CD that need no dialog: the track file made from a recording,
// and reading the progress out of the writing program's output.
#include "dialogs/recorder/AudioCdWriter.h"

#include "RecordingEndFixture.h"
#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <vector>

namespace
{

std::vector<float> Decode(const QString& path, plat::SoundDecoder::Info& info)
{
    plat::SoundDecoder decoder;
    EXPECT_TRUE(plat::SoundDecoder::ReadInfo(path, info));
    EXPECT_TRUE(decoder.Open(path, info.rate, false));
    std::vector<float> frames(static_cast<std::size_t>(decoder.Length()) * 2);
    EXPECT_EQ(decoder.Read(frames.data(), static_cast<std::uint32_t>(decoder.Length())), decoder.Length());
    return frames;
}

double Rms(const std::vector<float>& frames, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from * 2; i < to * 2; ++i)
        sum += double(frames[i]) * frames[i];
    return std::sqrt(sum / double((to - from) * 2));
}

TEST(AudioCdWriter, ProgressIsTheLastWrittenLine)
{
    struct Case
    {
        const char* name;
        QByteArray output;
        int percent;
    };
    const Case cases[] = {
        {"none yet", "Starting to write CD/DVD at speed 48.0 in real TAO mode for single session.\n", -1},
        {"one line", "Track 01:   10 of   40 MB written (fifo 100%) [buf  99%]  24.1x.", 25},
        {"the last of several, carriage returns between",
         "Track 01:    1 of   40 MB written (fifo 100%)\rTrack 01:   30 of   40 MB written (fifo 100%)\r",
         75},
        {"cdrskin's spacing", "Track 01:   40 of   40 MB written (fifo 100%) [buf  99%]   8.0x.\n", 100},
        {"an empty track says nothing", "Track 01:    0 of    0 MB written", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(disc::ParseWrittenPercent(c.output), c.percent) << c.name;
}

// Any recording becomes a 44.1 kHz 16-bit stereo track: another rate is resampled, mono goes to
// both channels, and a track shorter than the CD's shortest is padded with silence.
TEST(AudioCdWriter, TrackFileIsCdAudioOfAtLeastFourSeconds)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* name;
        std::uint32_t rate;
        int channels;
        std::uint32_t frames;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"48 kHz mono, one second: resampled and padded", 48000, 1, 48000, disc::kMinTrackFrames},
        {"44.1 kHz stereo, five seconds: as it is", 44100, 2, 5 * 44100, 5 * 44100},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString source = vtest::WriteTone(dir.filePath("source.wav"), c.frames, c.rate, c.channels);
        const QString target = dir.filePath("track.wav");
        std::atomic<int> percent{-1};
        std::atomic<bool> cancel{false};
        QString error;
        ASSERT_TRUE(disc::PrepareCdAudio(source, target, percent, cancel, error)) << error.toStdString();
        EXPECT_EQ(percent.load(), 100);
        plat::SoundDecoder::Info info;
        const std::vector<float> frames = Decode(target, info);
        EXPECT_EQ(info.rate, 44100u);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.frames, c.expected);
        EXPECT_EQ(QFileInfo(target).size(), qint64(44 + c.expected * 4)); // 16-bit samples
        // The tone's level (3000 / 32768 peak) in both channels, silence after it.
        const std::size_t sound = std::size_t(double(c.frames) * 44100 / c.rate);
        EXPECT_NEAR(Rms(frames, 1000, sound - 1000), 3000.0 / 32768 / std::sqrt(2.0), 0.005);
        EXPECT_NEAR(frames[2 * 5000], frames[2 * 5000 + 1], 1e-6);
        if (sound + 100 < c.expected)
        {
            EXPECT_EQ(Rms(frames, sound + 100, c.expected), 0.0);
        }
    }
}

TEST(AudioCdWriter, UnreadableSourceAndCancelMakeNoTrack)
{
    QTemporaryDir dir;
    std::atomic<int> percent{0};
    std::atomic<bool> cancel{false};
    QString error;
    EXPECT_FALSE(
        disc::PrepareCdAudio(dir.filePath("missing.wav"), dir.filePath("a.wav"), percent, cancel, error));
    EXPECT_EQ(error, "Failed to read the sound file " + dir.filePath("missing.wav") + ".");

    const QString source = vtest::WriteTone(dir.filePath("source.wav"), 44100);
    error.clear();
    EXPECT_FALSE(disc::PrepareCdAudio(source, dir.filePath("no-folder/a.wav"), percent, cancel, error));
    EXPECT_EQ(error, "Failed to write the temporary file " + dir.filePath("no-folder/a.wav") + ".");

    error.clear();
    cancel = true;
    EXPECT_FALSE(disc::PrepareCdAudio(source, dir.filePath("b.wav"), percent, cancel, error));
    EXPECT_TRUE(error.isEmpty());
}

} // namespace
