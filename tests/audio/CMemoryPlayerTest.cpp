#include "audio/CMemoryPlayer.h"

#include "ServiceSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<CStereoFrame> Ramp(std::uint32_t frames)
{
    std::vector<CStereoFrame> v(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        v[i] = {static_cast<float>(i + 1), -static_cast<float>(i + 1)};
    return v;
}

// What the device played: the buffer once from the start position and then nothing, or
// the buffer over and over from frame 0 with no frame missing or doubled at the wraps.
TEST(CMemoryPlayer, PlaysTheBufferOnceOrLoopsWithoutAGap)
{
    struct Case
    {
        const char* name;
        std::uint32_t frames;
        bool loop;
        std::uint32_t start;
    };
    const Case cases[] = {
        {"once", 1000, false, 0},
        {"once from the middle", 1000, false, 600},
        {"once from past the end", 1000, false, 5000},
        {"looping", 997, true, 0},
        {"looping a buffer shorter than any block", 3, true, 0},
        {"looping from the middle", 997, true, 400},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::NullDeviceCapture capture;
        const auto buffer = Ramp(c.frames);
        CMemoryPlayer player;
        ASSERT_TRUE(player.Create(44100, buffer.data(), c.frames, c.loop));
        EXPECT_FALSE(player.IsPlaying()) << "a new player is not playing";
        EXPECT_EQ(player.GetPosition(), 0u);
        player.SetPosition(c.start);
        const std::uint32_t first = std::min(c.start, c.frames);
        EXPECT_EQ(player.GetPosition(), first) << "a position past the end is the end";
        ASSERT_TRUE(player.Play());

        std::size_t expectedFrames = 0;
        if (c.loop)
        {
            expectedFrames = 5000;
            ASSERT_TRUE(capture.WaitForFrames(expectedFrames));
            EXPECT_TRUE(player.IsPlaying());
        }
        else
        {
            ASSERT_TRUE(vtest::WaitUntil([&] { return !player.IsPlaying(); }));
            EXPECT_EQ(player.GetPosition(), c.frames) << "ends at its last frame";
            expectedFrames = c.frames - first;
            ASSERT_TRUE(capture.WaitForFrames(expectedFrames));
        }
        player.Free();
        const auto played = capture.Samples();
        ASSERT_GE(played.size(), expectedFrames * 2);
        for (std::size_t k = 0; k < played.size() / 2; ++k)
        {
            float want = 0.0f; // silence after the end
            if (c.loop)
                want = static_cast<float>((first + k) % c.frames + 1);
            else if (k < expectedFrames)
                want = static_cast<float>(first + k + 1);
            ASSERT_EQ(played[2 * k], want) << "frame " << k;
        }
    }
}

TEST(CMemoryPlayer, StopAndFreeClearThePlayingFlag)
{
    vtest::NullDeviceCapture capture;
    const auto buffer = Ramp(100);
    CMemoryPlayer player;
    EXPECT_FALSE(player.Play()) << "no stream yet";
    EXPECT_FALSE(player.Free());
    ASSERT_TRUE(player.Create(44100, buffer.data(), 100, true));
    ASSERT_TRUE(player.Play());
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(player.Stop());
    EXPECT_FALSE(player.IsPlaying());
    ASSERT_TRUE(player.Play());
    EXPECT_TRUE(player.Free());
    EXPECT_FALSE(player.IsPlaying());
}

TEST(CMemoryPlayer, CreateFailureShowsItsText)
{
    vtest::MessageLog messages;
    const auto buffer = Ramp(10);
    CMemoryPlayer player;
    EXPECT_FALSE(player.Create(0, buffer.data(), 10, false));
    EXPECT_FALSE(player.Create(44100, nullptr, 10, false));
    EXPECT_EQ(messages.Texts(),
              (QStringList{"Failed to create playback stream.", "Failed to create playback stream."}));
}

} // namespace
