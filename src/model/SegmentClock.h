#pragma once
/** @brief The run-time position of a segment's entrainment or bilateral settings during
 *  one playback: frame, sample rate, the segment's frames and the own cycle clock.
 *
 * Audio worker only; every member is noexcept and allocates nothing. */

#include "model/CCycleClock.h"

#include <cstdint>

class CSmartProperty;

namespace model
{

/** (@p frame - @p first) / (@p end - @p first) in [0, 1], worked out in signed 64-bit so
 *  that a frame before @p first does not wrap; a span of no frames (a segment that
 *  starts and ends on the same frame) gives 0 instead of dividing by zero. */
double SpanFraction(std::uint32_t frame, std::uint32_t first, std::uint32_t end) noexcept;

class SegmentClock
{
public:
    /** Binds one playback: the frame of the first Process call, the rate and the
     *  segment's frames. The own clock's next boundary is put at @p currentFrame, so the
     *  first step opens a cycle at once. */
    void Bind(std::uint32_t currentFrame, std::uint32_t sampleRate, std::uint32_t firstFrame,
              std::uint32_t endFrame) noexcept;

    /** The segment fraction u of the current frame. */
    double Fraction() const noexcept { return SpanFraction(m_frame, m_firstFrame, m_endFrame); }

    /** At or past the own clock's next boundary, reads @p setting at u, divides it by
     *  @p divisor to get cycles per second and opens a new cycle an unrounded period
     *  later. Does not step the frame. */
    void AdvanceOwn(CSmartProperty& setting, double divisor) noexcept;

    std::uint32_t m_frame = 0;
    std::uint32_t m_sampleRate = 0;
    std::uint32_t m_firstFrame = 0;
    /** 9 before the first Bind, so that a fraction never divides by zero. */
    std::uint32_t m_endFrame = 9;
    CCycleClock m_ownClock;
};

} // namespace model
