#include "model/SessionClockSetting.h"

#include "model/SegmentClock.h"
#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

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
    const bool frequencyConstant = m_property.IsConstant();
    std::size_t hint = 1;
    for (std::uint32_t i = 0; i < frames;)
    {
        // The frames one cycle record covers: on to the first at or past the next boundary,
        // where AdvanceClock opens the next cycle.
        const CCycleClock clock = m_state.clock;
        const std::uint32_t first = m_state.clockFrame;
        const double last = std::max(double(first), std::ceil(clock.m_nextBoundary));
        const auto run = static_cast<std::uint32_t>(std::min(double(frames - i), last - double(first) + 1.0));
        std::fill_n(block.clock.data() + i, run, clock);
        double* frequency = block.frequency.data() + i;
        if (!withFrequency)
            std::fill_n(frequency, run, 0.0);
        else if (frequencyConstant)
            std::fill_n(frequency, run, m_property.GetValue() / m_divisor);
        else
            for (std::uint32_t j = 0; j < run; ++j)
                frequency[j] =
                    m_property.GetValueAt(SpanFraction(first + j, 0, m_state.totalFrames), hint) / m_divisor;
        // The gain curve's swing, as each track on this clock would compute it for its frames.
        Wave(clock, first, block.wave.data() + i, run);
        i += run;
        m_state.clockFrame = first + (run - 1);
        AdvanceClock();
    }
}

void SessionClockSetting::Wave(const CCycleClock& clock, std::uint32_t first, double* out,
                               std::uint32_t n) noexcept
{
    for (std::uint32_t j = 0; j < n;)
    {
        const std::uint32_t frame = first + j;
        if (double(frame) != m_waveFrame || clock.m_cycleStart != m_waveCycleStart ||
            clock.m_period != m_wavePeriod || frame % SinePhasor::kAnchorFrames == 0)
        {
            m_waveCycleStart = clock.m_cycleStart;
            m_wavePeriod = clock.m_period;
            m_wave.Anchor(clock.PhaseAt(frame), clock.m_period > 0.0 ? 1.0 / clock.m_period : 0.0);
        }
        // On to the next anchor.
        const std::uint32_t m =
            std::min(n - j, SinePhasor::kAnchorFrames - frame % SinePhasor::kAnchorFrames);
        m_wave.Sines(out + j, m);
        for (std::uint32_t q = 0; q < m; ++q)
            out[j + q] = (out[j + q] + 1.0) / 2.0;
        j += m;
        m_waveFrame = double(frame) + m;
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
