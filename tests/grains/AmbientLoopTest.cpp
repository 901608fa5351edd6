#include "grains/AmbientLoop.h"

#include "grains/CGrainSynth.h"

#include "RecordingProgress.h"

#include "platform/Errors.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

std::vector<float> Frames(std::size_t count, float (*left)(std::size_t), float (*right)(std::size_t))
{
    std::vector<float> v(2 * count);
    for (std::size_t i = 0; i < count; ++i)
    {
        v[2 * i] = left(i);
        v[2 * i + 1] = right(i);
    }
    return v;
}

std::vector<float> Ones(std::size_t count)
{
    return std::vector<float>(2 * count, 1.0f);
}

// A slow wave whose period fits no loop length, on both channels at different speeds.
float SlowLeft(std::size_t i)
{
    return static_cast<float>(0.8 * std::sin(0.001237 * static_cast<double>(i)));
}
float SlowRight(std::size_t i)
{
    return static_cast<float>(0.6 * std::cos(0.000731 * static_cast<double>(i)));
}

float LargestStep(const std::vector<float>& v)
{
    float step = 0.0f;
    for (std::size_t i = 2; i < v.size(); ++i)
        step = std::max(step, std::fabs(v[i] - v[i - 2]));
    return step;
}

float Peak(const std::vector<float>& v)
{
    float peak = 0.0f;
    for (float x : v)
        peak = std::max(peak, std::fabs(x));
    return peak;
}

} // namespace

// y[n] = (1 - p) x[n] + p y[n - 1] from rest: a step of height h gives h (1 - p^(n + 1)), on each
// channel by its own filter.
TEST(FilterOutput, StepResponseFollowsTheOnePoleLaw)
{
    for (double p : {0.01, 0.5, 0.99})
    {
        SCOPED_TRACE(p);
        std::vector<float> v = Frames(
            400, [](std::size_t) { return 1.0f; }, [](std::size_t) { return -2.0f; });
        vtest::RecordingProgress progress;
        dlg::FilterOutput(v.data(), 400, p, &progress);
        for (int n = 0; n < 400; ++n)
        {
            const double law = 1.0 - std::pow(p, n + 1);
            ASSERT_NEAR(v[2 * n], law, 1e-6) << n;
            ASSERT_NEAR(v[2 * n + 1], -2.0 * law, 2e-6) << n;
        }
        EXPECT_EQ(progress.percents, std::vector<int>{0});
        EXPECT_EQ(progress.statuses, std::vector<QString>{QStringLiteral("Filtering sound...")});
    }
}

TEST(FilterOutput, FilterZeroLeavesTheSoundAndTheStatusAlone)
{
    const std::vector<float> before = Frames(1000, SlowLeft, SlowRight);
    std::vector<float> v = before;
    vtest::RecordingProgress progress;
    dlg::FilterOutput(v.data(), 1000, 0.0, &progress);
    EXPECT_EQ(v, before);
    EXPECT_TRUE(progress.statuses.empty());
    EXPECT_THROW(dlg::FilterOutput(v.data(), 1000, 1.0, &progress), plat::InvalidArgumentError);
    EXPECT_THROW(dlg::FilterOutput(v.data(), 1000, -0.1, &progress), plat::InvalidArgumentError);
}

namespace
{

struct LoopCase
{
    const char* name;
    int rate;
    int loopSeconds;
};

// Odd rendered lengths (odd rate, even loop) used to leave the last loop frame unwritten.
const LoopCase kLoopCases[] = {
    {"even length", 100, 4},
    {"odd length", 1001, 4},
    {"odd length at 11025 Hz and the default 40 s", 11025, 40},
    {"even length at 44.1 kHz", 44100, 20},
};

} // namespace

// A seamless loop: the rendered sound's middle (frames H - 1, H) becomes the loop's end and start, and
// playing the loop twice steps across the joint no more than the material steps anywhere.
TEST(MakeLoop, JoinsTheMiddleOfTheSoundSeamlessly)
{
    for (const LoopCase& c : kLoopCases)
    {
        SCOPED_TRACE(c.name);
        const std::size_t n = static_cast<std::size_t>(c.rate) * (c.loopSeconds + 3);
        const std::vector<float> material = Frames(n, SlowLeft, SlowRight);
        std::vector<float> loop = material;
        vtest::RecordingProgress progress;
        dlg::MakeLoop(loop, c.rate, c.loopSeconds, &progress);
        EXPECT_EQ(progress.statuses, std::vector<QString>{QStringLiteral("Creating smooth loop...")});

        const std::size_t frames = static_cast<std::size_t>(c.rate) * c.loopSeconds;
        ASSERT_EQ(loop.size(), 2 * frames);
        const std::size_t h = n / 2;
        EXPECT_EQ(loop[0], material[2 * h]);
        EXPECT_EQ(loop[1], material[2 * h + 1]);
        EXPECT_EQ(loop[2 * frames - 2], material[2 * (h - 1)]);
        EXPECT_EQ(loop[2 * frames - 1], material[2 * (h - 1) + 1]);

        const float step = LargestStep(material);
        EXPECT_LE(std::fabs(loop[0] - loop[2 * frames - 2]), step);
        EXPECT_LE(std::fabs(loop[1] - loop[2 * frames - 1]), step);
    }
}

// On a sound of ones: every loop frame carries sound (no frame left at 0), the frames outside the
// overlap are untouched, and across the overlap the two fades add as sqrt(k / (F - 1)) +
// sqrt(1 - k / (F - 1)): 1 at both ends, sqrt(2) in the middle.
TEST(MakeLoop, CrossfadesWithEqualPowerAndLeavesNoFrameEmpty)
{
    for (const LoopCase& c : kLoopCases)
    {
        SCOPED_TRACE(c.name);
        const std::size_t n = static_cast<std::size_t>(c.rate) * (c.loopSeconds + 3);
        std::vector<float> loop = Ones(n);
        dlg::MakeLoop(loop, c.rate, c.loopSeconds, nullptr);
        const std::size_t frames = loop.size() / 2;
        const std::size_t fade = 3 * static_cast<std::size_t>(c.rate);
        const std::size_t overlap = (n - n / 2) - fade;
        for (std::size_t i = 0; i < frames; ++i)
        {
            if (i >= overlap && i < overlap + fade)
            {
                const double k = static_cast<double>(i - overlap) / (fade - 1);
                ASSERT_NEAR(loop[2 * i], std::sqrt(k) + std::sqrt(1.0 - k), 1e-5) << i;
            }
            else
            {
                ASSERT_EQ(loop[2 * i], 1.0f) << i;
                ASSERT_EQ(loop[2 * i + 1], 1.0f) << i;
            }
        }
        EXPECT_NEAR(loop[2 * overlap], 1.0, 1e-6);
        EXPECT_NEAR(loop[2 * (overlap + fade - 1)], 1.0, 1e-6);
        EXPECT_NEAR(loop[2 * (overlap + (fade - 1) / 2)], std::sqrt(2.0), 1e-3);
    }
}

// The loop is closed in place; it must give the bits of the plain way with a zeroed work buffer:
// fade, copy the whole second half to the front, add the first half in behind it, keep L x rate.
TEST(MakeLoop, GivesTheBitsOfTheTwoBufferLoop)
{
    for (const LoopCase& c : kLoopCases)
    {
        SCOPED_TRACE(c.name);
        const std::size_t n = static_cast<std::size_t>(c.rate) * (c.loopSeconds + 3);
        std::vector<float> sound(2 * n);
        plat::Random15 random(3);
        for (float& x : sound)
            x = static_cast<float>(random.Unit() * 2 - 1);
        sound[2 * (n / 2 + 7)] = -0.0f;

        std::vector<float> faded = sound;
        const std::size_t fade = 3 * static_cast<std::size_t>(c.rate);
        for (std::size_t i = 0; i < fade; ++i)
        {
            const double gain = std::sqrt(static_cast<double>(i) / static_cast<double>(fade - 1));
            for (std::size_t ch = 0; ch < 2; ++ch)
            {
                faded[2 * i + ch] = static_cast<float>(faded[2 * i + ch] * gain);
                faded[2 * (n - 1 - i) + ch] = static_cast<float>(faded[2 * (n - 1 - i) + ch] * gain);
            }
        }
        const std::size_t h = n / 2;
        std::vector<float> work(2 * n, 0.0f);
        for (std::size_t i = 0; i < 2 * (n - h); ++i)
            work[i] = faded[2 * h + i];
        for (std::size_t k = 0; k < 2 * h; ++k)
            work[2 * (n - h - fade) + k] += faded[k];
        work.resize(2 * static_cast<std::size_t>(c.rate) * c.loopSeconds);

        dlg::MakeLoop(sound, c.rate, c.loopSeconds, nullptr);
        ASSERT_EQ(sound.size(), work.size());
        EXPECT_EQ(std::memcmp(sound.data(), work.data(), 4 * work.size()), 0);
    }
}

// Long enough that the halves change places, and the peak and the scaling go, in several chunks
// shared among threads: any number of threads gives the one-thread bits, for an even and an odd
// length (the odd one is rotated whole).
TEST(MakeLoop, AndTheNormalisationGiveTheSameBitsOnAnyNumberOfThreads)
{
    for (int rate : {44100, 44101})
    {
        SCOPED_TRACE(rate);
        constexpr int kLoopSeconds = 4;
        const std::size_t n = static_cast<std::size_t>(rate) * (kLoopSeconds + 3);
        std::vector<float> sound(2 * n);
        plat::Random15 random(5);
        for (float& x : sound)
            x = static_cast<float>(random.Unit() * 2 - 1);
        sound[2 * (n / 2 + 7)] = -0.0f;
        sound[2 * (n - 100) + 1] = 3.0f; // the peak, late in the sound

        std::vector<float> single = sound;
        dlg::MakeLoop(single, rate, kLoopSeconds, nullptr, 1);
        dlg::NormalizeOutput(single.data(), single.size() / 2, 0.5, nullptr, 1);
        for (unsigned threads : {2u, 7u, 0u})
        {
            SCOPED_TRACE(threads);
            std::vector<float> shared = sound;
            dlg::MakeLoop(shared, rate, kLoopSeconds, nullptr, threads);
            dlg::NormalizeOutput(shared.data(), shared.size() / 2, 0.5, nullptr, threads);
            ASSERT_EQ(shared.size(), single.size());
            EXPECT_EQ(std::memcmp(shared.data(), single.data(), 4 * single.size()), 0);
        }
        EXPECT_EQ(Peak(single), 0.5f);
    }
}

TEST(MakeLoop, RefusesASoundOfAnotherLength)
{
    std::vector<float> sound = Ones(100 * 23 - 1);
    EXPECT_THROW(dlg::MakeLoop(sound, 100, 20, nullptr), plat::InvalidArgumentError);
    std::vector<float> tooShort = Ones(100 * 5);
    EXPECT_THROW(dlg::MakeLoop(tooShort, 100, 2, nullptr), plat::InvalidArgumentError);
    EXPECT_EQ(tooShort.size(), 2u * 500);
}

TEST(NormalizeOutput, SetsThePeakToTheLevelWithItsStatus)
{
    std::vector<float> v = {0.1f, -0.4f, 0.2f, 0.0f};
    vtest::RecordingProgress progress;
    dlg::NormalizeOutput(v.data(), 2, 0.5, &progress);
    EXPECT_EQ(v, (std::vector<float>{0.125f, -0.5f, 0.25f, 0.0f}));
    EXPECT_EQ(progress.statuses, std::vector<QString>{QStringLiteral("Normalizing volume...")});
    EXPECT_EQ(progress.percents, std::vector<int>{0});
}

namespace
{

class AmbientLoopPipeline : public ::testing::Test
{
protected:
    static constexpr int kRate = 1000;

    void SetUp() override { plat::SetRandomSeedOverride(99); }
    void TearDown() override { plat::SetRandomSeedOverride(std::nullopt); }

    /** A short session: low rate, low quality, 20 s of loop. */
    static dlg::AmbientLoopSettings Small()
    {
        dlg::AmbientLoopSettings s;
        s.quality = 0.05;
        s.loopSeconds = 20;
        return s;
    }

    std::vector<float> Output(const dlg::AmbientLoopSettings& s) const
    {
        return std::vector<float>(2 * static_cast<std::size_t>(kRate) * (s.loopSeconds + 3));
    }

    std::vector<float> m_source = Frames(8 * kRate, SlowLeft, SlowRight);
    CGrainSynth m_synth;
    vtest::RecordingProgress m_progress;
    bool m_creating = true;
};

std::vector<QString> StepStatuses(const std::vector<QString>& statuses)
{
    std::vector<QString> steps;
    for (const QString& s : statuses)
        if (!s.startsWith(QStringLiteral("Creating music")))
            steps.push_back(s);
    return steps;
}

} // namespace

TEST_F(AmbientLoopPipeline, MakesALoopOfLoopSecondsTimesRateAtHalfLevel)
{
    const dlg::AmbientLoopSettings s = Small();
    std::vector<float> out = Output(s);
    ASSERT_TRUE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, out, &m_progress, m_creating));
    EXPECT_EQ(out.size(), 2u * 20 * kRate);
    EXPECT_EQ(Peak(out), 0.5f);
    EXPECT_TRUE(m_progress.HasStatus(QStringLiteral("Creating music... (100%)")));
    EXPECT_EQ(
        StepStatuses(m_progress.statuses),
        (std::vector<QString>{QStringLiteral("Filtering sound..."), QStringLiteral("Creating smooth loop..."),
                              QStringLiteral("Normalizing volume...")}));
    EXPECT_TRUE(m_progress.errors.empty());
}

TEST_F(AmbientLoopPipeline, FilterZeroSkipsOnlyTheFilter)
{
    dlg::AmbientLoopSettings s = Small();
    s.filter = 0.0;
    std::vector<float> out = Output(s);
    ASSERT_TRUE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, out, &m_progress, m_creating));
    EXPECT_EQ(StepStatuses(m_progress.statuses),
              (std::vector<QString>{QStringLiteral("Creating smooth loop..."),
                                    QStringLiteral("Normalizing volume...")}));
}

// The tool's Cancel handler runs inside the pumping: it clears the flag and cancels the engine.
TEST_F(AmbientLoopPipeline, CancelLeavesNoOutputAndSkipsTheSteps)
{
    m_progress.onPump = [this](int percent)
    {
        if (percent >= 30)
        {
            m_creating = false;
            m_synth.Cancel();
        }
    };
    const dlg::AmbientLoopSettings s = Small();
    std::vector<float> out = Output(s);
    EXPECT_FALSE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, out, &m_progress, m_creating));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(StepStatuses(m_progress.statuses).empty());
    EXPECT_EQ(m_progress.waits, 0);
}

TEST_F(AmbientLoopPipeline, SilentSourceGivesASilentLoop)
{
    const std::vector<float> silence(2 * 8 * kRate, 0.0f);
    const dlg::AmbientLoopSettings s = Small();
    std::vector<float> out = Output(s);
    ASSERT_TRUE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, silence.data(), 8 * kRate, out, &m_progress, m_creating));
    ASSERT_EQ(out.size(), 2u * 20 * kRate);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return x == 0.0f; }));
}

// One thread or all of them, the same seed makes the same loop, bit for bit.
TEST_F(AmbientLoopPipeline, SameSeedSameLoopOnAnyNumberOfThreads)
{
    const dlg::AmbientLoopSettings s = Small();
    std::vector<float> a = Output(s);
    std::vector<float> b = Output(s);
    m_synth.SetThreadCount(1);
    ASSERT_TRUE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, a, nullptr, m_creating));
    plat::SetRandomSeedOverride(99);
    m_synth.SetThreadCount(0);
    ASSERT_TRUE(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, b, nullptr, m_creating));
    EXPECT_TRUE(a == b);
}

TEST_F(AmbientLoopPipeline, RefusesAnEmptySelectionBeforeRendering)
{
    dlg::AmbientLoopSettings s = Small();
    s.selectionStart = 0.5;
    s.selectionEnd = 0.5;
    std::vector<float> out = Output(s);
    EXPECT_THROW(
        dlg::CreateAmbientLoop(m_synth, kRate, s, m_source.data(), 8 * kRate, out, &m_progress, m_creating),
        plat::InvalidArgumentError);
    EXPECT_TRUE(m_progress.statuses.empty());
    EXPECT_EQ(out.size(), 2u * 23 * kRate);
}

namespace
{

std::uint64_t BitsHash(const std::vector<float>& v)
{
    std::uint64_t h = 14695981039346656037ull;
    for (float x : v)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &x, sizeof bits);
        for (int b = 0; b < 4; ++b)
        {
            h ^= (bits >> (8 * b)) & 0xffu;
            h *= 1099511628211ull;
        }
    }
    return h;
}

} // namespace

// The loops these settings made when the pipeline was first measured, as a hash of their bits: any
// change of the sound (a reordered sum, a fused multiply-add, another rounding in a step) shows here.
// The cases reach long grains wrapping the output, jitter clamped at both ends of a short selection,
// a hop of a few frames, an odd rendered length, no filter and the steepest filter, on one thread
// and on several, with the widest vector instructions the processor has and with narrower ones.
TEST(AmbientLoopBits, TheLoopsOfFixedSeedsKeepTheirBits)
{
    struct Case
    {
        const char* name;
        int rate;
        dlg::AmbientLoopSettings settings;
        std::uint32_t seed;
        unsigned threads;
        std::uint64_t hash;
    };
    const auto with = [](double quality, int loopSeconds, double scan, double texture, double sharpness,
                         double filter, double selectionStart, double selectionEnd)
    {
        dlg::AmbientLoopSettings s;
        s.quality = quality;
        s.loopSeconds = loopSeconds;
        s.scan = scan;
        s.texture = texture;
        s.sharpness = sharpness;
        s.filter = filter;
        s.selectionStart = selectionStart;
        s.selectionEnd = selectionEnd;
        return s;
    };
    const Case cases[] = {
        {"the defaults at a low rate", 4000, with(0.5, 8, 0.5, 0.5, 0.5, 0.5, 0.05, 0.95), 1, 1,
         0x8cb10a37ffbd6d53ull},
        {"the defaults on five threads", 4000, with(0.5, 8, 0.5, 0.5, 0.5, 0.5, 0.05, 0.95), 1, 5,
         0x8cb10a37ffbd6d53ull},
        {"another seed", 4000, with(0.5, 8, 0.5, 0.5, 0.5, 0.5, 0.05, 0.95), 2, 3, 0xdfa50320c270a12eull},
        {"five-second grains wrapping a short loop", 2000, with(0.3, 4, 0.0, 0.0, 0.2, 0.3, 0.0, 1.0), 3, 4,
         0x3a5136a0d29ae96bull},
        {"long jitter over a short selection", 3000, with(0.4, 6, 1.0, 0.7, 0.0, 0.9, 0.45, 0.47), 4, 2,
         0xaa28c21deae1f073ull},
        {"short grains a few frames apart", 6000, with(1.0, 5, 0.3, 1.0, 0.9, 0.99, 0.1, 0.6), 5, 8,
         0x44128c649d05355aull},
        {"an odd length and no filter", 2205, with(0.6, 7, 0.8, 0.4, 0.6, 0.0, 0.2, 0.9), 6, 1,
         0xe32eb4558b9687cfull},
        {"five-second grains at a higher rate", 6000, with(0.3, 4, 0.6, 0.0, 0.5, 0.5, 0.1, 0.9), 7, 6,
         0xe4cd4921fe8b8c7eull},
        {"an odd length and no filter on seven threads", 2205, with(0.6, 7, 0.8, 0.4, 0.6, 0.0, 0.2, 0.9), 6,
         7, 0xe32eb4558b9687cfull},
    };
    std::vector<float> source(2 * 12 * 6000);
    for (std::size_t i = 0; i < source.size() / 2; ++i)
    {
        const double t = static_cast<double>(i);
        source[2 * i] = static_cast<float>(0.6 * std::sin(0.031 * t) + 0.2 * std::sin(7e-7 * t * t));
        source[2 * i + 1] = static_cast<float>(0.5 * std::cos(0.017 * t) - 0.3 * std::sin(0.29 * t));
    }
    using Set = CGrainSynth::InstructionSet;
    for (Set set : {Set::Best, Set::Avx2, Set::Plain})
    {
        SCOPED_TRACE(static_cast<int>(set));
        CGrainSynth::SetInstructionSet(set);
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.name);
            plat::SetRandomSeedOverride(c.seed);
            CGrainSynth synth;
            synth.SetThreadCount(c.threads);
            std::vector<float> out(2 * static_cast<std::size_t>(c.rate) * (c.settings.loopSeconds + 3));
            const bool creating = true;
            const auto frames = static_cast<std::uint32_t>(12 * c.rate);
            ASSERT_TRUE(dlg::CreateAmbientLoop(synth, c.rate, c.settings, source.data(), frames, out, nullptr,
                                               creating));
            EXPECT_EQ(BitsHash(out), c.hash) << std::hex << "0x" << BitsHash(out);
        }
    }
    CGrainSynth::SetInstructionSet(Set::Best);
    plat::SetRandomSeedOverride(std::nullopt);
}
