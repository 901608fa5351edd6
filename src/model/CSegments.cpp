#include "model/CSegments.h"

#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "platform/Archive.h"
#include "platform/Errors.h"

#include <algorithm>

namespace
{

// Lower bound of one list entry in a file (the kind or track index, begin and end), so that a
// count the rest of the file cannot hold is refused before anything is read for it.
constexpr std::size_t kMinEntryBytes = 4 + 8 + 8;

void CheckStoredKind(std::int32_t kind, std::int32_t trackKind)
{
    if (!CSegment::IsValidKind(kind))
        plat::Archive::ThrowBadFormat("The file is damaged: a segment has an unknown kind.");
    if (trackKind != CSegments::kAnyKind && kind != trackKind)
        plat::Archive::ThrowBadFormat("The file is damaged: a segment does not match the kind of its track.");
}

} // namespace

CSegments::SegmentPtr CSegments::CreateSegment(std::int32_t kind)
{
    SegmentPtr segment;
    switch (kind)
    {
    case CSegment::kKindVoice:
        segment = std::make_shared<CSegmentSuggestions>();
        break;
    case CSegment::kKindAmbientMusic:
        segment = std::make_shared<CSegmentAmbientMusic>();
        break;
    case CSegment::kKindNature:
        segment = std::make_shared<CSegmentNatureBG>();
        break;
    case CSegment::kKindBells:
        segment = std::make_shared<CSegmentBells>();
        break;
    case CSegment::kKindTone:
        segment = std::make_shared<CSegmentTone>();
        // Not stored and not reset by the defaults: every tone segment, new or read, has it.
        segment->m_brainwaves.SetTrueBinaural(true);
        break;
    case CSegment::kKindNoise:
        segment = std::make_shared<CSegmentNoise>();
        break;
    case CSegment::kKindBreathwork:
        segment = std::make_shared<CSegmentBreathwork>();
        break;
    case CSegment::kKindExternalAudio:
        segment = std::make_shared<CSegmentMusicExt>();
        break;
    default:
        throw plat::InvalidArgumentError("There is no segment of kind " + std::to_string(kind) + ".");
    }
    segment->SetDefaults();
    return segment;
}

const CSegments::SegmentPtr& CSegments::GetSegment(std::int32_t i) const
{
    if (i < 0 || i >= GetCount())
        throw plat::InvalidArgumentError("Segment index out of range.");
    return m_segments[static_cast<std::size_t>(i)];
}

std::int32_t CSegments::FindSegment(double t) const noexcept
{
    if (!(t >= 0.0 && t <= 1.0))
        return -1;
    for (std::size_t i = 0; i < m_segments.size(); ++i)
    {
        const CSegment& s = *m_segments[i];
        if (s.m_begin <= t && t <= s.m_end)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

void CSegments::AddSegment(SegmentPtr segment)
{
    if (!segment)
        throw plat::InvalidArgumentError("No segment to add.");
    const double end = segment->m_end;
    const auto at = std::find_if(m_segments.begin(), m_segments.end(),
                                 [end](const SegmentPtr& s) { return s->m_begin >= end; });
    m_segments.insert(at, std::move(segment));
}

void CSegments::RemoveSegment(std::int32_t i)
{
    if (m_segments.empty())
        return;
    if (i < 0 || i >= GetCount())
        throw plat::InvalidArgumentError("Segment index out of range.");
    m_segments.erase(m_segments.begin() + i);
}

void CSegments::RemoveAll()
{
    for (const SegmentPtr& s : m_segments)
        s->OnListCleared();
    m_segments.clear();
}

void CSegments::CopyFrom(const CSegments& other)
{
    if (&other == this)
        return;
    m_segments = other.m_segments;
}

void CSegments::Serialize(plat::Archive& ar, std::int32_t trackKind)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(GetCount());
        for (const SegmentPtr& s : m_segments)
        {
            ar.WriteInt32(s->GetKind());
            s->Serialize(ar);
        }
        return;
    }
    if (ar.GetFileVersion() < 400)
        throw plat::InvalidArgumentError("The segments of an old file are read with the track list.");
    const std::int32_t n = ar.ReadCount(kMinEntryBytes);
    // Filled aside, so that a damaged file leaves the list as it was.
    std::vector<SegmentPtr> read;
    read.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
    {
        const std::int32_t kind = ar.ReadInt32();
        CheckStoredKind(kind, trackKind);
        SegmentPtr segment = CreateSegment(kind);
        segment->Serialize(ar);
        read.push_back(std::move(segment));
    }
    m_segments = std::move(read);
}

void CSegments::LoadOld(plat::Archive& ar, std::int32_t trackKind,
                        std::span<const std::int32_t> kindsOfTracks)
{
    const std::int32_t n = ar.ReadCount(kMinEntryBytes);
    std::vector<SegmentPtr> read;
    read.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
    {
        const std::int32_t index = ar.ReadInt32();
        if (index < 0 || static_cast<std::size_t>(index) >= kindsOfTracks.size())
            throw plat::InvalidArgumentError("The file names a track that does not exist.");
        // A segment given another track's kind would be parsed and played as that kind.
        const std::int32_t kind = kindsOfTracks[static_cast<std::size_t>(index)];
        CheckStoredKind(kind, trackKind);
        SegmentPtr segment = CreateSegment(kind);
        segment->Serialize(ar);
        read.push_back(std::move(segment));
    }
    m_segments = std::move(read);
}
