#pragma once
/** @brief A fixed-size, lock-free first-in first-out queue of interleaved stereo float frames
 *  for exactly one writing thread and one reading thread.
 *
 * The storage is allocated once, in the constructor; Write and Read never allocate, lock or
 * wait, so either side may be a device's real-time callback. Available() and Space() may be
 * read from any thread (the answer is a snapshot). Clear() only while neither side runs. */

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace plat
{

class FrameFifo
{
public:
    /** Room for at least @p minFrames frames (rounded up to a power of two). */
    explicit FrameFifo(std::uint32_t minFrames)
    {
        std::uint32_t cap = 1;
        while (cap < minFrames)
            cap <<= 1;
        m_capacity = cap;
        m_data.assign(static_cast<std::size_t>(cap) * 2, 0.0f);
    }

    std::uint32_t Capacity() const noexcept { return m_capacity; }

    std::uint32_t Available() const noexcept
    {
        return static_cast<std::uint32_t>(m_write.load(std::memory_order_acquire) -
                                          m_read.load(std::memory_order_acquire));
    }
    std::uint32_t Space() const noexcept { return m_capacity - Available(); }

    /** Writer side: copies up to @p frames frames in; returns how many fitted. */
    std::uint32_t Write(const float* frames, std::uint32_t count) noexcept
    {
        const std::uint64_t w = m_write.load(std::memory_order_relaxed);
        const std::uint64_t r = m_read.load(std::memory_order_acquire);
        const auto space = static_cast<std::uint32_t>(m_capacity - (w - r));
        const std::uint32_t n = std::min(count, space);
        const std::uint32_t at = static_cast<std::uint32_t>(w & (m_capacity - 1));
        const std::uint32_t first = std::min(n, m_capacity - at);
        std::memcpy(&m_data[static_cast<std::size_t>(at) * 2], frames, first * 2 * sizeof(float));
        std::memcpy(m_data.data(), frames + static_cast<std::size_t>(first) * 2,
                    (n - first) * 2 * sizeof(float));
        m_write.store(w + n, std::memory_order_release);
        return n;
    }

    /** Reader side: copies up to @p count frames out; returns how many there were. */
    std::uint32_t Read(float* frames, std::uint32_t count) noexcept
    {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::uint64_t w = m_write.load(std::memory_order_acquire);
        const std::uint32_t n = std::min(count, static_cast<std::uint32_t>(w - r));
        const std::uint32_t at = static_cast<std::uint32_t>(r & (m_capacity - 1));
        const std::uint32_t first = std::min(n, m_capacity - at);
        std::memcpy(frames, &m_data[static_cast<std::size_t>(at) * 2], first * 2 * sizeof(float));
        std::memcpy(frames + static_cast<std::size_t>(first) * 2, m_data.data(),
                    (n - first) * 2 * sizeof(float));
        m_read.store(r + n, std::memory_order_release);
        return n;
    }

    /** Empties the queue. Only while neither side is running. */
    void Clear() noexcept
    {
        m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
    }

private:
    std::uint32_t m_capacity = 0;
    std::vector<float> m_data;
    alignas(64) std::atomic<std::uint64_t> m_write{0};
    alignas(64) std::atomic<std::uint64_t> m_read{0};
};

} // namespace plat
