#include "platform/audio/SoundDecoder.h"
#include "platform/audio/SoundWriter.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace
{

using Format = plat::SoundWriter::Format;

QString MediaPath(const QString& name)
{
    QDir().mkpath(vtest::TestHome() + QStringLiteral("/decoder"));
    return vtest::TestHome() + QStringLiteral("/decoder/") + name;
}

// @p seconds of two sines and a little noise, so the encoder has real work; the second channel
// differs from the first.
bool WriteOgg(const QString& path, unsigned rate, int channels, double seconds)
{
    plat::SoundWriter writer;
    if (!writer.Open(path, Format::OggVorbis, rate, channels))
        return false;
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    std::vector<float> block(static_cast<std::size_t>(channels) * 1000);
    std::uint32_t seed = 7;
    for (std::uint32_t at = 0; at < frames; at += 1000)
    {
        const std::uint32_t n = std::min<std::uint32_t>(1000, frames - at);
        for (std::uint32_t i = 0; i < n; ++i)
        {
            const double t = static_cast<double>(at + i) / rate;
            seed = seed * 1664525u + 1013904223u;
            const double noise = (seed >> 8) / 16777216.0 - 0.5;
            for (int c = 0; c < channels; ++c)
                block[static_cast<std::size_t>(i) * channels + c] = static_cast<float>(
                    0.3 * std::sin(2 * std::numbers::pi * (220 + 110 * c) * t) + 0.05 * noise);
        }
        if (!writer.Write(block.data(), n))
            return false;
    }
    return writer.Close();
}

// Reads @p plan (frame counts, repeated until @p total frames are asked for) and returns what
// came out, with each read's count appended to @p counts.
std::vector<float> ReadPlan(plat::SoundDecoder& decoder, const std::vector<std::uint32_t>& plan,
                            std::uint64_t total, std::vector<std::uint32_t>& counts)
{
    std::vector<float> frames;
    std::uint64_t asked = 0;
    for (std::size_t i = 0; asked < total; ++i)
    {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(plan[i % plan.size()], total - asked));
        std::vector<float> block(static_cast<std::size_t>(n) * 2, -7.0f);
        const std::uint32_t got = decoder.Read(block.data(), n);
        counts.push_back(got);
        frames.insert(frames.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got) * 2);
        asked += n;
    }
    return frames;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct PlanCase
{
    const char* name;
    unsigned fileRate;
    int channels;
    unsigned targetRate;
    bool loop;
    std::vector<std::uint32_t> plan; // read sizes, repeated
    std::uint64_t seekAfter;         // target frame to seek to once half is read (0: no seek)
};

// Reads that decode ahead on a thread give the bits the caller's thread alone gives, whatever
// mix of large and small reads (a small read after a large one takes the chunks the large one
// decoded past its end), across loop wraps, after a seek that drops such chunks, and for mono
// and stereo files up and down in rate.
TEST(SoundDecoder, ReadAheadGivesTheFramesOfOneThread)
{
    const QString stereo = MediaPath(QStringLiteral("stereo.ogg"));
    const QString mono = MediaPath(QStringLiteral("mono.ogg"));
    ASSERT_TRUE(WriteOgg(stereo, 44100, 2, 4.0));
    ASSERT_TRUE(WriteOgg(mono, 22050, 1, 3.0));
    const std::uint32_t big = plat::SoundDecoder::kReadAheadFrames;
    const PlanCase cases[] = {
        {"whole file at once", 44100, 2, 96000, false, {UINT32_MAX}, 0},
        {"large and small reads", 44100, 2, 96000, false, {big + 17, 441, big * 2, 3}, 0},
        {"seek after a large read", 44100, 2, 48000, false, {1000, big + 5}, 70001},
        {"looping across wraps", 44100, 2, 96000, true, {big * 3 + 11, 512}, 0},
        {"looping, seek past the wrap", 44100, 2, 96000, true, {big + 1, 4410}, 1'000'001},
        {"mono up in rate", 22050, 1, 96000, false, {big * 4}, 0},
        {"mono down in rate, looping", 22050, 1, 8000, true, {big, 20000}, 9000},
    };
    for (const PlanCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString& path = c.channels == 2 ? stereo : mono;
        plat::SoundDecoder one;
        plat::SoundDecoder two;
        two.SetReadAhead(true);
        ASSERT_TRUE(one.Open(path, c.targetRate, c.loop));
        ASSERT_TRUE(two.Open(path, c.targetRate, c.loop));
        ASSERT_EQ(one.Source().rate, c.fileRate);
        // Past the end of a file that does not loop, and three times round one that does.
        const std::uint64_t total = c.loop ? one.Length() * 3 : one.Length() + 1000;
        for (const std::uint64_t part : {total / 2, total - total / 2})
        {
            std::vector<std::uint32_t> countsOne;
            std::vector<std::uint32_t> countsTwo;
            const std::vector<float> a = ReadPlan(one, c.plan, part, countsOne);
            const std::vector<float> b = ReadPlan(two, c.plan, part, countsTwo);
            EXPECT_EQ(countsOne, countsTwo);
            ASSERT_FALSE(a.empty());
            EXPECT_TRUE(SameBits(a, b)) << a.size() / 2 << " frames";
            if (c.seekAfter != 0)
            {
                ASSERT_TRUE(one.Seek(c.seekAfter));
                ASSERT_TRUE(two.Seek(c.seekAfter));
            }
        }
    }
}

// The frames after a seek do not depend on what was read before it: a read-ahead leaves the
// decoder further on than the caller's thread alone would, by as much as the threads' timing
// gives.
TEST(SoundDecoder, SeekGivesTheSameFramesWhereverTheDecoderStood)
{
    const QString path = MediaPath(QStringLiteral("seek.ogg"));
    ASSERT_TRUE(WriteOgg(path, 44100, 2, 8.0));
    for (const unsigned rate : {44100u, 96000u})
    {
        for (const std::uint64_t target :
             {std::uint64_t{rate / 2}, std::uint64_t{rate * 3} + 7, std::uint64_t{rate * 5}})
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, frame " << target);
            std::vector<float> first;
            for (const std::uint64_t before :
                 {std::uint64_t{0}, target / 2, target - 100, target + 1000, target * 3 / 2})
            {
                plat::SoundDecoder decoder;
                ASSERT_TRUE(decoder.Open(path, rate, false));
                std::vector<float> skipped(static_cast<std::size_t>(before) * 2);
                ASSERT_EQ(decoder.Read(skipped.data(), static_cast<std::uint32_t>(before)), before);
                ASSERT_TRUE(decoder.Seek(target));
                std::vector<float> after(2 * 4000);
                ASSERT_EQ(decoder.Read(after.data(), 4000), 4000u);
                if (first.empty())
                    first = after;
                EXPECT_TRUE(SameBits(after, first)) << "after reading " << before << " frames";
            }
        }
    }
}

// A file that fails part-way while a thread decodes it ahead: the caller meets the failure as it
// does on its own thread, and the read comes back instead of waiting for chunks that never come.
// A file that does not loop is silence from where decoding stopped; one that loops and can no
// longer be read from its start returns fewer frames than asked, which is how the shared loops
// learn that the file failed. Corrupt bytes in the middle are skipped the same way on both paths.
TEST(SoundDecoder, ReadAheadMeetsAFailurePartWayAsOneThreadDoes)
{
    const QString source = MediaPath(QStringLiteral("source.ogg"));
    ASSERT_TRUE(WriteOgg(source, 44100, 2, 6.0));
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    in.close();

    QByteArray garbled = bytes;
    for (qsizetype i = 0; i < 3000; ++i)
        garbled[bytes.size() / 2 + i] = static_cast<char>(i * 37);
    const QString corrupt = MediaPath(QStringLiteral("corrupt.ogg"));
    {
        QFile out(corrupt);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(garbled);
    }

    struct Case
    {
        const char* name;
        bool loop;
        qsizetype cutTo; // the file is cut to this many bytes once open; -1: left as it is
        const QString* path;
    };
    const Case cases[] = {
        {"cut short while reading", false, bytes.size() / 2, &source},
        {"emptied while looping", true, 0, &source},
        {"corrupt bytes in the middle", false, -1, &corrupt},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<float> results[2];
        std::uint32_t counts[2] = {0, 0};
        for (const bool ahead : {false, true})
        {
            const QString path = MediaPath(QStringLiteral("failing.ogg"));
            QFile::remove(path);
            ASSERT_TRUE(QFile::copy(*c.path, path));
            plat::SoundDecoder decoder;
            decoder.SetReadAhead(ahead);
            ASSERT_TRUE(decoder.Open(path, 96000, c.loop));
            if (c.cutTo >= 0)
            {
                ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), c.cutTo), 0);
            }
            const auto want = static_cast<std::uint32_t>(decoder.Length());
            std::vector<float>& frames = results[ahead ? 1 : 0];
            frames.assign(static_cast<std::size_t>(want) * 2, -7.0f);
            counts[ahead ? 1 : 0] = decoder.Read(frames.data(), want);
        }
        EXPECT_EQ(counts[0], counts[1]);
        EXPECT_TRUE(SameBits(results[0], results[1]));
        const std::vector<float>& frames = results[1];
        if (c.loop)
        {
            EXPECT_LT(counts[1], frames.size() / 2) << "the loop's failure reaches the caller";
        }
        else if (c.cutTo >= 0)
        {
            EXPECT_EQ(counts[1], frames.size() / 2);
            EXPECT_EQ(frames.back(), 0.0f) << "silence after the failure";
            EXPECT_NE(frames[frames.size() / 8], 0.0f) << "the sound before it";
        }
    }
}

} // namespace
