#pragma once
/** @brief The last few thousand frames a device played (or recorded), for the level meters and
 *  the spectrum.
 *
 * Push() is for the one thread that plays (a device callback: it never allocates, locks or
 * waits); Level() and Recent() may be called from any thread at the same time. Samples are
 * relaxed atomics, so a reader racing the writer sees a mix of old and new frames at worst,
 * never torn values. */

#include "platform/audio/AudioTypes.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace plat
{

class PlayedHistory
{
public:
    static constexpr std::uint32_t kFrames = 8192; // 2048 for the spectrum, with room to spare

    explicit PlayedHistory(unsigned rate);

    void Push(const float* frames, std::uint32_t count) noexcept;

    /** Peaks over the last 20 ms (0..32768; 1.0 and above read 32768). */
    PeakLevel Level() const noexcept;

    /** The last @p count (at most kFrames / 2) frames as mono (left + right) / 2, oldest
     *  first; frames before the first push read 0. */
    void RecentMono(float* out, std::uint32_t count) const noexcept;

private:
    unsigned m_levelFrames;
    std::unique_ptr<std::atomic<float>[]> m_data; // interleaved stereo, kFrames frames
    std::atomic<std::uint64_t> m_written{0};
};

} // namespace plat
