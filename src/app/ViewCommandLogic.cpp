#include "app/ViewCommandLogic.h"

#include "model/CSegmentSuggestions.h"
#include "model/CTracks.h"
#include "platform/Folders.h"

#include <algorithm>

namespace shell
{

bool CanAddTrack(int trackCount)
{
    // A session without tracks is far below the limit (and the division needs a count).
    return trackCount <= 0 || 600 / trackCount > 11;
}

bool FindSegmentInTracks(const CTracks& tracks, const CSegment* segment, int& track, int& index)
{
    if (segment == nullptr)
        return false;
    for (int t = 0; t < tracks.GetCount(); ++t)
    {
        const auto& list = tracks.GetTrack(t).m_segments.GetSegments();
        for (int s = 0; s < static_cast<int>(list.size()); ++s)
            if (list[s].get() == segment)
            {
                track = t;
                index = s;
                return true;
            }
    }
    return false;
}

bool IsSegmentInTracks(const CTracks& tracks, const CSegment* segment)
{
    int track = -1;
    int index = -1;
    return FindSegmentInTracks(tracks, segment, track, index);
}

int PrepareRecordingTrack(CTracks& tracks)
{
    // Voice tracks come first in the list: the walk stops at the first track of another kind.
    for (int i = 0; i < tracks.GetCount(); ++i)
    {
        const CTrack& track = tracks.GetTrack(i);
        if (track.m_kind == CSegment::kKindVoice)
        {
            if (track.m_segments.GetCount() == 0)
                return i;
            continue;
        }
        if (i == 0)
        {
            // A track goes in only after another one: put it after the first, then in front.
            tracks.InsertTrack(0, CSegment::kKindVoice);
            tracks.SwapTracks(0, 1);
            return 0;
        }
        tracks.InsertTrack(i - 1, CSegment::kKindVoice);
        return i;
    }
    // Every track is a voice track holding segments, or there is none: a new one at the end.
    const int count = tracks.GetCount();
    tracks.InsertTrack(count > 0 ? count - 1 : 0, CSegment::kKindVoice);
    return count;
}

void CentreRecording(double contentSeconds, double sessionSeconds, double& begin, double& end)
{
    begin = 0.0;
    end = 1.0;
    // A length that could not be read would give an invisible segment of no length: keep the
    // whole session, where the segment can still be seen and edited.
    if (!(contentSeconds > 0.0) || !(sessionSeconds > 0.0))
        return;
    const double half = contentSeconds / sessionSeconds / 2.0;
    begin = std::max(0.5 - half, 0.0);
    end = std::min(0.5 + half, 1.0);
}

QString BuildScriptReport(const CTracks& tracks)
{
    const QString newline = QStringLiteral("\r\n");
    QString text = QStringLiteral("Scripts and Suggestions\r\n=======================\r\n\r\n");
    for (int t = 0; t < tracks.GetCount(); ++t)
    {
        const CTrack& track = tracks.GetTrack(t);
        if (track.m_kind != CSegment::kKindVoice)
            continue;
        for (const auto& segment : track.m_segments.GetSegments())
        {
            const auto* voice = dynamic_cast<const CSegmentSuggestions*>(segment.get());
            if (voice == nullptr || voice->GetPlayMode() == CSegmentSuggestions::kPlayModeLivePlaceholder)
                continue;
            for (const CFileListEntry& file : voice->m_files)
                text += GetPathWithoutExtension(GetFileNameOfPath(file.m_path)) + newline;
            if (!voice->m_scriptText.isEmpty())
                text += voice->m_scriptText + newline;
            text += newline;
        }
    }
    return text;
}

} // namespace shell
