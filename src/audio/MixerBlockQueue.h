#pragma once
/** @brief A level window's own copy of the mixer's blocks: a bounded single-producer
 *  single-consumer queue of frames that the listener owns and drains on its own thread.
 *
 * The mixer's stream thread writes (OnMixerBlock), one listener thread reads. Writing never
 * allocates, locks or waits: frames that do not fit are dropped and counted. */

#include "audio/MixerEvents.h"
#include "platform/audio/FrameFifo.h"

#include <atomic>
#include <cstdint>

namespace rt
{

class MixerBlockQueue : public MixerBlockSink
{
public:
    /** Room for at least @p frames frames (20000 frames, one whole block, at the least). */
    explicit MixerBlockQueue(std::uint32_t frames) : m_fifo(frames < 20000 ? 20000 : frames) {}

    void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept override
    {
        const std::uint32_t written = m_fifo.Write(interleaved, frames);
        if (written < frames)
            m_dropped.fetch_add(frames - written, std::memory_order_relaxed);
        m_received.fetch_add(frames, std::memory_order_relaxed);
    }

    /** Listener thread: takes up to @p count frames, oldest first; returns how many. */
    std::uint32_t Read(float* interleaved, std::uint32_t count) noexcept
    {
        return m_fifo.Read(interleaved, count);
    }
    /** Frames waiting. Any thread. */
    std::uint32_t Available() const noexcept { return m_fifo.Available(); }
    /** Frames that found the queue full. Any thread. */
    std::uint64_t Dropped() const noexcept { return m_dropped.load(std::memory_order_relaxed); }
    /** Frames the mixer handed over, kept or not. Any thread. */
    std::uint64_t Received() const noexcept { return m_received.load(std::memory_order_relaxed); }

private:
    plat::FrameFifo m_fifo;
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_received{0};
};

} // namespace rt
