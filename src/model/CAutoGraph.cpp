#include "model/CAutoGraph.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cmath>
#include <limits>

CAutoGraph::CAutoGraph()
    : m_random(plat::NewRandomSeed()), m_lastValue(std::numeric_limits<double>::quiet_NaN())
{
}

CAutoGraph::CAutoGraph(const CAutoGraph& other) : CAutoGraph()
{
    *this = other;
}

CAutoGraph& CAutoGraph::operator=(const CAutoGraph& other)
{
    m_min = other.m_min;
    m_max = other.m_max;
    m_lowerLimit = other.m_lowerLimit;
    m_upperLimit = other.m_upperLimit;
    m_changeRate = other.m_changeRate;
    return *this;
}

double CAutoGraph::MaxStepForRate(std::int32_t rate) noexcept
{
    const std::int32_t r = std::clamp(rate, kFastestRate, kSlowestRate);
    return (1.0 - r / 7.0) * 0.245 + 0.005;
}

void CAutoGraph::StartWalk(std::uint32_t samplesPerStep) noexcept
{
    m_random.Seed(plat::NewRandomSeed());
    // One sample per step would make the ramp divide by N - 1 = 0.
    m_samplesPerStep = std::max<std::uint32_t>(samplesPerStep, 2);
    m_counter = m_samplesPerStep;
    m_span = m_upperLimit - m_lowerLimit;
    m_previousLevel = 0.5;
    m_targetLevel = 0.5;
    m_started = true;
    m_lastValue.store(std::numeric_limits<double>::quiet_NaN(), std::memory_order_relaxed);
}

double CAutoGraph::NextValue() noexcept
{
    ++m_counter;
    if (m_counter >= m_samplesPerStep)
    {
        m_previousLevel = m_targetLevel;
        const double m = m_random.Unit() * MaxStepForRate(m_changeRate);
        const bool up = m_random.Unit() >= 0.5;
        m_targetLevel = std::clamp(m_previousLevel + (up ? m : -m), 0.0, 1.0);
        m_counter = 0;
    }
    // A walk nobody started follows the limits as they are now (they may have been read
    // from a file after construction).
    const double span = m_started ? m_span : m_upperLimit - m_lowerLimit;
    const double ramp = static_cast<double>(m_counter) / static_cast<double>(m_samplesPerStep - 1);
    const double value = m_lowerLimit + span * (m_previousLevel + ramp * (m_targetLevel - m_previousLevel));
    m_lastValue.store(value, std::memory_order_relaxed);
    return value;
}

double CAutoGraph::LastValue() const noexcept
{
    const double last = m_lastValue.load(std::memory_order_relaxed);
    if (!std::isnan(last))
        return last;
    return m_lowerLimit + 0.5 * (m_upperLimit - m_lowerLimit);
}

void CAutoGraph::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteDouble(m_min);
        ar.WriteDouble(m_max);
        ar.WriteDouble(m_lowerLimit);
        ar.WriteDouble(m_upperLimit);
        ar.WriteInt32(m_changeRate);
        return;
    }
    const double mn = ar.ReadDouble();
    const double mx = ar.ReadDouble();
    const double lower = ar.ReadDouble();
    const double upper = ar.ReadDouble();
    const std::int32_t rate = ar.ReadInt32();
    if (!std::isfinite(mn) || !std::isfinite(mx) || !std::isfinite(lower) || !std::isfinite(upper))
        plat::Archive::ThrowBadFormat("The file is damaged: an automatic graph limit is not a number.");
    m_min = mn;
    m_max = mx;
    m_lowerLimit = lower;
    m_upperLimit = upper;
    m_changeRate = rate;
}
