#include "model/CSegmentAmbientMusic.h"

#include "platform/Archive.h"

void CSegmentAmbientMusic::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentAmbientMusic>(other);
    CSegment::CopyFrom(other);
    CopyPlaylist(source);
}

void CSegmentAmbientMusic::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsLoading() && IsOldFile(ar))
    {
        // The two volumes of the old library are one folder now.
        LoadOldFile(ar, {u"Ambient Music Volume 1\\", u"Ambient Music Volume 2\\"}, u"Ambient Music\\");
        ar.ReadInt32();
        ar.ReadInt32();
        return;
    }
    SerializePlaylist(ar);
}
