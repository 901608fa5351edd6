#include "platform/audio/Drivers.h"

#include "platform/audio/AudioSystemDetail.h"
#include "platform/audio/DenormalGuard.h"
#include "platform/audio/WakeCount.h"

#include <portaudio.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace plat::detail
{
namespace
{

using Clock = std::chrono::steady_clock;

// Sleeps until @p when on the steady clock (CLOCK_MONOTONIC): one absolute sleep, so that a
// wake-up late by a little does not shift the periods after it.
void SleepUntil(Clock::time_point when) noexcept
{
    if (when.time_since_epoch().count() <= 0)
        return;
    const timespec at = WakeCount::MonotonicTime(when);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR)
    {
    }
}

// Runs one device period at a time on its own thread, either on a steady clock or as soon
// as the stream has something ready.
class NullDriver : public Driver
{
public:
    NullDriver(unsigned rate, NullDeviceMode mode, OutputClient* out, InputClient* in)
        : m_rate(rate), m_mode(mode), m_period(NullPeriodFrames(rate)), m_out(out), m_in(in),
          m_buffer(static_cast<std::size_t>(m_period) * 2, 0.0f)
    {
        m_thread = std::thread([this] { Run(); });
    }

    ~NullDriver() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        m_data.Raise();
        m_thread.join();
    }

    bool Start() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_running = true;
            ++m_generation;
        }
        m_cv.notify_all();
        m_data.Raise();
        return true;
    }

    void Stop() override
    {
        std::unique_lock lock(m_mutex);
        m_running = false;
        m_data.Raise();
        // Once Stop returns the client is not called again until Start.
        m_idle.wait(lock, [this] { return !m_busy; });
    }

    // Only a free-running device waits for data; the notice takes no lock, as the producer
    // may be a device's callback (a recording's monitor).
    void DataWritten() noexcept override
    {
        if (m_mode == NullDeviceMode::FreeRun)
            m_data.Raise();
    }

private:
    void Run()
    {
        // Named for profiles and the playback benchmark: on a real machine this thread is the
        // sound card's driver.
        pthread_setname_np(pthread_self(), m_out ? "null-output" : "null-input");
        DenormalGuard denormals;
        unsigned generation = 0;
        Clock::time_point start{};
        std::uint64_t periods = 0;
        const bool freeRun = m_mode == NullDeviceMode::FreeRun && m_out;
        for (;;)
        {
            // Read before the ready frames are looked at, so that data written after the look
            // ends the wait below.
            const std::uint32_t seen = m_data.Seen();
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return m_quit || m_running; });
            if (m_quit)
                return;
            if (freeRun && m_out->ReadyFrames() == 0)
            {
                lock.unlock();
                m_data.WaitUntil(seen, Clock::time_point::max());
                continue;
            }
            if (generation != m_generation)
            {
                generation = m_generation;
                start = Clock::now();
                periods = 0;
            }
            std::uint32_t frames = m_period;
            if (freeRun)
            {
                frames = std::min(frames, m_out->ReadyFrames());
                if (frames == 0)
                    continue; // the stream stopped meanwhile
            }
            m_busy = true;
            lock.unlock();

            if (m_mode == NullDeviceMode::RealTime)
            {
                // Period k (from 0) is taken k x period / rate seconds after the start, so the
                // clock does not drift however long each render takes. As a sound card's
                // callback, it is asked for when it begins to play, not after: the first one at
                // the start.
                const auto target =
                    start + std::chrono::nanoseconds(periods * m_period * 1'000'000'000ull / m_rate);
                ++periods;
                const auto now = Clock::now();
                if (now > target + std::chrono::milliseconds(200))
                {
                    // Held up for long (a stopped debugger, a loaded machine): carry on from
                    // now instead of rushing through the missed periods.
                    start = now;
                    periods = 1; // this one is taken now
                }
                else
                    SleepUntil(target);
            }
            if (m_out)
            {
                m_out->CallbackSeen();
                m_out->Render(m_buffer.data(), frames);
                Monitor(m_buffer.data(), frames);
            }
            else if (m_in)
            {
                std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
                NullInput(m_buffer.data(), frames);
                m_in->Captured(m_buffer.data(), frames);
            }

            lock.lock();
            m_busy = false;
            m_idle.notify_all();
        }
    }

    const unsigned m_rate;
    const NullDeviceMode m_mode;
    const std::uint32_t m_period;
    OutputClient* const m_out;
    InputClient* const m_in;
    std::vector<float> m_buffer;

    WakeCount m_data; // free-running: raised when the stream writes, and by Start, Stop and closing
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_idle;
    bool m_quit = false;
    bool m_running = false;
    bool m_busy = false;
    unsigned m_generation = 0;
    std::thread m_thread;
};

class PortAudioDriver : public Driver
{
public:
    ~PortAudioDriver() override
    {
        if (m_stream)
        {
            Pa_AbortStream(m_stream);
            Pa_CloseStream(m_stream);
        }
    }

    bool Open(int device, int inChannels, unsigned rate, OutputClient* out, InputClient* in)
    {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        if (!info)
            return false;
        m_out = out;
        m_in = in;
        m_inChannels = inChannels;
        PaStreamParameters params{};
        params.device = device;
        params.sampleFormat = paFloat32;
        unsigned long framesPerBuffer = paFramesPerBufferUnspecified;
        if (out)
        {
            params.channelCount = kChannels;
            // The stream's own buffer absorbs the procedure's jitter; the device only needs
            // a latency it can keep without dropouts.
            params.suggestedLatency = std::max(info->defaultLowOutputLatency, 0.02);
        }
        else
        {
            params.channelCount = inChannels;
            params.suggestedLatency = std::max(info->defaultLowInputLatency, 0.02);
            framesPerBuffer = NullPeriodFrames(rate); // 10 ms blocks, as the recorder expects
            m_mono.assign(static_cast<std::size_t>(framesPerBuffer) * 2, 0.0f);
        }
        const PaError err = Pa_OpenStream(&m_stream, in ? &params : nullptr, out ? &params : nullptr, rate,
                                          framesPerBuffer, paClipOff, &PortAudioDriver::Callback, this);
        if (err != paNoError)
        {
            m_stream = nullptr;
            return false;
        }
        return true;
    }

    bool Start() override { return Pa_StartStream(m_stream) == paNoError; }
    double OutputLatency() const noexcept override
    {
        const PaStreamInfo* info = m_out ? Pa_GetStreamInfo(m_stream) : nullptr;
        return info != nullptr && info->outputLatency > 0.0 ? info->outputLatency : 0.0;
    }
    void Stop() override
    {
        if (Pa_IsStreamActive(m_stream) == 1)
            Pa_AbortStream(m_stream);
    }

private:
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user)
    {
        auto* self = static_cast<PortAudioDriver*>(user);
        if (self->m_out)
        {
            self->m_out->CallbackSeen();
            self->m_out->Render(static_cast<float*>(output), static_cast<std::uint32_t>(frames));
        }
        else if (self->m_in && input)
        {
            const auto* in = static_cast<const float*>(input);
            if (self->m_inChannels == 2)
                self->m_in->Captured(in, static_cast<std::uint32_t>(frames));
            else
            {
                // A mono microphone feeds both channels.
                const auto n = std::min<std::size_t>(frames, self->m_mono.size() / 2);
                for (std::size_t i = 0; i < n; ++i)
                    self->m_mono[2 * i] = self->m_mono[2 * i + 1] = in[i];
                self->m_in->Captured(self->m_mono.data(), static_cast<std::uint32_t>(n));
            }
        }
        return paContinue;
    }

    PaStream* m_stream = nullptr;
    OutputClient* m_out = nullptr;
    InputClient* m_in = nullptr;
    int m_inChannels = 2;
    std::vector<float> m_mono;
};

} // namespace

std::unique_ptr<Driver> OpenNullOutput(unsigned rate, NullDeviceMode mode, OutputClient& client)
{
    return std::make_unique<NullDriver>(rate, mode, &client, nullptr);
}

std::unique_ptr<Driver> OpenNullInput(unsigned rate, NullDeviceMode, InputClient& client)
{
    // Always paced: a free-running input would only overflow its reader.
    return std::make_unique<NullDriver>(rate, NullDeviceMode::RealTime, nullptr, &client);
}

unsigned PortAudioOutputRate(int paDevice, unsigned rate)
{
    const PaDeviceInfo* info = Pa_GetDeviceInfo(paDevice);
    if (!info)
        return rate;
    PaStreamParameters params{};
    params.device = paDevice;
    params.channelCount = kChannels;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = std::max(info->defaultLowOutputLatency, 0.02);
    if (Pa_IsFormatSupported(nullptr, &params, rate) == paFormatIsSupported)
        return rate;
    const long own = std::lround(info->defaultSampleRate);
    return own > 0 ? static_cast<unsigned>(own) : rate;
}

std::unique_ptr<Driver> OpenPortAudioOutput(int paDevice, unsigned rate, OutputClient& client)
{
    auto d = std::make_unique<PortAudioDriver>();
    if (!d->Open(paDevice, 0, rate, &client, nullptr))
        return nullptr;
    return d;
}

std::unique_ptr<Driver> OpenPortAudioInput(int paDevice, int channels, unsigned rate, InputClient& client)
{
    auto d = std::make_unique<PortAudioDriver>();
    if (!d->Open(paDevice, channels, rate, nullptr, &client))
        return nullptr;
    return d;
}

} // namespace plat::detail
