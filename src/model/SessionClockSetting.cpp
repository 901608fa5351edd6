#include "model/SessionClockSetting.h"

#include "model/SegmentClock.h"
#include "platform/Archive.h"

namespace model
{

namespace
{
// Files from this version on hold the current records.
constexpr std::int32_t kCurrentRecordsVersion = 400;
} // namespace

SessionClockSetting::SessionClockSetting(double min, double max, double defaultValue, double divisor)
    : m_default(defaultValue), m_divisor(divisor)
{
    m_property.Init(CSmartProperty::kModeConstant, min, max);
    m_property.SetValue(defaultValue);
}

void SessionClockSetting::SetDefault()
{
    m_property.SetValue(m_default);
}

double SessionClockSetting::SessionFraction() const noexcept
{
    // A session of no frames would divide by zero.
    return SpanFraction(m_state.clockFrame, 0, m_state.totalFrames);
}

double SessionClockSetting::GetFrequency() noexcept
{
    return m_property.GetValueAt(SessionFraction()) / m_divisor;
}

void SessionClockSetting::StartClock(std::uint32_t startFrame, std::uint32_t sampleRate,
                                     std::uint32_t totalFrames) noexcept
{
    m_state.clockFrame = startFrame;
    m_state.sampleRate = sampleRate;
    m_state.totalFrames = totalFrames;
    m_state.clock.Start(startFrame, GetFrequency(), sampleRate);
}

const CCycleClock& SessionClockSetting::AdvanceClock() noexcept
{
    const double frame = m_state.clockFrame;
    if (frame >= m_state.clock.m_nextBoundary)
        m_state.clock.NextCycle(frame, GetFrequency(), m_state.sampleRate, true);
    ++m_state.clockFrame;
    return m_state.clock;
}

void SessionClockSetting::Serialize(plat::Archive& ar)
{
    if (LoadOld(ar))
        return;
    m_property.Serialize(ar);
}

bool SessionClockSetting::LoadOld(plat::Archive& ar)
{
    if (ar.IsStoring() || ar.GetFileVersion() >= kCurrentRecordsVersion)
        return false;
    (void)ar.ReadInt32(); // the old constant, which the old program never used
    CGraph graph;
    graph.Serialize(ar);
    m_property.SetGraph(graph);
    return true;
}

} // namespace model
