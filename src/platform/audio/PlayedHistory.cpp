#include "platform/audio/PlayedHistory.h"

#include <algorithm>
#include <cmath>

namespace plat
{

PlayedHistory::PlayedHistory(unsigned rate)
    : m_levelFrames(std::clamp(rate / 50u, 1u, kFrames / 2)),
      m_data(std::make_unique<std::atomic<float>[]>(kFrames * 2))
{
    for (std::uint32_t i = 0; i < kFrames * 2; ++i)
        m_data[i].store(0.0f, std::memory_order_relaxed);
}

void PlayedHistory::Push(const float* frames, std::uint32_t count) noexcept
{
    std::uint64_t w = m_written.load(std::memory_order_relaxed);
    for (std::uint32_t i = 0; i < count; ++i, ++w)
    {
        const std::size_t at = static_cast<std::size_t>(w & (kFrames - 1)) * 2;
        m_data[at].store(frames[2 * i], std::memory_order_relaxed);
        m_data[at + 1].store(frames[2 * i + 1], std::memory_order_relaxed);
    }
    m_written.store(w, std::memory_order_release);
}

PeakLevel PlayedHistory::Level() const noexcept
{
    const std::uint64_t w = m_written.load(std::memory_order_acquire);
    const std::uint64_t n = std::min<std::uint64_t>(w, m_levelFrames);
    float left = 0.0f;
    float right = 0.0f;
    for (std::uint64_t k = w - n; k < w; ++k)
    {
        const std::size_t at = static_cast<std::size_t>(k & (kFrames - 1)) * 2;
        left = std::max(left, std::fabs(m_data[at].load(std::memory_order_relaxed)));
        right = std::max(right, std::fabs(m_data[at + 1].load(std::memory_order_relaxed)));
    }
    auto word = [](float peak) { return static_cast<std::uint32_t>(std::min(peak, 1.0f) * 32768.0f); };
    return {word(left), word(right)};
}

void PlayedHistory::RecentMono(float* out, std::uint32_t count) const noexcept
{
    count = std::min(count, kFrames / 2);
    const std::uint64_t w = m_written.load(std::memory_order_acquire);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint64_t back = count - i; // frames before the newest
        if (back > w)
        {
            out[i] = 0.0f;
            continue;
        }
        const std::size_t at = static_cast<std::size_t>((w - back) & (kFrames - 1)) * 2;
        out[i] = 0.5f * (m_data[at].load(std::memory_order_relaxed) +
                         m_data[at + 1].load(std::memory_order_relaxed));
    }
}

} // namespace plat
