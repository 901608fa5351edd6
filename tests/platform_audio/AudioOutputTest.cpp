#include "platform/audio/AudioOutput.h"
#include "platform/AutoResetEvent.h"
#include "platform/audio/AudioSystem.h"

#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class NullOutput : public ::testing::Test
{
protected:
    void Use(plat::NullDeviceMode mode) { plat::AudioSystem::UseNullDevice(mode); }
    void TearDown() override
    {
        plat::AudioSystem::SetNullDeviceMonitor({});
        plat::AudioSystem::SetNullDeviceRate(0);
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    }

    // Waits until @p done holds or @p limit passes; true when it held.
    template <class F> static bool WaitUntil(F done, std::chrono::milliseconds limit = 5000ms)
    {
        const auto until = Clock::now() + limit;
        while (!done() && Clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return done();
    }
};

// Counts frames: frame i is (i, -i), so any lost, repeated or reordered frame shows.
struct CountingProcedure
{
    std::shared_ptr<std::atomic<std::uint32_t>> next = std::make_shared<std::atomic<std::uint32_t>>(0);
    std::uint32_t endAt = 0; // 0: never ends
    std::uint32_t operator()(float* frames, std::uint32_t count) const
    {
        std::uint32_t n = count;
        const std::uint32_t at = next->load();
        if (endAt && at + n >= endAt)
            n = endAt - at;
        for (std::uint32_t i = 0; i < n; ++i)
        {
            frames[2 * i] = static_cast<float>(at + i);
            frames[2 * i + 1] = -static_cast<float>(at + i);
        }
        next->store(at + n);
        return endAt && at + n == endAt ? (n | plat::AudioOutput::kEnd) : n;
    }
};

// The real-time null device stands in for a sound card: it must never play faster than its
// rate (the cursor would run ahead of the sound). Scheduling delays on a loaded machine can
// only make it late, so the lower bound asks no more than that it keeps playing.
TEST_F(NullOutput, RealTimeModeNeverRunsAheadOfItsRate)
{
    Use(plat::NullDeviceMode::RealTime);
    for (unsigned rate : {22050u, 44100u, 96000u})
    {
        SCOPED_TRACE(rate);
        auto out = plat::AudioOutput::CreateWithProcedure(rate, CountingProcedure{});
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->Play());
        // The position moves a device period at a time: measure from one step to another
        // so that the period's granularity does not count as an error.
        // The clock is read on both sides of the position, and the span taken from before the
        // first read to after the last: a thread descheduled between the two reads (a loaded
        // machine) only widens the span, never makes the device look fast.
        struct Step
        {
            std::uint64_t frames;
            Clock::time_point before, after;
        };
        auto nextStep = [&]
        {
            const std::uint64_t now = out->PlayedFrames();
            EXPECT_TRUE(WaitUntil([&] { return out->PlayedFrames() != now; }));
            const auto before = Clock::now();
            const std::uint64_t frames = out->PlayedFrames();
            return Step{frames, before, Clock::now()};
        };
        const Step s0 = nextStep();
        std::this_thread::sleep_for(1500ms);
        const Step s1 = nextStep();
        const double seconds = std::chrono::duration<double>(s1.after - s0.before).count();
        const std::uint64_t f0 = s0.frames, f1 = s1.frames;
        const double played = static_cast<double>(f1 - f0);
        EXPECT_LE(played, seconds * rate * 1.01);
        EXPECT_GE(played, seconds * rate * 0.5);
        EXPECT_EQ(out->Underruns(), 0u);
    }
}

// The free-running null device plays exactly what the procedure gave, frame for frame, and an
// ended stream plays nothing more: this is how tests render offline.
TEST_F(NullOutput, FreeRunPlaysEveryFrameOnceUpToTheEnd)
{
    Use(plat::NullDeviceMode::FreeRun);
    std::mutex m;
    std::vector<float> captured;
    plat::AudioSystem::SetNullDeviceMonitor(
        [&](const float* f, std::uint32_t n)
        {
            std::lock_guard lock(m);
            captured.insert(captured.end(), f, f + 2 * n);
        });
    CountingProcedure proc;
    proc.endAt = 5 * 44100 + 17; // not a whole number of device periods
    auto out = plat::AudioOutput::CreateWithProcedure(44100, proc);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Play());
    ASSERT_TRUE(WaitUntil([&] { return !out->IsActive(); }, 30000ms));
    EXPECT_EQ(out->PlayedFrames(), proc.endAt);
    EXPECT_EQ(out->Underruns(), 0u);
    out.reset();
    std::lock_guard lock(m);
    ASSERT_EQ(captured.size(), 2u * proc.endAt);
    for (std::uint32_t i = 0; i < proc.endAt; ++i)
        if (captured[2 * i] != static_cast<float>(i) || captured[2 * i + 1] != -static_cast<float>(i))
            FAIL() << "frame " << i << " played as " << captured[2 * i];
}

// A procedure that stalls must not stall the device: it keeps its clock, plays silence and
// counts the periods it found short; the position only counts frames of the stream.
TEST_F(NullOutput, StalledProcedureGivesCountedUnderrunsNotABlockedDevice)
{
    Use(plat::NullDeviceMode::RealTime);
    plat::AutoResetEvent release;
    std::atomic<bool> released{false};
    std::atomic<int> calls{0};
    auto out = plat::AudioOutput::CreateWithProcedure(
        44100,
        [&](float* f, std::uint32_t n) -> std::uint32_t
        {
            if (calls++ > 0 && !released)
                release.Wait(); // the second call hangs until the test lets go
            const std::uint32_t k = std::min<std::uint32_t>(n, 441);
            for (std::uint32_t i = 0; i < 2 * k; ++i)
                f[i] = 0.5f;
            return k;
        });
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Play());
    std::this_thread::sleep_for(400ms);
    const std::uint64_t underruns = out->Underruns();
    EXPECT_GE(underruns, 25u) << "about one per 10 ms period while the procedure hung";
    EXPECT_EQ(out->PlayedFrames(), 441u) << "silence does not move the position";
    EXPECT_EQ(out->GetLevel().left, 0u) << "an underrun plays silence";
    released = true;
    release.Set();
    out.reset(); // must return: the procedure's wait was released
}

// Destroying a stream whose procedure waits on another thread (the engine's hand-off) returns
// once that thread answers, as the engine's stop relies on.
TEST_F(NullOutput, DestroyWaitsForTheProcedureCallInProgress)
{
    Use(plat::NullDeviceMode::RealTime);
    plat::AutoResetEvent request, done;
    std::atomic<bool> stop{false};
    std::thread worker(
        [&]
        {
            for (;;)
            {
                request.Wait();
                if (stop)
                    return;
                std::this_thread::sleep_for(20ms);
                done.Set();
            }
        });
    auto out = plat::AudioOutput::CreateWithProcedure(48000,
                                                      [&](float* f, std::uint32_t n) -> std::uint32_t
                                                      {
                                                          request.Set();
                                                          done.Wait();
                                                          std::fill(f, f + 2 * n, 0.1f);
                                                          return n;
                                                      });
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Play());
    std::this_thread::sleep_for(100ms);
    out.reset();
    stop = true;
    request.Set();
    worker.join();
}

TEST_F(NullOutput, StopHoldsThePositionAndPlayResumes)
{
    Use(plat::NullDeviceMode::RealTime);
    auto out = plat::AudioOutput::CreateWithProcedure(44100, CountingProcedure{});
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Play());
    ASSERT_TRUE(WaitUntil([&] { return out->PlayedFrames() > 4410; }));
    ASSERT_TRUE(out->Stop());
    EXPECT_FALSE(out->IsActive());
    const std::uint64_t held = out->PlayedFrames();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(out->PlayedFrames(), held);
    ASSERT_TRUE(out->Play());
    EXPECT_TRUE(WaitUntil([&] { return out->PlayedFrames() > held + 4410; }));
}

// Levels and spectrum describe what was played, not what was buffered.
TEST_F(NullOutput, LevelsAndSpectrumFollowThePlayedSound)
{
    Use(plat::NullDeviceMode::RealTime);
    const unsigned rate = 44100;
    const double freq = 64.0 * rate / 2048.0; // on bin 64
    auto phase = std::make_shared<std::uint64_t>(0);
    auto out = plat::AudioOutput::CreateWithProcedure(
        rate,
        [=](float* f, std::uint32_t n) -> std::uint32_t
        {
            for (std::uint32_t i = 0; i < n; ++i, ++*phase)
            {
                f[2 * i] = static_cast<float>(0.5 * std::sin(2.0 * 3.141592653589793 * freq * *phase / rate));
                f[2 * i + 1] = f[2 * i] * 0.5f;
            }
            return n;
        });
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetLevel().left, 0u) << "nothing played yet";
    ASSERT_TRUE(out->Play());
    ASSERT_TRUE(WaitUntil([&] { return out->PlayedFrames() > 4096; }));
    const plat::PeakLevel level = out->GetLevel();
    EXPECT_NEAR(level.left, 16384, 200);
    EXPECT_NEAR(level.right, 8192, 100);
    std::vector<float> mag(1024);
    out->GetSpectrum(mag.data());
    EXPECT_EQ(std::max_element(mag.begin(), mag.end()) - mag.begin(), 64);
    // mono = (L + R) / 2 = 0.375 sin: 0.1875 on its bin after the window.
    EXPECT_NEAR(mag[64], 0.1875f, 0.01f);
}

// A sine of @p freq Hz at @p rate with a continuous phase, @p endAt frames long.
struct SineProcedure
{
    unsigned rate = 44100;
    double freq = 1000.0;
    std::uint32_t endAt = 0;
    std::shared_ptr<std::uint32_t> next = std::make_shared<std::uint32_t>(0);
    std::uint32_t operator()(float* frames, std::uint32_t count) const
    {
        const std::uint32_t n = std::min(count, endAt - *next);
        for (std::uint32_t i = 0; i < n; ++i, ++*next)
        {
            frames[2 * i] = static_cast<float>(0.5 * std::sin(2.0 * 3.141592653589793 * freq * *next / rate));
            frames[2 * i + 1] = -frames[2 * i];
        }
        return *next == endAt ? (n | plat::AudioOutput::kEnd) : n;
    }
};

// A device that takes only 48000 Hz still plays a stream made at another rate: the stream
// resamples to the device's rate, keeping the sound's time (no delay, the same pitch) and
// counting its position in the stream's own frames up to the last one.
TEST_F(NullOutput, RefusedRateIsResampledToTheDeviceRate)
{
    Use(plat::NullDeviceMode::FreeRun);
    plat::AudioSystem::SetNullDeviceRate(48000);
    for (unsigned rate : {22050u, 44100u, 96000u})
    {
        SCOPED_TRACE(rate);
        std::mutex m;
        std::vector<float> captured;
        plat::AudioSystem::SetNullDeviceMonitor(
            [&](const float* f, std::uint32_t n)
            {
                std::lock_guard lock(m);
                captured.insert(captured.end(), f, f + 2 * n);
            });
        SineProcedure proc{rate, 1000.0, 2 * rate + 17};
        auto out = plat::AudioOutput::CreateWithProcedure(rate, proc);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Rate(), rate);
        EXPECT_EQ(out->DeviceRate(), 48000u);
        ASSERT_TRUE(out->Play());
        ASSERT_TRUE(WaitUntil([&] { return !out->IsActive(); }, 30000ms));
        EXPECT_EQ(out->PlayedFrames(), proc.endAt);
        EXPECT_EQ(out->Underruns(), 0u);
        out.reset();
        plat::AudioSystem::SetNullDeviceMonitor({});

        const double expected = proc.endAt * 48000.0 / rate;
        ASSERT_NEAR(captured.size() / 2.0, expected, 1.0);
        // Device frame k is the stream's sound at k / 48000 s; the ends carry the filter's
        // ringing against the silence around the stream.
        double worst = 0.0;
        for (std::size_t k = 200; k + 200 < captured.size() / 2; ++k)
        {
            const double want = 0.5 * std::sin(2.0 * 3.141592653589793 * 1000.0 * k / 48000.0);
            worst = std::max({worst, std::abs(captured[2 * k] - want), std::abs(captured[2 * k + 1] + want)});
        }
        EXPECT_LT(worst, 1e-3);
    }
}

// On a paced device the position moves at the stream's rate, and the buffered frames are
// counted in the stream's frames.
TEST_F(NullOutput, ResampledStreamCountsItsOwnFrames)
{
    Use(plat::NullDeviceMode::RealTime);
    plat::AudioSystem::SetNullDeviceRate(48000);
    const unsigned rate = 22050;
    auto out = plat::AudioOutput::CreateWithProcedure(rate, SineProcedure{rate, 440.0, 100 * rate});
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Play());
    EXPECT_LE(out->QueuedFrames(), static_cast<std::uint32_t>(0.31 * rate));
    EXPECT_GE(out->QueuedFrames(), rate / 10) << "the stream buffers before the device starts";
    const auto t0 = Clock::now();
    const std::uint64_t f0 = out->PlayedFrames();
    std::this_thread::sleep_for(1000ms);
    const std::uint64_t f1 = out->PlayedFrames();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    EXPECT_LE(static_cast<double>(f1 - f0), seconds * rate * 1.02 + 480);
    EXPECT_GE(static_cast<double>(f1 - f0), 0.5 * rate);
    EXPECT_EQ(out->LatencyFrames(), 0u);
    EXPECT_EQ(out->Underruns(), 0u);
}

TEST_F(NullOutput, PushStreamPlaysWhatIsPutAndRefusesOverflow)
{
    Use(plat::NullDeviceMode::FreeRun);
    auto out = plat::AudioOutput::CreatePush(8000);
    ASSERT_TRUE(out);
    std::vector<float> block(2 * 800, 0.25f);
    EXPECT_EQ(out->PutData(block.data(), 800), 800);
    EXPECT_EQ(out->PutData(block.data(), 800), 1600);
    EXPECT_EQ(out->QueuedFrames(), 1600u);
    std::vector<float> huge(2 * 8000 * 5, 0.0f);
    EXPECT_EQ(out->PutData(huge.data(), 8000 * 5), -1) << "more than the stream holds";
    EXPECT_EQ(out->QueuedFrames(), 1600u) << "a refused put queues nothing";
    ASSERT_TRUE(out->Play());
    ASSERT_TRUE(WaitUntil([&] { return out->QueuedFrames() == 0; }));
    EXPECT_EQ(out->PlayedFrames(), 1600u);
    auto proc = plat::AudioOutput::CreateWithProcedure(8000, CountingProcedure{});
    ASSERT_TRUE(proc);
    EXPECT_EQ(proc->PutData(block.data(), 1), -1) << "only push streams take data";
}

// A push stream on a device that refuses its rate resamples what is put and counts it in its
// own frames. The filter holds back its last few milliseconds until more is put.
TEST_F(NullOutput, ResampledPushStreamPlaysWhatIsPut)
{
    Use(plat::NullDeviceMode::FreeRun);
    plat::AudioSystem::SetNullDeviceRate(48000);
    std::atomic<std::uint64_t> heard{0};
    plat::AudioSystem::SetNullDeviceMonitor([&](const float*, std::uint32_t n) { heard += n; });
    auto out = plat::AudioOutput::CreatePush(8000);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->DeviceRate(), 48000u);
    std::vector<float> block(2 * 8000, 0.25f);
    EXPECT_GE(out->PutData(block.data(), 8000), 6000);
    std::vector<float> huge(2 * 8000 * 60, 0.0f);
    EXPECT_EQ(out->PutData(huge.data(), 8000 * 60), -1) << "more than the stream holds";
    ASSERT_TRUE(out->Play());
    ASSERT_TRUE(WaitUntil([&] { return out->QueuedFrames() == 0 && out->PlayedFrames() >= 6000; }));
    EXPECT_LE(out->PlayedFrames(), 8000u);
    EXPECT_NEAR(static_cast<double>(heard.load()), out->PlayedFrames() * 6.0, 6.0);
}

// The update thread refills the buffer in large pieces, a few calls a second, not a device
// period at a time: a procedure that takes 40 ms a call (as the engine's hand-off may) keeps the
// device fed, also when the stream resamples.
TEST_F(NullOutput, ProcedureIsAskedForLargePiecesAndMayTakeItsTime)
{
    Use(plat::NullDeviceMode::RealTime);
    for (unsigned deviceRate : {0u, 48000u})
    {
        SCOPED_TRACE(deviceRate);
        plat::AudioSystem::SetNullDeviceRate(deviceRate);
        const unsigned rate = 44100;
        std::atomic<int> calls{0};
        std::atomic<std::uint32_t> smallest{~0u};
        std::atomic<bool> counting{false};
        CountingProcedure counter;
        auto out = plat::AudioOutput::CreateWithProcedure(rate,
                                                          [&](float* f, std::uint32_t n) -> std::uint32_t
                                                          {
                                                              if (counting)
                                                              {
                                                                  ++calls;
                                                                  smallest = std::min(smallest.load(), n);
                                                              }
                                                              std::this_thread::sleep_for(40ms);
                                                              return counter(f, n);
                                                          });
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->Play());
        ASSERT_TRUE(WaitUntil([&] { return out->PlayedFrames() > rate / 10; }));
        counting = true;
        std::this_thread::sleep_for(1500ms);
        counting = false;
        EXPECT_EQ(out->Underruns(), 0u);
        // 1.5 s in pieces of about 100 ms is some fifteen calls; a call a period would be 150.
        EXPECT_GE(calls.load(), 3);
        EXPECT_LE(calls.load(), 30);
        EXPECT_GE(smallest.load(), rate / 20) << "every call asks for at least 50 ms";
    }
}

// Once playing, the stream's threads (update, device clock) and the read-outs polled from
// another thread allocate nothing: the buffers are all made before the stream starts.
TEST_F(NullOutput, SteadyPlaybackAndReadOutsAllocateNothing)
{
    Use(plat::NullDeviceMode::RealTime);
    for (unsigned deviceRate : {0u, 48000u}) // the stream's own rate, and one it resamples to
    {
        SCOPED_TRACE(deviceRate);
        plat::AudioSystem::SetNullDeviceRate(deviceRate);
        auto out = plat::AudioOutput::CreateWithProcedure(44100,
                                                          [](float* f, std::uint32_t n) -> std::uint32_t
                                                          {
                                                              for (std::uint32_t i = 0; i < 2 * n; ++i)
                                                                  f[i] = 0.25f;
                                                              return n;
                                                          });
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->Play());
        ASSERT_TRUE(WaitUntil([&] { return out->PlayedFrames() > 4410; }));
        std::vector<float> mag(1024);
        const vtest::AllocationScope scope;
        for (int i = 0; i < 40; ++i)
        {
            std::this_thread::sleep_for(5ms);
            out->GetLevel();
            out->GetSpectrum(mag.data());
            out->PlayedFrames();
        }
        EXPECT_EQ(scope.Count(), 0u);
        EXPECT_EQ(out->Underruns(), 0u);
    }
}

} // namespace
