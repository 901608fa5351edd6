#include "model/CSegmentNoise.h"

#include "platform/Archive.h"

namespace
{

constexpr double kDefaultSmoothness = 50.0;
constexpr double kDefaultFilter = 0.0;
constexpr double kDefaultFrequency = 1000.0;
constexpr double kDefaultSharpness = 50.0;

} // namespace

CSegmentNoise::CSegmentNoise()
{
    m_smoothness.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    m_filter.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    m_frequency.Init(CSmartProperty::kModeConstant, 100.0, 3000.0);
    m_sharpness.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
}

void CSegmentNoise::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_color = kColorPink;
    m_smoothness.SetValue(kDefaultSmoothness);
    m_filter.SetValue(kDefaultFilter);
    m_frequency.SetValue(kDefaultFrequency);
    m_sharpness.SetValue(kDefaultSharpness);
}

void CSegmentNoise::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentNoise>(other);
    CSegment::CopyFrom(other);
    m_color = source.m_color;
    m_smoothness = source.m_smoothness;
    m_filter = source.m_filter;
    m_frequency = source.m_frequency;
    m_sharpness = source.m_sharpness;
}

void CSegmentNoise::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteInt32(m_color);
    else if (IsOldFile(ar))
    {
        m_smoothness.LoadOld(ar, false, false);
        return;
    }
    else
        m_color = ar.ReadInt32();
    m_smoothness.Serialize(ar);
    m_filter.Serialize(ar);
    m_frequency.Serialize(ar);
    m_sharpness.Serialize(ar);
}
