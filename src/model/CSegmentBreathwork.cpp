#include "model/CSegmentBreathwork.h"

#include "platform/Archive.h"

namespace
{

constexpr double kDefaultCycle = 12.0;
constexpr double kDefaultBreathing = 50.0;

} // namespace

CSegmentBreathwork::CSegmentBreathwork()
{
    m_cycle.Init(CSmartProperty::kModeConstant, 8.0, 60.0);
    m_breathing.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
}

void CSegmentBreathwork::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_pattern = 0;
    m_cycle.SetValue(kDefaultCycle);
    m_breathing.SetValue(kDefaultBreathing);
}

void CSegmentBreathwork::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentBreathwork>(other);
    CSegment::CopyFrom(other);
    m_pattern = source.m_pattern;
    m_cycle = source.m_cycle;
    m_breathing = source.m_breathing;
}

void CSegmentBreathwork::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteInt32(m_pattern);
    else if (IsOldFile(ar))
    {
        m_cycle.LoadOld(ar, false, false);
        m_pattern = ar.ReadInt32();
        for (int i = 0; i < 4; ++i)
            ar.ReadInt32();
        return;
    }
    else
        m_pattern = ar.ReadInt32();
    m_cycle.Serialize(ar);
    m_breathing.Serialize(ar);
}
