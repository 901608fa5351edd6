#pragma once
/** @brief The ordered segments of one track, and the factory that makes a segment of a kind.
 *
 * The list holds its segments by std::shared_ptr. Copies of a list (CopyFrom, or the copy
 * constructor) share the segment objects, as the track swap needs; a segment is freed when
 * the last list or holder lets go of it, so nothing dangles and nothing leaks. A holder that
 * must not keep a removed segment alive (a "copied segment" for paste) keeps a weak_ptr.
 * UI thread; the engine's worker reads the list while a session plays and edits are kept away
 * from a playing session. */

#include "model/CSegment.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace plat
{
class Archive;
}

class CSegments
{
public:
    using SegmentPtr = std::shared_ptr<CSegment>;

    /** For Serialize: accept segments of every kind (a list outside any track). */
    static constexpr std::int32_t kAnyKind = -1;

    /** A new segment of @p kind with its defaults (a tone segment also gets the true-binaural
     *  flag of its entrainment settings). InvalidArgumentError for a kind outside 0..7. */
    static SegmentPtr CreateSegment(std::int32_t kind);

    std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(m_segments.size()); }
    /** The segment at @p i; InvalidArgumentError outside the list. The reference is into the
     *  list: copy the pointer to keep the segment past the next change of the list. */
    const SegmentPtr& GetSegment(std::int32_t i) const;
    /** Index of the first segment with begin <= t <= end; -1 when t is outside [0, 1] or no
     *  segment holds it. */
    std::int32_t FindSegment(double t) const noexcept;
    /** Inserts @p segment before the first segment that begins at or after its end, or appends.
     *  InvalidArgumentError for a null pointer. */
    void AddSegment(SegmentPtr segment);
    /** Removes the segment at @p i (freed unless another holder shares it); nothing happens on
     *  an empty list; InvalidArgumentError outside the list. */
    void RemoveSegment(std::int32_t i);
    /** OnListCleared on every segment, then the list is emptied. */
    void RemoveAll();
    /** Makes this list share the segments of @p other, in order; a copy onto itself changes nothing. */
    void CopyFrom(const CSegments& other);

    /** The current record: int32 n, then n times (int32 kind, the segment's record). Reading
     *  refuses, as a damaged file, a kind outside 0..7 and, unless @p trackKind is kAnyKind, a
     *  kind other than @p trackKind: every segment of a track is played as the track's kind.
     *  Reading a file below version 400 needs the track list: use LoadOld. */
    void Serialize(plat::Archive& ar, std::int32_t trackKind);
    /** The record of files before version 400: int32 n, then n times (int32 track index, the
     *  old segment record). A segment takes the kind of the track at its index in
     *  @p kindsOfTracks (the kinds of the tracks as read so far); an index outside it raises
     *  InvalidArgumentError, and a kind other than @p trackKind is refused as a damaged file. */
    void LoadOld(plat::Archive& ar, std::int32_t trackKind, std::span<const std::int32_t> kindsOfTracks);

    /** The segments in order (for iteration). */
    const std::vector<SegmentPtr>& GetSegments() const noexcept { return m_segments; }

private:
    std::vector<SegmentPtr> m_segments;
};
