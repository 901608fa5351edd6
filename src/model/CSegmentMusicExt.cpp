#include "model/CSegmentMusicExt.h"

#include "platform/Archive.h"

void CSegmentMusicExt::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_path.clear();
    m_loop = false;
}

void CSegmentMusicExt::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentMusicExt>(other);
    CSegment::CopyFrom(other);
    m_path = source.m_path;
    m_loop = source.m_loop;
}

void CSegmentMusicExt::UpdateDuration(const DurationFunction& duration)
{
    m_contentDuration = 0.0;
    if (m_path.isEmpty() || m_loop)
        return;
    m_contentDuration = MeasureFile(duration, m_path);
}

void CSegmentMusicExt::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsStoring())
    {
        ar.WriteString(m_path);
        ar.WriteFlag(m_loop);
        return;
    }
    if (IsOldFile(ar))
    {
        // The old record kept the loop switch in an int32, and its duration is left for the
        // next update, as the old conversion did.
        m_path = ar.ReadString();
        m_loop = ar.ReadInt32() != 0;
        ar.ReadString();
        ar.ReadByte();
        ar.ReadInt32();
        return;
    }
    m_path = ar.ReadString();
    m_loop = ar.ReadFlag();
    UpdateDuration(GetDurationFunction());
}
