#pragma once
/** @brief An output stream: interleaved float stereo at a chosen rate, played on the chosen
 *  device (or the null device).
 *
 * Two kinds:
 * - Procedure streams. A stream-update thread of the stream calls the procedure to keep up to
 *   about 300 ms of sound buffered: it sleeps until the device has played a third of it and
 *   then asks for that much in one call (more when the procedure gives less than asked).
 *   The procedure may take its time or wait (the engine's does). Whatever the device takes,
 *   the procedure is never run further ahead of real time (counted from the last Play) than
 *   that buffer and the device's latency: a device that drains at once (an ALSA null PCM)
 *   plays silence between the pieces rather than pulling the procedure faster than real
 *   time. Only the free-running null device, which is there to run ahead, is not held back.
 *   It returns the frames it wrote, with kEnd or-ed in to end the stream after them. A stream
 *   that ended plays silence and is no longer active.
 * - Push streams. Frames put with PutData are played in order (from one producer thread).
 *
 * The device's callback only copies out of the stream's buffer: it never allocates, locks or
 * waits. When the buffer runs dry it plays silence and counts an underrun. Position, levels
 * and spectrum describe what the device played.
 *
 * A device that refuses the stream's rate is opened at its own default rate, and the stream
 * resamples (soxr) on its way to the device: on the stream-update thread for a procedure
 * stream, in PutData for a push stream, never in the device's callback. The stream's users
 * see only the stream's rate: the procedure, PutData, the position, the latency and the
 * queued frames all count frames at the rate the stream was made with; the levels, the
 * spectrum and the null device's monitor see the device's frames.
 *
 * Create, Play, Stop and destruction are for the UI thread; the read-outs (PlayedFrames,
 * GetLevel, GetSpectrum, Underruns, IsActive, QueuedFrames) for any thread. */

#include "platform/audio/AudioTypes.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace plat
{

class AudioOutput
{
public:
    /** Fills @p count frames at @p frames; returns the frames written (at most count), with
     *  kEnd set to end the stream. Runs on the stream-update thread. */
    using Procedure = std::function<std::uint32_t(float* frames, std::uint32_t count)>;
    static constexpr std::uint32_t kEnd = 0x80000000u;

    /** nullptr when the device refuses the stream (rate, device busy). */
    static std::unique_ptr<AudioOutput> CreateWithProcedure(unsigned rate, Procedure procedure);
    static std::unique_ptr<AudioOutput> CreatePush(unsigned rate);

    /** Stops the device, then waits for a procedure call in progress to return: the
     *  procedure must not be waiting for the thread that destroys the stream. */
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    /** Starts (or resumes) playing; a procedure stream first fills its buffer (what its
     *  procedure gives within about 300 ms) before the device starts. False when the device does not start or
     * never calls back within 500 ms: the stream (and every later one) then plays on the null device and
     *  AudioSystem::LastError says why. */
    bool Play();
    /** Pauses playing; the position and the buffered frames stay. */
    bool Stop();
    /** Playing and not ended. Any thread. */
    bool IsActive() const;

    /** Push streams: queues @p count frames; the frames queued afterwards, or -1 when they
     *  do not fit or this is not a push stream. One producer thread. */
    std::int64_t PutData(const float* frames, std::uint32_t count);
    /** Frames buffered and not yet played. Any thread. */
    std::uint32_t QueuedFrames() const;

    /** Frames of the stream the device has played (underrun silence not counted). */
    std::uint64_t PlayedFrames() const;
    /** Frames the device has taken but the listener does not hear yet (the device's output
     *  latency); 0 on the null device. Any thread. */
    std::uint32_t LatencyFrames() const;
    PeakLevel GetLevel() const;
    /** 1024 magnitudes of the last 2048 frames played (see plat::Spectrum). */
    void GetSpectrum(float* magnitudes) const;
    /** Device periods that found the buffer short (not counting after the stream ended). */
    std::uint64_t Underruns() const;
    /** The stream's rate (the one it was made with). */
    unsigned Rate() const;
    /** The rate the device plays at: Rate(), or the device's own when it refused Rate(). */
    unsigned DeviceRate() const;
    /** True when the stream plays on the null device. Any thread. */
    bool OnNullDevice() const;

private:
    struct Impl;
    explicit AudioOutput(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
