#include "model/CTracks.h"

#include "model/CSegmentSuggestions.h"
#include "platform/Archive.h"
#include "platform/Errors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <utility>

namespace
{

constexpr std::array<const char*, CSegment::kKindCount> kKindNames = {
    "Voice", "Ambient Music", "Nature", "Bells", "Tone", "Noise", "Breathwork", "External Audio",
};
constexpr std::array<float, CSegment::kKindCount> kKindHues = {0.52f, 0.62f, 0.79f, 0.97f,
                                                               0.06f, 0.17f, 0.23f, 0.37f};

// Smallest track record in every version: the kind, the active byte and an empty segment count.
constexpr std::size_t kMinTrackRecordBytes = 4 + 1 + 4;
// A lower bound of one entry of the dropped-track block of old files (two int32, the old
// segment's begin and end, two doubles); the archive checks the rest as it reads.
constexpr std::size_t kMinDroppedEntryBytes = 4 + 8 + 8 + 4 + 8 + 8;

// Files before version 400 numbered nature before ambient music and had a track kind of
// their own (7) for external audio, which is gone.
constexpr std::int32_t kDroppedKind = -1;
constexpr std::int32_t kOldKindCount = 9;
constexpr std::array<std::int32_t, kOldKindCount> kKindOfOldKind = {
    CSegment::kKindVoice,      CSegment::kKindNature, CSegment::kKindAmbientMusic,
    CSegment::kKindBells,      CSegment::kKindTone,   CSegment::kKindNoise,
    CSegment::kKindBreathwork, kDroppedKind,          CSegment::kKindExternalAudio,
};

// Reads and drops the segments of an old external-track block.
void SkipDroppedBlock(plat::Archive& ar)
{
    const std::int32_t m = ar.ReadCount(kMinDroppedEntryBytes);
    for (std::int32_t j = 0; j < m; ++j)
    {
        ar.ReadInt32();
        CSegment scratch;
        scratch.LoadOld(ar);
        ar.ReadInt32();
        ar.ReadDouble();
        ar.ReadDouble();
    }
}

} // namespace

void CTracks::CheckKind(std::int32_t kind)
{
    if (!CSegment::IsValidKind(kind))
        throw plat::InvalidArgumentError("There is no track of kind " + std::to_string(kind) + ".");
}

void CTracks::CheckIndex(std::int32_t i) const
{
    if (i < 0 || i >= GetCount())
        throw plat::InvalidArgumentError("Track index out of range.");
}

CTrack& CTracks::GetTrack(std::int32_t i)
{
    CheckIndex(i);
    return m_tracks[static_cast<std::size_t>(i)];
}

const CTrack& CTracks::GetTrack(std::int32_t i) const
{
    CheckIndex(i);
    return m_tracks[static_cast<std::size_t>(i)];
}

void CTracks::GetTrackInfo(std::int32_t i, TrackInfo& info) const
{
    const std::int32_t kind = GetTrack(i).m_kind;
    CheckKind(kind);
    info.kind = kind;
    info.name = QString::fromLatin1(kKindNames[static_cast<std::size_t>(kind)]);
    info.hue = GetKindHue(kind);
}

float CTracks::GetKindHue(std::int32_t kind)
{
    CheckKind(kind);
    return kKindHues[static_cast<std::size_t>(kind)];
}

bool CTracks::IsOnlyTrackOfKind(std::int32_t i) const
{
    const std::int32_t kind = GetTrack(i).m_kind;
    return std::count_if(m_tracks.begin(), m_tracks.end(),
                         [kind](const CTrack& t) { return t.m_kind == kind; }) == 1;
}

void CTracks::MuteTrack(std::int32_t i)
{
    if (i < 0)
        throw plat::InvalidArgumentError("Track index out of range.");
    if (i < GetCount())
        m_tracks[static_cast<std::size_t>(i)].m_active = false;
}

void CTracks::ActivateTrack(std::int32_t i)
{
    if (i < 0)
        throw plat::InvalidArgumentError("Track index out of range.");
    if (i < GetCount())
        m_tracks[static_cast<std::size_t>(i)].m_active = true;
}

void CTracks::MuteAll()
{
    for (CTrack& t : m_tracks)
    {
        if (t.m_segments.GetCount() > 0)
            t.m_active = false;
    }
}

void CTracks::ActivateAll()
{
    for (CTrack& t : m_tracks)
        t.m_active = true;
}

void CTracks::InsertNewTrack(std::size_t at, std::int32_t kind)
{
    CTrack track;
    track.m_kind = kind;
    track.m_active = true;
    m_tracks.insert(m_tracks.begin() + static_cast<std::ptrdiff_t>(at), std::move(track));
}

void CTracks::AddTrack(std::int32_t i)
{
    const std::int32_t kind = GetTrack(i).m_kind;
    InsertNewTrack(static_cast<std::size_t>(i) + 1, kind);
}

void CTracks::InsertTrack(std::int32_t i, std::int32_t kind)
{
    if (i < 0)
        throw plat::InvalidArgumentError("Track index out of range.");
    CheckKind(kind);
    InsertNewTrack(std::min(static_cast<std::size_t>(i) + 1, m_tracks.size()), kind);
}

void CTracks::DuplicateTrack(std::int32_t i)
{
    const CTrack& source = GetTrack(i);
    // The copies are made before the track list changes, so a failing copy changes nothing.
    CSegments copies;
    for (const CSegments::SegmentPtr& s : source.m_segments.GetSegments())
    {
        CSegments::SegmentPtr copy = CSegments::CreateSegment(source.m_kind);
        copy->CopyFrom(*s);
        copies.AddSegment(std::move(copy));
    }
    AddTrack(i);
    m_tracks[static_cast<std::size_t>(i) + 1].m_segments.CopyFrom(copies);
}

void CTracks::RemoveTrack(std::int32_t i)
{
    CTrack& track = GetTrack(i);
    track.m_segments.RemoveAll();
    if (IsOnlyTrackOfKind(i))
        track.m_active = true;
    else
        m_tracks.erase(m_tracks.begin() + i);
}

void CTracks::RemoveEmptyTracks()
{
    for (;;)
    {
        std::int32_t found = -1;
        for (std::int32_t i = 0; i < GetCount(); ++i)
        {
            if (m_tracks[static_cast<std::size_t>(i)].m_segments.GetCount() == 0 && !IsOnlyTrackOfKind(i))
            {
                found = i;
                break;
            }
        }
        if (found < 0)
            return;
        m_tracks.erase(m_tracks.begin() + found);
    }
}

void CTracks::SwapTracks(std::int32_t a, std::int32_t b)
{
    CheckIndex(a);
    CheckIndex(b);
    std::swap(m_tracks[static_cast<std::size_t>(a)], m_tracks[static_cast<std::size_t>(b)]);
}

void CTracks::UpdateSegmentTimes(std::int32_t sessionSeconds)
{
    for (CTrack& t : m_tracks)
    {
        const std::vector<CSegments::SegmentPtr>& segments = t.m_segments.GetSegments();
        for (std::size_t j = 0; j < segments.size(); ++j)
        {
            const double nextBegin = j + 1 < segments.size() ? segments[j + 1]->m_begin.Load() : 1.0;
            segments[j]->LimitEnd(nextBegin, sessionSeconds);
        }
    }
}

std::int32_t CTracks::FindTrackOf(const CSegment* segment) const noexcept
{
    for (std::size_t i = 0; i < m_tracks.size(); ++i)
    {
        for (const CSegments::SegmentPtr& s : m_tracks[i].m_segments.GetSegments())
        {
            if (s.get() == segment)
                return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void CTracks::ForgetLiveSegment() noexcept
{
    m_liveSegment.reset();
    m_liveTrackInserted = false;
}

CSegments::SegmentPtr CTracks::AddLiveVoiceSegment()
{
    if (CSegments::SegmentPtr live = m_liveSegment.lock(); live && FindTrackOf(live.get()) >= 0)
        return live;

    CSegments::SegmentPtr segment = CSegments::CreateSegment(CSegment::kKindVoice);
    auto& voice = static_cast<CSegmentSuggestions&>(*segment);
    voice.m_begin = 0.0;
    voice.m_end = 0.0;
    voice.m_playMode = CSegmentSuggestions::kPlayModeLivePlaceholder;
    for (std::atomic<bool>& on : voice.m_effects.m_switch)
        on.store(true, std::memory_order_relaxed);

    // The placeholder is played as a voice segment, so it may only go into a voice track; any
    // other track 0 (after a track swap, or in a converted old file) gets a voice track before it.
    const bool useTrackZero = !m_tracks.empty() && m_tracks.front().m_kind == CSegment::kKindVoice &&
                              m_tracks.front().m_segments.GetCount() == 0;
    if (!useTrackZero)
        InsertNewTrack(0, CSegment::kKindVoice);
    m_tracks.front().m_segments.AddSegment(segment);
    m_liveSegment = segment;
    m_liveTrackInserted = !useTrackZero;
    return segment;
}

void CTracks::RemoveLiveVoiceSegment()
{
    const CSegments::SegmentPtr live = m_liveSegment.lock();
    const bool trackInserted = m_liveTrackInserted;
    ForgetLiveSegment();
    if (!live)
        return;
    const std::int32_t t = FindTrackOf(live.get());
    if (t < 0)
        return;
    CSegments& segments = m_tracks[static_cast<std::size_t>(t)].m_segments;
    if (trackInserted && segments.GetCount() == 1)
    {
        segments.RemoveAll();
        m_tracks.erase(m_tracks.begin() + t);
        return;
    }
    const std::vector<CSegments::SegmentPtr>& list = segments.GetSegments();
    const auto at = std::find(list.begin(), list.end(), live);
    segments.RemoveSegment(static_cast<std::int32_t>(std::distance(list.begin(), at)));
}

void CTracks::SetDefault()
{
    RemoveAll();
    for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
        InsertNewTrack(m_tracks.size(), kind);
}

void CTracks::RemoveAll()
{
    for (CTrack& t : m_tracks)
        t.m_segments.RemoveAll();
    m_tracks.clear();
    ForgetLiveSegment();
}

void CTracks::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(GetCount());
        for (CTrack& t : m_tracks)
        {
            ar.WriteInt32(t.m_kind);
            ar.WriteFlag(t.m_active);
            t.m_segments.Serialize(ar, t.m_kind);
        }
        return;
    }
    if (ar.GetFileVersion() < 400)
    {
        LoadOld(ar);
        return;
    }
    const std::int32_t n = ar.ReadCount(kMinTrackRecordBytes);
    std::vector<CTrack> read(static_cast<std::size_t>(n));
    for (CTrack& t : read)
    {
        t.m_kind = ar.ReadInt32();
        // The kind picks the name, the hue and the generator of the track: no other value has one.
        if (!CSegment::IsValidKind(t.m_kind))
            plat::Archive::ThrowBadFormat("The file is damaged: a track has an unknown kind.");
        t.m_active = ar.ReadFlag();
        t.m_segments.Serialize(ar, t.m_kind);
    }
    RemoveAll();
    m_tracks = std::move(read);
}

void CTracks::LoadOld(plat::Archive& ar)
{
    const std::int32_t n = ar.ReadCount(kMinTrackRecordBytes);
    std::vector<CTrack> read(static_cast<std::size_t>(n));
    // An old segment names the track whose kind it takes; later tracks still have the kind of a
    // new track, as the list stood in memory while it was read.
    std::vector<std::int32_t> kinds(static_cast<std::size_t>(n), CSegment::kKindVoice);
    for (std::size_t i = 0; i < read.size(); ++i)
    {
        const std::int32_t oldKind = ar.ReadInt32();
        if (oldKind < 0 || oldKind >= kOldKindCount)
            plat::Archive::ThrowBadFormat("The file is damaged: a track has an unknown kind.");
        CTrack& t = read[i];
        t.m_kind = kKindOfOldKind[static_cast<std::size_t>(oldKind)];
        kinds[i] = t.m_kind;
        t.m_active = ar.ReadFlag();
        if (t.m_kind == kDroppedKind)
            SkipDroppedBlock(ar);
        else
            t.m_segments.LoadOld(ar, t.m_kind, kinds);
    }
    std::erase_if(read, [](const CTrack& t) { return t.m_kind == kDroppedKind; });
    RemoveAll();
    m_tracks = std::move(read);
    MoveAmbientBeforeNature();
    RemoveEmptyTracks();
}

void CTracks::MoveAmbientBeforeNature()
{
    const auto isKind = [](std::int32_t kind)
    { return [kind](const CTrack& t) { return t.m_kind == kind; }; };
    const auto firstNature = std::find_if(m_tracks.begin(), m_tracks.end(), isKind(CSegment::kKindNature));
    const auto firstAmbient =
        std::find_if(m_tracks.begin(), m_tracks.end(), isKind(CSegment::kKindAmbientMusic));
    if (firstNature == m_tracks.end() || firstAmbient == m_tracks.end())
        return;
    // Old files put the nature tracks first. Rotating the range brings the ambient block, in its
    // order, right before the first nature track and keeps every track; when ambient music
    // already comes first the order is left alone.
    if (firstNature > firstAmbient)
        return;
    const auto lastAmbient =
        std::find_if(m_tracks.rbegin(), m_tracks.rend(), isKind(CSegment::kKindAmbientMusic)).base();
    std::rotate(firstNature, firstAmbient, lastAmbient);
}
