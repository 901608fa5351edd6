#include "platform/audio/AudioInput.h"

#include "platform/audio/AudioSystemDetail.h"
#include "platform/audio/DenormalGuard.h"
#include "platform/audio/Drivers.h"
#include "platform/audio/FrameFifo.h"
#include "platform/audio/PlayedHistory.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace plat
{

struct AudioInput::Impl : detail::InputClient
{
    Impl(unsigned r, Callback cb)
        : rate(r), period(detail::NullPeriodFrames(r)), callback(std::move(cb)), fifo(r), history(r),
          block(static_cast<std::size_t>(period) * 2, 0.0f)
    {
    }

    ~Impl() override
    {
        if (driver)
            driver->Stop();
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        if (reader.joinable())
            reader.join();
        if (driver)
        {
            driver.reset();
            detail::StreamClosed();
        }
    }

    // --- device thread ---
    void Captured(const float* frames, std::uint32_t count) noexcept override
    {
        callbacks.fetch_add(1, std::memory_order_relaxed);
        const std::uint32_t n = fifo.Write(frames, count);
        if (n < count)
            dropped.fetch_add(count - n, std::memory_order_relaxed);
    }

    // --- recording thread ---
    void Read()
    {
        DenormalGuard denormals;
        bool calling = true;
        std::unique_lock lock(mutex);
        while (!quit)
        {
            if (fifo.Available() < period)
            {
                wake.wait_for(lock, std::chrono::milliseconds(2));
                continue;
            }
            lock.unlock();
            fifo.Read(block.data(), period);
            const float gain = volume.load(std::memory_order_relaxed);
            if (gain != 1.0f)
                for (float& v : block)
                    v *= gain;
            history.Push(block.data(), period);
            if (calling)
                calling = callback(block.data(), period);
            lock.lock();
        }
    }

    const unsigned rate;
    const std::uint32_t period;
    const Callback callback;
    FrameFifo fifo; // one second
    PlayedHistory history;
    std::vector<float> block;
    std::unique_ptr<detail::Driver> driver;
    int inUse = -1;

    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    std::thread reader;
    std::atomic<float> volume{1.0f};
    std::atomic<std::uint64_t> dropped{0};
    std::atomic<std::uint64_t> callbacks{0};
};

AudioInput::AudioInput(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
AudioInput::~AudioInput() = default;

std::unique_ptr<AudioInput> AudioInput::Start(int device, unsigned rate, Callback callback, Failure* failure)
{
    auto fail = [failure](Failure f)
    {
        if (failure)
            *failure = f;
        return nullptr;
    };
    if (failure)
        *failure = Failure::None;
    const detail::InputTarget t = detail::ResolveInput(device);
    if (!t.ok || rate == 0 || !callback)
        return fail(Failure::Init);
    if (t.inUse < 0)
        return fail(Failure::Device);
    auto impl = std::make_unique<Impl>(rate, std::move(callback));
    impl->inUse = t.inUse;
    impl->driver = t.null ? detail::OpenNullInput(rate, t.mode, *impl)
                          : detail::OpenPortAudioInput(t.paDevice, t.channels, rate, *impl);
    if (!impl->driver)
        return fail(Failure::Start);
    detail::StreamOpened();
    Impl* raw = impl.get();
    impl->reader = std::thread([raw] { raw->Read(); });
    if (!impl->driver->Start())
        return fail(Failure::Start);
    if (!t.null)
    {
        // A device that opens and then never delivers (the pitfall of ALSA's "default" under
        // PipeWire) is a failure to start, not a silent recording.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (impl->callbacks.load() == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (impl->callbacks.load() == 0)
            return fail(Failure::Start);
    }
    return std::unique_ptr<AudioInput>(new AudioInput(std::move(impl)));
}

int AudioInput::DeviceInUse() const
{
    return m_impl->inUse;
}

bool AudioInput::SetVolume(double volume)
{
    if (!(volume >= 0.0 && volume <= 1.0))
        return false;
    m_impl->volume.store(static_cast<float>(volume), std::memory_order_relaxed);
    return true;
}

PeakLevel AudioInput::GetLevel() const
{
    return m_impl->history.Level();
}
std::uint64_t AudioInput::DroppedFrames() const
{
    return m_impl->dropped.load(std::memory_order_relaxed);
}

std::uint32_t AudioInput::QueuedFrames() const
{
    return m_impl->fifo.Available();
}

} // namespace plat
