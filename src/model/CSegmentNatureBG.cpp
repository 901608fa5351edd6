#include "model/CSegmentNatureBG.h"

#include "platform/Archive.h"

void CSegmentNatureBG::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentNatureBG>(other);
    CSegment::CopyFrom(other);
    CopyPlaylist(source);
}

void CSegmentNatureBG::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsLoading() && IsOldFile(ar))
    {
        LoadOldFile(ar, {u"Nature Volume 1\\"}, u"Nature\\");
        ar.ReadByte();
        ar.ReadInt32();
        ar.ReadInt32();
        ar.ReadInt32();
        return;
    }
    SerializePlaylist(ar);
}
