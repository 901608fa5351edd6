#include "model/SegmentClock.h"

#include "model/CSmartProperty.h"

#include <algorithm>

namespace model
{

double SpanFraction(std::uint32_t frame, std::uint32_t first, std::uint32_t end) noexcept
{
    const std::int64_t span = static_cast<std::int64_t>(end) - first;
    if (span <= 0)
        return 0.0;
    const std::int64_t offset = static_cast<std::int64_t>(frame) - first;
    return std::clamp(static_cast<double>(offset) / static_cast<double>(span), 0.0, 1.0);
}

void SegmentClock::Bind(std::uint32_t currentFrame, std::uint32_t sampleRate, std::uint32_t firstFrame,
                        std::uint32_t endFrame) noexcept
{
    m_frame = currentFrame;
    m_sampleRate = sampleRate;
    m_firstFrame = firstFrame;
    m_endFrame = endFrame;
    m_ownClock.m_nextBoundary = currentFrame;
}

void SegmentClock::AdvanceOwn(CSmartProperty& setting, double divisor) noexcept
{
    const double frame = m_frame;
    if (frame >= m_ownClock.m_nextBoundary)
        m_ownClock.NextCycle(frame, setting.GetValueAt(Fraction()) / divisor, m_sampleRate, false);
}

} // namespace model
