#pragma once
/** @brief The state of one cycle clock: frequency, cycle start, next boundary and period.
 *
 * Frames are absolute frame indices taken as reals; the period is in frames and is kept
 * unrounded. A frequency that cannot make a cycle (0 Hz, which is inside the beat range,
 * a negative or non-finite value from a file, or one so low that its period would not
 * fit a 32-bit frame count) holds the clock instead: the phase stays 0 and the next
 * boundary is the following frame, so the frequency is read again one frame later and
 * the clock resumes as soon as the setting rises.
 *
 * A plain value; the audio worker owns every clock during playback, so nothing here is
 * atomic. All members are noexcept and allocate nothing. */

#include <cstdint>

class CCycleClock
{
public:
    /** The longest period that a 32-bit frame count can express. */
    static constexpr double kMaxPeriodFrames = 4294967295.0;

    double m_frequency = 0.0;    ///< cycles per second of the current cycle
    double m_cycleStart = 0.0;   ///< frame at which the current cycle began
    double m_nextBoundary = 0.0; ///< frame at which the next cycle begins
    double m_period = 0.0;       ///< frames of the current cycle, unrounded

    /** How far @p frame lies into the current cycle, in cycles; 0 for a clock that has
     *  no cycle (period 0: never started, or held), so no caller ever sees a non-number. */
    double PhaseAt(double frame) const noexcept
    {
        return m_period > 0.0 ? (frame - m_cycleStart) / m_period : 0.0;
    }

    /** Opens the first cycle at @p start: the next boundary lies a whole, unrounded
     *  period later. Holds the clock at @p start when @p frequency makes no cycle. */
    void Start(double start, double frequency, double sampleRate) noexcept;

    /** Opens the cycle that begins at the current next boundary. With @p wholeFrames the
     *  boundary after it lies the period cut to whole frames further (the session-wide
     *  clocks), otherwise the unrounded period further (a segment's own clock). Holds the
     *  clock at @p now when @p frequency makes no cycle. */
    void NextCycle(double now, double frequency, double sampleRate, bool wholeFrames) noexcept;

private:
    /** No cycle (period 0, phase 0) from @p now; the frequency is read again at @p now + 1. */
    void Hold(double now, double frequency) noexcept;
};
