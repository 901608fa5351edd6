#include "platform/dsp/WavesReverb.h"

#include "platform/dsp/DenormalGuard.h"
#include "platform_dsp/SignalTools.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

std::vector<float> Render(dsp::WavesReverb& reverb, std::vector<float> b, std::size_t block = 1024)
{
    dsp::ScopedFlushDenormals guard;
    vtest::InBlocks(b, block, [&](float* p, std::size_t n) { reverb.Process(p, n); });
    return b;
}

dsp::WavesReverb Make(double rate, dsp::WavesReverbParams p)
{
    dsp::WavesReverb r;
    r.Prepare(rate);
    r.SetParams(p);
    return r;
}

} // namespace

// Comb gains must follow the reverb time and the rate; a gain computed per frame instead of
// per loop, or with the time in ms taken as s, misses by orders of magnitude.
TEST(WavesReverb, DecaysSixtyDecibelsInTheReverbTime)
{
    struct Case
    {
        double rate, timeMs;
    };
    for (const Case c : {Case{44100, 500}, Case{48000, 500}, Case{44100, 1000}, Case{48000, 2500}})
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.timeMs << " ms");
        dsp::WavesReverb r = Make(c.rate, {0.0f, 0.0f, float(c.timeMs), 0.999f});
        const auto frames = std::size_t(c.rate * c.timeMs / 1000.0 * 1.6);
        const std::vector<double> ir = vtest::Channel(Render(r, vtest::StereoImpulse(frames)), 0);
        EXPECT_NEAR(vtest::SchroederRt60(ir, c.rate), c.timeMs / 1000.0, 0.15 * c.timeMs / 1000.0);
    }
}

// The lowpass in each comb must shorten the high band's decay to ratio x RT60 and leave the
// low band at RT60.
TEST(WavesReverb, HighFrequenciesDecayInRatioTimesTheReverbTime)
{
    const double rate = 44100;
    for (double ratio : {0.5, 0.25})
    {
        SCOPED_TRACE(ratio);
        dsp::WavesReverb r = Make(rate, {0.0f, 0.0f, 2000.0f, float(ratio)});
        const std::vector<double> ir =
            vtest::Channel(Render(r, vtest::StereoImpulse(std::size_t(rate * 3))), 0);
        const std::size_t start = std::size_t(0.1 * rate);
        const double low = vtest::BandRt60(ir, rate, 100, 400, start, 4096);
        const double high = vtest::BandRt60(ir, rate, 7000, 9000, start, 4096);
        EXPECT_NEAR(low, 2.0, 0.3);
        EXPECT_NEAR(high, 2.0 * ratio, 0.25 * 2.0 * ratio);
    }
}

// The crossfade keeps the level about constant: white noise comes out within 1.5 dB of its
// input level whatever the mix and time. A missing energy normalisation fails by 10 dB or more.
TEST(WavesReverb, MixKeepsTheOverallLevelAboutConstant)
{
    const std::vector<float> noise = vtest::StereoNoise(44100 * 3);
    const double inRms = vtest::Rms(noise);
    for (float mix : {0.0f, -2.0f, -6.0f, -20.0f})
        for (float time : {100.0f, 500.0f, 2500.0f})
        {
            SCOPED_TRACE(testing::Message() << mix << " dB, " << time << " ms");
            dsp::WavesReverb r = Make(44100, {0.0f, mix, time, 0.5f});
            std::vector<float> out = Render(r, noise);
            out.erase(out.begin(), out.begin() + 2 * 44100); // past the build-up
            EXPECT_NEAR(20 * std::log10(vtest::Rms(out) / inRms), 0.0, 1.5);
        }
}

TEST(WavesReverb, DriestMixPassesTheInputScaledByTheInputGain)
{
    const std::vector<float> noise = vtest::StereoNoise(20000);
    for (float inGain : {0.0f, -6.0f})
    {
        dsp::WavesReverb r = Make(48000, {inGain, -96.0f, 2500.0f, 0.5f});
        const std::vector<float> out = Render(r, noise);
        const double g = std::pow(10.0, inGain / 20.0);
        double worst = 0;
        for (std::size_t i = 0; i < out.size(); ++i)
            worst = std::max(worst, std::abs(out[i] - g * noise[i]));
        EXPECT_LT(worst, 2e-5) << inGain;
    }
}

// The reverb works on chunks of frames and runs between the delay lines' wraps; a chunk that
// let a line wrap, or read a place it had already written, would make the samples depend on
// the block sizes. Frame by frame, odd blocks and large blocks must give the same bits, at
// rates whose shortest line is long (44.1 kHz), 5 frames (1 kHz) and 1 frame (200 Hz).
TEST(WavesReverb, SamplesDoNotDependOnTheBlockSizes)
{
    for (double rate : {44100.0, 1000.0, 200.0})
    {
        SCOPED_TRACE(rate);
        const std::vector<float> noise = vtest::StereoNoise(30000);
        dsp::WavesReverb whole = Make(rate, {0.0f, -2.0f, 2500.0f, 0.3f});
        const std::vector<float> expected = Render(whole, noise, 20000);
        for (std::size_t block : {std::size_t{1}, std::size_t{3}, std::size_t{509}})
        {
            dsp::WavesReverb r = Make(rate, {0.0f, -2.0f, 2500.0f, 0.3f});
            const std::vector<float> out = Render(r, noise, block);
            std::size_t differing = 0;
            for (std::size_t i = 0; i < out.size(); ++i)
                differing += out[i] != expected[i];
            EXPECT_EQ(differing, 0u) << "blocks of " << block;
        }
    }
}

TEST(WavesReverb, SidesAreDecorrelated)
{
    dsp::WavesReverb r = Make(44100, {0.0f, 0.0f, 1500.0f, 0.5f});
    const std::vector<float> out = Render(r, vtest::StereoImpulse(44100));
    double lr = 0, ll = 0, rr = 0;
    for (std::size_t i = 0; i < out.size(); i += 2)
    {
        lr += double(out[i]) * out[i + 1];
        ll += double(out[i]) * out[i];
        rr += double(out[i + 1]) * out[i + 1];
    }
    EXPECT_LT(std::abs(lr) / std::sqrt(ll * rr), 0.3);
}

TEST(WavesReverb, ResetAndPrepareClearTheTail)
{
    dsp::WavesReverb r = Make(44100, {0.0f, 0.0f, 3000.0f, 0.999f});
    Render(r, vtest::StereoImpulse(4000));
    r.Reset();
    for (float v : Render(r, std::vector<float>(2 * 8000, 0.0f)))
        ASSERT_EQ(v, 0.0f);
    Render(r, vtest::StereoImpulse(4000));
    r.Prepare(44100);
    for (float v : Render(r, std::vector<float>(2 * 8000, 0.0f)))
        ASSERT_EQ(v, 0.0f);
}

// A tail that decays into subnormal numbers costs many times a normal one; with the modes
// on it must end in exact zeros instead.
TEST(WavesReverb, SilentTailEndsInExactZerosWithFlushToZero)
{
    dsp::WavesReverb r = Make(44100, {0.0f, 0.0f, 500.0f, 0.5f});
    std::vector<float> b = vtest::StereoImpulse(44100 * 10);
    b = Render(r, std::move(b));
    for (float v : b)
        ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL);
    for (std::size_t i = b.size() - 2 * 1024; i < b.size(); ++i)
        ASSERT_EQ(b[i], 0.0f);
}

TEST(WavesReverb, ShortestTimeAndLowRateStayFinite)
{
    for (float time : {0.001f, 3000.0f})
    {
        dsp::WavesReverb r = Make(11025, {0.0f, -2.0f, time, 0.001f});
        const std::vector<float> out = Render(r, vtest::StereoNoise(11025 * 5));
        for (float v : out)
            ASSERT_TRUE(std::isfinite(v));
        EXPECT_LT(vtest::Rms(out), 1.0);
    }
}

// The combs peak at 0 Hz far above their energy gain: without a DC blocker in the wet path a DC
// offset came out 7 to 14 times larger, and the 0 to 30 Hz band 3 to 7.5 dB above the mid band.
// Gains are energy means over a fine grid of frequencies, since a comb's gain swings from one
// frequency to the next.
TEST(WavesReverb, NoBoostAtDcAndSubAudio)
{
    const double rate = 44100;
    const auto meanGainDb = [&](const std::vector<double>& ir, double lo, double hi, double step)
    {
        double energy = 0;
        int n = 0;
        for (double f = lo; f < hi; f += step, ++n)
            energy += std::pow(10.0, vtest::GainDbAt(ir, f, rate) / 10.0);
        return 10.0 * std::log10(energy / n);
    };
    struct Case
    {
        float mix, timeMs;
    };
    for (const Case c : {Case{-8.3f, 1820.0f}, Case{-5.2f, 2125.0f}, Case{-2.0f, 2500.0f}})
    {
        SCOPED_TRACE(testing::Message() << c.mix << " dB, " << c.timeMs << " ms");
        dsp::WavesReverb r = Make(rate, {0.0f, c.mix, c.timeMs, 0.5f});
        const std::vector<double> ir =
            vtest::Channel(Render(r, vtest::StereoImpulse(std::size_t(rate * 6))), 0);
        const double mid = meanGainDb(ir, 300, 3000, 9.1);
        EXPECT_NEAR(meanGainDb(ir, 0, 30, 0.1), mid, 1.0);
        EXPECT_LT(vtest::GainDbAt(ir, 0.0, rate), mid);
    }
}
