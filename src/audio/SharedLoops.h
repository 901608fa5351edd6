#pragma once
/** @brief Looping sound files decoded and resampled once per rate, their frames shared
 *  read-only by every track that plays them.
 *
 * The noise loops are read by every noise and breathwork track of a session; decoding them
 * through the codec on every frame of every track costs far more than copying decoded frames.
 * A loop here holds exactly the frames the streaming decoder of CSoundFile gives for the
 * looping file: frames [0, Size()) as they come out of one unbroken decode from the start,
 * then [LoopStart(), Size()) over and over. The first LoopStart() frames are the resampler's
 * start (it has heard nothing before the file); from LoopStart() on every frame is one the
 * unbroken stream repeats with the period Period(), so the wrap from Size() back to
 * LoopStart() is where that stream would be. Without resampling LoopStart() is 0.
 *
 * Threads: Acquire from any thread (a generator's Init on the engine's worker, or several
 * rendering threads at once); it locks, opens the file and may decode and allocate, so never
 * in a steady-state block. A loop is immutable once Acquire has returned it; its frames may
 * be read from any thread without a lock. It is freed when its last holder lets it go. */

#include "audio/CStereoFrame.h"
#include "platform/audio/DecodedCopy.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

namespace audio
{

/** The frames of a decoded loop: storage its decoder writes once, not cleared first, or the
 *  mapped frames of a copy stored decoded beside the file (plat::DecodedCopy), which need no
 *  decoding at all. A large allocated one lies on huge pages where the system offers them, so
 *  that filling tens of megabytes costs a few page faults instead of one for every 4 KiB (each
 *  a costly trip through the kernel). */
class LoopFrames
{
public:
    /** Room for @p size frames, their values unset; throws std::bad_alloc. */
    explicit LoopFrames(std::uint32_t size);
    /** The frames of @p copy (not empty), read-only. */
    explicit LoopFrames(plat::DecodedCopy copy) noexcept;
    ~LoopFrames();
    LoopFrames(const LoopFrames&) = delete;
    LoopFrames& operator=(const LoopFrames&) = delete;
    LoopFrames(LoopFrames&& other) noexcept
        : m_frames(std::exchange(other.m_frames, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_copy(std::move(other.m_copy))
    {
    }
    LoopFrames& operator=(LoopFrames&&) = delete;

    /** Writable only when allocated (a mapped copy is read-only). */
    CStereoFrame* data() noexcept { return m_frames; }
    const CStereoFrame* data() const noexcept { return m_frames; }
    std::uint32_t size() const noexcept { return m_size; }

private:
    CStereoFrame* m_frames = nullptr;
    std::uint32_t m_size = 0;
    plat::DecodedCopy m_copy; ///< the mapping the frames lie in, or empty when allocated
};

class SharedLoop
{
public:
    SharedLoop(LoopFrames frames, std::uint32_t loopStart, std::uint32_t period)
        : m_frames(std::move(frames)), m_loopStart(loopStart), m_period(period)
    {
    }

    const CStereoFrame* Frames() const noexcept { return m_frames.data(); }
    std::uint32_t Size() const noexcept { return m_frames.size(); }
    std::uint32_t LoopStart() const noexcept { return m_loopStart; }
    /** Frames of one pass of the file at the loop's rate (Size() - LoopStart()). */
    std::uint32_t Period() const noexcept { return m_period; }

    /** The index of frame @p frame of the unbroken stream. */
    std::uint32_t IndexOf(std::uint64_t frame) const noexcept
    {
        if (frame < m_frames.size())
            return static_cast<std::uint32_t>(frame);
        return m_loopStart + static_cast<std::uint32_t>((frame - m_loopStart) % m_period);
    }

private:
    const LoopFrames m_frames;
    const std::uint32_t m_loopStart;
    const std::uint32_t m_period;
};

class SharedLoops
{
public:
    /** Most frames a shared loop may hold (2^24, 128 MiB: almost three minutes at 96 kHz).
     *  A longer file streams. */
    static constexpr std::uint32_t kMaxFrames = 1u << 24;

    /** The loop of @p path at @p rate Hz: the one already decoded when the same file (the
     *  same canonical path, size and modification time) at the same rate is still held, else
     *  the file's decoded copy when it has one at that rate (the installed noise loops at
     *  their own rate), else a new decode. Null when the file is missing or cannot be decoded through, when
     *  one pass of it is not a whole number of frames at @p rate (its stream would not repeat
     *  frame for frame) or when a new decode would hold more than @p maxFrames frames (at most
     *  kMaxFrames): the caller streams it then. */
    static std::shared_ptr<const SharedLoop> Acquire(const QString& path, unsigned rate,
                                                     std::uint32_t maxFrames = kMaxFrames);

    /** Decodes Acquire has made since the process started, decoded copies not counted (a
     *  test's count). */
    static std::uint64_t DecodeCount() noexcept;
};

} // namespace audio
