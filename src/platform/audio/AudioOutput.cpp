#include "platform/audio/AudioOutput.h"

#include "platform/audio/AudioSystemDetail.h"
#include "platform/audio/DenormalGuard.h"
#include "platform/audio/Drivers.h"
#include "platform/audio/FrameFifo.h"
#include "platform/audio/PlayedHistory.h"
#include "platform/audio/Spectrum.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <condition_variable>
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

constexpr double kBufferSeconds = 0.3;     // what the update thread keeps buffered
constexpr double kPushSeconds = 4.0;       // room of a push stream
constexpr auto kUpdatePeriod = 5ms;        // how often the update thread looks at the buffer
constexpr auto kPrebufferWait = 300ms;     // Play waits this long at most for the first fill
constexpr auto kFirstCallbackWait = 500ms; // a device silent for this long has failed

} // namespace

struct AudioOutput::Impl : detail::OutputClient
{
    Impl(unsigned r, Procedure p, bool push)
        : rate(r), procedure(std::move(p)), isPush(push),
          target(std::max<std::uint32_t>(1, static_cast<std::uint32_t>(r * kBufferSeconds))),
          fifo(push ? static_cast<std::uint32_t>(r * kPushSeconds) : target), history(r)
    {
        if (!isPush)
            scratch.assign(static_cast<std::size_t>(target) * 2, 0.0f);
    }

    ~Impl() override
    {
        if (Active())
            Active()->Stop();
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        if (updater.joinable())
            updater.join();
        fallback.reset();
        driver.reset();
        detail::AddLoad(-lastLoad);
        detail::StreamClosed();
    }

    bool OpenDriver()
    {
        const detail::OutputTarget t = detail::CurrentOutput();
        onNull = t.null;
        if (!t.null)
            driver = detail::OpenPortAudioOutput(t.paDevice, rate, *this);
        else
            driver = detail::OpenNullOutput(rate, t.mode, *this);
        if (!driver)
            return false;
        active.store(driver.get(), std::memory_order_release);
        detail::StreamOpened();
        return true;
    }

    detail::Driver* Active() const { return active.load(std::memory_order_acquire); }

    // The device failed: play on the null device from now on. The failed driver stays
    // (stopped) until the stream closes, as other threads may still hold its pointer.
    void SwitchToNull()
    {
        driver->Stop();
        fallback = detail::OpenNullOutput(rate, NullDeviceMode::RealTime, *this);
        onNull = true;
        active.store(fallback.get(), std::memory_order_release);
        Active()->Start();
        deviceStarted = true;
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
        played.fetch_add(got, std::memory_order_relaxed);
    }
    std::uint32_t ReadyFrames() const noexcept override
    {
        return playing.load(std::memory_order_acquire) ? fifo.Available() : 0;
    }
    void CallbackSeen() noexcept override { callbacks.fetch_add(1, std::memory_order_relaxed); }

    // --- stream-update thread ---
    void Update()
    {
        DenormalGuard denormals;
        std::unique_lock lock(mutex);
        while (!quit)
        {
            bool more = false;
            if (playing.load(std::memory_order_relaxed) && !ended.load(std::memory_order_relaxed))
            {
                const std::uint32_t fill = fifo.Available();
                if (fill < target)
                {
                    const std::uint32_t want = std::min(target - fill, fifo.Space());
                    lock.unlock();
                    const auto t0 = Clock::now();
                    const std::uint32_t result = procedure(scratch.data(), want);
                    const auto t1 = Clock::now();
                    const std::uint32_t frames = std::min(result & ~kEnd, want);
                    fifo.Write(scratch.data(), frames);
                    if (result & kEnd)
                        ended.store(true, std::memory_order_release);
                    if (frames > 0)
                    {
                        const double busy = std::chrono::duration<double>(t1 - t0).count();
                        const double load = std::min(1.0, busy * rate / frames);
                        const double smoothed = lastLoad + 0.2 * (load - lastLoad);
                        detail::AddLoad(smoothed - lastLoad);
                        lastLoad = smoothed;
                    }
                    Active()->DataWritten();
                    lock.lock();
                    more = frames > 0 && !(result & kEnd);
                }
            }
            if (!more)
                wake.wait_for(lock, kUpdatePeriod);
        }
    }

    const unsigned rate;
    const Procedure procedure;
    const bool isPush;
    const std::uint32_t target;
    FrameFifo fifo;
    PlayedHistory history;
    std::vector<float> scratch;
    std::unique_ptr<detail::Driver> driver;
    std::unique_ptr<detail::Driver> fallback;
    std::atomic<detail::Driver*> active{nullptr};
    std::atomic<bool> onNull{true};
    bool deviceStarted = false;
    double lastLoad = 0.0; // update thread, then the destructor after the join

    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    std::thread updater;

    std::atomic<bool> playing{false};
    std::atomic<bool> ended{false};
    std::atomic<std::uint64_t> played{0};
    std::atomic<std::uint64_t> underruns{0};
    std::atomic<std::uint64_t> callbacks{0};

    mutable std::mutex spectrumMutex;
    mutable Spectrum spectrum;
};

AudioOutput::AudioOutput(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
AudioOutput::~AudioOutput() = default;

std::unique_ptr<AudioOutput> AudioOutput::CreateWithProcedure(unsigned rate, Procedure procedure)
{
    if (rate == 0 || !procedure)
        return nullptr;
    auto impl = std::make_unique<Impl>(rate, std::move(procedure), false);
    if (!impl->OpenDriver())
        return nullptr;
    Impl* raw = impl.get();
    impl->updater = std::thread([raw] { raw->Update(); });
    return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(impl)));
}

std::unique_ptr<AudioOutput> AudioOutput::CreatePush(unsigned rate)
{
    if (rate == 0)
        return nullptr;
    auto impl = std::make_unique<Impl>(rate, Procedure{}, true);
    if (!impl->OpenDriver())
        return nullptr;
    return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(impl)));
}

bool AudioOutput::Play()
{
    Impl& d = *m_impl;
    if (d.playing.load() && d.deviceStarted)
        return true;
    d.playing.store(true, std::memory_order_release);
    if (!d.isPush)
    {
        d.wake.notify_all();
        const auto until = Clock::now() + kPrebufferWait;
        const std::uint32_t enough = std::min(d.target, d.rate / 10);
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
    return d.playing.load(std::memory_order_acquire) &&
           !(d.ended.load(std::memory_order_acquire) && d.fifo.Available() == 0);
}

std::int64_t AudioOutput::PutData(const float* frames, std::uint32_t count)
{
    Impl& d = *m_impl;
    if (!d.isPush || d.fifo.Space() < count)
        return -1;
    d.fifo.Write(frames, count);
    d.Active()->DataWritten();
    return d.fifo.Available();
}

std::uint32_t AudioOutput::QueuedFrames() const
{
    return m_impl->fifo.Available();
}
std::uint64_t AudioOutput::PlayedFrames() const
{
    return m_impl->played.load(std::memory_order_relaxed);
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
