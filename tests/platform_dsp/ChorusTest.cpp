#include "platform/dsp/Chorus.h"

#include "platform_dsp/SignalTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace
{

std::vector<float> Render(dsp::Chorus& chorus, std::vector<float> b, std::size_t block = 500)
{
    vtest::InBlocks(b, block, [&](float* p, std::size_t n) { chorus.Process(p, n); });
    return b;
}

dsp::Chorus Make(double rate, dsp::ChorusParams p)
{
    dsp::Chorus c;
    c.Prepare(rate);
    c.SetParams(p);
    return c;
}

// Phase (degrees) and amplitude of the component at @p freq of @p x sampled at @p rate.
std::pair<double, double> Component(const std::vector<double>& x, double freq, double rate)
{
    double mean = 0;
    for (double v : x)
        mean += v;
    mean /= double(x.size());
    double re = 0, im = 0;
    for (std::size_t n = 0; n < x.size(); ++n)
    {
        const double a = 2 * std::numbers::pi * freq * double(n) / rate;
        re += (x[n] - mean) * std::cos(a);
        im += (x[n] - mean) * std::sin(a);
    }
    return {std::atan2(re, im) * 180 / std::numbers::pi, 2 * std::hypot(re, im) / double(x.size())};
}

} // namespace

// A ramp through an all-wet chorus without feedback reads each tap's delay directly:
// tap = ramp(n - d). The oscillators must be the phase setting apart, right ahead of left,
// and swing by depth / 100 x delay / 2 around delay + 2 frames.
TEST(Chorus, TapsSwingAroundTheDelayWithThePhaseSettingBetweenThem)
{
    const double rate = 44100, freq = 2.0, slope = 1.0 / 65536;
    const double expectedPhase[] = {-180, -90, 0, 90, 180};
    for (int waveform : {dsp::Chorus::kSine, dsp::Chorus::kTriangle})
        for (int phase = 0; phase <= 4; ++phase)
        {
            SCOPED_TRACE(testing::Message() << "waveform " << waveform << ", phase " << phase);
            dsp::Chorus c = Make(rate, {100.0f, 50.0f, 0.0f, float(freq), waveform, 20.0f, phase});
            const std::size_t skip = 2000;                       // the line is full by then
            const std::size_t frames = skip + std::size_t(rate); // then two whole cycles
            std::vector<float> b(2 * frames);
            for (std::size_t n = 0; n < frames; ++n)
                b[2 * n] = b[2 * n + 1] = float(double(n) * slope);
            b = Render(c, b);
            std::vector<double> d[2];
            for (int ch = 0; ch < 2; ++ch)
                for (std::size_t n = skip; n < frames; ++n)
                    d[ch].push_back(double(n) - b[2 * n + ch] / slope);
            const auto [phaseL, ampL] = Component(d[0], freq, rate);
            const auto [phaseR, ampR] = Component(d[1], freq, rate);
            double diff = phaseR - phaseL;
            while (diff > 180.5)
                diff -= 360;
            while (diff < -180.5)
                diff += 360;
            if (std::abs(expectedPhase[phase]) == 180)
                EXPECT_NEAR(std::abs(diff), 180, 1.0);
            else
                EXPECT_NEAR(diff, expectedPhase[phase], 1.0);
            // A triangle's fundamental is 8 / pi^2 of its peak.
            const double peak = 0.5 * 0.020 * rate / 2;
            const double fundamental =
                waveform == dsp::Chorus::kSine ? peak : peak * 8 / (std::numbers::pi * std::numbers::pi);
            EXPECT_NEAR(ampL, fundamental, 0.02 * fundamental);
            EXPECT_NEAR(ampR, fundamental, 0.02 * fundamental);
            double mean = 0;
            for (double v : d[0])
                mean += v;
            EXPECT_NEAR(mean / double(d[0].size()), 0.020 * rate + 2, 0.5);
        }
}

// One mono-fed line: the wet signal must not depend on which side the input came from.
TEST(Chorus, WetSignalIsTheSameForEitherInputSide)
{
    const std::vector<float> noise = vtest::StereoNoise(20000);
    std::vector<float> leftOnly(noise.size(), 0.0f), rightOnly(noise.size(), 0.0f);
    for (std::size_t n = 0; n < noise.size(); n += 2)
        leftOnly[n] = rightOnly[n + 1] = noise[n];
    const float w = 0.5f;
    dsp::Chorus a = Make(48000, {50.0f, 50.0f, 50.0f, 1.1f, 1, 20.0f, 3});
    dsp::Chorus b = Make(48000, {50.0f, 50.0f, 50.0f, 1.1f, 1, 20.0f, 3});
    const std::vector<float> outA = Render(a, leftOnly);
    const std::vector<float> outB = Render(b, rightOnly);
    for (std::size_t i = 0; i < noise.size(); ++i)
    {
        const float wetA = outA[i] - leftOnly[i] * (1 - w);
        const float wetB = outB[i] - rightOnly[i] * (1 - w);
        ASSERT_NEAR(wetA, wetB, 1e-6) << i;
    }
    EXPECT_GT(vtest::Rms(outA), 0.05);
}

TEST(Chorus, ZeroMixLeavesTheBlockBitIdentical)
{
    dsp::Chorus c = Make(44100, {0.0f, 50.0f, 0.0f, 1.1f, 1, 20.0f, 3});
    std::vector<float> in = vtest::StereoNoise(5000);
    in[10] = -0.0f;
    const std::vector<float> out = Render(c, in);
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(std::memcmp(&out[i], &in[i], sizeof(float)), 0) << i;
}

TEST(Chorus, ExtremeSettingsStayBoundedAndResetClears)
{
    for (float fb : {-99.0f, 99.0f})
        for (double rate : {11025.0, 96000.0})
        {
            SCOPED_TRACE(testing::Message() << fb << " %, " << rate << " Hz");
            dsp::Chorus c = Make(rate, {100.0f, 100.0f, fb, 10.0f, 0, 20.0f, 0});
            const std::vector<float> out = Render(c, vtest::StereoNoise(std::size_t(rate * 3)));
            for (float v : out)
                ASSERT_TRUE(std::isfinite(v));
            EXPECT_LT(vtest::Rms(out), 10.0);
            c.Reset();
            for (float v : Render(c, std::vector<float>(2 * 4000, 0.0f)))
                ASSERT_EQ(v, 0.0f);
        }
}

// The output must not depend on how the signal is cut into blocks: the oscillator restarted its
// phasor at every block, which moved the taps by up to 6e-8 between block sizes.
TEST(Chorus, OutputIsTheSameForEveryBlockSize)
{
    const std::vector<float> in = vtest::StereoNoise(44100 * 2);
    for (const int waveform : {0, 1})
    {
        SCOPED_TRACE(waveform);
        const dsp::ChorusParams p{50.0f, 50.0f, 25.0f, 1.1f, waveform, 20.0f, 3};
        dsp::Chorus reference = Make(44100, p);
        const std::vector<float> expected = Render(reference, in, 4410);
        for (const std::size_t block :
             {std::size_t(1), std::size_t(441), std::size_t(512), std::size_t(65536)})
        {
            dsp::Chorus c = Make(44100, p);
            const std::vector<float> out = Render(c, in, block);
            ASSERT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0) << block;
        }
        // Blocks of changing sizes.
        dsp::Chorus c = Make(44100, p);
        std::vector<float> out = in;
        std::size_t at = 0;
        for (std::size_t i = 0; at < in.size() / 2; ++i)
        {
            const std::size_t n = std::min<std::size_t>((i * 7919) % 1500 + 1, in.size() / 2 - at);
            c.Process(out.data() + 2 * at, n);
            at += n;
        }
        EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0);
    }
}
