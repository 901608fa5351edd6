#include "model/CCycleClock.h"

#include <cmath>

namespace
{

// The period in frames of @p frequency, or a negative value when it makes no cycle:
// 1 / 0 is infinite and a period beyond 2^32 - 1 frames cannot become a frame count.
double PeriodFrames(double frequency, double sampleRate) noexcept
{
    if (!std::isfinite(frequency) || !(frequency > 0.0))
        return -1.0;
    const double period = (1.0 / frequency) * sampleRate;
    if (!std::isfinite(period) || !(period > 0.0) || period > CCycleClock::kMaxPeriodFrames)
        return -1.0;
    return period;
}

} // namespace

void CCycleClock::Start(double start, double frequency, double sampleRate) noexcept
{
    const double period = PeriodFrames(frequency, sampleRate);
    if (period < 0.0)
    {
        Hold(start, frequency);
        return;
    }
    m_frequency = frequency;
    m_period = period;
    m_cycleStart = start;
    m_nextBoundary = start + period;
}

void CCycleClock::NextCycle(double now, double frequency, double sampleRate, bool wholeFrames) noexcept
{
    const double period = PeriodFrames(frequency, sampleRate);
    if (period < 0.0)
    {
        Hold(now, frequency);
        return;
    }
    m_frequency = frequency;
    m_period = period;
    m_cycleStart = m_nextBoundary;
    // The session-wide clocks step by whole frames (period < 2^32, so the cut is defined);
    // the first boundary after a start keeps its fraction, which every later one inherits.
    m_nextBoundary += wholeFrames ? static_cast<double>(static_cast<std::uint32_t>(period)) : period;
}

void CCycleClock::Hold(double now, double frequency) noexcept
{
    m_frequency = std::isfinite(frequency) ? frequency : 0.0;
    m_period = 0.0; // no cycle: PhaseAt gives 0
    m_cycleStart = now;
    m_nextBoundary = now + 1.0;
}
