#pragma once
/** @brief Small helpers shared by the effects. */

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dsp
{

/** @p v limited to [lo, hi]; NaN gives @p lo, so a bad setting can never reach a filter. */
inline double Clamp(double v, double lo, double hi) noexcept
{
    if (!(v >= lo))
        return lo;
    return v > hi ? hi : v;
}

inline double DbToGain(double db) noexcept
{
    return std::pow(10.0, db / 20.0);
}

/** True when none of @p count samples is infinite or NaN. Branch-free so it vectorises: it
 *  runs after every effect on every block. */
inline bool AllFinite(const float* samples, std::size_t count) noexcept
{
    std::uint32_t bad = 0;
    for (std::size_t i = 0; i < count; ++i)
    {
        std::uint32_t bits;
        std::memcpy(&bits, samples + i, sizeof bits);
        bad |= static_cast<std::uint32_t>((bits & 0x7f800000u) == 0x7f800000u);
    }
    return bad == 0;
}

/** Frames of @p ms milliseconds at @p rate, rounded to the nearest frame. */
inline std::size_t MsToFrames(double ms, double rate) noexcept
{
    return static_cast<std::size_t>(std::lround(ms * rate / 1000.0));
}

} // namespace dsp
