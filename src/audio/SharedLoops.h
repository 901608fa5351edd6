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
 * rendering threads at once); it locks, opens the file, allocates and starts the decoding
 * thread, so never in a steady-state block. A new loop is decoded on that thread, chunk by
 * chunk, while its readers read the frames ready so far (SharedLoop::Await); a ready frame
 * never changes and may be read from any thread without a lock. A loop is freed when its last
 * holder lets it go (a decode still under way stops then). */

#include "audio/CStereoFrame.h"
#include "platform/audio/DecodedCopy.h"
#include "platform/audio/SoundDecoder.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace audio
{

/** The frames of a decoded loop, or of any buffer whose frames are written before they are
 *  read: storage its writer fills, not cleared first, or the mapped frames of a copy stored
 *  decoded beside the file (plat::DecodedCopy), which need no decoding at all. A large
 *  allocated one lies on huge pages where the system offers them, so that filling tens of
 *  megabytes costs a few page faults instead of one for every 4 KiB (each a costly trip
 *  through the kernel). */
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
    CStereoFrame& operator[](std::size_t i) noexcept { return m_frames[i]; }
    const CStereoFrame& operator[](std::size_t i) const noexcept { return m_frames[i]; }
    std::uint32_t size() const noexcept { return m_size; }

private:
    CStereoFrame* m_frames = nullptr;
    std::uint32_t m_size = 0;
    plat::DecodedCopy m_copy; ///< the mapping the frames lie in, or empty when allocated
};

/** A loop's frames, whole from the start (a decoded copy) or filled in order by a thread of
 *  its own while the first ones are already read: a track starts playing a new loop after its
 *  first chunk, not after the whole file. A reader asks for the frames it needs (Await); they
 *  are final once ready. */
class SharedLoop
{
public:
    /** Frames decoded per step of the decoding thread. */
    static constexpr std::uint32_t kChunkFrames = 65536;

    /** A loop whose frames are all there. */
    SharedLoop(LoopFrames frames, std::uint32_t loopStart, std::uint32_t period)
        : m_frames(std::move(frames)), m_loopStart(loopStart), m_period(period), m_ready(m_frames.size())
    {
    }
    /** A loop that @p decoder (open, looping, at the loop's rate, at its start) fills on a
     *  thread started here; throws std::system_error when the thread cannot be made. */
    SharedLoop(LoopFrames frames, std::uint32_t loopStart, std::uint32_t period,
               std::unique_ptr<plat::SoundDecoder> decoder);
    /** Stops and joins a decode still under way. */
    ~SharedLoop();
    SharedLoop(const SharedLoop&) = delete;
    SharedLoop& operator=(const SharedLoop&) = delete;

    /** Waits until frames [0, @p end) are ready (end at most Size()); false, at once, when the
     *  file failed before them. The engine's rendering threads may wait here: a decode runs
     *  hundreds of times faster than real time. */
    bool Await(std::uint32_t end) const noexcept
    {
        std::uint32_t state = m_ready.load(std::memory_order_acquire);
        while ((state & ~kFailed) < end)
        {
            if (state & kFailed)
                return false;
            m_ready.wait(state, std::memory_order_acquire);
            state = m_ready.load(std::memory_order_acquire);
        }
        return true;
    }
    /** Frames ready now (a reader's hint: those need no Await). */
    std::uint32_t Ready() const noexcept { return m_ready.load(std::memory_order_acquire) & ~kFailed; }

    /** Frames [0, Ready()) may be read. */
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
    static constexpr std::uint32_t kFailed = 0x80000000u; ///< or-ed into m_ready: no more will come

    void DecodeProc() noexcept;

    LoopFrames m_frames; ///< written by the decoding thread only, below what it publishes
    const std::uint32_t m_loopStart;
    const std::uint32_t m_period;
    mutable std::atomic<std::uint32_t> m_ready; ///< frames ready, with kFailed
    std::atomic<bool> m_cancel{false};
    std::unique_ptr<plat::SoundDecoder> m_decoder; ///< the decoding thread's
    std::thread m_thread;
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

/** Holds loops decoded while nothing plays them: the files an open session would play, so
 *  that its Play finds their frames ready instead of waiting for a decode (a track that plays
 *  slices of its file from a random point would otherwise wait until the decode gets there).
 *  Keep acquires them on a thread of its own, as opening a file and starting its decode takes
 *  milliseconds, and then lets go of what the last Keep held: a loop in both is held
 *  throughout and not decoded again. They are held until the next Keep (another session,
 *  another rate) or the keeper's end, at most kBudgetFrames frames of them in all.
 *  Keep, Wait and destruction from one thread (the UI thread). */
class LoopKeeper
{
public:
    /** Most frames held in all (2^24, 128 MiB: six minutes of sound at 44.1 kHz); the paths
     *  past it are not held, and a playback decodes them as it starts. */
    static constexpr std::uint64_t kBudgetFrames = std::uint64_t{1} << 24;

    LoopKeeper() = default;
    /** Stops a Keep still acquiring and lets go of every loop. */
    ~LoopKeeper();
    LoopKeeper(const LoopKeeper&) = delete;
    LoopKeeper& operator=(const LoopKeeper&) = delete;

    /** Holds the loops of @p paths at @p rate Hz (as SharedLoops::Acquire gives them, at most
     *  @p maxFrames frames each) in place of the ones held, in the order given (the likeliest
     *  to be played first first) while they fit in @p budgetFrames; no paths lets go of all.
     *  A file that cannot be a shared loop is skipped: it streams when played. */
    void Keep(std::vector<QString> paths, unsigned rate, std::uint32_t maxFrames,
              std::uint64_t budgetFrames = kBudgetFrames);
    /** Waits until the last Keep has acquired its loops and they are decoded (or failed). */
    void Wait();
    /** Loops held now. */
    std::size_t Count() const;

private:
    void Join();

    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<const SharedLoop>> m_loops; ///< guarded by m_mutex
};

} // namespace audio
