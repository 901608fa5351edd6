#include "platform/audio/Spectrum.h"
#include "platform/audio/PlayedHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{

// A full-scale sine on bin 100 must peak on bin 100 at the documented 0.5, and leak little.
TEST(Spectrum, SinePeaksOnItsBinAtHalfScale)
{
    plat::Spectrum spectrum;
    std::vector<float> mono(plat::Spectrum::kSize);
    for (int i = 0; i < plat::Spectrum::kSize; ++i)
        mono[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * 100.0 * i / plat::Spectrum::kSize));
    std::vector<float> mag(plat::Spectrum::kBins);
    spectrum.Compute(mono.data(), mag.data());
    const auto peak = std::max_element(mag.begin(), mag.end()) - mag.begin();
    EXPECT_EQ(peak, 100);
    EXPECT_NEAR(mag[100], 0.5f, 0.01f);
    EXPECT_NEAR(mag[99], 0.25f, 0.01f) << "Hann window: the neighbours read half the peak";
    EXPECT_LT(mag[110], 1e-4f);
}

struct LevelCase
{
    const char* name;
    float left;
    float right;
    std::uint32_t wantLeft;
    std::uint32_t wantRight;
};

// Levels are peaks of |sample| over the last 20 ms, scaled to 0..32768 and capped there.
TEST(PlayedHistory, LevelsArePeaksOfTheLast20ms)
{
    const LevelCase cases[] = {
        {"half and quarter", 0.5f, -0.25f, 16384, 8192},
        {"over full scale is capped", 1.5f, -3.0f, 32768, 32768},
        {"silence", 0.0f, 0.0f, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        plat::PlayedHistory history(44100);
        // A loud frame 30 ms back has left the window; the level is that of the last 20 ms.
        std::vector<float> old = {0.9f, 0.9f};
        history.Push(old.data(), 1);
        std::vector<float> block;
        for (int i = 0; i < 1323; ++i)
        {
            block.push_back(c.left);
            block.push_back(c.right);
        }
        history.Push(block.data(), 1323);
        const plat::PeakLevel level = history.Level();
        EXPECT_EQ(level.left, c.wantLeft);
        EXPECT_EQ(level.right, c.wantRight);
        EXPECT_EQ(level.Packed(), c.wantLeft | (c.wantRight << 16));
    }
}

TEST(PlayedHistory, RecentMonoIsOldestFirstAndZeroBeforeTheStart)
{
    plat::PlayedHistory history(44100);
    std::vector<float> frames = {1.0f, 3.0f, 2.0f, 4.0f};
    history.Push(frames.data(), 2);
    float out[4];
    history.RecentMono(out, 4);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 2.0f);
    EXPECT_EQ(out[3], 3.0f);
}

} // namespace
