#include "model/CSmartProperty.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

CSmartProperty::CSmartProperty(const CSmartProperty& other)
{
    *this = other;
}

CSmartProperty& CSmartProperty::operator=(const CSmartProperty& other)
{
    if (this == &other)
        return *this;
    m_min = other.m_min;
    m_max = other.m_max;
    m_mode.store(other.GetMode(), std::memory_order_relaxed);
    m_value.store(other.GetValue(), std::memory_order_relaxed);
    m_graph = other.m_graph;
    m_autoGraph = other.m_autoGraph;
    return *this;
}

void CSmartProperty::Init(std::int32_t mode, double min, double max)
{
    SetMode(mode);
    m_min = min;
    m_max = max;
    m_autoGraph.m_min = min;
    m_autoGraph.m_lowerLimit = min;
    m_autoGraph.m_max = max;
    m_autoGraph.m_upperLimit = max;
    m_value.store((min + max) * 0.5, std::memory_order_relaxed);
    m_graph.Reset();
}

void CSmartProperty::SetValue(double v)
{
    SetMode(kModeConstant);
    m_value.store(v, std::memory_order_relaxed);
    const double span = m_max - m_min;
    m_graph.SetConstant(span != 0.0 ? (v - m_min) / span + 0.0001 : 0.0001);
}

void CSmartProperty::SetGraph(const CGraph& graph)
{
    SetMode(kModeGraph);
    m_graph = graph;
}

double CSmartProperty::GetValueAt(double t) noexcept
{
    switch (GetMode())
    {
    case kModeConstant:
        return GetValue();
    case kModeGraph:
        return m_min + m_graph.GetValueAt(t) * (m_max - m_min);
    case kModeAutoGraph:
        return m_autoGraph.NextValue();
    default:
        return 0.0;
    }
}

double CSmartProperty::PeekValueAt(double t) const noexcept
{
    switch (GetMode())
    {
    case kModeConstant:
        return GetValue();
    case kModeGraph:
        return m_min + m_graph.GetValueAt(t) * (m_max - m_min);
    case kModeAutoGraph:
        return m_autoGraph.LastValue();
    default:
        return 0.0;
    }
}

double CSmartProperty::GetValueAt(double t, std::size_t& hint) noexcept
{
    switch (GetMode())
    {
    case kModeConstant:
        return GetValue();
    case kModeGraph:
        return m_min + m_graph.GetValueAt(t, hint) * (m_max - m_min);
    case kModeAutoGraph:
        return m_autoGraph.NextValue();
    default:
        return 0.0;
    }
}

double CSmartProperty::ValueFromFile(double v) const
{
    // Checked after the conversion: a finite old value can overflow when it is scaled.
    if (!std::isfinite(v))
        plat::Archive::ThrowBadFormat("The file is damaged: a setting is not a number.");
    return std::clamp(v, m_min, m_max);
}

void CSmartProperty::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(GetMode());
        ar.WriteDouble(m_min);
        ar.WriteDouble(m_max);
        ar.WriteDouble(GetValue());
    }
    else
    {
        const std::int32_t mode = ar.ReadInt32();
        const double mn = ar.ReadDouble();
        const double mx = ar.ReadDouble();
        const double value = ar.ReadDouble();
        // A range the program never writes would divide by zero in SetValue or carry
        // non-numbers into the audio (a span too wide for a double makes the graph's values
        // infinite).
        if (!std::isfinite(mn) || !std::isfinite(mx) || !(mn < mx) || !std::isfinite(mx - mn))
            plat::Archive::ThrowBadFormat("The file is damaged: a setting has an invalid range.");
        SetMode(mode);
        m_min = mn;
        m_max = mx;
        m_value.store(ValueFromFile(value), std::memory_order_relaxed);
    }
    m_graph.Serialize(ar);
    m_autoGraph.Serialize(ar);
    if (ar.IsLoading())
    {
        // The walk runs between its limits: they lie in the range, the lower one first, as the
        // automatic-graph editor keeps them.
        CAutoGraph& a = m_autoGraph;
        a.m_lowerLimit = std::clamp(a.m_lowerLimit, m_min, m_max);
        a.m_upperLimit = std::clamp(a.m_upperLimit, a.m_lowerLimit, m_max);
        a.m_changeRate = std::clamp(a.m_changeRate, CAutoGraph::kFastestRate, CAutoGraph::kSlowestRate);
    }
}

bool CSmartProperty::LoadOld(plat::Archive& ar, bool asDouble, bool times100)
{
    if (ar.GetFileVersion() >= 400)
        return false;
    double number;
    if (asDouble)
    {
        number = ar.ReadDouble();
        if (times100)
            number *= 100.0;
    }
    else
        number = ar.ReadInt32();
    const std::int32_t hasGraph = ar.ReadInt32();
    CGraph graph;
    graph.Serialize(ar);
    if (hasGraph != 0)
    {
        SetMode(kModeGraph);
        m_graph = graph;
    }
    else
    {
        SetMode(kModeConstant);
        m_value.store(ValueFromFile(number), std::memory_order_relaxed);
    }
    return true;
}
