#include "audio/CSoundFile.h"

#include "SoundMedia.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace
{

using Format = plat::SoundWriter::Format;

// Reads until ReadFrame says false (or @p limit frames, against a reader that never ends).
std::vector<CStereoFrame> ReadAll(CSoundFile& file, std::size_t limit = 20'000'000)
{
    std::vector<CStereoFrame> frames;
    CStereoFrame f;
    while (frames.size() < limit && file.ReadFrame(f))
        frames.push_back(f);
    return frames;
}

// Zero crossings of the left channel per second at @p rate, over the middle half of the
// frames: twice the frequency the reader delivers.
double CrossingsPerSecond(const std::vector<CStereoFrame>& frames, unsigned rate)
{
    const std::size_t a = frames.size() / 4;
    const std::size_t b = frames.size() * 3 / 4;
    int crossings = 0;
    for (std::size_t i = a + 1; i < b; ++i)
        crossings += (frames[i - 1].left < 0.0f) != (frames[i].left < 0.0f) ? 1 : 0;
    return crossings * static_cast<double>(rate) / static_cast<double>(b - a);
}

struct FormatCase
{
    const char* name;
    Format format;
    const char* ext;
    unsigned fileRate;
    int channels;
    unsigned targetRate;
    int mp3; // 0 not MP3, 1 MP3 with its length tag, 2 MP3 without
};

// Every format opens, delivers exactly GetLength frames and keeps the sine's pitch whatever
// the rate conversion; a mono file sounds on both channels.
TEST(CSoundFile, EveryFormatDeliversItsLengthAtTheTargetRate)
{
    const FormatCase cases[] = {
        {"wav mono 22050 read at 44100", Format::Wav16, "wav", 22050, 1, 44100, 0},
        {"wav stereo 48000 read at 44100", Format::Wav16, "wav", 48000, 2, 44100, 0},
        {"wav mono 11025 read at 96000", Format::Wav16, "wav", 11025, 1, 96000, 0},
        {"wav stereo 44100 read at 44100 (no resampler)", Format::Wav16, "wav", 44100, 2, 44100, 0},
        {"8-bit wav", Format::Wav8, "wav", 22050, 1, 44100, 0},
        {"float wav 96000 read at 48000", Format::WavFloat, "wav", 96000, 2, 48000, 0},
        {"flac", Format::Flac16, "flac", 44100, 2, 48000, 0},
        {"ogg vorbis", Format::OggVorbis, "ogg", 44100, 2, 44100, 0},
        {"ogg vorbis read at 22050", Format::OggVorbis, "ogg", 44100, 1, 22050, 0},
        {"opus", Format::Opus, "opus", 48000, 2, 44100, 0},
        {"mp3 with length tag", Format::Wav16, "mp3", 44100, 2, 44100, 1},
        {"mp3 with length tag read at 48000", Format::Wav16, "mp3", 44100, 2, 48000, 1},
        {"mp3 without length tag", Format::Wav16, "mp3", 44100, 2, 44100, 2},
    };
    const double hz = 441.0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::uint64_t fileFrames = c.fileRate * 3 / 2 + 7; // 1.5 s and a few frames
        QString path = vtest::MediaPath(QString::fromUtf8(c.name) + "." + c.ext);
        if (c.mp3)
        {
            const QString wav = path + ".wav";
            ASSERT_TRUE(vtest::WriteSine(wav, c.format, c.fileRate, c.channels, fileFrames, hz));
            ASSERT_TRUE(vtest::EncodeMp3(wav, path, c.mp3 == 1)) << "lame must be installed";
        }
        else
            ASSERT_TRUE(vtest::WriteSine(path, c.format, c.fileRate, c.channels, fileFrames, hz));

        CSoundFile file;
        ASSERT_TRUE(file.Open(path, c.targetRate, false));
        const std::vector<CStereoFrame> frames = ReadAll(file);
        EXPECT_EQ(frames.size(), file.GetLength());
        if (c.mp3 != 2)
            EXPECT_EQ(file.GetLength(), fileFrames * c.targetRate / c.fileRate);
        else // without the tag the decoder guesses the length from the stream: a little long
            EXPECT_NEAR(static_cast<double>(file.GetLength()), fileFrames * c.targetRate / c.fileRate,
                        c.targetRate * 0.05);
        EXPECT_NEAR(CrossingsPerSecond(frames, c.targetRate), 2 * hz, 2 * hz * 0.01);
        if (c.channels == 1)
        {
            bool same = true;
            for (const auto& f : frames)
                same = same && f.left == f.right;
            EXPECT_TRUE(same) << "mono plays the same on both channels";
        }
        CStereoFrame f{1.0f, 1.0f};
        EXPECT_FALSE(file.ReadFrame(f));
        EXPECT_EQ(f.left, 0.0f);
        EXPECT_EQ(f.right, 0.0f);
    }
}

// The exact doubling: a 22050 Hz mono file read at 44100 Hz.
TEST(CSoundFile, HalfRateMonoFileGivesExactlyTwiceItsFramesOnBothChannels)
{
    const QString path = vtest::MediaPath("double.wav");
    ASSERT_TRUE(vtest::WriteSine(path, Format::Wav16, 22050, 1, 33333, 1000.0));
    CSoundFile file;
    ASSERT_TRUE(file.Open(path, 44100, false));
    EXPECT_EQ(file.GetLength(), 66666u);
    const auto frames = ReadAll(file);
    ASSERT_EQ(frames.size(), 66666u);
    for (const auto& f : frames)
        ASSERT_EQ(f.left, f.right);
}

// A file shorter than the buffer comes in one refill: all of it, then silence and false for
// as long as anyone asks, until Rewind starts it again.
TEST(CSoundFile, ShortFileEndsWithSilenceUntilRewind)
{
    for (std::uint64_t frames : {1000ull, 5000ull, 5001ull})
    {
        SCOPED_TRACE(frames);
        const QString path = vtest::MediaPath(QString("short-%1.wav").arg(frames));
        ASSERT_TRUE(vtest::WriteFrames(path, Format::WavFloat, 44100, 2, frames,
                                       [](std::uint64_t i, int c) { return c ? -0.25f : 0.5f + i * 1e-5f; }));
        CSoundFile file;
        ASSERT_TRUE(file.Open(path, 44100, false));
        auto all = ReadAll(file);
        ASSERT_EQ(all.size(), frames);
        EXPECT_FLOAT_EQ(all.front().left, 0.5f);
        EXPECT_FLOAT_EQ(all.back().left, 0.5f + (frames - 1) * 1e-5f);
        CStereoFrame f;
        for (int i = 0; i < 12000; ++i)
        {
            ASSERT_FALSE(file.ReadFrame(f));
            ASSERT_EQ(f.left, 0.0f);
        }
        ASSERT_TRUE(file.Rewind());
        ASSERT_TRUE(file.ReadFrame(f));
        EXPECT_FLOAT_EQ(f.left, 0.5f);
        EXPECT_FLOAT_EQ(f.right, -0.25f);
    }
}

// A looping read wraps without a jump: no step between frames exceeds what the sine itself
// can do, across ten wraps, whether or not the resampler is in the path.
TEST(CSoundFile, LoopingReadHasNoJumpAtTheWraps)
{
    const double hz = 441.0; // 100 frames a period at 44100: the file holds whole periods
    const double amp = 0.5;
    const QString path = vtest::MediaPath("loop.wav");
    ASSERT_TRUE(vtest::WriteSine(path, Format::WavFloat, 44100, 2, 10000, hz, amp));
    for (unsigned rate : {44100u, 48000u, 22050u})
    {
        SCOPED_TRACE(rate);
        CSoundFile file;
        ASSERT_TRUE(file.Open(path, rate, true));
        const std::size_t n = 10 * static_cast<std::size_t>(file.GetLength());
        std::vector<CStereoFrame> frames(n);
        ASSERT_EQ(file.ReadFrames(frames.data(), static_cast<std::uint32_t>(n)), n) << "a loop never ends";
        const double maxSlope = 2.0 * std::numbers::pi * hz * amp / rate;
        double worst = 0.0;
        for (std::size_t i = 2000; i < n; ++i) // past the resampler's start-up
            worst = std::max(worst, static_cast<double>(std::fabs(frames[i].left - frames[i - 1].left)));
        EXPECT_LT(worst, 1.5 * maxSlope);
        EXPECT_NEAR(CrossingsPerSecond(frames, rate), 2 * hz, 2 * hz * 0.01);
    }
}

// Seeking lands where reading from the start and skipping would be, once the resampler
// has settled; without a resampler it lands on the very frame.
TEST(CSoundFile, SeekMatchesReadingAndSkipping)
{
    const QString path = vtest::MediaPath("seek.wav");
    ASSERT_TRUE(vtest::WriteSine(path, Format::WavFloat, 44100, 2, 3 * 44100, 330.0));
    struct Case
    {
        unsigned rate;
        unsigned frame;
    };
    for (const Case c : {Case{48000, 12345}, Case{48000, 100000}, Case{96000, 250001}, Case{44100, 77777}})
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, frame " << c.frame);
        CSoundFile straight;
        ASSERT_TRUE(straight.Open(path, c.rate, false));
        std::vector<CStereoFrame> skip(c.frame + 3000);
        ASSERT_EQ(straight.ReadFrames(skip.data(), static_cast<std::uint32_t>(skip.size())), skip.size());
        CSoundFile seeking;
        ASSERT_TRUE(seeking.Open(path, c.rate, false));
        ASSERT_TRUE(seeking.Seek(c.frame));
        std::vector<CStereoFrame> after(3000);
        ASSERT_EQ(seeking.ReadFrames(after.data(), 3000), 3000u);
        const std::size_t settle = c.rate == 44100 ? 0 : 500;
        double worst = 0.0;
        for (std::size_t i = settle; i < after.size(); ++i)
            worst = std::max({worst, static_cast<double>(std::fabs(after[i].left - skip[c.frame + i].left)),
                              static_cast<double>(std::fabs(after[i].right - skip[c.frame + i].right))});
        EXPECT_LT(worst, 1e-3);
    }
}

// Frame arithmetic is exact: a seek far into a file read at its own rate lands on the frame
// whose value names it (a time in single-precision seconds would miss by frames).
TEST(CSoundFile, SeekIsFrameExact)
{
    const QString path = vtest::MediaPath("ramp.wav");
    ASSERT_TRUE(vtest::WriteFrames(path, Format::WavFloat, 96000, 1, 400000,
                                   [](std::uint64_t i, int) { return static_cast<float>(i) / 1048576.0f; }));
    CSoundFile file;
    ASSERT_TRUE(file.Open(path, 96000, false));
    for (unsigned frame : {0u, 1u, 4999u, 5000u, 333333u, 399999u})
    {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(file.Seek(frame));
        CStereoFrame f;
        ASSERT_TRUE(file.ReadFrame(f));
        EXPECT_EQ(f.left, static_cast<float>(frame) / 1048576.0f);
    }
    ASSERT_TRUE(file.Seek(400000));
    CStereoFrame f;
    EXPECT_FALSE(file.ReadFrame(f)) << "a seek to the end reads nothing more";
}

// The bulk read and the frame-by-frame read give the same frames, across buffer refills, reads
// decoded straight into the caller's frames and the end; past the end the bulk read fills
// silence. With and without the resampler, mono and stereo.
TEST(CSoundFile, BulkReadMatchesFrameByFrame)
{
    struct Case
    {
        const char* name;
        unsigned rate;
        int channels;
        std::uint32_t block;
    };
    const Case cases[] = {
        {"resampled, through the buffer", 48000, 2, 3001},
        {"resampled, straight", 48000, 2, 20000},
        {"at the file's rate, through the buffer", 44100, 2, 3001},
        {"at the file's rate, straight", 44100, 2, 20000},
        {"mono at the file's rate, straight", 44100, 1, 4410},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString path = vtest::MediaPath(QString("bulk-%1.ogg").arg(c.channels));
        ASSERT_TRUE(vtest::WriteSine(path, Format::OggVorbis, 44100, c.channels, 30000, 500.0));
        CSoundFile one, bulk;
        ASSERT_TRUE(one.Open(path, c.rate, false));
        ASSERT_TRUE(bulk.Open(path, c.rate, false));
        const auto expected = ReadAll(one);
        std::vector<CStereoFrame> got;
        std::vector<CStereoFrame> block(c.block, CStereoFrame{9.0f, 9.0f});
        // A few single frames first, so the straight reads start part-way into a buffer.
        for (int i = 0; i < 7; ++i)
        {
            CStereoFrame f;
            ASSERT_TRUE(bulk.ReadFrame(f));
            got.push_back(f);
        }
        for (;;)
        {
            const std::uint32_t n = bulk.ReadFrames(block.data(), c.block);
            got.insert(got.end(), block.begin(), block.begin() + n);
            for (std::uint32_t i = n; i < block.size(); ++i)
                ASSERT_EQ(block[i].left, 0.0f);
            if (n < block.size())
                break;
        }
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
        {
            ASSERT_EQ(got[i].left, expected[i].left) << i;
            ASSERT_EQ(got[i].right, expected[i].right) << i;
        }
        EXPECT_EQ(bulk.ReadFrames(block.data(), c.block), 0u) << "the end holds";
        CStereoFrame f;
        EXPECT_FALSE(bulk.ReadFrame(f));
    }
}

// Bad input: false, silence, no exception, nothing left open.
TEST(CSoundFile, MissingCorruptAndEmptyFilesFailQuietly)
{
    const QString corrupt = vtest::MediaPath("corrupt.wav");
    vtest::WriteFile(corrupt, {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E', 0xff, 0xfe, 0, 0, 9});
    const QString text = vtest::MediaPath("notes.mp3");
    vtest::WriteFile(text, std::vector<std::uint8_t>(3000, 'x'));
    // A named pipe blocked the decoder's open without end (and a stop waiting for it); a folder
    // is no sound either.
    const QString pipe = vtest::MediaPath("voice.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString folder = vtest::MediaPath("folder.ogg");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& path : {vtest::MediaPath("missing.ogg"), corrupt, text, pipe, folder, QString()})
    {
        SCOPED_TRACE(path.toStdString());
        CSoundFile file;
        EXPECT_FALSE(file.Open(path, 44100, false));
        EXPECT_FALSE(file.IsOpen());
        CStereoFrame f{1.0f, 1.0f};
        EXPECT_FALSE(file.ReadFrame(f));
        EXPECT_EQ(f.left, 0.0f);
        EXPECT_EQ(file.GetLength(), 0u);
        EXPECT_EQ(CSoundFile::GetFileDuration(path), 0.0);
    }
    // An empty but valid file opens and is over at once.
    const QString empty = vtest::MediaPath("empty.wav");
    ASSERT_TRUE(
        vtest::WriteFrames(empty, Format::Wav16, 44100, 2, 0, [](std::uint64_t, int) { return 0.0f; }));
    for (bool loop : {false, true})
    {
        CSoundFile file;
        ASSERT_TRUE(file.Open(empty, 44100, loop));
        EXPECT_EQ(file.GetLength(), 0u);
        CStereoFrame f;
        EXPECT_FALSE(file.ReadFrame(f));
        EXPECT_TRUE(file.Seek(0)) << "a looping seek into nothing stays harmless";
    }
    // A failed Open closes what was open before.
    CSoundFile file;
    ASSERT_TRUE(file.Open(empty, 44100, false));
    EXPECT_FALSE(file.Open(corrupt, 44100, false));
    EXPECT_FALSE(file.IsOpen());
}

// An OGG whose last pages are missing reports an unknown frame count (INT64_MAX): the length
// multiplied out overflowed and the file was dropped as endless. Its frames are counted by
// decoding, so the part that decodes plays, and its duration is what plays.
TEST(CSoundFile, TruncatedOggPlaysWhatDecodes)
{
    const QString whole = vtest::MediaPath("whole.ogg");
    ASSERT_TRUE(vtest::WriteSine(whole, Format::OggVorbis, 44100, 2, 3 * 44100, 300.0));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString cut = vtest::MediaPath("cut.ogg");
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() * 2 / 3));
    out.close();

    const double duration = CSoundFile::GetFileDuration(cut);
    EXPECT_GT(duration, 1.0);
    EXPECT_LT(duration, 3.0);
    for (const unsigned rate : {44100u, 48000u})
    {
        SCOPED_TRACE(rate);
        CSoundFile file;
        ASSERT_TRUE(file.Open(cut, rate, false));
        EXPECT_NEAR(double(file.GetLength()) / rate, duration, 0.01);
        double energy = 0.0;
        CStereoFrame f;
        std::uint32_t frames = 0;
        while (file.ReadFrame(f))
        {
            energy += double(f.left) * f.left;
            ++frames;
        }
        EXPECT_EQ(frames, file.GetLength());
        EXPECT_NEAR(std::sqrt(energy / frames), 0.5 / std::sqrt(2.0), 0.05) << "the sine plays, not silence";
    }
}

TEST(CSoundFile, FileDurationAndLengthText)
{
    const QString path = vtest::MediaPath("65.9s.wav");
    ASSERT_TRUE(vtest::WriteSine(path, Format::Wav16, 8000, 1, 527200, 200.0)); // 65.9 s
    EXPECT_NEAR(CSoundFile::GetFileDuration(path), 65.9, 0.001);
    EXPECT_EQ(CSoundFile::FormatFileLength(path), QStringLiteral("File length 01:05"));
    EXPECT_EQ(CSoundFile::FormatFileLength(QString()), QString());
    EXPECT_EQ(CSoundFile::FormatFileLength(vtest::MediaPath("missing.wav")),
              QStringLiteral("File length 00:00"));
    const QString ogg = vtest::MediaPath("2.5s.ogg");
    ASSERT_TRUE(vtest::WriteSine(ogg, Format::OggVorbis, 44100, 2, 110250, 200.0));
    EXPECT_NEAR(CSoundFile::GetFileDuration(ogg), 2.5, 0.001);
}

} // namespace
