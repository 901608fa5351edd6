#include "model/CSegment.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kDefaultLevel = 50.0;
/** The shortest span LimitEnd leaves a segment: this fraction of the session. */
constexpr double kMinSpanFraction = 0.005;
/** The first file version written in the current record forms. */
constexpr std::int32_t kCurrentFormVersion = 400;

CSegment::DurationFunction& InstalledDuration()
{
    static CSegment::DurationFunction duration;
    return duration;
}

} // namespace

void CSegment::SetDurationFunction(DurationFunction duration)
{
    InstalledDuration() = std::move(duration);
}

const CSegment::DurationFunction& CSegment::GetDurationFunction() noexcept
{
    return InstalledDuration();
}

CSegment::CSegment()
{
    m_volume.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    m_balance.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
}

bool CSegment::IsOldFile(const plat::Archive& ar)
{
    return ar.GetFileVersion() < kCurrentFormVersion;
}

double CSegment::MeasureFile(const DurationFunction& duration, const QString& path)
{
    if (!duration)
        return 0.0;
    const double seconds = duration(path);
    return std::isfinite(seconds) && seconds > 0.0 ? seconds : 0.0;
}

double CSegment::ReadFiniteDouble(plat::Archive& ar)
{
    const double v = ar.ReadDouble();
    if (!std::isfinite(v))
        plat::Archive::ThrowBadFormat("The file is damaged: a segment holds a value that is not a number.");
    return v;
}

void CSegment::SetDefaults()
{
    m_volume.SetValue(kDefaultLevel);
    m_balance.SetValue(kDefaultLevel);
    m_effects.SetDefaults();
    m_brainwaves.SetDefaults();
    m_bilateral.SetDefaults();
    m_contentDuration = 0.0;
}

void CSegment::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    m_begin = other.m_begin;
    m_end = other.m_end;
    m_volume = other.m_volume;
    m_balance = other.m_balance;
    m_effects.CopyFrom(other.m_effects);
    m_brainwaves.CopyFrom(other.m_brainwaves);
    m_bilateral.CopyFrom(other.m_bilateral);
    m_contentDuration = other.m_contentDuration;
}

void CSegment::LimitEnd(double nextBegin, std::int32_t sessionSeconds)
{
    const double d = m_contentDuration;
    // A session length of 0 can come straight from a file; there is no span to fit then.
    if (d == 0.0 || !std::isfinite(d) || sessionSeconds <= 0)
        return;
    const double length = sessionSeconds;
    const double beginSeconds = m_begin * length;
    const double contentEnd = std::max(0.0, beginSeconds + d);
    const double e = contentEnd - beginSeconds < kMinSpanFraction * length ? m_begin + kMinSpanFraction
                                                                           : contentEnd / length;
    // A next begin below this begin (an overlapping list from a file) must not turn the
    // segment inside out.
    m_end = std::max(m_begin.Load(), std::min(nextBegin, e));
}

void CSegment::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteDouble(m_begin);
        ar.WriteDouble(m_end);
        ar.WriteString(m_name);
        ar.WriteString(m_secondText);
    }
    else
    {
        if (IsOldFile(ar))
        {
            LoadOld(ar);
            return;
        }
        m_begin = ReadFiniteDouble(ar);
        m_end = ReadFiniteDouble(ar);
        m_name = ar.ReadString();
        m_secondText = ar.ReadString();
    }
    m_volume.Serialize(ar);
    m_balance.Serialize(ar);
    m_effects.Serialize(ar);
    m_brainwaves.Serialize(ar);
    m_bilateral.Serialize(ar);
}

void CSegment::LoadOld(plat::Archive& ar)
{
    // The nested old readers read nothing from a current file, so the fields would be misread.
    if (!IsOldFile(ar))
        throw plat::InvalidArgumentError("The old segment record exists only in files before version 400.");
    m_begin = ReadFiniteDouble(ar);
    m_end = ReadFiniteDouble(ar);
    m_volume.LoadOld(ar, true, true);
    m_balance.LoadOld(ar, true, true);
    // Settings of the old format that have no counterpart any more.
    ar.ReadDouble();
    ar.ReadInt32();
    CGraph dropped;
    dropped.Serialize(ar);
    ar.ReadDouble();
    ar.ReadDouble();
    m_brainwaves.LoadOld(ar);
    m_bilateral.LoadOld(ar);
    m_name.clear();
    m_secondText.clear();
}
