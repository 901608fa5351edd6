#include "grains/CGrainSynth.h"
#include "grains/CGrainSynthThreads.h"

#include "RecordingProgress.h"

#include "platform/Errors.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace
{

struct Sliders
{
    double quality = 0.5;
    double scan = 0.5;
    double texture = 0.5;
    double sharpness = 0.5;
};

/** Interleaved stereo frames. */
std::vector<float> Constant(std::size_t frames, float left, float right)
{
    std::vector<float> v(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
    {
        v[2 * i] = left;
        v[2 * i + 1] = right;
    }
    return v;
}

/** A source whose every frame differs, so that a grain read from the wrong place shows. */
std::vector<float> Varied(std::size_t frames)
{
    std::vector<float> v(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
    {
        v[2 * i] = static_cast<float>(std::sin(0.0137 * i) + 0.3 * std::sin(0.71 * i));
        v[2 * i + 1] = static_cast<float>(std::cos(0.0093 * i) * 0.8);
    }
    return v;
}

float Peak(const std::vector<float>& v)
{
    float peak = 0.0f;
    for (float x : v)
        peak = std::max(peak, std::fabs(x));
    return peak;
}

class CGrainSynthTest : public ::testing::Test
{
protected:
    void TearDown() override { plat::SetRandomSeedOverride(std::nullopt); }

    /** Renders with a fixed seed; the output has @p outputFrames frames. */
    std::vector<float> Render(CGrainSynth& synth, int rate, const Sliders& s,
                              const std::vector<float>& source, std::uint32_t start, std::uint32_t length,
                              std::uint32_t outputFrames, dlg::WorkProgress* progress = nullptr,
                              std::uint32_t seed = 4242)
    {
        plat::SetRandomSeedOverride(seed);
        synth.Setup(rate, progress, s.quality, s.scan, s.texture, s.sharpness);
        synth.SetSource(source.data(), start, length);
        std::vector<float> out(2 * outputFrames, 123.0f);
        synth.SetOutput(out.data(), outputFrames, 0.5);
        EXPECT_TRUE(synth.Render());
        return out;
    }
};

/** The plain grain-by-grain render of the engine's grain list: clamp every source index, wrap every
 *  output index, then normalise. */
std::vector<float> SerialRender(const CGrainSynth& synth, const std::vector<float>& source,
                                std::int64_t start, std::int64_t length, std::int64_t outputFrames)
{
    std::vector<float> out(2 * static_cast<std::size_t>(outputFrames), 0.0f);
    const std::vector<float>& env = synth.GetEnvelope();
    const auto& grains = synth.GetGrainSources();
    for (std::size_t k = 0; k < grains.size(); ++k)
    {
        const std::int64_t outPos = static_cast<std::int64_t>(k) * synth.GetHop();
        for (std::int64_t i = 0; i < static_cast<std::int64_t>(env.size()); ++i)
        {
            const std::int64_t c = std::clamp(grains[k] + i, start, start + length - 1);
            const std::int64_t o = (outPos + i) % outputFrames;
            out[2 * o] += env[i] * source[2 * c];
            out[2 * o + 1] += env[i] * source[2 * c + 1];
        }
    }
    CGrainSynth::Normalize(out.data(), out.size(), 0.5);
    return out;
}

struct MappingCase
{
    const char* name;
    int rate;
    Sliders sliders;
    double scanFactor;
    double grainSeconds;
    double jitterSeconds;
    int grainFrames;
    int jitterFrames;
    int hop;
};

} // namespace

TEST_F(CGrainSynthTest, MapsTheSlidersToGrainSettings)
{
    const MappingCase cases[] = {
        // grainRate = 1000 / 2.525 x 0.5 = 198.02 grains a second
        {"the tool's defaults", 44100, {}, 3.0, 2.525, 2.505, 111352, 110470, 222},
        {"sharpness 1 gives 10 ms of jitter",
         44100,
         {0.5, 0.5, 0.5, 1.0},
         3.0,
         2.525,
         0.01,
         111352,
         441,
         222},
        {"texture 1 gives 50 ms grains", 44100, {0.5, 0.5, 1.0, 0.5}, 3.0, 0.05, 2.505, 2205, 110470, 4},
        {"texture 0 gives 5 s grains", 48000, {1.0, 0.5, 0.0, 0.0}, 3.0, 5.0, 5.0, 240000, 240000, 240},
        {"scan 1 gives one note a second", 22050, {0.5, 1.0, 0.5, 0.5}, 1.0, 2.525, 2.505, 55676, 55235, 111},
        {"scan 0 gives one note per five seconds",
         22050,
         {0.5, 0.0, 0.5, 0.5},
         5.0,
         2.525,
         2.505,
         55676,
         55235,
         111},
        // 11025 / 20000 truncates to 0: the render would never move on.
        {"the hop never falls to 0", 11025, {1.0, 0.5, 1.0, 0.5}, 3.0, 0.05, 2.505, 551, 27617, 1},
        {"the lowest quality", 44100, {0.01, 0.5, 0.5, 0.5}, 3.0, 2.525, 2.505, 111352, 110470, 11135},
    };
    for (const MappingCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CGrainSynth synth;
        synth.Setup(c.rate, nullptr, c.sliders.quality, c.sliders.scan, c.sliders.texture,
                    c.sliders.sharpness);
        EXPECT_DOUBLE_EQ(synth.GetScanFactor(), c.scanFactor);
        EXPECT_DOUBLE_EQ(synth.GetGrainSeconds(), c.grainSeconds);
        EXPECT_DOUBLE_EQ(synth.GetJitterSeconds(), c.jitterSeconds);
        EXPECT_EQ(synth.GetGrainFrames(), c.grainFrames);
        EXPECT_EQ(synth.GetJitterFrames(), c.jitterFrames);
        EXPECT_EQ(synth.GetHop(), c.hop);
    }
}

TEST_F(CGrainSynthTest, RefusesSettingsItCannotRender)
{
    CGrainSynth synth;
    const std::vector<float> source = Constant(10, 1, 1);
    std::vector<float> out(20);
    EXPECT_THROW(synth.Render(), plat::InvalidArgumentError) << "nothing set up";
    EXPECT_THROW(synth.Setup(0, nullptr, 0.5, 0.5, 0.5, 0.5), plat::InvalidArgumentError);
    EXPECT_THROW(synth.Setup(44100, nullptr, 0.0, 0.5, 0.5, 0.5), plat::InvalidArgumentError);
    EXPECT_THROW(synth.Setup(44100, nullptr, 1.5, 0.5, 0.5, 0.5), plat::InvalidArgumentError);
    EXPECT_THROW(synth.Setup(44100, nullptr, 0.5, -0.1, 0.5, 0.5), plat::InvalidArgumentError);
    EXPECT_THROW(synth.Setup(44100, nullptr, 0.5, 0.5, 1.1, 0.5), plat::InvalidArgumentError);
    // An empty selection would clamp to the frame before it.
    EXPECT_THROW(synth.SetSource(source.data(), 5, 0), plat::InvalidArgumentError);
    EXPECT_THROW(synth.SetOutput(nullptr, 10, 0.5), plat::InvalidArgumentError);
}

// Hann grains spaced by an exact divisor of their length sum to a constant; N a multiple of the hop
// makes that hold round the wrap as well, so every frame, the first ones included, must carry the
// same level. A missing wrap leaves the start quieter; a grain longer than the output wraps twice.
TEST_F(CGrainSynthTest, DcSourceGivesAConstantOutputPeakingAtExactlyHalf)
{
    struct Case
    {
        const char* name;
        int rate;
        Sliders sliders;
        std::uint32_t outputFrames;
        float tolerance;
    };
    const Case cases[] = {
        // texture 1: 50-frame grains; quality 0.01: hop 5
        {"grains overlap ten times", 1000, {0.01, 0.5, 1.0, 0.5}, 2000, 1e-5f},
        {"grains longer than the output", 1000, {0.01, 0.5, 1.0, 0.5}, 30, 1e-5f},
        // 2525-frame grains every 25 frames: not an exact divisor, a ripple far below a percent
        {"the default texture", 1000, {0.1, 0.5, 0.5, 0.5}, 8000, 1e-3f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CGrainSynth synth;
        const std::vector<float> source = Constant(3 * c.rate, 0.3f, -0.6f);
        const std::vector<float> out =
            Render(synth, c.rate, c.sliders, source, 100, 2 * c.rate, c.outputFrames);
        EXPECT_EQ(Peak(out), 0.5f);
        for (std::uint32_t i = 0; i < c.outputFrames; ++i)
        {
            ASSERT_NEAR(out[2 * i], 0.25f, 0.25f * c.tolerance) << "frame " << i;
            ASSERT_NEAR(out[2 * i + 1], -0.5f, 0.5f * c.tolerance) << "frame " << i;
        }
    }
}

// +1 inside the selection and -1 outside: long jitter pushes grain starts far past both ends, and
// only the clamping keeps every read inside.
TEST_F(CGrainSynthTest, GrainsReadOnlyInsideTheSelection)
{
    constexpr int kRate = 1000;
    std::vector<float> source = Constant(20 * kRate, -1.0f, -1.0f);
    const std::uint32_t start = 8 * kRate;
    const std::uint32_t length = 3 * kRate;
    std::fill(source.begin() + 2 * start, source.begin() + 2 * (start + length), 1.0f);
    for (double texture : {0.0, 0.5, 1.0})
    {
        SCOPED_TRACE(texture);
        CGrainSynth synth;
        const std::vector<float> out =
            Render(synth, kRate, {0.05, 0.5, texture, 0.0}, source, start, length, 23 * kRate);
        EXPECT_GE(*std::min_element(out.begin(), out.end()), 0.0f);
        EXPECT_EQ(Peak(out), 0.5f);
        for (std::int64_t s : synth.GetGrainSources())
        {
            ASSERT_GE(s, start);
            ASSERT_LE(s, start + length);
        }
    }
}

// A two-frame selection (left 0, right 1), (left 1, right 0) under grains of 2.5 s: after its first
// frame every grain holds the selection's last frame, so the right channel only ever gets the first
// envelope value, which is 0. Reading on past the selection (frames of 1) would fill it.
TEST_F(CGrainSynthTest, SelectionShorterThanAGrainRepeatsItsLastFrame)
{
    constexpr int kRate = 1000;
    std::vector<float> source = Constant(100, 1.0f, 1.0f);
    source[2 * 40] = 0.0f;
    source[2 * 40 + 1] = 1.0f;
    source[2 * 41] = 1.0f;
    source[2 * 41 + 1] = 0.0f;
    CGrainSynth synth;
    const std::vector<float> out = Render(synth, kRate, {0.05, 0.5, 0.5, 0.5}, source, 40, 2, 23 * kRate);
    ASSERT_EQ(synth.GetEnvelope().at(0), 0.0f);
    float rightPeak = 0.0f;
    for (std::size_t i = 0; i < out.size() / 2; ++i)
        rightPeak = std::max(rightPeak, std::fabs(out[2 * i + 1]));
    EXPECT_LE(rightPeak, 1e-6f);
    EXPECT_EQ(Peak(out), 0.5f);
}

TEST_F(CGrainSynthTest, PlanStartsAndEndsAtTheSameSourceFrame)
{
    constexpr int kRate = 1000;
    const std::vector<float> source = Varied(10 * kRate);
    for (double scan : {0.0, 0.5, 1.0})
    {
        SCOPED_TRACE(scan);
        CGrainSynth synth;
        Render(synth, kRate, {0.02, scan, 0.5, 0.5}, source, 1000, 8000, 23 * kRate);
        const CNoteSequence& notes = synth.GetNotes();
        EXPECT_EQ(notes.GetNoteCount(), static_cast<int>(std::max(2.0, 23 / synth.GetScanFactor())));
        EXPECT_EQ(notes.GetNote(0).sourceStart, notes.GetNote(notes.GetNoteCount() - 1).sourceStart);
    }
}

// The grains of each note's steady first quarter come from its start, give or take half the jitter.
TEST_F(CGrainSynthTest, FirstQuarterGrainsComeFromTheNoteStartPlusJitter)
{
    constexpr int kRate = 1000;
    const std::vector<float> source = Varied(60 * kRate);
    CGrainSynth synth;
    Render(synth, kRate, {0.05, 1.0, 1.0, 1.0}, source, 0, 60 * kRate, 23 * kRate);
    const CNoteSequence& notes = synth.GetNotes();
    const int length = static_cast<int>(notes.GetNoteLength());
    const int halfJitter = synth.GetJitterFrames() / 2 + 1;
    int checked = 0;
    const auto& grains = synth.GetGrainSources();
    for (std::size_t k = 0; k < grains.size(); ++k)
    {
        const int outPos = static_cast<int>(k) * synth.GetHop();
        const int i = outPos == 0 ? 0 : (outPos - 1) / length;
        if (i >= notes.GetNoteCount() || outPos - i * length >= notes.GetNote(i).firstPart)
            continue;
        EXPECT_LE(std::abs(grains[k] - notes.GetNote(i).sourceStart), halfJitter) << "grain " << k;
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

// The threaded render must equal the grain-by-grain render of the same grain list, on any number of
// threads: stretch edges, wraps, clamped heads and tails and a hop of one frame all meet here.
TEST_F(CGrainSynthTest, ThreadedRenderMatchesTheGrainByGrainRender)
{
    struct Case
    {
        const char* name;
        int rate;
        Sliders sliders;
        std::uint32_t sourceFrames;
        std::uint32_t start;
        std::uint32_t length;
        std::uint32_t outputFrames;
    };
    const Case cases[] = {
        {"an ordinary loop at a low rate", 1000, {0.2, 0.5, 0.5, 0.5}, 12000, 1500, 9000, 23000},
        {"a selection of three frames", 1000, {0.1, 0.3, 0.2, 0.8}, 500, 200, 3, 23000},
        {"grains longer than the output", 1000, {0.3, 0.5, 0.0, 0.5}, 8000, 0, 8000, 1777},
        {"a hop of one frame", 11025, {1.0, 0.5, 1.0, 0.5}, 4000, 100, 3500, 3001},
        {"an output of one frame", 1000, {0.5, 0.5, 0.5, 0.5}, 100, 10, 50, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<float> source = Varied(c.sourceFrames);
        CGrainSynth synth;
        synth.SetThreadCount(1);
        const std::vector<float> single =
            Render(synth, c.rate, c.sliders, source, c.start, c.length, c.outputFrames);
        const std::vector<float> serial = SerialRender(synth, source, c.start, c.length, c.outputFrames);
        ASSERT_EQ(single.size(), serial.size());
        const float peak = Peak(serial);
        for (std::size_t i = 0; i < serial.size(); ++i)
            ASSERT_NEAR(single[i], serial[i], 1e-5f * peak) << "sample " << i;

        for (unsigned threads : {2u, 3u, 8u})
        {
            SCOPED_TRACE(threads);
            synth.SetThreadCount(threads);
            const std::vector<float> threaded =
                Render(synth, c.rate, c.sliders, source, c.start, c.length, c.outputFrames);
            EXPECT_TRUE(threaded == single) << "not bit-identical to one thread";
        }
    }
}

TEST_F(CGrainSynthTest, SameSeedRendersTheSameBitsAndAnotherSeedDiffers)
{
    constexpr int kRate = 1000;
    const std::vector<float> source = Varied(10 * kRate);
    CGrainSynth synth;
    const Sliders s{0.1, 0.5, 0.5, 0.5};
    const std::vector<float> a = Render(synth, kRate, s, source, 500, 9000, 23 * kRate, nullptr, 17);
    const std::vector<float> b = Render(synth, kRate, s, source, 500, 9000, 23 * kRate, nullptr, 17);
    const std::vector<float> c = Render(synth, kRate, s, source, 500, 9000, 23 * kRate, nullptr, 18);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

// Progress comes in whole percents, each once and rising, with its status text and a pump; 100 % is
// followed by the wait, and only then is the sound normalised.
TEST_F(CGrainSynthTest, ReportsEachWholePercentOnceThenWaitsThenNormalises)
{
    constexpr int kRate = 1000;
    const std::vector<float> source = Varied(10 * kRate);
    for (unsigned threads : {1u, 4u})
    {
        SCOPED_TRACE(threads);
        vtest::RecordingProgress progress;
        CGrainSynth synth;
        synth.SetThreadCount(threads);
        std::vector<float>* output = nullptr;
        float peakAtWait = -1;
        progress.onWait = [&] { peakAtWait = Peak(*output); };
        plat::SetRandomSeedOverride(3);
        synth.Setup(kRate, &progress, 0.2, 0.5, 0.5, 0.5);
        synth.SetSource(source.data(), 0, 10 * kRate);
        std::vector<float> out(2 * 23 * kRate);
        output = &out;
        synth.SetOutput(out.data(), 23 * kRate, 0.5);
        ASSERT_TRUE(synth.Render());

        ASSERT_GE(progress.percents.size(), 3u);
        EXPECT_EQ(progress.percents.front(), 0);
        EXPECT_EQ(progress.percents.back(), 100);
        ASSERT_EQ(progress.statuses.size(), progress.percents.size());
        for (std::size_t i = 0; i < progress.percents.size(); ++i)
        {
            EXPECT_EQ(progress.statuses[i],
                      QStringLiteral("Creating music... (%1%)").arg(progress.percents[i]));
            // The first 0 % is shown before any grain and shown again, with a pump, at the first grain.
            if (i > 1 && i + 1 < progress.percents.size())
            {
                EXPECT_GT(progress.percents[i], progress.percents[i - 1]);
            }
        }
        // Every percent shown while grains are added is pumped; the first and the final 100 % are not.
        EXPECT_EQ(progress.pumps, static_cast<int>(progress.percents.size()) - 2);
        EXPECT_EQ(progress.waits, 1);
        EXPECT_NE(peakAtWait, 0.5f);
        EXPECT_EQ(Peak(out), 0.5f);
        EXPECT_TRUE(progress.errors.empty());
    }
}

// Cancel from inside the pumping (as the tool's Cancel button does) at 30 %: nothing is reported after
// it, no 100 %, no wait, no normalisation. On one thread the stretches after the cancel stay silent;
// with more, how far the other threads got depends on the scheduler.
TEST_F(CGrainSynthTest, CancelStopsAtTheNextGrainWithoutNormalising)
{
    constexpr int kRate = 1000;
    const std::vector<float> source = Constant(10 * kRate, 0.25f, 0.25f);
    for (unsigned threads : {1u, 4u})
    {
        SCOPED_TRACE(threads);
        vtest::RecordingProgress progress;
        CGrainSynth synth;
        synth.SetThreadCount(threads);
        int cancelledAt = -1;
        progress.onPump = [&](int percent)
        {
            if (percent >= 30 && cancelledAt < 0)
            {
                cancelledAt = percent;
                synth.Cancel();
            }
        };
        synth.Setup(kRate, &progress, 0.05, 0.5, 0.5, 0.5);
        synth.SetSource(source.data(), 0, 10 * kRate);
        std::vector<float> out(2 * 43 * kRate);
        synth.SetOutput(out.data(), 43 * kRate, 0.5);
        EXPECT_TRUE(synth.Render());

        ASSERT_GE(cancelledAt, 30);
        EXPECT_EQ(progress.percents.back(), cancelledAt);
        EXPECT_EQ(progress.waits, 0);
        EXPECT_NE(Peak(out), 0.5f);
        if (threads == 1)
        {
            EXPECT_EQ(cancelledAt, 30);
            const auto silent = std::count(out.begin(), out.end(), 0.0f);
            EXPECT_GT(silent, static_cast<long>(out.size() / 3)) << "the render went on after the cancel";
        }
    }
}

// At 11025 Hz with the shortest grains and the best quality a hop of 0 never ended the render.
TEST_F(CGrainSynthTest, ShortestGrainsAtTheLowestRateFinish)
{
    constexpr int kRate = 11025;
    const std::vector<float> source = Varied(kRate);
    CGrainSynth synth;
    const std::vector<float> out = Render(synth, kRate, {1.0, 0.5, 1.0, 0.5}, source, 0, kRate, kRate / 2);
    EXPECT_EQ(synth.GetHop(), 1);
    EXPECT_EQ(synth.GetGrainSources().size(), static_cast<std::size_t>(kRate / 2));
    EXPECT_EQ(Peak(out), 0.5f);
}

TEST(CGrainSynthNormalize, ScalesThePeakToTheLevelAndLeavesSilenceAlone)
{
    struct Case
    {
        const char* name;
        std::vector<float> in;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"silence stays silent, no division by zero", {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"a constant lands on the level exactly", {0.3f, 0.3f, 0.3f, 0.3f}, {0.5f, 0.5f, 0.5f, 0.5f}},
        {"a negative peak counts", {-4, 1, 2, 0}, {-0.5f, 0.125f, 0.25f, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<float> v = c.in;
        CGrainSynth::Normalize(v.data(), v.size(), 0.5);
        EXPECT_EQ(v, c.expected);
    }
}

// Every element once, whatever the chunk and the number of threads: more threads than chunks, a last
// chunk shorter than the others, one element.
TEST(ForEachChunk, VisitsEveryElementOnce)
{
    struct Case
    {
        std::size_t count;
        std::size_t chunk;
        unsigned threads;
    };
    const Case cases[] = {{1, 1, 4},     {1000, 7, 3},          {1000, 1000, 8},
                          {1000, 64, 0}, {100000, 1 << 12, 16}, {5, 100, 2}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.count << " / " << c.chunk << " on " << c.threads);
        std::vector<std::atomic<int>> visits(c.count);
        dlg::ForEachChunk(c.threads, c.count, c.chunk,
                          [&](std::size_t begin, std::size_t end)
                          {
                              ASSERT_LE(end - begin, c.chunk);
                              for (std::size_t i = begin; i < end; ++i)
                                  visits[i].fetch_add(1);
                          });
        for (std::size_t i = 0; i < c.count; ++i)
            ASSERT_EQ(visits[i].load(), 1) << "element " << i;
    }
}
