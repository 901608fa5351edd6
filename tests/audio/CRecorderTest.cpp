#include "audio/CRecorder.h"

#include "ServiceSupport.h"
#include "support/TestEnvironment.h"

#include "platform/audio/AudioSystem.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <vector>

namespace
{

// What the record callback saw.
struct Calls
{
    std::atomic<int> count{0};
    std::atomic<bool> wrongLength{false};
    std::atomic<bool> wrongArguments{false};
    std::atomic<int> stopAfter{-1}; // return 0 on this call
    std::mutex mutex;
    std::vector<float> samples; // the first second
    CRecorder* recorder = nullptr;
    std::uint32_t expectedLength = 0;
};

int Record(CRecorder* recorder, void* buffer, std::uint32_t length, void* user)
{
    auto* calls = static_cast<Calls*>(user);
    if (recorder != calls->recorder)
        calls->wrongArguments = true;
    if (length != calls->expectedLength)
        calls->wrongLength = true;
    {
        std::lock_guard lock(calls->mutex);
        const auto* f = static_cast<const float*>(buffer);
        if (calls->samples.size() < 96000)
            calls->samples.insert(calls->samples.end(), f, f + length / 4);
    }
    const int n = ++calls->count;
    return n == calls->stopAfter.load() ? 0 : 1;
}

// ALSA reads only this configuration (see the audio layer's tests); PortAudio is started
// afresh on it and shut down after.
class AlsaConfig
{
public:
    explicit AlsaConfig(const QString& text)
    {
        const QString path = vtest::TestHome() + QStringLiteral("/alsa-recorder.conf");
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
        f.close();
        ::setenv("ALSA_CONFIG_PATH", QFile::encodeName(path).constData(), 1);
        plat::AudioSystem::UseRealDevices();
        plat::AudioSystem::Shutdown();
        plat::AudioSystem::Initialize(-1);
    }
    ~AlsaConfig()
    {
        plat::AudioSystem::Shutdown();
        ::unsetenv("ALSA_CONFIG_PATH");
    }
};

int InputIndex(const QString& name)
{
    const auto inputs = plat::AudioSystem::InputDevices();
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i].name == name)
            return static_cast<int>(i);
    return -1;
}

TEST(CRecorder, WithoutADeviceThereIsNoLevel)
{
    CRecorder recorder;
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(recorder.GetLevel(), -1.0);
    EXPECT_EQ(recorder.GetDeviceInUse(), -1);
    EXPECT_FALSE(recorder.SetInputLevel(0.5));
}

// On the null device: 10 ms blocks, length in bytes, the recorder and the user pointer
// handed on; a callback that returns 0 gets no more calls; Free ends the recording.
TEST(CRecorder, HandsTenMillisecondBlocksToTheCallbackUntilItDeclines)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    vtest::MessageLog messages;
    Calls calls;
    CRecorder recorder;
    calls.recorder = &recorder;
    calls.expectedLength = 441 * 8;
    calls.stopAfter = 5;
    ASSERT_TRUE(recorder.Start(-1, 44100, &Record, &calls));
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_EQ(recorder.GetRequestedDevice(), -1);
    EXPECT_EQ(recorder.GetDeviceInUse(), 0);
    ASSERT_TRUE(vtest::WaitUntil([&] { return calls.count.load() >= 5; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(calls.count.load(), 5) << "declined on the fifth call";
    EXPECT_FALSE(calls.wrongLength);
    EXPECT_FALSE(calls.wrongArguments);
    EXPECT_EQ(recorder.GetLevel(), 0.0) << "the null device records silence";
    EXPECT_TRUE(recorder.SetInputLevel(0.3));
    CRecorder::SetStartLevel(1.0);
    EXPECT_TRUE(recorder.Free());
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(recorder.GetLevel(), -1.0);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

// A device that does not exist (an index past the list), or a start without a callback, fails with the
// initialisation text and both hints.
TEST(CRecorder, DeviceThatCannotBeOpenedShowsTheTextWithHints)
{
    const QString hints = QStringLiteral(
        "\n\nPlease check the settings of your recording device in the system's sound settings."
        "\n\nIn addition, please check the connection of the microphone to the computer.");
    AlsaConfig alsa(QStringLiteral("pcm.!default { type null }\npcm.vornanull { type null }\n"));
    vtest::MessageLog messages;
    Calls calls;
    CRecorder recorder;
    const int past = static_cast<int>(plat::AudioSystem::InputDevices().size());
    EXPECT_FALSE(recorder.Start(past, 44100, &Record, &calls));
    EXPECT_FALSE(recorder.Start(0, 44100, nullptr, &calls)) << "no callback";
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(recorder.GetLevel(), -1.0);
    EXPECT_EQ(recorder.GetRequestedDevice(), 0);
    EXPECT_EQ(messages.Texts(), (QStringList{QStringLiteral("Failed to initialize the recorder.") + hints,
                                             QStringLiteral("Failed to initialize the recorder.") + hints}));
}

// A microphone with a single channel (here ALSA's file plugin reading a raw 1 kHz sine on a
// one-channel capture device): opened mono, it arrives on both channels, and the input
// level is a gain on the recorded samples that the level meter sees too.
TEST(CRecorder, MonoInputArrivesOnBothChannelsWithTheInputLevelApplied)
{
    const QString raw = vtest::TestHome() + QStringLiteral("/mono-sine.raw");
    {
        std::vector<float> sine(48000 * 20);
        for (std::size_t i = 0; i < sine.size(); ++i)
            sine[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 48000.0));
        QFile f(raw);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(sine.data()), static_cast<qint64>(sine.size() * sizeof(float)));
    }
    // One channel only (two would not open); the file plugin above it plays the raw file.
    AlsaConfig alsa(QStringLiteral("pcm.!default { type null }\n"
                                   "pcm.vornanull { type null }\n"
                                   "pcm.vornamono { type multi slaves.a { pcm \"vornanull\" channels 1 }\n"
                                   "  bindings.0 { slave a channel 0 } }\n"
                                   "pcm.vornamic { type file slave.pcm \"vornamono\" file \"/dev/null\"\n"
                                   "  infile \"%1\" format \"raw\" }\n")
                        .arg(raw));
    const int mic = InputIndex(QStringLiteral("vornamic"));
    if (mic < 0)
        GTEST_SKIP() << "PortAudio does not list the one-channel test device here";

    vtest::MessageLog messages;
    CRecorder::SetStartLevel(1.0);
    for (double level : {1.0, 0.5})
    {
        SCOPED_TRACE(level);
        Calls calls;
        CRecorder recorder;
        calls.recorder = &recorder;
        calls.expectedLength = 480 * 8;
        ASSERT_TRUE(recorder.Start(mic, 48000, &Record, &calls)) << messages.Texts().join("|").toStdString();
        ASSERT_TRUE(recorder.SetInputLevel(level));
        {
            std::lock_guard lock(calls.mutex);
            calls.samples.clear();
        }
        ASSERT_TRUE(vtest::WaitUntil(
            [&]
            {
                std::lock_guard lock(calls.mutex);
                return calls.samples.size() >= 2 * 9600;
            }));
        const double meter = recorder.GetLevel();
        recorder.Free();
        std::lock_guard lock(calls.mutex);
        float peak = 0.0f;
        bool same = true;
        // From the tenth block on: blocks already on their way when the level changed are past.
        for (std::size_t i = 2 * 4800; i + 1 < calls.samples.size(); i += 2)
        {
            same = same && calls.samples[i] == calls.samples[i + 1];
            peak = std::max(peak, std::fabs(calls.samples[i]));
        }
        EXPECT_TRUE(same) << "left and right are the one channel";
        EXPECT_NEAR(peak, 0.5 * level, 0.01);
        EXPECT_NEAR(meter, 0.5 * level, 0.02);
        EXPECT_FALSE(calls.wrongLength);
    }
    EXPECT_TRUE(messages.Texts().isEmpty());
}

} // namespace
