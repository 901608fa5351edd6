#include "model/SessionClockSetting.h"

#include "model/SegmentClock.h"
#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

namespace model
{

namespace
{
constexpr double kPi = 3.14159265358979323846;
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

void ClockBlock::Reserve(std::uint32_t n)
{
    clock.resize(n);
    frequency.resize(n);
    wave.resize(n);
}

void SessionClockSetting::FillBlock(ClockBlock& block, std::uint32_t frames, bool withFrequency) noexcept
{
    frames = std::min<std::uint32_t>(frames, static_cast<std::uint32_t>(block.clock.size()));
    block.firstFrame = m_state.clockFrame;
    block.frames = frames;
    std::size_t hint = 1;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const CCycleClock& clock = m_state.clock;
        block.clock[i] = clock;
        block.frequency[i] = withFrequency ? m_property.GetValueAt(SessionFraction(), hint) / m_divisor : 0.0;
        // The gain curve's swing, as each track on this clock would compute it for this frame.
        block.wave[i] = (std::sin(2.0 * kPi * clock.PhaseAt(m_state.clockFrame)) + 1.0) / 2.0;
        AdvanceClock();
    }
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
