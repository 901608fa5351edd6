#pragma once
/** @brief A recording from an input device: interleaved float stereo at a chosen rate, handed
 *  to the caller's callback 10 ms at a time.
 *
 * The device's callback only copies into a buffer; a recording thread of the input takes the
 * blocks out and calls the caller's callback, which may take its time (write a file, feed an
 * encoder). A mono device feeds both channels. The volume is applied to the recorded frames
 * before the callback and the level meter see them. On the null device the input records
 * silence (or the blocks of AudioSystem::SetNullInputSource).
 *
 * Start and destruction are for the UI thread; SetVolume, GetLevel and DeviceInUse for any
 * thread. */

#include "platform/audio/AudioTypes.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace plat
{

class AudioInput
{
public:
    /** Called on the recording thread with @p count frames; false stops the calls. */
    using Callback = std::function<bool(const float* frames, std::uint32_t count)>;

    /** Which step of Start failed. */
    enum class Failure
    {
        None,
        Init,   ///< the device does not exist, or there is no input device
        Device, ///< the device in use could not be told
        Start,  ///< the device refused to start, or delivered nothing within 500 ms
    };

    /** Opens @p device (-1 the default, 0.. the entries of AudioSystem::InputDevices()) and
     *  starts recording at @p rate. nullptr on failure, with @p failure set. */
    static std::unique_ptr<AudioInput> Start(int device, unsigned rate, Callback callback,
                                             Failure* failure = nullptr);

    /** Stops the device, then waits for a callback in progress to return. */
    ~AudioInput();
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    /** Index of the device recording (into InputDevices(); 0 on the null device). */
    int DeviceInUse() const;
    /** Gain 0..1 applied to the recorded frames; false outside 0..1. */
    bool SetVolume(double volume);
    /** Peaks of the last 20 ms recorded, after the volume. */
    PeakLevel GetLevel() const;
    /** Frames the device delivered that the recording thread had no room for. */
    std::uint64_t DroppedFrames() const;
    /** Frames recorded and not yet handed to the callback: during a callback, how far the
     *  recording has moved on since its block ended. */
    std::uint32_t QueuedFrames() const;

private:
    struct Impl;
    explicit AudioInput(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
