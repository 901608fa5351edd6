#include "audio/CEncoder.h"
#include "audio/CSoundFile.h"

#include "ServiceSupport.h"
#include "SoundMedia.h"
#include "support/TestEnvironment.h"

#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <numbers>
#include <thread>
#include <vector>

namespace
{

constexpr int kWav = 0;
constexpr int kMp3 = 1;
constexpr int kOgg = 2;

std::vector<CStereoFrame> Sine(unsigned rate, std::uint32_t frames, double hz, float amp = 0.5f)
{
    std::vector<CStereoFrame> v(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const auto s = static_cast<float>(amp * std::sin(2.0 * std::numbers::pi * hz * i / rate));
        v[i] = {s, s};
    }
    return v;
}

// Writes @p frames in recording-sized blocks of 10 ms, as the recorder hands them on.
bool WriteInBlocks(CEncoder& encoder, const std::vector<CStereoFrame>& frames, unsigned rate)
{
    const std::uint32_t block = rate / 100;
    for (std::size_t at = 0; at < frames.size(); at += block)
    {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(block, frames.size() - at));
        if (!encoder.Write(&frames[at], n))
            return false;
    }
    return true;
}

std::vector<float> DecodeLeft(const QString& path, unsigned rate, unsigned* length = nullptr)
{
    CSoundFile file;
    std::vector<float> left;
    if (!file.Open(path, rate, false))
        return left;
    if (length)
        *length = file.GetLength();
    CStereoFrame f;
    while (file.ReadFrame(f))
        left.push_back(f.left);
    return left;
}

std::vector<std::uint8_t> ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    return {data.begin(), data.end()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::int16_t S16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::int16_t>(U16(b, at));
}

// Each sample format written and read back: float exactly, integers within one step of
// their resolution, and overs clipped to full scale instead of wrapping round to the
// other sign. The file keeps the session rate, and a file that stays small has a plain
// RIFF header (not RF64, which many players cannot read).
TEST(CEncoder, WavSampleFormatsRoundTripAndClip)
{
    struct Case
    {
        const char* name;
        int sampleFormat;
        double step; // one least significant bit; 0 for exact
    };
    const Case cases[] = {
        {"16-bit", 0, 1.0 / 32768},
        {"24-bit", 1, 1.0 / 8388608},
        {"32-bit", 2, 1.0 / 2147483648.0},
        {"float", 3, 0.0},
    };
    const std::vector<float> values{0.0f, 0.5f, -0.5f, 0.123456f, -0.987654f, 0.999f, 1.5f, -2.0f, 3e-5f};
    std::vector<CStereoFrame> frames;
    for (float v : values)
        frames.push_back({v, -v * 0.5f});

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::MessageLog messages;
        const QString path = vtest::MediaPath(QStringLiteral("encoder-%1.wav").arg(c.sampleFormat));
        CEncoder encoder;
        ASSERT_TRUE(encoder.Start(path, 2, kWav, 3, c.sampleFormat, 96000));
        ASSERT_TRUE(encoder.Write(frames.data(), static_cast<std::uint32_t>(frames.size())));
        EXPECT_TRUE(encoder.Write(frames.data(), 0)) << "a count of 0 is a success";
        ASSERT_TRUE(encoder.Stop());
        EXPECT_TRUE(messages.Texts().isEmpty());

        plat::SoundDecoder::Info info;
        ASSERT_TRUE(plat::SoundDecoder::ReadInfo(path, info));
        EXPECT_EQ(info.rate, 96000u) << "WAV keeps the session rate";
        EXPECT_EQ(info.frames, frames.size());
        // The plain header every reader takes: integer PCM (1) or IEEE float (3), not the
        // extensible format, and no chunk before the format.
        const auto bytes = ReadBytes(path);
        ASSERT_GE(bytes.size(), 58u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(U32(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "fmt ");
        EXPECT_EQ(U16(bytes, 20), c.step == 0.0 ? 3 : 1);
        const std::size_t data = c.step == 0.0 ? 50 : 36;
        EXPECT_EQ(std::string(bytes.begin() + data, bytes.begin() + data + 4), "data");

        plat::SoundDecoder decoder;
        ASSERT_TRUE(decoder.Open(path, 96000, false));
        std::vector<float> back(frames.size() * 2);
        ASSERT_EQ(decoder.Read(back.data(), static_cast<std::uint32_t>(frames.size())), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
            for (int ch = 0; ch < 2; ++ch)
            {
                const float in = ch == 0 ? frames[i].left : frames[i].right;
                const float out = back[2 * i + ch];
                if (c.step == 0.0)
                    EXPECT_EQ(out, in) << "frame " << i;
                else
                {
                    const double expected = std::clamp(in, -1.0f, 1.0f);
                    EXPECT_NEAR(out, expected, c.step * 1.01) << "frame " << i << " channel " << ch;
                }
            }
    }
}

// Beyond the plain header's 4 GB (a small limit here) the file is RF64: its ds64 chunk holds the
// sizes and every frame reads back. An odd count of data bytes is padded to a whole word.
TEST(CEncoder, WavBeyondThePlainLimitIsRf64)
{
    struct Case
    {
        const char* name;
        plat::SoundWriter::Format format;
        int channels;
        std::uint64_t frames;
        const char* magic;
    };
    using F = plat::SoundWriter::Format;
    const Case cases[] = {
        {"within", F::Wav16, 2, 200, "RIFF"},
        {"beyond", F::Wav16, 2, 1001, "RF64"},
        {"beyond, float", F::WavFloat, 2, 700, "RF64"},
        {"beyond, odd bytes", F::Wav8, 1, 1001, "RF64"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString path = vtest::MediaPath(QStringLiteral("limit.wav"));
        std::vector<float> samples(c.frames * c.channels);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<float>(std::sin(0.01 * double(i)) * 0.5);
        plat::SoundWriter writer;
        writer.SetRf64WhenLarge(true, 1000);
        ASSERT_TRUE(writer.Open(path, c.format, 22050, c.channels));
        ASSERT_TRUE(writer.Write(samples.data(), c.frames));
        ASSERT_TRUE(writer.Close());

        const auto bytes = ReadBytes(path);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), c.magic);
        EXPECT_EQ(bytes.size() % 2, 0u);
        if (std::string(c.magic) == "RF64")
        {
            EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "ds64");
            EXPECT_EQ(U32(bytes, 20) + (std::uint64_t{U32(bytes, 24)} << 32), bytes.size() - 8);
        }
        plat::SoundDecoder::Info info;
        ASSERT_TRUE(plat::SoundDecoder::ReadInfo(path, info));
        EXPECT_EQ(info.frames, c.frames);
        plat::SoundDecoder decoder;
        ASSERT_TRUE(decoder.Open(path, 22050, false));
        std::vector<float> back(c.frames * 2);
        ASSERT_EQ(decoder.Read(back.data(), static_cast<std::uint32_t>(c.frames)), c.frames);
        for (std::uint64_t i = 0; i < c.frames; ++i)
            ASSERT_NEAR(back[2 * i], samples[i * c.channels], 1.0 / 64) << i;
    }
}

// The encoder programs' arguments come from the command-line templates, word by word: the
// bitrate of the compression index and the path as one argument each. The stream on their
// input is a WAV header with the file's rate followed by clipped 16-bit samples.
TEST(CEncoder, EncoderProgramsGetTheBitrateThePathAndA16BitStream)
{
    vtest::FakePrograms fakes;
    fakes.AddRecorder(QStringLiteral("lame"));
    fakes.AddRecorder(QStringLiteral("oggenc2"));
    struct Case
    {
        const char* name;
        int format;
        int compression;
        unsigned rate;
        const char* program;
        QStringList (*args)(const QString& path);
        unsigned headerRate;
    };
    const Case cases[] = {
        {"mp3 smallest", kMp3, 0, 44100, "lame",
         [](const QString& p) {
             return QStringList{"-b", "112", "-", p};
         },
         44100},
        {"mp3 highest", kMp3, 6, 48000, "lame",
         [](const QString& p) {
             return QStringList{"-b", "320", "-", p};
         },
         48000},
        {"mp3 index past the table", kMp3, 9, 44100, "lame",
         [](const QString& p) {
             return QStringList{"-b", "192", "-", p};
         },
         44100},
        {"mp3 negative index", kMp3, -1, 22050, "lame",
         [](const QString& p) {
             return QStringList{"-b", "192", "-", p};
         },
         22050},
        {"mp3 at 96 kHz is written at 48 kHz", kMp3, 3, 96000, "lame",
         [](const QString& p) {
             return QStringList{"-b", "192", "-", p};
         },
         48000},
        {"ogg moderate", kOgg, 3, 44100, "oggenc2",
         [](const QString& p) {
             return QStringList{"-b", "192", "-o", p, "-"};
         },
         44100},
        {"ogg at 88.2 kHz is written at 48 kHz", kOgg, 1, 88200, "oggenc2",
         [](const QString& p) {
             return QStringList{"-b", "128", "-o", p, "-"};
         },
         48000},
        {"ogg at 22050 Hz is written at 44.1 kHz", kOgg, 5, 22050, "oggenc2",
         [](const QString& p) {
             return QStringList{"-b", "256", "-o", p, "-"};
         },
         44100},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString path = fakes.Folder() + QStringLiteral("/out.bin");
        const std::uint32_t frames = c.rate / 2;
        auto sine = Sine(c.rate, frames, 440.0);
        CEncoder encoder;
        ASSERT_TRUE(encoder.Start(path, 2, c.format, c.compression, 0, c.rate));
        ASSERT_TRUE(WriteInBlocks(encoder, sine, c.rate));
        ASSERT_TRUE(encoder.Stop());
        EXPECT_EQ(fakes.Arguments(QString::fromLatin1(c.program)), c.args(path));

        const auto in = fakes.Input(QString::fromLatin1(c.program));
        ASSERT_GE(in.size(), 44u);
        EXPECT_EQ(std::string(in.begin(), in.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(in.begin() + 8, in.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(U16(in, 20), 1) << "integer PCM";
        EXPECT_EQ(U16(in, 22), 2);
        EXPECT_EQ(U32(in, 24), c.headerRate);
        EXPECT_EQ(U32(in, 28), c.headerRate * 4);
        EXPECT_EQ(U16(in, 34), 16);
        EXPECT_EQ(std::string(in.begin() + 36, in.begin() + 40), "data");
        const double expectedFrames = static_cast<double>(frames) * c.headerRate / c.rate;
        EXPECT_NEAR((in.size() - 44) / 4.0, expectedFrames, 2.0) << "the stream lasts as long as the frames";
    }
}

TEST(CEncoder, SamplesAreClippedAndRoundedTo16Bits)
{
    vtest::FakePrograms fakes;
    fakes.AddRecorder(QStringLiteral("lame"));
    const std::vector<CStereoFrame> frames{
        {0.5f, -0.25f}, {1.5f, -3.0f}, {1.0f, -1.0f}, {std::nanf(""), 1e-6f}};
    const std::vector<int> expected{16384, -8192, 32767, -32767, 32767, -32767, 0, 0};
    CEncoder encoder;
    ASSERT_TRUE(encoder.Start(fakes.Folder() + "/x.mp3", 2, kMp3, 3, 0, 44100));
    ASSERT_TRUE(encoder.Write(frames.data(), static_cast<std::uint32_t>(frames.size())));
    ASSERT_TRUE(encoder.Stop());
    const auto in = fakes.Input(QStringLiteral("lame"));
    ASSERT_EQ(in.size(), 44 + expected.size() * 2);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(S16(in, 44 + 2 * i), expected[i]) << "sample " << i;
}

// No shell ever sees the path: quotes and command substitution arrive as they are, and
// nothing else runs.
TEST(CEncoder, PathWithShellSyntaxIsOneArgumentAndRunsNothing)
{
    vtest::FakePrograms fakes;
    fakes.AddRecorder(QStringLiteral("lame"));
    const QString marker = fakes.Folder() + QStringLiteral("/x");
    const QString path = fakes.Folder() + QStringLiteral("/say \"hi\" $(touch x) `touch x`; touch x.mp3");
    CEncoder encoder;
    ASSERT_TRUE(encoder.Start(path, 2, kMp3, 0, 0, 44100));
    ASSERT_TRUE(encoder.Stop());
    EXPECT_EQ(fakes.Arguments(QStringLiteral("lame")), (QStringList{"-b", "112", "-", path}));
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_FALSE(QFile::exists(QDir::currentPath() + QStringLiteral("/x")));
}

TEST(CEncoder, RelativePathStartingWithADashIsNotTakenForAnOption)
{
    vtest::FakePrograms fakes;
    fakes.AddRecorder(QStringLiteral("lame"));
    CEncoder encoder;
    ASSERT_TRUE(encoder.Start(QStringLiteral("-rel.mp3"), 2, kMp3, 0, 0, 44100));
    ASSERT_TRUE(encoder.Stop());
    EXPECT_EQ(fakes.Arguments(QStringLiteral("lame")), (QStringList{"-b", "112", "-", "./-rel.mp3"}));
}

// The Windows build's oggenc2 first, then Debian's oggenc; without either the start fails
// with its message, which says which program is missing and which package brings it.
TEST(CEncoder, OggProgramIsFoundUnderEitherName)
{
    {
        vtest::FakePrograms fakes(vtest::FakePrograms::Path::Only);
        fakes.AddRecorder(QStringLiteral("oggenc"));
        CEncoder encoder;
        ASSERT_TRUE(encoder.Start(fakes.Folder() + "/a.ogg", 2, kOgg, 3, 0, 44100));
        ASSERT_TRUE(encoder.Stop());
        EXPECT_TRUE(fakes.Ran(QStringLiteral("oggenc")));
    }
    {
        vtest::MessageLog messages;
        vtest::FakePrograms fakes(vtest::FakePrograms::Path::Only);
        for (int format : {kMp3, kOgg})
        {
            CEncoder encoder;
            EXPECT_FALSE(encoder.Start(fakes.Folder() + "/a.out", 2, format, 3, 0, 44100));
            const CStereoFrame f{};
            EXPECT_FALSE(encoder.Write(&f, 1)) << "nothing was started";
            EXPECT_TRUE(encoder.Stop());
        }
        EXPECT_EQ(
            messages.Texts(),
            (QStringList{"Failed to start the encoder stream (compression).\n\nThe program lame was not "
                         "found. It comes with the Debian package lame.",
                         "Failed to write to the encoder.",
                         "Failed to start the encoder stream (compression).\n\nThe program oggenc was not "
                         "found. It comes with the Debian package vorbis-tools.",
                         "Failed to write to the encoder."}));
    }
}

TEST(CEncoder, StartFailuresShowTheirText)
{
    vtest::MessageLog messages;
    CEncoder encoder;
    EXPECT_FALSE(encoder.Start(vtest::MediaPath("no-such-folder/a.wav"), 2, kWav, 3, 0, 44100));
    EXPECT_FALSE(encoder.Start(vtest::MediaPath("a.wav"), 2, kWav, 3, 0, 0));
    EXPECT_FALSE(encoder.Start(vtest::MediaPath("a.wav"), 3, kWav, 3, 0, 44100));
    EXPECT_EQ(messages.Texts(),
              (QStringList{"Failed to start the encoder stream.", "Failed to create the encoder stream.",
                           "Failed to create the encoder stream."}));
}

// A full disk while a WAV is written: writes past the file-size limit fail (SIGXFSZ ignored), in
// a child process so that the limit binds nothing else. The failure is reported, never a success.
TEST(CEncoder, WavOntoAFullDiskIsReported)
{
    const QString path = vtest::MediaPath(QStringLiteral("full-disk.wav"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        vtest::MessageLog messages;
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CEncoder encoder;
        bool ok = encoder.Start(path, 2, kWav, 3, 3, 44100);
        const auto block = Sine(44100, 44100, 440.0);
        ok = ok && encoder.Write(block.data(), 44100);
        ok = encoder.Stop() && ok;
        const bool reported = messages.Contains(QStringLiteral("Failed to write to the encoder.")) &&
                              messages.Contains(QStringLiteral("Failed to finish the encoder stream."));
        ::_exit(ok ? 1 : reported ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: no message";
}

// A dead encoder is a failure, never a silent success: an encoder that dies while frames
// are being written makes Write fail (the broken pipe does not kill the program), and one
// that exits with an error makes Stop fail.
TEST(CEncoder, DeadOrFailingEncoderIsReported)
{
    struct Case
    {
        const char* name;
        const char* body;
        bool writeFails;
    };
    const Case cases[] = {
        {"killed after reading a little", "/usr/bin/head -c 5000 > /dev/null\nkill -KILL $$", true},
        {"exits without reading", "/bin/sleep 0.2", true},
        {"reads everything and then fails", "/bin/cat > /dev/null\nexit 2", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::MessageLog messages;
        vtest::FakePrograms fakes;
        fakes.Add(QStringLiteral("lame"), QString::fromLatin1(c.body));
        CEncoder encoder;
        ASSERT_TRUE(encoder.Start(fakes.Folder() + "/a.mp3", 2, kMp3, 3, 0, 44100));
        const auto block = Sine(44100, 4410, 440.0);
        bool failed = false;
        // Far more than a pipe holds, so a writer into a dead encoder must notice.
        for (int i = 0; i < 200 && !failed; ++i)
            failed = !encoder.Write(block.data(), static_cast<std::uint32_t>(block.size()));
        EXPECT_EQ(failed, c.writeFails);
        EXPECT_FALSE(encoder.Stop());
        EXPECT_EQ(messages.Contains(QStringLiteral("Failed to write to the encoder.")), c.writeFails);
        EXPECT_TRUE(messages.Contains(QStringLiteral("Failed to finish the encoder stream.")));
    }
}

// The real lame: 96 kHz frames make a 48 kHz file of the same duration and pitch, not one
// that plays an octave low.
TEST(CEncoder, Mp3From96kHzIsA48kHzFileAtTheRightPitch)
{
    vtest::MessageLog messages;
    const QString path = vtest::MediaPath(QStringLiteral("tone \"96k\" $(touch x).mp3"));
    const auto sine = Sine(96000, 2 * 96000, 440.0);
    CEncoder encoder;
    ASSERT_TRUE(encoder.Start(path, 2, kMp3, 3, 0, 96000)) << "lame must be installed";
    ASSERT_TRUE(WriteInBlocks(encoder, sine, 96000));
    ASSERT_TRUE(encoder.Stop());
    EXPECT_TRUE(messages.Texts().isEmpty());

    plat::SoundDecoder::Info info;
    ASSERT_TRUE(plat::SoundDecoder::ReadInfo(path, info));
    EXPECT_EQ(info.rate, 48000u);
    EXPECT_NEAR(static_cast<double>(info.frames), 96000.0, 1152.0);
    const auto left = DecodeLeft(path, 48000);
    ASSERT_GT(left.size(), 48000u);
    const std::vector<float> middle(left.begin() + 24000, left.begin() + 72000);
    EXPECT_NEAR(vtest::LoudestFrequency(middle, 48000, 400.0, 480.0), 440.0, 2.0);
}

// The real oggenc: at 44.1 kHz and 192 kbps the file decodes back; at 22050 Hz, where
// oggenc refuses 192 kbps, the frames are resampled so the chosen bitrate is valid and a
// complete file comes out instead of an empty one.
TEST(CEncoder, OggAt44100And22050HzDecodesBack)
{
    for (unsigned rate : {44100u, 22050u})
    {
        SCOPED_TRACE(rate);
        vtest::MessageLog messages;
        const QString path = vtest::MediaPath(QStringLiteral("tone-%1.ogg").arg(rate));
        const auto sine = Sine(rate, rate, 440.0);
        CEncoder encoder;
        ASSERT_TRUE(encoder.Start(path, 2, kOgg, 3, 0, rate)) << "oggenc must be installed";
        ASSERT_TRUE(WriteInBlocks(encoder, sine, rate));
        ASSERT_TRUE(encoder.Stop());
        EXPECT_TRUE(messages.Texts().isEmpty());

        plat::SoundDecoder::Info info;
        ASSERT_TRUE(plat::SoundDecoder::ReadInfo(path, info));
        EXPECT_EQ(info.rate, 44100u);
        EXPECT_NEAR(CSoundFile::GetFileDuration(path), 1.0, 0.01);
        const auto left = DecodeLeft(path, rate);
        ASSERT_GT(left.size(), rate / 2);
        const std::vector<float> middle(left.begin() + rate / 4, left.begin() + 3 * rate / 4);
        EXPECT_NEAR(vtest::LoudestFrequency(middle, rate, 400.0, 480.0), 440.0, 2.0);
    }
}

// The recording thread writes while the UI thread stops the file: the two never touch the
// file at once (ThreadSanitizer sees no race), Write never waits for the Stop, and frames
// that come after it are dropped without a failure box.
TEST(CEncoder, StopRacesWritesOnTheRecordingThread)
{
    vtest::FakePrograms fakes;
    fakes.Add(QStringLiteral("lame"), QStringLiteral("/bin/cat > /dev/null"));
    for (int format : {kWav, kMp3})
    {
        SCOPED_TRACE(format);
        vtest::MessageLog messages;
        const auto block = Sine(44100, 441, 440.0);
        for (int round = 0; round < 5; ++round)
        {
            CEncoder encoder;
            ASSERT_TRUE(encoder.Start(vtest::MediaPath("race.out"), 2, format, 3, 0, 44100));
            std::atomic<bool> quit{false};
            std::atomic<int> writes{0};
            std::atomic<int> failures{0};
            std::thread writer(
                [&]
                {
                    while (!quit.load())
                    {
                        if (!encoder.Write(block.data(), static_cast<std::uint32_t>(block.size())))
                            ++failures;
                        ++writes;
                    }
                });
            while (writes.load() < 20)
                std::this_thread::yield();
            EXPECT_TRUE(encoder.Stop());
            const int after = writes.load();
            while (writes.load() < after + 5)
                std::this_thread::yield();
            quit = true;
            writer.join();
            EXPECT_EQ(failures.load(), 0);
        }
        EXPECT_TRUE(messages.Texts().isEmpty());
    }
}

} // namespace
