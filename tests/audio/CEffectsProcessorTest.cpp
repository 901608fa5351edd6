#include "audio/CEffectsProcessor.h"

#include "platform/dsp/DenormalGuard.h"
#include "platform_dsp/SignalTools.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{

// Runs @p b (interleaved floats) through the processor in blocks, as the mixer does with a
// track's block; returns the frames each call reported in total.
std::size_t Render(CEffectsProcessor& fx, std::vector<float>& b, std::size_t block = 1024)
{
    std::vector<CStereoFrame> frames(block);
    std::size_t done = 0;
    vtest::InBlocks(b, block,
                    [&](float* p, std::size_t n)
                    {
                        for (std::size_t i = 0; i < n; ++i)
                            frames[i] = {p[2 * i], p[2 * i + 1]};
                        done += fx.Process(frames.data(), std::uint32_t(n));
                        for (std::size_t i = 0; i < n; ++i)
                        {
                            p[2 * i] = frames[i].left;
                            p[2 * i + 1] = frames[i].right;
                        }
                    });
    return done;
}

struct Switches
{
    bool enhance = false, reverb = false, echo = false, chorus = false;
};

CEffectsProcessor& Start(CEffectsProcessor& fx, int rate, Switches s)
{
    EXPECT_TRUE(fx.Init(rate, s.enhance, s.reverb, s.echo, s.chorus));
    return fx;
}

std::vector<double> ImpulseResponse(CEffectsProcessor& fx, std::size_t frames, int channel = 0)
{
    std::vector<float> b = vtest::StereoImpulse(frames);
    Render(fx, b);
    return vtest::Channel(b, channel);
}

bool BitIdentical(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

TEST(CEffectsProcessor, OnlyARunningProcessorProcesses)
{
    CEffectsProcessor fx;
    CStereoFrame frame{0.5f, -0.5f};
    EXPECT_FALSE(fx.IsRunning());
    EXPECT_EQ(fx.Process(&frame, 1), 0u);
    EXPECT_FALSE(fx.AddFilter());
    EXPECT_TRUE(fx.Terminate());

    for (int badRate : {0, -44100, CEffectsProcessor::kMaxRate + 1})
    {
        EXPECT_FALSE(fx.Init(badRate, true, true, true, true)) << badRate;
        EXPECT_FALSE(fx.IsRunning());
        EXPECT_TRUE(fx.Terminate());
    }

    ASSERT_TRUE(fx.Init(44100, false, true, false, false));
    EXPECT_EQ(fx.Process(nullptr, 10), 0u);
    EXPECT_EQ(fx.Process(&frame, 1), 1u);
    EXPECT_TRUE(fx.Terminate());
    EXPECT_FALSE(fx.IsRunning());
    EXPECT_TRUE(fx.IsTailing());
    fx.Free(); // drops the reverb's tail too
    EXPECT_FALSE(fx.IsTailing());
    frame = {0.5f, -0.5f};
    EXPECT_EQ(fx.Process(&frame, 1), 0u);
    EXPECT_EQ(frame.left, 0.5f);
    EXPECT_EQ(frame.right, -0.5f);
}

// An ended segment's chain fades out over the tail's time, on top of the next segment's own
// chain, which starts clean; a chain with no effect switched on leaves no tail.
TEST(CEffectsProcessor, EndedChainsTailFadesOutBesideTheNextSegment)
{
    const int rate = 44100;
    const auto tail = static_cast<std::size_t>(std::lround(rate * CEffectsProcessor::kTailSeconds));
    CEffectsProcessor fx;
    Start(fx, rate, {.reverb = true, .echo = true});
    fx.SetReverbLevel(0.5);
    fx.SetEchoLevel(0.5);
    std::vector<float> noise = vtest::StereoNoise(rate / 2);
    Render(fx, noise);
    ASSERT_TRUE(fx.Terminate());
    EXPECT_TRUE(fx.IsTailing());

    // The next segment: a reverb of its own, on silence, so only the old tail sounds.
    Start(fx, rate, {.reverb = true});
    fx.SetReverbLevel(1.0);
    std::vector<float> after(2 * std::size_t{rate} / 10, 0.0f);
    Render(fx, after, 64);
    EXPECT_FALSE(fx.IsTailing());
    const auto peak = [&](std::size_t from, std::size_t to)
    {
        double m = 0.0;
        for (std::size_t i = 2 * from; i < 2 * to; ++i)
            m = std::max(m, double(std::abs(after[i])));
        return m;
    };
    EXPECT_GT(peak(0, tail / 4), 1e-3) << "the tail goes on after the end";
    EXPECT_LT(peak(tail - tail / 8, tail), peak(0, tail / 4) / 20) << "and fades out";
    EXPECT_EQ(peak(tail, after.size() / 2), 0.0) << "the new chain started clean";

    // Nothing switched on: nothing rings on.
    Start(fx, rate, {});
    ASSERT_TRUE(fx.Terminate());
    EXPECT_FALSE(fx.IsTailing());
}

TEST(CEffectsProcessor, LevelsAreLimitedToZeroToOne)
{
    CEffectsProcessor fx;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double in, stored;
    };
    for (const Case c : {Case{0.3, 0.3}, Case{-1, 0}, Case{2, 1}, Case{nan, 0}})
    {
        fx.SetEnhanceLevel(c.in);
        fx.SetReverbLevel(c.in);
        fx.SetEchoLevel(c.in);
        fx.SetChorusLevel(c.in);
        EXPECT_EQ(fx.GetEnhanceLevel(), c.stored);
        EXPECT_EQ(fx.GetReverbLevel(), c.stored);
        EXPECT_EQ(fx.GetEchoLevel(), c.stored);
        EXPECT_EQ(fx.GetChorusLevel(), c.stored);
    }
}

// Enhance: +15 dB at 125 Hz and +7 dB at 8 kHz at level 1, the square root of the level in
// between, and no change at all at level 0.
TEST(CEffectsProcessor, EnhanceBoostsBassAndTrebleByTheLevel)
{
    for (int rate : {44100, 48000})
    {
        SCOPED_TRACE(rate);
        CEffectsProcessor fx;
        Start(fx, rate, {.enhance = true});
        fx.SetEnhanceLevel(1.0);
        std::vector<double> ir = ImpulseResponse(fx, 1 << 16);
        EXPECT_NEAR(vtest::GainDbAt(ir, 125, rate), 15.0, 0.5);
        EXPECT_NEAR(vtest::GainDbAt(ir, 8000, rate), 7.0, 0.5);

        Start(fx, rate, {.enhance = true});
        fx.SetEnhanceLevel(0.25);
        ir = ImpulseResponse(fx, 1 << 16);
        EXPECT_NEAR(vtest::GainDbAt(ir, 125, rate), 7.5, 0.5);

        Start(fx, rate, {.enhance = true});
        ir = ImpulseResponse(fx, 1 << 14);
        for (double f = 20; f < rate / 2; f *= 1.2)
            ASSERT_NEAR(vtest::GainDbAt(ir, f, rate), 0.0, 0.01) << f;
    }
}

// The noise kind's band: sharpness 0 spans 36 semitones and 1 a single semitone between the
// half-gain points; the gain fraction scales 15 dB. Before any SetFilter it changes nothing.
TEST(CEffectsProcessor, FilterBandFollowsItsSettings)
{
    const int rate = 44100;
    CEffectsProcessor fx;
    Start(fx, rate, {});
    ASSERT_TRUE(fx.AddFilter());
    std::vector<double> ir = ImpulseResponse(fx, 1 << 14);
    for (double f = 20; f < rate / 2; f *= 1.5)
        ASSERT_NEAR(vtest::GainDbAt(ir, f, rate), 0.0, 0.01) << f;

    struct Case
    {
        double gain, centre, sharpness, semitones;
    };
    for (const Case c : {Case{1.0, 1000, 0.0, 36}, Case{1.0, 1000, 1.0, 1}, Case{0.5, 300, 0.5, 18.5}})
    {
        SCOPED_TRACE(testing::Message() << c.gain << " x 15 dB, sharpness " << c.sharpness);
        Start(fx, rate, {});
        ASSERT_TRUE(fx.AddFilter());
        fx.SetFilter(c.gain, c.centre, c.sharpness);
        ir = ImpulseResponse(fx, 1 << 17);
        const double peak = c.gain * 15;
        const double edge = std::pow(2.0, c.semitones / 24);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre, rate), peak, 0.05);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre / edge, rate), peak / 2, 0.5);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre * edge, rate), peak / 2, 0.5);
    }

    // A new segment's Init drops the band until the sound adds it again.
    Start(fx, rate, {});
    fx.SetFilter(1.0, 1000, 0.0);
    std::vector<float> noise = vtest::StereoNoise(2000);
    std::vector<float> out = noise;
    Render(fx, out);
    EXPECT_TRUE(BitIdentical(out, noise));
}

// Reverb level 1 rings 2.5 s and level near 0 rings 500 ms, measured on the wet tail, with the
// high frequencies dying sooner; at level 0 the dry signal changes by less than -90 dB.
TEST(CEffectsProcessor, ReverbTimeAndMixFollowTheLevel)
{
    struct Case
    {
        int rate;
        double level, seconds;
    };
    for (const Case c : {Case{44100, 1.0, 2.5}, Case{48000, 1.0, 2.5}, Case{44100, 1e-30, 0.5}})
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, level " << c.level);
        CEffectsProcessor fx;
        Start(fx, c.rate, {.reverb = true});
        fx.SetReverbLevel(c.level);
        std::vector<double> ir = ImpulseResponse(fx, std::size_t(c.rate * c.seconds * 1.6));
        ir[0] = 0.0; // the dry impulse
        // The reverb time holds for the middle of the spectrum; the highs decay in half of it.
        const std::vector<double> mid = vtest::BandLimited(ir, 250, 2000, c.rate);
        EXPECT_NEAR(vtest::SchroederRt60(mid, c.rate), c.seconds, 0.15 * c.seconds);
        const std::vector<double> high = vtest::BandLimited(ir, 6000, 10000, c.rate);
        EXPECT_LT(vtest::SchroederRt60(high, c.rate), 0.7 * c.seconds);
    }

    CEffectsProcessor fx;
    Start(fx, 44100, {.reverb = true});
    const std::vector<float> noise = vtest::StereoNoise(44100 * 2);
    std::vector<float> out = noise;
    Render(fx, out);
    double change = 0;
    for (std::size_t i = 0; i < out.size(); ++i)
        change += (double(out[i]) - noise[i]) * (double(out[i]) - noise[i]);
    const double changeDb = 10 * std::log10(change / double(out.size())) - 20 * std::log10(vtest::Rms(noise));
    EXPECT_LT(changeDb, -90.0);
}

// Echo level 1: a quarter wet, taps at 423 ms on the right and 479 ms on the left for a centred
// impulse, each side's next tap half the one before.
TEST(CEffectsProcessor, EchoTapsBounceBetweenTheSides)
{
    for (int rate : {44100, 48000})
    {
        SCOPED_TRACE(rate);
        CEffectsProcessor fx;
        Start(fx, rate, {.echo = true});
        fx.SetEchoLevel(1.0);
        std::vector<float> b = vtest::StereoImpulse(std::size_t(rate * 2.0));
        Render(fx, b);
        const std::vector<double> left = vtest::Channel(b, 0), right = vtest::Channel(b, 1);
        EXPECT_NEAR(left[0], 0.75, 1e-6);
        const auto peakNear = [&](const std::vector<double>& x, double ms)
        {
            const auto at = std::size_t(std::lround(ms * rate / 1000));
            std::size_t best = at - 2;
            for (std::size_t i = at - 2; i <= at + 2; ++i)
                if (std::abs(x[i]) > std::abs(x[best]))
                    best = i;
            EXPECT_LE(std::abs(double(best) - ms * rate / 1000), 1.0) << ms << " ms";
            return x[best];
        };
        const double firstR = peakNear(right, 423), firstL = peakNear(left, 479);
        EXPECT_GT(firstR, 0.1);
        EXPECT_NEAR(firstL, firstR, 1e-6);
        EXPECT_NEAR(peakNear(right, 902) / firstR, 0.5, 0.05);
        EXPECT_NEAR(peakNear(left, 902) / firstL, 0.5, 0.05);
        // Nothing between the taps: the echo does not also tap its own side.
        EXPECT_EQ(left[std::size_t(0.423 * rate)], 0.0);
        EXPECT_EQ(right[std::size_t(0.479 * rate)], 0.0);
    }
}

TEST(CEffectsProcessor, ChorusAtLevelZeroLeavesTheInputBitIdentical)
{
    CEffectsProcessor fx;
    Start(fx, 44100, {.chorus = true});
    std::vector<float> in = vtest::StereoNoise(10000);
    in[7] = -0.0f;
    std::vector<float> out = in;
    Render(fx, out);
    EXPECT_TRUE(BitIdentical(out, in));

    fx.SetChorusLevel(1.0);
    Render(fx, out);
    EXPECT_FALSE(BitIdentical(out, in));
}

// The chain runs reverb, echo, chorus, then the equaliser bands. A left-only impulse shows it:
// the echo's pan delay carries the left side's reverb to the right, which differs from the
// right side's reverb of the echo.
TEST(CEffectsProcessor, RunsTheEffectsInPriorityOrder)
{
    const int rate = 44100;
    const std::size_t frames = rate;
    CEffectsProcessor fx;
    Start(fx, rate, {true, true, true, true});
    fx.SetEnhanceLevel(1.0);
    fx.SetReverbLevel(1.0);
    fx.SetEchoLevel(1.0);
    fx.SetChorusLevel(1.0);
    std::vector<float> chain = vtest::StereoImpulse(frames, true, false);
    Render(fx, chain);

    dsp::WavesReverb reverb;
    reverb.Prepare(rate);
    reverb.SetParams({0.0f, -2.0f, 2500.0f, 0.5f});
    dsp::Echo echo;
    echo.Prepare(rate);
    echo.SetParams({25.0f, 50.0f, 423.0f, 479.0f, 1});
    dsp::Chorus chorus;
    chorus.Prepare(rate);
    chorus.SetParams({50.0f, 50.0f, 50.0f, 1.1f, 1, 20.0f, 3});
    dsp::ParamEq low, high;
    low.Prepare(rate);
    low.SetParams({125.0f, 36.0f, 15.0f});
    high.Prepare(rate);
    high.SetParams({8000.0f, 9.0f, 7.0f});
    auto manual = [&](bool reverbFirst)
    {
        for (auto* r : {&reverb})
            r->Reset();
        echo.Reset();
        chorus.Reset();
        low.Reset();
        high.Reset();
        std::vector<float> b = vtest::StereoImpulse(frames, true, false);
        dsp::ScopedFlushDenormals guard;
        vtest::InBlocks(b, 1024,
                        [&](float* p, std::size_t n)
                        {
                            if (reverbFirst)
                            {
                                reverb.Process(p, n);
                                echo.Process(p, n);
                            }
                            else
                            {
                                echo.Process(p, n);
                                reverb.Process(p, n);
                            }
                            chorus.Process(p, n);
                            low.Process(p, n);
                            high.Process(p, n);
                        });
        return b;
    };
    const std::vector<float> reverbThenEcho = manual(true);
    const std::vector<float> echoThenReverb = manual(false);
    EXPECT_TRUE(BitIdentical(chain, reverbThenEcho));
    double diff = 0, energy = 0;
    for (std::size_t i = 0; i < chain.size(); ++i)
    {
        diff += std::pow(double(reverbThenEcho[i]) - echoThenReverb[i], 2);
        energy += std::pow(double(reverbThenEcho[i]), 2);
    }
    EXPECT_GT(diff / energy, 1e-3);
}

// Segment 1's tails must not sound in segment 2, and effects the new segment leaves off must
// not run, even with their levels up.
TEST(CEffectsProcessor, InitClearsTailsAndDropsEffectsLeftOff)
{
    CEffectsProcessor fx;
    Start(fx, 44100, {true, true, true, true});
    fx.SetReverbLevel(1.0);
    fx.SetEchoLevel(1.0);
    fx.SetChorusLevel(1.0);
    std::vector<float> b = vtest::StereoNoise(8000);
    Render(fx, b);

    Start(fx, 44100, {true, true, true, true});
    EXPECT_EQ(fx.GetReverbLevel(), 0.0);
    fx.SetReverbLevel(1.0);
    fx.SetEchoLevel(1.0);
    fx.SetChorusLevel(1.0);
    std::vector<float> silence(2 * 44100, 0.0f);
    Render(fx, silence);
    for (float v : silence)
        ASSERT_EQ(v, 0.0f);

    Render(fx, b);
    Start(fx, 44100, {});
    fx.SetEnhanceLevel(1.0);
    fx.SetReverbLevel(1.0);
    fx.SetEchoLevel(1.0);
    fx.SetChorusLevel(1.0);
    const std::vector<float> noise = vtest::StereoNoise(4000, 7);
    std::vector<float> out = noise;
    Render(fx, out);
    EXPECT_TRUE(BitIdentical(out, noise));
}

// A NaN from a generator must not stay in any recursive state: the block that carries it is
// lost, the next one is clean.
TEST(CEffectsProcessor, NonFiniteInputDoesNotPoisonLaterBlocks)
{
    struct Case
    {
        const char* name;
        Switches on;
    };
    const Case cases[] = {{"enhance", {.enhance = true}},
                          {"reverb", {.reverb = true}},
                          {"echo", {.echo = true}},
                          {"chorus", {.chorus = true}},
                          {"filter", {}},
                          {"all", {true, true, true, true}}};
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        for (const Case& c : cases)
        {
            SCOPED_TRACE(testing::Message() << c.name << " " << bad);
            CEffectsProcessor fx;
            Start(fx, 44100, c.on);
            ASSERT_TRUE(fx.AddFilter());
            fx.SetFilter(1.0, 500, 0.5);
            fx.SetEnhanceLevel(1.0);
            fx.SetReverbLevel(1.0);
            fx.SetEchoLevel(0.000001); // a wet echo line would carry the NaN out 423 ms later
            fx.SetChorusLevel(1.0);
            std::vector<float> b = vtest::StereoNoise(512);
            b[100] = bad;
            Render(fx, b, 512);
            std::vector<float> next = vtest::StereoNoise(44100);
            Render(fx, next, 512);
            for (float v : next)
                ASSERT_TRUE(std::isfinite(v));
        }
}

// Every rate the options offer, every effect at full level: finite and bounded for 10 s of
// noise. At 11025 Hz the 8 kHz band would sit above Nyquist without its clamp.
TEST(CEffectsProcessor, StaysFiniteAndStableAtEveryRate)
{
    for (int rate : {11025, 22050, 44100, 48000, 88200, 96000})
    {
        SCOPED_TRACE(rate);
        CEffectsProcessor fx;
        Start(fx, rate, {true, true, true, true});
        ASSERT_TRUE(fx.AddFilter());
        fx.SetFilter(1.0, 3000, 1.0);
        fx.SetEnhanceLevel(1.0);
        fx.SetReverbLevel(1.0);
        fx.SetEchoLevel(1.0);
        fx.SetChorusLevel(1.0);
        std::vector<float> b = vtest::StereoNoise(std::size_t(rate) * (rate == 11025 ? 10 : 2));
        Render(fx, b, 4000);
        for (float v : b)
            ASSERT_TRUE(std::isfinite(v));
        EXPECT_LT(vtest::Rms(b), 2.0);
    }
}

// Process flushes subnormals itself, whatever the calling thread's mode: a silent reverb tail
// ends in exact zeros instead of crawling through subnormal numbers.
TEST(CEffectsProcessor, SilentTailEndsInZerosWithoutSubnormals)
{
    CEffectsProcessor fx;
    Start(fx, 44100, {.enhance = true, .reverb = true});
    fx.SetReverbLevel(1e-30); // 500 ms
    fx.SetEnhanceLevel(1.0);
    std::vector<float> b = vtest::StereoImpulse(44100 * 12);
    Render(fx, b);
    for (float v : b)
        ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL);
    for (std::size_t i = b.size() - 2048; i < b.size(); ++i)
        ASSERT_EQ(b[i], 0.0f);
}

// The chain runs on the worker without allocating: neither Process nor the setters, nor a new
// segment's Init at the same rate.
TEST(CEffectsProcessor, ProcessAndReInitDoNotAllocate)
{
    CEffectsProcessor fx;
    Start(fx, 48000, {true, true, true, true});
    std::vector<CStereoFrame> block(20000);
    const std::vector<float> noise = vtest::StereoNoise(block.size());
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = {noise[2 * i], noise[2 * i + 1]};

    vtest::AllocationScope scope;
    for (int segment = 0; segment < 3; ++segment)
    {
        fx.Init(48000, true, true, true, true);
        fx.AddFilter();
        for (int i = 0; i < 20; ++i)
        {
            fx.SetEnhanceLevel(i / 20.0);
            fx.SetReverbLevel(i / 20.0);
            fx.SetEchoLevel(i / 20.0);
            fx.SetChorusLevel(i / 20.0);
            fx.SetFilter(i / 20.0, 100 + 100 * i, i / 20.0);
            fx.Process(block.data(), std::uint32_t(256 + 64 * i));
        }
        fx.Terminate();
    }
    EXPECT_EQ(scope.Count(), 0u);
}
