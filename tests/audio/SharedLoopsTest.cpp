#include "audio/SharedLoops.h"

#include "SoundMedia.h"
#include "audio/CSoundFile.h"
#include "platform/audio/DecodedCopy.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace
{

using Format = plat::SoundWriter::Format;
constexpr unsigned kFileRate = 44100;

// Broadband content (a hash of the frame, not a sine), so a frame read a little early or late
// or through a differently settled filter shows.
float Noise(std::uint64_t frame, int channel)
{
    std::uint64_t x = frame * 2 + static_cast<std::uint64_t>(channel) + 0x9E3779B97F4A7C15ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<float>(static_cast<double>(x % 20001) / 10000.0 - 1.0) * 0.4f;
}

QString WriteLoop(const QString& name, std::uint64_t frames)
{
    const QString path = vtest::MediaPath(name);
    EXPECT_TRUE(vtest::WriteFrames(path, Format::OggVorbis, kFileRate, 2, frames, Noise));
    return path;
}

// Reads @p total frames with a plan of varied request sizes, as the engine's blocks ask.
std::vector<CStereoFrame> ReadPlanned(CSoundFile& file, std::size_t total)
{
    static constexpr std::uint32_t kPlan[] = {1, 441, 512, 4410, 20000, 7};
    std::vector<CStereoFrame> frames(total);
    std::size_t at = 0;
    for (std::size_t i = 0; at < total; ++i)
    {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kPlan[i % 6], total - at));
        EXPECT_EQ(file.ReadFrames(frames.data() + at, n), n);
        at += n;
    }
    return frames;
}

double MaxDifference(const std::vector<CStereoFrame>& a, const std::vector<CStereoFrame>& b,
                     std::size_t& where)
{
    double most = 0.0;
    where = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    {
        const double d =
            std::max(std::abs(double(a[i].left) - b[i].left), std::abs(double(a[i].right) - b[i].right));
        if (d > most)
        {
            most = d;
            where = i;
        }
    }
    return most;
}

struct RateCase
{
    const char* name;
    unsigned rate;
    std::uint64_t fileFrames;
    bool shared; // false: a pass is not a whole number of frames at the rate, so it streams
};

// The shared copy must give the frames of the streaming decode + resample, across the wrap
// and again past a second one: a copy that restarted the resampler at the wrap, dropped or
// doubled a frame there, or kept too short a start-up would differ right after it.
TEST(SharedLoops, ReadsTheFramesOfTheStreamingDecoderAcrossTheWrap)
{
    const RateCase cases[] = {
        {"file rate", kFileRate, kFileRate, true},
        {"48 kHz", 48000, kFileRate, true},
        {"96 kHz", 96000, kFileRate, true},
        {"22050 Hz", 22050, kFileRate, true},
        {"48 kHz, a pass of a fractional frame count", 48000, kFileRate + 1, false},
    };
    for (const RateCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString path =
            WriteLoop(QStringLiteral("wrap-%1-%2.ogg").arg(c.rate).arg(c.fileFrames), c.fileFrames);
        CSoundFile streaming;
        ASSERT_TRUE(streaming.Open(path, c.rate, true));
        const std::uint64_t decodes = audio::SharedLoops::DecodeCount();
        CSoundFile shared;
        ASSERT_TRUE(shared.OpenSharedLoop(path, c.rate));
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - decodes, c.shared ? 1u : 0u);
        ASSERT_EQ(shared.GetLength(), streaming.GetLength());
        const std::size_t period = shared.GetLength();
        const std::size_t total = 2 * period + c.rate / 2;
        const auto expected = ReadPlanned(streaming, total);
        const auto got = ReadPlanned(shared, total);
        std::size_t where = 0;
        EXPECT_LE(MaxDifference(expected, got, where), 1e-6)
            << "at frame " << where << " of a period of " << period;
        // ReadFrame walks the same frames as ReadFrames.
        ASSERT_TRUE(shared.Rewind());
        for (std::size_t i = 0; i < period + 10; ++i)
        {
            CStereoFrame f;
            ASSERT_TRUE(shared.ReadFrame(f));
            if (i >= period - 10)
            {
                ASSERT_EQ(f.left, got[i].left) << i;
            }
        }
    }
}

// One decode for every reader of a file at a rate, a new one for another rate or a changed
// file, and the frames freed with their last holder.
TEST(SharedLoops, DecodesOncePerFileAndRateWhileHeld)
{
    const QString path = WriteLoop(QStringLiteral("held.ogg"), kFileRate);
    const std::uint64_t start = audio::SharedLoops::DecodeCount();
    std::weak_ptr<const audio::SharedLoop> watched;
    {
        auto a = audio::SharedLoops::Acquire(path, 48000);
        auto b = audio::SharedLoops::Acquire(path, 48000);
        ASSERT_TRUE(a);
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 1u);
        auto c = audio::SharedLoops::Acquire(path, 96000);
        EXPECT_NE(c.get(), a.get());
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u);
        watched = a;
    }
    EXPECT_TRUE(watched.expired());
    // Nobody holds it any more: the next reader decodes again.
    EXPECT_TRUE(audio::SharedLoops::Acquire(path, 48000));
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 3u);

    // A reader that closes its loop and opens it again (a track's next segment) keeps it.
    CSoundFile reader;
    ASSERT_TRUE(reader.OpenSharedLoop(path, 48000));
    ASSERT_TRUE(reader.Close());
    EXPECT_FALSE(reader.IsOpen());
    ASSERT_TRUE(reader.OpenSharedLoop(path, 48000));
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 4u);

    // The file written anew (another size) while a reader holds the old frames.
    ASSERT_TRUE(vtest::WriteFrames(path, Format::OggVorbis, kFileRate, 2, 2 * kFileRate, Noise));
    CSoundFile other;
    ASSERT_TRUE(other.OpenSharedLoop(path, 48000));
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 5u);
    EXPECT_EQ(other.GetLength(), 2u * 48000u);
    EXPECT_EQ(reader.GetLength(), 48000u);
}

// The keeper holds the loops of its last Keep, decoded once each, and lets go of the others:
// a loop kept by two Keeps in turn is not decoded again; a file that cannot be a shared loop
// is skipped.
TEST(SharedLoops, KeeperHoldsTheLoopsOfItsLastKeep)
{
    const QString a = WriteLoop(QStringLiteral("kept-a.ogg"), 3 * kFileRate);
    const QString b = WriteLoop(QStringLiteral("kept-b.ogg"), kFileRate);
    const std::uint64_t start = audio::SharedLoops::DecodeCount();
    std::weak_ptr<const audio::SharedLoop> watchedA, watchedB;
    {
        audio::LoopKeeper keeper;
        keeper.Keep({a, b, a, vtest::MediaPath(QStringLiteral("no-such-file.ogg"))}, 48000,
                    audio::SharedLoops::kMaxFrames);
        keeper.Wait();
        EXPECT_EQ(keeper.Count(), 2u);
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u);
        {
            const auto loop = audio::SharedLoops::Acquire(a, 48000);
            ASSERT_TRUE(loop);
            EXPECT_EQ(loop->Ready(), loop->Size()) << "decoded whole before anyone plays it";
            watchedA = loop;
            watchedB = audio::SharedLoops::Acquire(b, 48000);
        }
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u);

        keeper.Keep({b}, 48000, audio::SharedLoops::kMaxFrames);
        keeper.Wait();
        EXPECT_EQ(keeper.Count(), 1u);
        EXPECT_TRUE(watchedA.expired());
        EXPECT_FALSE(watchedB.expired());
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u) << "b stayed held";

        keeper.Keep({}, 48000, audio::SharedLoops::kMaxFrames);
        EXPECT_EQ(keeper.Count(), 0u);
        EXPECT_TRUE(watchedB.expired());

        // Past the budget a loop is not held, and a later one that fits still is: a (3 s at
        // 48 kHz) would not fit beside b (1 s).
        const QString c = WriteLoop(QStringLiteral("kept-c.ogg"), kFileRate / 2);
        keeper.Keep({b, a, c, b}, 48000, audio::SharedLoops::kMaxFrames, 2 * 48000);
        keeper.Wait();
        EXPECT_EQ(keeper.Count(), 2u) << "b and c";
        const std::uint64_t before = audio::SharedLoops::DecodeCount();
        EXPECT_TRUE(audio::SharedLoops::Acquire(a, 48000));
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - before, 1u) << "a is decoded anew";

        // Destroyed while a Keep acquires: it stops and lets go.
        keeper.Keep({a, b}, 48000, audio::SharedLoops::kMaxFrames);
    }
    EXPECT_TRUE(audio::SharedLoops::Acquire(a, 48000));
}

// A loop of several chunks is read at once, while its decode is still under way, by readers on
// three threads: each waits for the frames it needs and gets the stream's frames, across the
// wrap, whichever chunk the decode stood at.
TEST(SharedLoops, ReadersOfALoopStillDecodingGetTheStreamsFrames)
{
    constexpr unsigned kRate = 48000;
    const QString path = WriteLoop(QStringLiteral("chunks.ogg"), 5 * audio::SharedLoop::kChunkFrames / 2);
    CSoundFile streaming;
    ASSERT_TRUE(streaming.Open(path, kRate, true));
    const std::size_t total = 2 * streaming.GetLength() + 5000;
    const auto expected = ReadPlanned(streaming, total);
    std::vector<std::vector<CStereoFrame>> got(3);
    std::vector<std::thread> readers;
    {
        CSoundFile first; // opened before the readers start, so they share its decode
        ASSERT_TRUE(first.OpenSharedLoop(path, kRate));
        for (auto& frames : got)
            readers.emplace_back(
                [&path, &frames, total]
                {
                    CSoundFile shared;
                    if (shared.OpenSharedLoop(path, kRate))
                        frames = ReadPlanned(shared, total);
                });
        for (std::thread& t : readers)
            t.join();
    }
    for (const auto& frames : got)
    {
        ASSERT_EQ(frames.size(), total);
        std::size_t where = 0;
        EXPECT_LE(MaxDifference(expected, frames, where), 1e-6) << "at frame " << where;
    }
}

// Tracks starting on several rendering threads at once share one decode.
TEST(SharedLoops, ConcurrentReadersShareOneDecode)
{
    const QString path = WriteLoop(QStringLiteral("concurrent.ogg"), kFileRate);
    const std::uint64_t start = audio::SharedLoops::DecodeCount();
    std::vector<std::shared_ptr<const audio::SharedLoop>> got(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&, i] { got[i] = audio::SharedLoops::Acquire(path, 96000); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 1u);
    for (const auto& loop : got)
    {
        ASSERT_TRUE(loop);
        EXPECT_EQ(loop.get(), got[0].get());
    }
}

// A file that is missing or not a sound fails as it does when streamed; reading a shared loop
// allocates nothing.
TEST(SharedLoops, MissingOrCorruptFilesFailAndReadingAllocatesNothing)
{
    CSoundFile file;
    EXPECT_FALSE(file.OpenSharedLoop(vtest::MediaPath(QStringLiteral("absent.ogg")), 48000));
    EXPECT_FALSE(file.IsOpen());
    const QString corrupt = vtest::MediaPath(QStringLiteral("corrupt.ogg"));
    {
        QFile f(corrupt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, '\x5a'));
    }
    EXPECT_FALSE(file.OpenSharedLoop(corrupt, 48000));
    EXPECT_FALSE(file.IsOpen());

    ASSERT_TRUE(file.OpenSharedLoop(WriteLoop(QStringLiteral("quiet.ogg"), kFileRate), 48000));
    std::vector<CStereoFrame> block(20000);
    CStereoFrame frame;
    vtest::AllocationScope scope;
    for (int i = 0; i < 10; ++i)
    {
        file.ReadFrames(block.data(), static_cast<std::uint32_t>(block.size()));
        file.ReadFrame(frame);
    }
    EXPECT_EQ(scope.Count(), 0u);
}

// A copy stored decoded beside the file stands in for the decode at the file's own rate, with
// the streaming decoder's frames bit for bit across the wrap. A copy that does not fit what is
// asked (another rate), that names another file (the file written anew after it) or that is
// cut short is passed over: the file is decoded as without one.
TEST(SharedLoops, DecodedCopyStandsInForTheDecodeOnlyWhenItFits)
{
    struct Case
    {
        const char* name;
        unsigned rate;
        void (*spoil)(const QString& path, const QString& copy);
        bool copyUsed;
    } cases[] = {
        {"the file's rate", kFileRate, nullptr, true},
        {"another rate", 48000, nullptr, false},
        {"the file written anew", kFileRate,
         [](const QString& path, const QString&)
         {
             EXPECT_TRUE(vtest::WriteFrames(path, Format::OggVorbis, kFileRate, 2, kFileRate,
                                            [](std::uint64_t f, int c) { return Noise(f + 7, c); }));
         },
         false},
        {"a copy cut short", kFileRate,
         [](const QString&, const QString& copy)
         { EXPECT_TRUE(QFile::resize(copy, QFile(copy).size() - 8)); },
         false},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const QString path = WriteLoop(QStringLiteral("copied-%1.ogg").arg(n++), kFileRate);
        const QString copy = plat::DecodedCopy::PathFor(path);
        ASSERT_TRUE(plat::DecodedCopy::Write(path, copy));
        if (c.spoil)
            c.spoil(path, copy);
        EXPECT_EQ(bool(plat::DecodedCopy::Map(path, c.rate)), c.copyUsed);

        CSoundFile streaming;
        ASSERT_TRUE(streaming.Open(path, c.rate, true));
        const std::uint64_t decodes = audio::SharedLoops::DecodeCount();
        CSoundFile shared;
        ASSERT_TRUE(shared.OpenSharedLoop(path, c.rate));
        EXPECT_EQ(audio::SharedLoops::DecodeCount() - decodes, c.copyUsed ? 0u : 1u);
        ASSERT_EQ(shared.GetLength(), streaming.GetLength());
        const std::size_t total = 2 * shared.GetLength() + 1000;
        const auto expected = ReadPlanned(streaming, total);
        const auto got = ReadPlanned(shared, total);
        std::size_t where = 0;
        // Resampled, the two settle their filters apart (as in the test above).
        const double tolerance = c.rate == kFileRate ? 0.0 : 1e-6;
        EXPECT_LE(MaxDifference(expected, got, where), tolerance) << "at frame " << where;
    }
}

} // namespace
