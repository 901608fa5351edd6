#pragma once
/** @brief The session's tracks, each of one segment kind, and the operations the view and the
 *  session file perform on them.
 *
 * UI thread. The engine's worker reads the tracks, their segments and their flags while a
 * session plays; the view keeps edits of the list away from a playing session. */

#include "model/CSegments.h"
#include "model/CTrack.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace plat
{
class Archive;
}

class CTracks
{
public:
    /** What the tracks pane shows for a track. */
    struct TrackInfo
    {
        std::int32_t kind = 0;
        QString name;    ///< the kind's display name
        float hue = 0.f; ///< fraction of the colour circle
    };

    std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(m_tracks.size()); }
    /** The track at @p i; InvalidArgumentError outside the list. */
    CTrack& GetTrack(std::int32_t i);
    const CTrack& GetTrack(std::int32_t i) const;
    /** Kind, display name and hue of track @p i; InvalidArgumentError outside the list. */
    void GetTrackInfo(std::int32_t i, TrackInfo& info) const;
    /** The hue of a kind; InvalidArgumentError for a kind outside 0..7. */
    static float GetKindHue(std::int32_t kind);
    /** True when no other track has track @p i's kind; InvalidArgumentError outside the list. */
    bool IsOnlyTrackOfKind(std::int32_t i) const;

    /** Mutes / plays track @p i; nothing at or past the count; InvalidArgumentError when negative. */
    void MuteTrack(std::int32_t i);
    void ActivateTrack(std::int32_t i);
    /** Mutes every track that holds a segment; empty tracks keep their flag. */
    void MuteAll();
    void ActivateAll();

    /** A new empty active track of track @p i's kind right after it; InvalidArgumentError
     *  outside the list. */
    void AddTrack(std::int32_t i);
    /** A new empty active track of @p kind right after track @p i, or at the end when i is at or
     *  past the last track. InvalidArgumentError for a negative index or a kind outside 0..7. */
    void InsertTrack(std::int32_t i, std::int32_t kind);
    /** A new track after track @p i holding fresh copies of its segments (factory names, empty
     *  second texts); editing a copy leaves the original alone. */
    void DuplicateTrack(std::int32_t i);
    /** Empties track @p i and removes it, unless it is the only track of its kind: then it stays,
     *  empty and active. InvalidArgumentError outside the list. */
    void RemoveTrack(std::int32_t i);
    /** Removes empty tracks whose kind has another track, until none is left. */
    void RemoveEmptyTracks();
    /** Exchanges two tracks; InvalidArgumentError outside the list. */
    void SwapTracks(std::int32_t a, std::int32_t b);
    /** Lets every segment end with its content, never after the next segment's begin (1 for the
     *  last of a track). */
    void UpdateSegmentTimes(std::int32_t sessionSeconds);

    /** Adds the live-recording placeholder (a voice segment at 0 in mode 3 with every effect
     *  switched on) to track 0 and returns it. Track 0 is used only when it is an empty voice
     *  track; otherwise a new voice track is inserted at 0. While a placeholder is out, a second
     *  call returns it and changes nothing. */
    CSegments::SegmentPtr AddLiveVoiceSegment();
    /** Undoes exactly what AddLiveVoiceSegment did: removes the inserted track, or the placeholder
     *  from the track that was used. Nothing happens when no placeholder is out. */
    void RemoveLiveVoiceSegment();

    /** Eight empty active tracks, kinds 0 to 7. */
    void SetDefault();
    /** Empties every track's list, then the track list. */
    void RemoveAll();

    /** The current record: int32 n, then n times (int32 kind, byte active, the segment list).
     *  Files below version 400 take the old record and are converted (see LoadOld). A kind
     *  outside 0..7 is refused as a damaged file. */
    void Serialize(plat::Archive& ar);
    /** The record of files below version 400, with the old kind numbers; the dropped external
     *  track kind disappears with its segments, the ambient-music tracks are moved in front of
     *  the nature tracks and spare empty tracks are removed. An old kind outside 0..8 is refused. */
    void LoadOld(plat::Archive& ar);
    /** Moves the block from the first to the last ambient-music track in front of the first nature
     *  track, when a nature track comes first; every track is kept. */
    void MoveAmbientBeforeNature();

private:
    static void CheckKind(std::int32_t kind);
    void CheckIndex(std::int32_t i) const;
    void InsertNewTrack(std::size_t at, std::int32_t kind);
    /** Index of the track that holds @p segment, or -1. */
    std::int32_t FindTrackOf(const CSegment* segment) const noexcept;
    void ForgetLiveSegment() noexcept;

    std::vector<CTrack> m_tracks;

    // What AddLiveVoiceSegment did, so that RemoveLiveVoiceSegment undoes exactly that.
    std::weak_ptr<CSegment> m_liveSegment;
    bool m_liveTrackInserted = false;
};
