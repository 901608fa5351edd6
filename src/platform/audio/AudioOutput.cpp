#include "platform/audio/AudioOutput.h"

#include "platform/audio/AudioSystemDetail.h"
#include "platform/audio/DenormalGuard.h"
#include "platform/audio/Drivers.h"
#include "platform/audio/FrameFifo.h"
#include "platform/audio/PlayedHistory.h"
#include "platform/audio/Resampler.h"
#include "platform/audio/Spectrum.h"
#include "platform/audio/WakeCount.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace plat
{
namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kBufferSeconds = 0.3; // what the update thread keeps buffered at most
constexpr double kPushSeconds = 4.0;   // room of a push stream
constexpr auto kRetryPeriod = 5ms;     // a procedure that had nothing is asked again after this
constexpr auto kRefillSlack = 50ms;    // the update thread's own deadline past the expected wake-up
// How much faster than the system's clock a device may play before the stream's refill is held
// to the clock: ten times what a sound card's crystal is off at worst (about 1e-4).
constexpr double kClockTolerance = 1e-3;
constexpr auto kPrebufferWait = 300ms;             // Play waits this long at most for the first fill
constexpr auto kFirstCallbackWait = 500ms;         // a device silent for this long has failed
constexpr std::uint32_t kPushConvertFrames = 4096; // a push stream's resampling step
constexpr std::uint32_t kFilterSlack = 1024;       // frames the resampler may hold back and release

} // namespace

struct AudioOutput::Impl : detail::OutputClient
{
    Impl(unsigned r, unsigned dr, Procedure p, bool push)
        : rate(r), deviceRate(dr), procedure(std::move(p)), isPush(push), resampling(r != dr),
          target(std::max<std::uint32_t>(1, static_cast<std::uint32_t>(dr * kBufferSeconds))),
          refillAt(target - target / 3), fifo(push ? static_cast<std::uint32_t>(dr * kPushSeconds) : target),
          history(dr)
    {
        if (!isPush)
        {
            scratchFrames = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(r * kBufferSeconds));
            scratch.assign(static_cast<std::size_t>(scratchFrames) * 2, 0.0f);
        }
        if (resampling)
        {
            convertedFrames = isPush ? kPushConvertFrames : target;
            converted.assign(static_cast<std::size_t>(convertedFrames) * 2, 0.0f);
        }
    }

    ~Impl() override
    {
        if (Active())
            Active()->Stop();
        quit.store(true, std::memory_order_release);
        wakeup.Raise();
        if (updater.joinable())
            updater.join();
        fallback.reset();
        driver.reset();
        if (opened)
        {
            detail::AddLoad(-lastLoad);
            detail::StreamClosed();
        }
    }

    bool Open(const detail::OutputTarget& t)
    {
        if (resampling && !resampler.Open(rate, deviceRate, kChannels))
            return false;
        onNull = t.null;
        clockPaced = !(t.null && t.mode == NullDeviceMode::FreeRun);
        if (!t.null)
            driver = detail::OpenPortAudioOutput(t.paDevice, deviceRate, *this);
        else
            driver = detail::OpenNullOutput(deviceRate, t.mode, *this);
        if (!driver)
            return false;
        active.store(driver.get(), std::memory_order_release);
        detail::StreamOpened();
        opened = true;
        return true;
    }

    detail::Driver* Active() const { return active.load(std::memory_order_acquire); }

    // The device failed: play on the null device from now on. The failed driver stays
    // (stopped) until the stream closes, as other threads may still hold its pointer.
    void SwitchToNull()
    {
        driver->Stop();
        fallback = detail::OpenNullOutput(deviceRate, NullDeviceMode::RealTime, *this);
        onNull = true;
        active.store(fallback.get(), std::memory_order_release);
        Active()->Start();
        deviceStarted = true;
    }

    // Device frames to the stream's frames, to the nearest.
    std::uint64_t ToStreamFrames(std::uint64_t deviceFrames) const
    {
        return resampling ? (deviceFrames * rate + deviceRate / 2) / deviceRate : deviceFrames;
    }

    // --- device thread ---
    void Render(float* out, std::uint32_t frames) noexcept override
    {
        const std::uint32_t got = fifo.Read(out, frames);
        if (got < frames)
        {
            std::memset(out + static_cast<std::size_t>(got) * 2, 0, (frames - got) * 2 * sizeof(float));
            if (!ended.load(std::memory_order_acquire))
                underruns.fetch_add(1, std::memory_order_relaxed);
        }
        history.Push(out, frames);
        played.fetch_add(got, std::memory_order_release);
        // The update thread sleeps until the buffer has fallen to refillAt; the first period
        // that finds it there wakes it, once.
        if (!isPush && fifo.Available() <= refillAt && !refillAsked.exchange(true, std::memory_order_seq_cst))
            wakeup.Raise();
    }
    std::uint32_t ReadyFrames() const noexcept override
    {
        return playing.load(std::memory_order_acquire) ? fifo.Available() : 0;
    }
    void CallbackSeen() noexcept override { callbacks.fetch_add(1, std::memory_order_relaxed); }

    // --- stream-update thread ---
    // Sleeps while the buffer holds more than two thirds of what it keeps, then fills it up
    // again in one call of the procedure (or a few, when the procedure gives less than asked):
    // some ten calls a second rather than one a device period, with 200 ms left to play while
    // the procedure works. The device's callback wakes it at refillAt; its own deadline, a
    // little after the time the device should get there, is only a safeguard.
    //
    // The refill is also held to the clock: whatever the device takes, the stream is never
    // written further ahead of real time (counted from Play) than the buffer and the device's
    // latency. A device that does not pace itself (an ALSA null PCM drains every period at
    // once) then plays silence between the pieces instead of pulling the procedure (a
    // session) faster than it plays. Only the free-running null device is let run ahead.
    void Update()
    {
        pthread_setname_np(pthread_self(), "stream-update");
        DenormalGuard denormals;
        while (!quit.load(std::memory_order_acquire))
        {
            const std::uint32_t seen = wakeup.Seen();
            auto until = Clock::time_point::max();
            if (playing.load(std::memory_order_acquire) && !ended.load(std::memory_order_acquire))
            {
                std::uint32_t fill = fifo.Available();
                if (fill > refillAt)
                {
                    // The request is cleared before the buffer is looked at again, so a period
                    // that drains it to refillAt afterwards always wakes the wait below.
                    refillAsked.store(false, std::memory_order_seq_cst);
                    std::atomic_thread_fence(std::memory_order_seq_cst);
                    fill = fifo.Available();
                }
                if (fill <= refillAt)
                {
                    const auto now = Clock::now();
                    const std::uint32_t missing = std::min(target - fill, fifo.Space());
                    const std::uint32_t piece = std::min(missing, target / 3);
                    const std::uint64_t allowed = AllowedFrames(now);
                    if (allowed >= piece)
                    {
                        refillAsked.store(false, std::memory_order_seq_cst);
                        const auto room =
                            static_cast<std::uint32_t>(std::min<std::uint64_t>(missing, allowed));
                        const bool more = resampling ? FillResampled(room) : FillDirect(room);
                        Active()->DataWritten();
                        if (more)
                            continue;
                        if (!ended.load(std::memory_order_acquire))
                            until = Clock::now() + kRetryPeriod;
                    }
                    else
                    {
                        // Ahead of the clock: sleep until a third of the buffer may be written.
                        // The device's requests stay marked as seen, so a device that drains
                        // at once does not wake this wait.
                        until = now + FramesToTime(piece - allowed);
                    }
                }
                else
                    until = Clock::now() + FramesToTime(fill - refillAt) + kRefillSlack;
            }
            wakeup.WaitUntil(seen, until);
        }
    }

    // Device frames the update thread may write now without running ahead of the clock.
    std::uint64_t AllowedFrames(Clock::time_point now) const
    {
        if (!clockPaced)
            return ~std::uint64_t{0};
        Clock::time_point since;
        std::uint64_t playedThen = 0;
        {
            std::lock_guard lock(anchorMutex);
            since = anchorTime;
            playedThen = anchorPlayed;
        }
        const double elapsed = std::max(0.0, std::chrono::duration<double>(now - since).count());
        const auto latency = static_cast<std::uint64_t>(std::lround(Active()->OutputLatency() * deviceRate));
        const std::uint64_t limit =
            playedThen + static_cast<std::uint64_t>(elapsed * deviceRate * (1.0 + kClockTolerance)) + target +
            latency;
        const std::uint64_t done = written.load(std::memory_order_acquire);
        return limit > done ? limit - done : 0;
    }

    Clock::duration FramesToTime(std::uint64_t frames) const
    {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::nanoseconds(frames * 1'000'000'000ull / deviceRate));
    }

    // Calls the procedure for up to @p want frames into the scratch buffer and keeps its
    // share of the load; returns its result with the frame count cut to @p want.
    std::uint32_t CallProcedure(std::uint32_t want)
    {
        const auto t0 = Clock::now();
        const std::uint32_t result = procedure(scratch.data(), want);
        const auto t1 = Clock::now();
        const std::uint32_t frames = std::min(result & ~kEnd, want);
        if (frames > 0)
        {
            const double busy = std::chrono::duration<double>(t1 - t0).count();
            const double load = std::min(1.0, busy * rate / frames);
            const double smoothed = lastLoad + 0.2 * (load - lastLoad);
            detail::AddLoad(smoothed - lastLoad);
            lastLoad = smoothed;
        }
        delivered.fetch_add(frames, std::memory_order_relaxed);
        return frames | (result & kEnd);
    }

    // The stream plays at the device's rate: what the procedure gives goes to the buffer as
    // it is. True when the procedure may have more at once.
    bool FillDirect(std::uint32_t want)
    {
        const std::uint32_t result = CallProcedure(want);
        const std::uint32_t frames = result & ~kEnd;
        fifo.Write(scratch.data(), frames);
        written.fetch_add(frames, std::memory_order_release);
        if (result & kEnd)
            ended.store(true, std::memory_order_release);
        return frames > 0 && !(result & kEnd);
    }

    // The device refused the stream's rate: the procedure's frames pass through the
    // resampler first. A block of the procedure is kept until the resampler has taken all of
    // it; after the procedure's end the filter's rest is drained before the stream ends.
    bool FillResampled(std::uint32_t room)
    {
        if (pendingAt == pendingFrames && !procedureEnded)
        {
            const auto want = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
                (std::uint64_t{room} * rate + deviceRate - 1) / deviceRate, 1, scratchFrames));
            const std::uint32_t result = CallProcedure(want);
            pendingAt = 0;
            pendingFrames = result & ~kEnd;
            procedureEnded = (result & kEnd) != 0;
            if (pendingFrames == 0 && !procedureEnded)
                return false;
        }
        room = std::min(room, convertedFrames);
        std::size_t used = 0;
        const std::ptrdiff_t made =
            pendingAt < pendingFrames
                ? resampler.Process(scratch.data() + std::size_t{pendingAt} * 2, pendingFrames - pendingAt,
                                    used, converted.data(), room)
                : resampler.Drain(converted.data(), room);
        if (made < 0 || (procedureEnded && pendingAt == pendingFrames && made == 0))
        {
            ended.store(true, std::memory_order_release);
            return false;
        }
        pendingAt += static_cast<std::uint32_t>(used);
        fifo.Write(converted.data(), static_cast<std::uint32_t>(made));
        written.fetch_add(static_cast<std::uint64_t>(made), std::memory_order_release);
        return made > 0 || used > 0;
    }

    const unsigned rate;       // the stream's frames (the procedure's, the read-outs')
    const unsigned deviceRate; // the device's frames (the buffer's, the history's)
    const Procedure procedure;
    const bool isPush;
    const bool resampling;
    const std::uint32_t target;   // device frames kept buffered
    const std::uint32_t refillAt; // the update thread fills up when the buffer has fallen to this
    FrameFifo fifo;
    PlayedHistory history;
    std::vector<float> scratch; // the procedure's block
    std::uint32_t scratchFrames = 0;
    std::unique_ptr<detail::Driver> driver;
    std::unique_ptr<detail::Driver> fallback;
    std::atomic<detail::Driver*> active{nullptr};
    std::atomic<bool> onNull{true};
    bool opened = false;
    bool deviceStarted = false;
    double lastLoad = 0.0; // update thread, then the destructor after the join

    // Resampling: the update thread's (or the push producer's) alone.
    Resampler resampler;
    std::vector<float> converted; // device frames on their way to the buffer
    std::uint32_t convertedFrames = 0;
    std::uint32_t pendingAt = 0;     // scratch frames the resampler has taken
    std::uint32_t pendingFrames = 0; // scratch frames the procedure gave
    bool procedureEnded = false;

    detail::WakeCount wakeup;             // raised by the device at refillAt, by Play and on closing
    std::atomic<bool> refillAsked{false}; // the device has raised wakeup since the update thread looked
    std::atomic<bool> quit{false};
    bool clockPaced = true; // false on the free-running null device; set before the update thread starts
    // Where the clock that holds the refill back counts from: the last Play (UI thread), read
    // by the update thread.
    mutable std::mutex anchorMutex;
    Clock::time_point anchorTime{};
    std::uint64_t anchorPlayed = 0; // device frames played at that Play
    std::thread updater;

    std::atomic<bool> playing{false};
    std::atomic<bool> ended{false};
    std::atomic<std::uint64_t> played{0};
    std::atomic<std::uint64_t> underruns{0};
    std::atomic<std::uint64_t> callbacks{0};
    std::atomic<std::uint64_t> delivered{0}; // stream frames the procedure (or PutData) gave
    std::atomic<std::uint64_t> written{0};   // device frames written into the buffer

    mutable std::mutex spectrumMutex;
    mutable Spectrum spectrum;
};

AudioOutput::AudioOutput(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
AudioOutput::~AudioOutput() = default;

namespace
{

// The rate the device plays at: the stream's own when the device takes it, else the device's.
unsigned RateOnDevice(const detail::OutputTarget& t, unsigned rate)
{
    if (t.null)
        return t.nullRate != 0 ? t.nullRate : rate;
    return detail::PortAudioOutputRate(t.paDevice, rate);
}

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::CreateWithProcedure(unsigned rate, Procedure procedure)
{
    if (rate == 0 || !procedure)
        return nullptr;
    const detail::OutputTarget t = detail::CurrentOutput();
    auto impl = std::make_unique<Impl>(rate, RateOnDevice(t, rate), std::move(procedure), false);
    if (!impl->Open(t))
        return nullptr;
    Impl* raw = impl.get();
    impl->updater = std::thread([raw] { raw->Update(); });
    return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(impl)));
}

std::unique_ptr<AudioOutput> AudioOutput::CreatePush(unsigned rate)
{
    if (rate == 0)
        return nullptr;
    const detail::OutputTarget t = detail::CurrentOutput();
    auto impl = std::make_unique<Impl>(rate, RateOnDevice(t, rate), Procedure{}, true);
    if (!impl->Open(t))
        return nullptr;
    return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(impl)));
}

bool AudioOutput::Play()
{
    Impl& d = *m_impl;
    if (d.playing.load() && d.deviceStarted)
        return true;
    {
        std::lock_guard lock(d.anchorMutex);
        d.anchorTime = Clock::now();
        d.anchorPlayed = d.played.load(std::memory_order_acquire);
    }
    d.playing.store(true, std::memory_order_release);
    if (!d.isPush)
    {
        // Pre-roll: the device starts on a full buffer (filled past the point at which the
        // update thread refills), so the first periods cannot find it short.
        d.wakeup.Raise();
        const auto until = Clock::now() + kPrebufferWait;
        const std::uint32_t enough = std::min(d.target, d.refillAt + 1);
        while (Clock::now() < until && d.fifo.Available() < enough && !d.ended.load())
            std::this_thread::sleep_for(1ms);
    }
    const std::uint64_t before = d.callbacks.load();
    if (!d.Active()->Start())
    {
        d.SwitchToNull();
        detail::OutputFailed(QStringLiteral("The audio device could not be started; playback continues "
                                            "without sound."));
        return false;
    }
    d.deviceStarted = true;
    if (!d.onNull)
    {
        const auto until = Clock::now() + kFirstCallbackWait;
        while (Clock::now() < until && d.callbacks.load() == before)
            std::this_thread::sleep_for(2ms);
        if (d.callbacks.load() == before)
        {
            d.SwitchToNull();
            detail::OutputFailed(QStringLiteral("The audio device does not play (no response within 500 ms); "
                                                "playback continues without sound."));
            return false;
        }
    }
    return true;
}

bool AudioOutput::Stop()
{
    Impl& d = *m_impl;
    d.playing.store(false, std::memory_order_release);
    if (d.deviceStarted)
        d.Active()->Stop();
    d.deviceStarted = false;
    return true;
}

bool AudioOutput::IsActive() const
{
    const Impl& d = *m_impl;
    // Ended once the device has counted every frame written: the position read after this
    // turns false is final.
    return d.playing.load(std::memory_order_acquire) &&
           !(d.ended.load(std::memory_order_acquire) &&
             d.played.load(std::memory_order_acquire) >= d.written.load(std::memory_order_acquire));
}

std::int64_t AudioOutput::PutData(const float* frames, std::uint32_t count)
{
    Impl& d = *m_impl;
    if (!d.isPush)
        return -1;
    if (!d.resampling)
    {
        if (d.fifo.Space() < count)
            return -1;
        d.fifo.Write(frames, count);
        d.written.fetch_add(count, std::memory_order_release);
    }
    else
    {
        // Room for the frames at the device's rate and what the filter still holds.
        const std::uint64_t needed =
            (std::uint64_t{count} * d.deviceRate + d.rate - 1) / d.rate + kFilterSlack;
        if (d.fifo.Space() < needed)
            return -1;
        std::uint32_t at = 0;
        while (at < count)
        {
            std::size_t used = 0;
            const std::ptrdiff_t made =
                d.resampler.Process(frames + std::size_t{at} * 2, count - at, used, d.converted.data(),
                                    std::min(d.convertedFrames, d.fifo.Space()));
            if (made < 0)
                return -1;
            d.fifo.Write(d.converted.data(), static_cast<std::uint32_t>(made));
            d.written.fetch_add(static_cast<std::uint64_t>(made), std::memory_order_release);
            at += static_cast<std::uint32_t>(used);
            if (made == 0 && used == 0)
                break;
        }
    }
    d.delivered.fetch_add(count, std::memory_order_relaxed);
    d.Active()->DataWritten();
    return QueuedFrames();
}

std::uint32_t AudioOutput::QueuedFrames() const
{
    return static_cast<std::uint32_t>(m_impl->ToStreamFrames(m_impl->fifo.Available()));
}
std::uint64_t AudioOutput::PlayedFrames() const
{
    const Impl& d = *m_impl;
    const std::uint64_t played = d.played.load(std::memory_order_acquire);
    if (!d.resampling)
        return played;
    // Once the device has played everything of an ended stream, every frame of the stream
    // was heard; before that the device's count stands for the stream's frames.
    const std::uint64_t delivered = d.delivered.load(std::memory_order_relaxed);
    if (d.ended.load(std::memory_order_acquire) && played >= d.written.load(std::memory_order_acquire))
        return delivered;
    return std::min(d.ToStreamFrames(played), delivered);
}
std::uint32_t AudioOutput::LatencyFrames() const
{
    const detail::Driver* driver = m_impl->Active();
    if (driver == nullptr || m_impl->onNull.load(std::memory_order_relaxed))
        return 0;
    return static_cast<std::uint32_t>(std::lround(driver->OutputLatency() * m_impl->rate));
}
PeakLevel AudioOutput::GetLevel() const
{
    return m_impl->history.Level();
}
std::uint64_t AudioOutput::Underruns() const
{
    return m_impl->underruns.load(std::memory_order_relaxed);
}
unsigned AudioOutput::Rate() const
{
    return m_impl->rate;
}
unsigned AudioOutput::DeviceRate() const
{
    return m_impl->deviceRate;
}
bool AudioOutput::OnNullDevice() const
{
    return m_impl->onNull;
}

void AudioOutput::GetSpectrum(float* magnitudes) const
{
    float mono[Spectrum::kSize];
    m_impl->history.RecentMono(mono, Spectrum::kSize);
    std::lock_guard lock(m_impl->spectrumMutex);
    m_impl->spectrum.Compute(mono, magnitudes);
}

} // namespace plat
