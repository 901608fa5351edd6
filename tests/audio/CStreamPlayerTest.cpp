#include "audio/CStreamPlayer.h"
#include "audio/CStereoFrame.h"

#include "ServiceSupport.h"
#include "SoundMedia.h"

#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

using namespace std::chrono_literals;

// A file plays at its own rate from its first frame to its last, then the stream ends.
TEST(CStreamPlayer, PlaysAFileThroughAndKnowsItsLength)
{
    vtest::NullDeviceCapture capture;
    const QString path = vtest::MediaPath(QStringLiteral("player.wav"));
    ASSERT_TRUE(vtest::WriteSine(path, plat::SoundWriter::Format::WavFloat, 22050, 2, 11025, 300.0));
    CStreamPlayer player;
    ASSERT_TRUE(player.OpenFile(path));
    EXPECT_DOUBLE_EQ(player.GetLength(), 0.5);
    EXPECT_FALSE(player.PutData("12345678", 8)) << "a file stream takes no pushed frames";
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(capture.WaitForFrames(11025));
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(player.Close());

    plat::SoundDecoder decoder;
    ASSERT_TRUE(decoder.Open(path, 22050, false));
    std::vector<float> file(11025 * 2);
    ASSERT_EQ(decoder.Read(file.data(), 11025), 11025u);
    const auto played = capture.Samples();
    ASSERT_EQ(played.size(), file.size()) << "nothing played after the end";
    EXPECT_EQ(played, file);
}

TEST(CStreamPlayer, MissingFileShowsItsText)
{
    vtest::MessageLog messages;
    CStreamPlayer player;
    EXPECT_FALSE(player.OpenFile(vtest::MediaPath(QStringLiteral("no such file.wav"))));
    EXPECT_EQ(messages.Texts(), QStringList{"Failed to create play file stream."});
    EXPECT_EQ(player.GetLength(), 0.0);
    EXPECT_FALSE(player.Play());
    EXPECT_FALSE(player.Close());
}

// The pre-buffer wait ends when the device's minimum buffer plus 10 ms is queued (the null
// device's 10 ms: 20 ms in all), gives up soon when nothing comes at all, and gives up at
// its deadline when frames only trickle in, instead of holding the UI thread for ever.
TEST(CStreamPlayer, PushStreamWaitsForItsPrebufferWithinABound)
{
    struct Case
    {
        const char* name;
        std::uint32_t framesPerPut; // 0: nothing is pushed
        std::chrono::milliseconds every;
        bool filled;
    };
    const Case cases[] = {
        {"steady blocks", 441, 10ms, true},
        {"nothing", 0, 10ms, false},
        {"a trickle", 1, 5ms, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::NullDeviceCapture capture;
        CStreamPlayer player;
        std::atomic<bool> quit{false};
        std::thread producer(
            [&]
            {
                const std::vector<CStereoFrame> block(std::max(1u, c.framesPerPut));
                while (!quit.load())
                {
                    if (c.framesPerPut > 0)
                        player.PutData(block.data(), c.framesPerPut * 8);
                    std::this_thread::sleep_for(c.every);
                }
            });
        const auto t0 = std::chrono::steady_clock::now();
        const bool created = player.CreatePushStream(44100);
        const auto waited = std::chrono::steady_clock::now() - t0;
        quit = true;
        producer.join();
        EXPECT_TRUE(created);
        if (c.filled)
            EXPECT_LT(waited, CStreamPlayer::kPrebufferDeadline) << "ended when the target was queued";
        else
            EXPECT_LT(waited, CStreamPlayer::kPrebufferDeadline + 1500ms) << "gave up";
        player.Close();
    }
}

// Pushed frames play in the order they were put; a put that does not fit is refused.
TEST(CStreamPlayer, PushedFramesPlayInOrder)
{
    vtest::NullDeviceCapture capture;
    CStreamPlayer player;
    ASSERT_TRUE(player.CreatePushStream(44100));
    std::vector<CStereoFrame> frames(3000);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = {static_cast<float>(i + 1), 0.5f};
    for (std::size_t at = 0; at < frames.size(); at += 1000)
        ASSERT_TRUE(player.PutData(&frames[at], 1000 * 8));
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(capture.WaitForFrames(3000));
    const auto played = capture.Samples();
    for (std::size_t i = 0; i < 3000; ++i)
        ASSERT_EQ(played[2 * i], frames[i].left) << "frame " << i;

    const std::vector<CStereoFrame> tooMany(44100 * 10);
    EXPECT_FALSE(player.PutData(tooMany.data(), static_cast<std::uint32_t>(tooMany.size() * 8)));
    EXPECT_TRUE(player.Stop());
    EXPECT_TRUE(player.Close());
}

} // namespace
