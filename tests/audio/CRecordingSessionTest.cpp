#include "audio/CRecordingSession.h"

#include "MixerFixtures.h"
#include "ServiceSupport.h"
#include "SoundMedia.h"
#include "support/AllocationCounter.h"

#include "audio/COptions.h"
#include "model/CSegments.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
constexpr unsigned kRate = 44100;
constexpr std::uint32_t kBlock = kRate / 100;

// Float WAV at 44.1 kHz: what the callback writes is in the file bit for bit.
COptions FloatWav()
{
    COptions options;
    options.m_exportFormatType = COptions::kFormatWav;
    options.m_exportSampleType = COptions::kSampleFloat;
    options.m_qualityType = 2;
    return options;
}

std::vector<CStereoFrame> ReadFrames(const QString& path)
{
    plat::SoundDecoder decoder;
    std::vector<CStereoFrame> frames;
    if (!decoder.Open(path, kRate, false))
        return frames;
    std::vector<float> buffer(8192 * 2);
    for (;;)
    {
        const std::uint32_t n = decoder.Read(buffer.data(), 8192);
        for (std::uint32_t i = 0; i < n; ++i)
            frames.push_back({buffer[2 * i], buffer[2 * i + 1]});
        if (n < 8192)
            break;
    }
    return frames;
}

std::vector<CStereoFrame> Constant(std::uint32_t frames, float left, float right)
{
    return std::vector<CStereoFrame>(frames, CStereoFrame{left, right});
}

// The null device records what this source says: the left channel a 440 Hz sine, the right
// channel the number of the frame since the source was installed, scaled so that every frame
// of a few minutes is told apart exactly.
class FakeMicrophone
{
public:
    static constexpr float kScale = 1.0f / 8388608.0f; // 2^-23: integers below 2^23 stay exact

    FakeMicrophone()
    {
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
        CRecorder::SetStartLevel(1.0); // the frames as they are, whatever an earlier test set
        plat::AudioSystem::SetNullInputSource(
            [this](float* frames, std::uint32_t count)
            {
                for (std::uint32_t i = 0; i < count; ++i)
                {
                    const std::uint64_t k = m_next++;
                    frames[2 * i] = Sine(k);
                    frames[2 * i + 1] = static_cast<float>(k) * kScale;
                }
            });
    }
    ~FakeMicrophone() { plat::AudioSystem::SetNullInputSource({}); }

    static float Sine(std::uint64_t k)
    {
        return static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * double(k) / kRate));
    }
    static std::uint64_t FrameOf(const CStereoFrame& f)
    {
        return static_cast<std::uint64_t>(std::llround(f.right / kScale));
    }

private:
    std::atomic<std::uint64_t> m_next{0};
};

// The spans of consecutive microphone frames in a file, as [first, last + 1) pairs; a frame
// whose left sample is not the sine at its number ends the check with an empty result.
std::vector<std::pair<std::uint64_t, std::uint64_t>> Spans(const std::vector<CStereoFrame>& file)
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    for (const CStereoFrame& f : file)
    {
        const std::uint64_t k = FakeMicrophone::FrameOf(f);
        if (f.left != FakeMicrophone::Sine(k))
            return {};
        if (!spans.empty() && spans.back().second == k)
            ++spans.back().second;
        else
            spans.push_back({k, k + 1});
    }
    return spans;
}

bool WaitForFrames(const CRecordingSession& session, std::uint64_t frames)
{
    return vtest::WaitUntil([&] { return session.GetRecordedFrames() >= frames; }, 20.0);
}

} // namespace

// The microphone through the null device into a float WAV: the file holds exactly the frames
// recorded while Recording, in order and unchanged; nothing from before CreateFile or from the
// pause; Resume continues the same file, whose length is the sum of both spans.
TEST(CRecordingSession, RecordsExactlyTheFramesOfTheRecordingSpans)
{
    vtest::MessageLog messages;
    FakeMicrophone microphone;
    const COptions options = FloatWav();
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 0.0, nullptr));
    EXPECT_GE(session.GetLevel(), 0.0) << "the device runs, and the meter moves, while Ready";
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // Ready: not in the file

    const QString path = vtest::MediaPath(QStringLiteral("session-spans.wav"));
    ASSERT_TRUE(session.CreateFile(path));
    ASSERT_TRUE(WaitForFrames(session, kRate)); // a second of sine
    session.Pause();
    const std::uint64_t first = session.GetRecordedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(session.GetRecordedFrames(), first) << "nothing written while paused";
    session.Resume();
    ASSERT_TRUE(WaitForFrames(session, first + kRate / 2));
    ASSERT_TRUE(session.StopRecording());
    const std::uint64_t recorded = session.GetRecordedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(session.GetRecordedFrames(), recorded) << "nothing written after Stop";
    session.Close();

    const auto file = ReadFrames(path);
    ASSERT_EQ(file.size(), recorded);
    const auto spans = Spans(file);
    ASSERT_EQ(spans.size(), 2u) << "one span before the pause, one after it";
    EXPECT_EQ(spans[0].second - spans[0].first, first);
    EXPECT_GE(spans[0].first, kBlock * 5) << "the blocks while Ready are not in the file";
    EXPECT_GT(spans[1].first, spans[0].second + kBlock * 5) << "the paused blocks are not in the file";
    EXPECT_EQ(spans[0].second - spans[0].first + spans[1].second - spans[1].first, recorded);
    EXPECT_EQ(session.GetLostSeconds(), 0.0);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

// Volume and balance of the effects source, frame by frame: at volume 50 % a balance of 100 %
// silences the left channel and halves the right, 0 % the mirror image, 50 % halves both; the
// block the device gave is changed in place, as the file is.
TEST(CRecordingSession, VolumeAndBalanceOfTheSourceShapeTheVoice)
{
    struct Case
    {
        const char* name;
        double balance;
        float left;
        float right;
    };
    const Case cases[] = {
        {"balance right", 100.0, 0.0f, 0.5f},
        {"balance left", 0.0, 0.5f, 0.0f},
        {"centre", 50.0, 0.5f, 0.5f},
        {"three quarters right", 75.0, 0.25f, 0.5f},
    };
    const COptions options = FloatWav();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
        segment->m_volume.SetValue(50.0);
        segment->m_balance.SetValue(c.balance);
        CRecordingSession session;
        ASSERT_TRUE(session.Open(&options, 60.0, segment.get(), CRecordingSession::DeviceMode::None));
        const QString path = vtest::MediaPath(QStringLiteral("balance.wav"));
        ASSERT_TRUE(session.CreateFile(path));
        auto block = Constant(kBlock, 1.0f, 1.0f);
        ASSERT_EQ(session.ProcessBlock(block.data(), kBlock), 1);
        EXPECT_FLOAT_EQ(block[7].left, c.left);
        EXPECT_FLOAT_EQ(block[7].right, c.right);
        session.Close();
        const auto file = ReadFrames(path);
        ASSERT_EQ(file.size(), kBlock);
        EXPECT_FLOAT_EQ(file[kBlock - 1].left, c.left);
        EXPECT_FLOAT_EQ(file[kBlock - 1].right, c.right);
    }
}

// The time of a live recording's graphs is recorded frames / total frames, a real division: a
// volume graph from 0 to 100 % over the session reads about 50 % half-way through it.
TEST(CRecordingSession, GraphsFollowTheRecordedFraction)
{
    const COptions options = FloatWav();
    auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
    segment->m_balance.SetValue(50.0);
    CGraph ramp; // (0, 0) to (1, 1)
    ramp.MovePoint(1, 1.0, 1.0);
    segment->m_volume.SetGraph(ramp);
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 2.0, segment.get(), CRecordingSession::DeviceMode::None));
    ASSERT_TRUE(session.CreateFile(vtest::MediaPath(QStringLiteral("graph.wav"))));
    std::vector<CStereoFrame> block;
    for (int i = 0; i <= 100; ++i) // the 101st block starts at frame 44100 of 88200
    {
        block = Constant(kBlock, 1.0f, 1.0f);
        ASSERT_EQ(session.ProcessBlock(block.data(), kBlock), 1);
    }
    EXPECT_NEAR(block[0].left, segment->m_volume.PeekValueAt(0.5) / 100.0, 1e-6);
    EXPECT_GT(block[0].left, 0.1f) << "half-way through the session, not at its start";
    session.Close();
}

// The session's audio in a live recording (no engine clock: taken as it comes): queued frames
// are added sample by sample, a partly filled queue adds only its frames, an empty queue leaves
// the voice alone. The monitor plays the processed voice without the session, and nothing when
// monitoring is off.
TEST(CRecordingSession, LiveMixAddsTheQueuedSessionFrames)
{
    const COptions options = FloatWav();
    vtest::NullDeviceCapture played;
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 60.0, nullptr, CRecordingSession::DeviceMode::None));
    session.SetLive(true);
    session.SetMonitor(true);
    const QString path = vtest::MediaPath(QStringLiteral("live-mix.wav"));
    ASSERT_TRUE(session.CreateFile(path));

    std::vector<CStereoFrame> session1(kBlock);
    for (std::uint32_t i = 0; i < kBlock; ++i)
        session1[i] = {0.001f * float(i), -0.002f * float(i)};
    ASSERT_TRUE(session.PushSessionFrames(session1.data(), kBlock));
    auto voice = Constant(kBlock, 0.25f, 0.125f);
    ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1); // a full queue
    ASSERT_TRUE(session.PushSessionFrames(session1.data(), 100));
    voice = Constant(kBlock, 0.25f, 0.125f);
    ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1); // 100 frames queued
    voice = Constant(kBlock, 0.25f, 0.125f);
    ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1); // none queued
    ASSERT_TRUE(played.WaitForFrames(3 * kBlock));
    session.SetMonitor(false);
    voice = Constant(kBlock, 0.25f, 0.125f);
    ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1);
    session.Close();

    const auto file = ReadFrames(path);
    ASSERT_EQ(file.size(), 4 * kBlock);
    for (std::uint32_t i = 0; i < kBlock; ++i)
    {
        ASSERT_FLOAT_EQ(file[i].left, 0.25f + session1[i].left) << i;
        ASSERT_FLOAT_EQ(file[i].right, 0.125f + session1[i].right) << i;
        const CStereoFrame partial = i < 100
                                         ? CStereoFrame{0.25f + session1[i].left, 0.125f + session1[i].right}
                                         : CStereoFrame{0.25f, 0.125f};
        ASSERT_FLOAT_EQ(file[kBlock + i].left, partial.left) << i;
        ASSERT_FLOAT_EQ(file[kBlock + i].right, partial.right) << i;
        ASSERT_FLOAT_EQ(file[2 * kBlock + i].left, 0.25f) << i;
    }
    const auto monitor = played.Samples();
    std::size_t voiceFrames = 0;
    for (std::size_t i = 0; i + 1 < monitor.size(); i += 2)
    {
        if (monitor[i] == 0.0f && monitor[i + 1] == 0.0f)
            continue; // the silence before the first block
        ASSERT_FLOAT_EQ(monitor[i], 0.25f) << "the voice alone, without the session";
        ASSERT_FLOAT_EQ(monitor[i + 1], 0.125f);
        ++voiceFrames;
    }
    EXPECT_EQ(voiceFrames, 3 * kBlock) << "the block after monitoring went off is not played";
}

// Without a live source of monitoring nothing reaches the monitor (a plain recording, or the
// live-playback option off).
TEST(CRecordingSession, NothingIsMonitoredWhenMonitoringIsOff)
{
    const COptions options = FloatWav();
    vtest::NullDeviceCapture played;
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 0.0, nullptr, CRecordingSession::DeviceMode::None));
    session.SetLive(true);
    ASSERT_TRUE(session.CreateFile(vtest::MediaPath(QStringLiteral("unmonitored.wav"))));
    for (int i = 0; i < 20; ++i)
    {
        auto voice = Constant(kBlock, 0.5f, 0.5f);
        ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (float v : played.Samples())
        ASSERT_EQ(v, 0.0f);
    session.Close();
}

// A live recording lines the session up with the voice as the speaker heard it. The engine plays
// a step (silence, then a constant) from session frame 44100 on the paced null device; the
// microphone steps up at the moment the device plays that frame, by the device's own count of
// what it has played. In the file both steps lie within 10 ms of each other, although the engine
// hands its blocks over some 300 ms before they are played.
TEST(CRecordingSession, LiveSessionAudioLinesUpWithWhatWasHeard)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    CRecorder::SetStartLevel(1.0);
    const double sessionSeconds = 3.0;
    constexpr std::uint64_t kStepFrame = kRate; // the segment starts a third into 3 s
    vtest::ProbeSession engineSession(kRate, 3);
    const std::int32_t track = engineSession.AddTrack();
    engineSession.AddSegment(track, 1.0 / 3.0, 1.0);
    engineSession.scripts[track]->signal = vtest::ProbeSound::Script::kDc;
    engineSession.scripts[track]->amplitude = 0.5;
    CMixer mixer;
    mixer.SetSoundFactory([&](std::int32_t)
                          { return std::make_unique<vtest::ProbeSound>(engineSession.scripts[0]); });

    // The microphone's block ends where the device's count stands when it is recorded; the
    // listener is on average half a device period (441 frames) past that count.
    std::atomic<bool> playing{false};
    std::atomic<bool> stepped{false};
    plat::AudioSystem::SetNullInputSource(
        [&](float* frames, std::uint32_t count)
        {
            std::uint32_t from = count;
            if (stepped)
                from = 0;
            else if (playing)
            {
                const auto heard = static_cast<std::int64_t>(mixer.GetHeardFrame());
                const std::int64_t at = std::int64_t{kStepFrame} - (heard - count) - 220;
                if (at < count)
                {
                    from = static_cast<std::uint32_t>(std::max<std::int64_t>(at, 0));
                    stepped = true;
                }
            }
            for (std::uint32_t i = from; i < count; ++i)
                frames[2 * i] = frames[2 * i + 1] = 0.25f;
        });

    vtest::MessageLog messages;
    const COptions options = FloatWav();
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, sessionSeconds, nullptr));
    session.SetLive(true);
    const QString path = vtest::MediaPath(QStringLiteral("live-aligned.wav"));
    ASSERT_TRUE(session.CreateFile(path));
    ASSERT_TRUE(mixer.Play(engineSession.params, &session));
    playing = true;
    ASSERT_TRUE(vtest::WaitUntil([&] { return stepped.load(); }, 20.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The source is taken away first (this waits for a call in progress): it reads the engine.
    playing = false;
    plat::AudioSystem::SetNullInputSource([](float* frames, std::uint32_t count)
                                          { std::fill(frames, frames + 2 * count, 0.25f); });
    mixer.Stop();
    ASSERT_TRUE(session.StopRecording());
    session.Close();
    plat::AudioSystem::SetNullInputSource({});

    const auto file = ReadFrames(path);
    std::optional<std::size_t> voiceAt;
    std::optional<std::size_t> sessionAt;
    for (std::size_t i = 0; i < file.size(); ++i)
    {
        // 0.25 the voice alone, 0.5 the session alone, 0.75 both.
        if (!voiceAt && std::abs(file[i].left - 0.25f) < 0.01f)
            voiceAt = i;
        if (!voiceAt && !sessionAt && std::abs(file[i].left - 0.5f) < 0.01f)
            sessionAt = i;
        if (std::abs(file[i].left - 0.75f) < 0.01f)
        {
            if (!voiceAt)
                voiceAt = i;
            if (!sessionAt)
                sessionAt = i;
            break;
        }
    }
    ASSERT_TRUE(voiceAt && sessionAt) << "both steps are in the file";
    // Both clocks advance a device period (10 ms) at a time, so the microphone's reading and the
    // recorder's may lie a period apart; half a period is rounded to the frame.
    const auto offset = static_cast<std::int64_t>(*sessionAt) - static_cast<std::int64_t>(*voiceAt);
    RecordProperty("offset_frames", std::to_string(offset));
    EXPECT_LE(std::abs(offset), std::int64_t{kBlock} + 1)
        << "within 10 ms: session step " << *sessionAt << ", voice step " << *voiceAt;
    EXPECT_GT(*voiceAt, kRate / 2) << "the session starts after the file does";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
}

// Stopping while another thread runs the callback without pause: once StopRecording returns no
// frame reaches the file, which holds exactly the frames counted as recorded (run under tsan).
TEST(CRecordingSession, StopWhileTheCallbackRunsWritesNothingAfterTheEnd)
{
    const COptions options = FloatWav();
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 0.0, nullptr, CRecordingSession::DeviceMode::None));
    std::atomic<bool> quit{false};
    std::thread device(
        [&]
        {
            auto block = Constant(kBlock, 0.1f, 0.1f);
            while (!quit.load())
                session.ProcessBlock(block.data(), kBlock);
        });
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        const QString path = vtest::MediaPath(QStringLiteral("stress.wav"));
        ASSERT_TRUE(session.CreateFile(path));
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));
        ASSERT_TRUE(session.StopRecording());
        const std::uint64_t recorded = session.GetRecordedFrames();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(session.GetRecordedFrames(), recorded);
        EXPECT_EQ(ReadFrames(path).size(), recorded);
    }
    quit = true;
    device.join();
    session.Close();
}

// A failed write stops the device's calls (0) and is reported once to whoever asks on the UI
// thread; the encoder has said what went wrong.
TEST(CRecordingSession, AFailedWriteIsReportedOnce)
{
    vtest::MessageLog messages;
    vtest::FakePrograms fakes;
    fakes.Add(QStringLiteral("lame"), QStringLiteral("/bin/sleep 0.2"));
    COptions options;
    options.m_exportFormatType = COptions::kFormatMp3;
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 0.0, nullptr, CRecordingSession::DeviceMode::None));
    ASSERT_TRUE(session.CreateFile(fakes.Folder() + QStringLiteral("/dead.mp3")));
    EXPECT_FALSE(session.TakeWriteFailure());
    auto block = Constant(kBlock, 0.1f, 0.1f);
    int result = 1;
    for (int i = 0; i < 3000 && result == 1; ++i)
        result = session.ProcessBlock(block.data(), kBlock);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(session.TakeWriteFailure());
    EXPECT_FALSE(session.TakeWriteFailure()) << "once";
    EXPECT_TRUE(messages.Contains(QStringLiteral("Failed to write to the encoder.")));
    session.Close();
}

// A file that cannot be created leaves the session open and not recording, and says nothing: the
// recorder says it once, naming the folder (the encoder's own message came on top of it).
TEST(CRecordingSession, AFileThatCannotBeCreatedRecordsNothing)
{
    vtest::MessageLog messages;
    const COptions options = FloatWav();
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 0.0, nullptr, CRecordingSession::DeviceMode::None));
    EXPECT_FALSE(session.CreateFile(vtest::MediaPath(QStringLiteral("no-such-folder/x.wav"))));
    EXPECT_FALSE(session.IsRecording());
    auto block = Constant(kBlock, 0.1f, 0.1f);
    EXPECT_EQ(session.ProcessBlock(block.data(), kBlock), 1);
    EXPECT_EQ(session.GetRecordedFrames(), 0u);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

// An effects chain that cannot start fails Open with its message, and leaves nothing open.
TEST(CRecordingSession, EffectsThatCannotStartFailTheOpen)
{
    class FailingEffects : public CEffectsProcessor
    {
    public:
        bool Init(int, bool, bool, bool, bool) override { return false; }
    };
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    vtest::MessageLog messages;
    const COptions options = FloatWav();
    auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
    CRecordingSession session;
    session.SetEffectsProcessor(std::make_unique<FailingEffects>());
    EXPECT_FALSE(session.Open(&options, 10.0, segment.get()));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_LT(session.GetLevel(), 0.0) << "the device was freed";
    EXPECT_EQ(messages.Texts(),
              QStringList{QStringLiteral("Failed to initialize the live recording effects.")});
}

// After preparation the callback allocates nothing: live, all four effects, a graph, a walk, the
// session mix, the monitor and the file.
TEST(CRecordingSession, TheCallbackAllocatesNothing)
{
    // No capture of what is played: its copies would count as allocations.
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    const COptions options = FloatWav();
    auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
    for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
    {
        segment->m_effects.m_switch[e] = true;
        segment->m_effects.m_level[e].SetValue(40.0);
    }
    segment->m_volume.SetValue(80.0);
    segment->m_balance.SetMode(CSmartProperty::kModeAutoGraph);
    CRecordingSession session;
    ASSERT_TRUE(session.Open(&options, 60.0, segment.get(), CRecordingSession::DeviceMode::None));
    session.SetLive(true);
    session.SetMonitor(true);
    ASSERT_TRUE(session.CreateFile(vtest::MediaPath(QStringLiteral("no-allocation.wav"))));
    auto music = Constant(kBlock, 0.2f, 0.1f);
    auto voice = Constant(kBlock, 0.1f, 0.1f);
    ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1); // the file's first write
    std::uint64_t allocations = 0;
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_TRUE(session.PushSessionFrames(music.data(), kBlock));
        voice = Constant(kBlock, 0.1f, 0.1f);
        vtest::AllocationScope scope;
        ASSERT_EQ(session.ProcessBlock(voice.data(), kBlock), 1);
        allocations += scope.Count();
    }
    EXPECT_EQ(allocations, 0u);
    session.Close();
}
