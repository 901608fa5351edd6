#pragma once
/** @brief The two kinds of device under the layer's streams: PortAudio and the null device.
 *  Internal to the audio layer.
 *
 * A driver calls its client from its own thread: PortAudio's real-time callback, or the null
 * device's clock thread. The client's Render/Captured must not allocate, lock or wait.
 * Start, Stop and destruction are for the thread that owns the stream (the UI thread). */

#include "platform/audio/AudioTypes.h"

#include <cstdint>
#include <memory>

namespace plat::detail
{

class OutputClient
{
public:
    virtual ~OutputClient() = default;
    /** Fills @p frames frames at @p out (device thread). */
    virtual void Render(float* out, std::uint32_t frames) noexcept = 0;
    /** Frames the stream has ready; a free-running null device plays no more than this. */
    virtual std::uint32_t ReadyFrames() const noexcept = 0;
    /** Counts device callbacks, so a stream can tell a device that never calls back. */
    virtual void CallbackSeen() noexcept = 0;
};

class InputClient
{
public:
    virtual ~InputClient() = default;
    /** @p frames interleaved stereo frames were recorded (device thread). */
    virtual void Captured(const float* frames, std::uint32_t count) noexcept = 0;
};

class Driver
{
public:
    virtual ~Driver() = default;
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    /** The stream has written new frames; wakes a free-running null device. Any thread. */
    virtual void DataWritten() noexcept {}
    /** Seconds from the device taking a frame to the frame being heard; 0 on the null
     *  device. Any thread while the driver lives. */
    virtual double OutputLatency() const noexcept { return 0.0; }
};

/** Null output: plays @p rate frames a second (RealTime) or whatever is ready (FreeRun). */
std::unique_ptr<Driver> OpenNullOutput(unsigned rate, NullDeviceMode mode, OutputClient& client);
/** Null input: records silence (or what the null-input source puts in), 10 ms at a time, always
 *  paced at real time. */
std::unique_ptr<Driver> OpenNullInput(unsigned rate, NullDeviceMode mode, InputClient& client);
/** @p rate when PortAudio's device @p paDevice plays stereo float at it, else the device's
 *  own default rate (the stream then resamples to it). */
unsigned PortAudioOutputRate(int paDevice, unsigned rate);
/** nullptr when PortAudio refuses the device or the rate. */
std::unique_ptr<Driver> OpenPortAudioOutput(int paDevice, unsigned rate, OutputClient& client);
std::unique_ptr<Driver> OpenPortAudioInput(int paDevice, int channels, unsigned rate, InputClient& client);

/** Frames in one null-device period (10 ms). */
inline std::uint32_t NullPeriodFrames(unsigned rate)
{
    return rate / 100 > 0 ? rate / 100 : 1;
}

} // namespace plat::detail
