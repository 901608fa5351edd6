#include "platform/dsp/Echo.h"

#include "platform_dsp/SignalTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

namespace
{

using Taps = std::map<std::pair<std::size_t, int>, double>; // (frame, channel) -> value

std::vector<float> Render(dsp::Echo& echo, std::vector<float> b, std::size_t block = 777)
{
    vtest::InBlocks(b, block, [&](float* p, std::size_t n) { echo.Process(p, n); });
    return b;
}

} // namespace

// The whole impulse response, frame by frame, against the taps the settings call for:
// delays, sides (pan delay bounces them), the sqrt(1 - fb^2) input scaling and fb per echo.
TEST(Echo, ImpulseResponseHasTheTapsOfItsSettings)
{
    const double rate = 44100;
    const std::size_t dl = 18654, dr = 21124; // 423 and 479 ms
    const double w = 0.25, fb = 0.5, first = w * std::sqrt(1 - fb * fb);
    struct Case
    {
        const char* name;
        int pan;
        bool left, right;
        Taps taps;
    };
    const Case cases[] = {
        {"own sides without pan delay",
         0,
         true,
         true,
         {{{0, 0}, 1 - w},
          {{0, 1}, 1 - w},
          {{dl, 0}, first},
          {{dr, 1}, first},
          {{2 * dl, 0}, first * fb},
          {{2 * dr, 1}, first * fb},
          {{3 * dl, 0}, first * fb * fb},
          {{3 * dr, 1}, first * fb * fb},
          {{4 * dl, 0}, first * fb * fb * fb}}},
        {"left impulse bounces right, left, right",
         1,
         true,
         false,
         {{{0, 0}, 1 - w},
          {{dl, 1}, first},
          {{dl + dr, 0}, first * fb},
          {{2 * dl + dr, 1}, first * fb * fb}}},
        {"right impulse bounces left, right",
         1,
         false,
         true,
         {{{0, 1}, 1 - w},
          {{dr, 0}, first},
          {{dr + dl, 1}, first * fb},
          {{2 * dr + dl, 0}, first * fb * fb}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        dsp::Echo echo;
        echo.Prepare(rate);
        echo.SetParams({25.0f, 50.0f, 423.0f, 479.0f, c.pan});
        const std::vector<float> out =
            Render(echo, vtest::StereoImpulse(2 * dl + 2 * dr - 10, c.left, c.right));
        for (std::size_t i = 0; i < out.size(); ++i)
        {
            const auto it = c.taps.find({i / 2, int(i % 2)});
            const double expected = it == c.taps.end() ? 0.0 : it->second;
            ASSERT_NEAR(out[i], expected, 1e-6) << "frame " << i / 2 << " channel " << i % 2;
        }
    }
}

TEST(Echo, DelaysFollowTheRateAndTheirRange)
{
    struct Case
    {
        double rate;
        float ms;
        std::size_t frames;
    };
    for (const Case c :
         {Case{48000, 423, 20304}, Case{11025, 479, 5281}, Case{44100, 0, 44}, Case{8000, 5000, 16000}})
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.ms << " ms");
        dsp::Echo echo;
        echo.Prepare(c.rate);
        echo.SetParams({100.0f, 0.0f, c.ms, c.ms, 0});
        const std::vector<float> out = Render(echo, vtest::StereoImpulse(c.frames + 5, true, false));
        for (std::size_t f = 0; f < c.frames + 5; ++f)
            ASSERT_FLOAT_EQ(out[2 * f], f == c.frames ? 1.0f : 0.0f) << f;
    }
}

// At a mix of 0 the block is untouched (not even -0 turned into +0), but the lines keep
// running so that a mix raised later brings the echoes of what was heard.
TEST(Echo, ZeroMixLeavesTheBlockExactlyAndKeepsTheLinesRunning)
{
    dsp::Echo echo;
    echo.Prepare(44100);
    echo.SetParams({0.0f, 50.0f, 10.0f, 10.0f, 0});
    std::vector<float> in = vtest::StereoNoise(300);
    in[4] = -0.0f;
    std::vector<float> out = Render(echo, in);
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(std::signbit(out[i]), std::signbit(in[i])) << i;
    ASSERT_EQ(out, in);
    echo.SetParams({100.0f, 50.0f, 10.0f, 10.0f, 0});
    out = Render(echo, std::vector<float>(2 * 300, 0.0f));
    EXPECT_NEAR(out[2 * (441 - 300)], in[2 * 0] * std::sqrt(0.75), 1e-6);
}

TEST(Echo, ResetClearsTheLines)
{
    dsp::Echo echo;
    echo.Prepare(44100);
    echo.SetParams({50.0f, 90.0f, 5.0f, 5.0f, 1});
    Render(echo, vtest::StereoNoise(1000));
    echo.Reset();
    for (float v : Render(echo, std::vector<float>(2 * 5000, 0.0f)))
        ASSERT_EQ(v, 0.0f);
}
