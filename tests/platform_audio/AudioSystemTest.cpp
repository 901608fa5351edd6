#include "platform/audio/AudioSystem.h"
#include "platform/audio/AudioInput.h"
#include "platform/audio/AudioOutput.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace
{

using namespace std::chrono_literals;

// ALSA reads only this file when ALSA_CONFIG_PATH names it: the test decides which devices
// exist. A machine's sound cards still appear (ALSA finds them without any configuration).
void UseAlsaConfig(const char* text)
{
    const QString path = vtest::TestHome() + "/alsa-test.conf";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    ::setenv("ALSA_CONFIG_PATH", QFile::encodeName(path).constData(), 1);
}

TEST(AudioSystem, VersionsOfTheLibrariesPass)
{
    EXPECT_EQ(plat::AudioSystem::CheckVersions(), QString());
}

// Without any device the start-up reports the failure, and streams still play (silently, on
// the null device) so the rest of the program works.
TEST(AudioSystem, WithoutDevicesInitialiseFailsAndStreamsStillPlay)
{
    // The machine's own configuration: on a server or in CI it has no device.
    ::unsetenv("ALSA_CONFIG_PATH");
    plat::AudioSystem::UseRealDevices();
    const bool ok = plat::AudioSystem::Initialize(-1);
    if (plat::AudioSystem::OutputDevices().size() > 1)
    {
        plat::AudioSystem::Shutdown();
        GTEST_SKIP() << "this machine has a sound card; the no-device path cannot be shown here";
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(plat::AudioSystem::UsesNullDevice());
    ASSERT_EQ(plat::AudioSystem::OutputDevices().size(), 1u);
    EXPECT_EQ(plat::AudioSystem::OutputDevices()[0].name, QStringLiteral("No sound"));
    EXPECT_EQ(plat::AudioSystem::MinBufferMs(), 10);
    auto out = plat::AudioOutput::CreateWithProcedure(44100,
                                                      [](float* f, std::uint32_t n) -> std::uint32_t
                                                      {
                                                          std::fill(f, f + 2 * n, 0.0f);
                                                          return n;
                                                      });
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->OnNullDevice());
    EXPECT_TRUE(out->Play());
    std::this_thread::sleep_for(100ms);
    EXPECT_GT(out->PlayedFrames(), 0u);
    out.reset();
    EXPECT_FALSE(plat::AudioSystem::Initialize(5)) << "a device past the list";
    plat::AudioSystem::Shutdown();
}

// An ALSA configuration without any PCM made PortAudio abort the program (an assertion in its
// device list). The program survives every such configuration and plays on the null device.
TEST(AudioSystem, AlsaConfigurationWithoutPcmFallsBackToTheNullDevice)
{
    struct Case
    {
        const char* name;
        const char* config; // null: the file is missing
    };
    const Case cases[] = {
        {"empty", ""},
        {"missing", nullptr},
        {"only a ctl entry", "ctl.!default { type hw card 0 }\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.config)
            UseAlsaConfig(c.config);
        else
            ::setenv("ALSA_CONFIG_PATH", QFile::encodeName(vtest::TestHome() + "/no-such.conf").constData(),
                     1);
        plat::AudioSystem::UseRealDevices();
        const bool ok = plat::AudioSystem::Initialize(-1);
        if (plat::AudioSystem::OutputDevices().size() > 1)
        {
            plat::AudioSystem::Shutdown();
            GTEST_SKIP() << "this machine has a sound card, which ALSA finds without a configuration";
        }
        EXPECT_FALSE(ok);
        EXPECT_TRUE(plat::AudioSystem::UsesNullDevice());
        auto out = plat::AudioOutput::CreateWithProcedure(44100,
                                                          [](float* f, std::uint32_t n) -> std::uint32_t
                                                          {
                                                              std::fill(f, f + 2 * n, 0.0f);
                                                              return n;
                                                          });
        ASSERT_TRUE(out);
        EXPECT_TRUE(out->OnNullDevice());
        EXPECT_TRUE(out->Play());
        // The null device's clock plays a period every 10 ms; a loaded machine may take longer.
        const auto until = std::chrono::steady_clock::now() + 3s;
        while (out->PlayedFrames() == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        EXPECT_GT(out->PlayedFrames(), 0u);
        out.reset();
        plat::AudioSystem::Shutdown();
    }
}

// Real PortAudio streams (output, and input where the device records) on whatever device
// exists; here an ALSA null device, which plays as fast as it is fed. Skipped where PortAudio finds no device
// at all.
TEST(AudioSystem, PortAudioStreamPlaysOnARealDevice)
{
    UseAlsaConfig("pcm.!default { type null }\n"
                  "pcm.vornanull { type null }\n");
    plat::AudioSystem::UseRealDevices();
    plat::AudioSystem::Initialize(-1);
    const auto devices = plat::AudioSystem::OutputDevices();
    if (devices.size() < 2)
    {
        plat::AudioSystem::Shutdown();
        GTEST_SKIP() << "PortAudio finds no output device here";
    }
    int defaults = 0;
    for (const auto& d : devices)
        defaults += d.isDefault ? 1 : 0;
    EXPECT_EQ(defaults, 1);
    EXPECT_FALSE(plat::AudioSystem::UsesNullDevice());
    EXPECT_GE(plat::AudioSystem::MinBufferMs(), 0);
    {
        auto out = plat::AudioOutput::CreateWithProcedure(44100,
                                                          [](float* f, std::uint32_t n) -> std::uint32_t
                                                          {
                                                              std::fill(f, f + 2 * n, 0.25f);
                                                              return n;
                                                          });
        ASSERT_TRUE(out);
        EXPECT_FALSE(out->OnNullDevice());
        const bool played = out->Play();
        EXPECT_TRUE(played) << plat::AudioSystem::LastError().toStdString();
        std::this_thread::sleep_for(200ms);
        EXPECT_GT(out->PlayedFrames(), 0u);
        EXPECT_TRUE(out->Stop());
        plat::AudioSystem::Shutdown(); // deferred: a stream is still open
    }
    if (!plat::AudioSystem::InputDevices().empty())
    {
        std::atomic<std::uint64_t> frames{0};
        plat::AudioInput::Failure failure = plat::AudioInput::Failure::None;
        auto in = plat::AudioInput::Start(
            -1, 44100,
            [&](const float*, std::uint32_t n)
            {
                frames += n;
                return true;
            },
            &failure);
        ASSERT_TRUE(in) << "failure " << static_cast<int>(failure);
        std::this_thread::sleep_for(100ms);
        EXPECT_GT(frames.load(), 0u);
    }
    // The streams closed, so the deferred shutdown happened and a new start-up works.
    plat::AudioSystem::Initialize(-1);
    EXPECT_GE(plat::AudioSystem::OutputDevices().size(), 2u);
    plat::AudioSystem::Shutdown();
}

// An ALSA null device takes its periods as fast as it is fed and never waits. A procedure
// stream on it is still asked for no more than real time allows, from the start and again
// from a resume: the procedure (the engine's session) runs ahead of the clock by at most the
// stream's buffer (300 ms) and the device's latency, and the device plays silence meanwhile.
TEST(AudioSystem, DeviceThatDoesNotPaceItselfDoesNotPullTheStreamAheadOfRealTime)
{
    UseAlsaConfig("pcm.!default { type null }\n");
    plat::AudioSystem::UseRealDevices();
    plat::AudioSystem::Initialize(-1);
    if (plat::AudioSystem::OutputDevices().size() < 2)
    {
        plat::AudioSystem::Shutdown();
        GTEST_SKIP() << "PortAudio finds no output device here";
    }
    {
        constexpr unsigned kRate = 44100;
        auto asked = std::make_shared<std::atomic<std::uint64_t>>(0);
        auto out = plat::AudioOutput::CreateWithProcedure(kRate,
                                                          [asked](float* f, std::uint32_t n) -> std::uint32_t
                                                          {
                                                              std::fill(f, f + 2 * n, 0.25f);
                                                              *asked += n;
                                                              return n;
                                                          });
        ASSERT_TRUE(out);
        ASSERT_FALSE(out->OnNullDevice());
        for (int round = 0; round < 2; ++round) // the start, then a resume
        {
            SCOPED_TRACE(round);
            const auto t0 = std::chrono::steady_clock::now();
            const std::uint64_t before = asked->load();
            ASSERT_TRUE(out->Play()) << plat::AudioSystem::LastError().toStdString();
            std::this_thread::sleep_for(1200ms);
            // Read before the clock, so the clock's reading can only loosen the bound.
            const std::uint64_t given = asked->load() - before;
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            const double ahead = 0.3 * kRate + out->LatencyFrames() + 0.002 * seconds * kRate;
            EXPECT_LE(static_cast<double>(given), seconds * kRate + ahead)
                << "asked for " << given / double(kRate) << " s in " << seconds << " s";
            EXPECT_GE(static_cast<double>(given), 0.5 * seconds * kRate) << "it keeps asking";
            EXPECT_GT(out->PlayedFrames(), 0u);
            ASSERT_TRUE(out->Stop());
            std::this_thread::sleep_for(300ms); // a pause the stream must not make up for
        }
        plat::AudioSystem::Shutdown(); // deferred: a stream is still open
    }
}

} // namespace
