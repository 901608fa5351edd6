#include "model/CSegmentTone.h"

#include "platform/Archive.h"

namespace
{

constexpr double kDefaultCarrier = 240.0;
constexpr double kDefaultOvertones = 2.0;

} // namespace

CSegmentTone::CSegmentTone()
{
    m_carrier.Init(CSmartProperty::kModeConstant, 30.0, 1000.0);
    m_overtones.Init(CSmartProperty::kModeConstant, 0.0, 9.0);
}

void CSegmentTone::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_carrier.SetValue(kDefaultCarrier);
    m_overtones.SetValue(kDefaultOvertones);
}

void CSegmentTone::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentTone>(other);
    CSegment::CopyFrom(other);
    m_carrier = source.m_carrier;
    m_overtones = source.m_overtones;
}

void CSegmentTone::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsLoading() && IsOldFile(ar))
    {
        m_carrier.LoadOld(ar, false, false);
        ar.ReadInt32();
        ar.ReadInt32();
        return;
    }
    m_carrier.Serialize(ar);
    m_overtones.Serialize(ar);
}
