#include "platform/audio/AudioInput.h"
#include "platform/audio/AudioSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

using namespace std::chrono_literals;

// On the null device a recording runs: 10 ms blocks of silence at the real rate, so a
// recorder can be exercised on a machine without a microphone.
TEST(NullInput, DeliversTenMillisecondBlocksAtTheRateUntilTheCallbackDeclines)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    std::atomic<std::uint64_t> frames{0};
    std::atomic<int> blocks{0};
    std::atomic<bool> wrongSize{false};
    std::atomic<bool> nonSilent{false};
    std::atomic<bool> keepGoing{true};
    plat::AudioInput::Failure failure = plat::AudioInput::Failure::Init;
    auto in = plat::AudioInput::Start(
        -1, 48000,
        [&](const float* f, std::uint32_t n)
        {
            wrongSize = wrongSize || n != 480;
            for (std::uint32_t i = 0; i < 2 * n; ++i)
                nonSilent = nonSilent || f[i] != 0.0f;
            frames += n;
            ++blocks;
            return keepGoing.load();
        },
        &failure);
    ASSERT_TRUE(in);
    EXPECT_EQ(failure, plat::AudioInput::Failure::None);
    EXPECT_EQ(in->DeviceInUse(), 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_NEAR(static_cast<double>(frames), 24000.0, 2400.0);
    EXPECT_FALSE(wrongSize);
    EXPECT_FALSE(nonSilent);
    EXPECT_EQ(in->GetLevel().left, 0u);

    keepGoing = false;
    std::this_thread::sleep_for(50ms);
    const int after = blocks;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(blocks, after) << "a callback that returned false is not called again";
}

TEST(NullInput, VolumeOutsideZeroToOneIsRefused)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    auto in = plat::AudioInput::Start(-1, 44100, [](const float*, std::uint32_t) { return true; });
    ASSERT_TRUE(in);
    EXPECT_TRUE(in->SetVolume(0.0));
    EXPECT_TRUE(in->SetVolume(1.0));
    EXPECT_FALSE(in->SetVolume(1.01));
    EXPECT_FALSE(in->SetVolume(-0.1));
    EXPECT_FALSE(in->SetVolume(std::nan("")));
}

TEST(NullInput, StartWithoutACallbackFailsAtInit)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    plat::AudioInput::Failure failure = plat::AudioInput::Failure::None;
    EXPECT_FALSE(plat::AudioInput::Start(-1, 44100, {}, &failure));
    EXPECT_EQ(failure, plat::AudioInput::Failure::Init);
}

} // namespace
