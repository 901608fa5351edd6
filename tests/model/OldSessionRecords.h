#pragma once
/** @brief Test-only writers for the track list and the whole session file of old versions
 *  (before 400), which no current code writes: every byte is laid down here field by field. */

#include "SegmentFixtures.h"
#include "platform/Archive.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vtest
{

inline constexpr std::int32_t kSessionMagic = 0x0440C766;

/** One track of an old file: its old kind number (1 nature, 2 ambient music, 7 the dropped
 *  external track, 8 external audio) and one segment per begin, each with @p numbers in its base
 *  record and, when given, @p kindNumber as the number of its kind's own setting (the voice gap,
 *  the tone's carrier, the noise's smoothness, the breathwork cycle). */
struct OldTrack
{
    std::int32_t oldKind;
    std::vector<double> begins;
    OldBaseNumbers numbers{};
    std::optional<double> kindNumber{};
};

/** Makes segment @p segment of track @p track store track index @p storedIndex instead of its own. */
struct StoredIndex
{
    std::size_t track;
    std::size_t segment;
    std::int32_t storedIndex;
};

/** The part of an old segment record that follows the base, for a segment of old kind @p oldKind;
 *  @p number replaces the default of the kind's own number where it has one. */
inline void WriteOldKindPart(plat::Archive& ar, std::int32_t oldKind, std::optional<double> number = {})
{
    const auto numberOr = [&number](double standard) { return number.value_or(standard); };
    switch (oldKind)
    {
    case 0: // voice: the file list, a random byte and the gap as a double
        ar.WriteInt32(1);
        WriteAnsiString(ar, "Suggestions\\English male voice\\deep.mp3");
        ar.WriteByte(1);
        ar.WriteByte(0);
        ar.WriteDouble(numberOr(8.0));
        break;
    case 1: // nature: path, library flag, a byte and three int32
        WriteAnsiString(ar, "Nature Volume 1\\rain.ogg");
        ar.WriteByte(1);
        ar.WriteByte(0);
        for (int i = 0; i < 3; ++i)
            ar.WriteInt32(0);
        break;
    case 2: // ambient music: path, library flag and two int32
        WriteAnsiString(ar, "Ambient Music Volume 2\\calm.ogg");
        ar.WriteByte(1);
        ar.WriteInt32(0);
        ar.WriteInt32(0);
        break;
    case 3: // bells: an int32, the instrument, three bytes and two int32
        ar.WriteInt32(0);
        ar.WriteInt32(4);
        for (int i = 0; i < 3; ++i)
            ar.WriteByte(0);
        ar.WriteInt32(0);
        ar.WriteInt32(0);
        break;
    case 4: // tone: the carrier and two int32
        WriteOldIntProperty(ar, static_cast<std::int32_t>(numberOr(200)));
        ar.WriteInt32(0);
        ar.WriteInt32(0);
        break;
    case 5: // noise: the smoothness
        WriteOldIntProperty(ar, static_cast<std::int32_t>(numberOr(40)));
        break;
    case 6: // breathwork: the cycle, the pattern and four int32
        WriteOldIntProperty(ar, static_cast<std::int32_t>(numberOr(12)));
        ar.WriteInt32(2);
        for (int i = 0; i < 4; ++i)
            ar.WriteInt32(0);
        break;
    case 8: // external audio: path, loop as int32, then a string, a byte and an int32
        WriteAnsiString(ar, "C:\\Music\\song.mp3");
        ar.WriteInt32(0);
        WriteAnsiString(ar, "");
        ar.WriteByte(0);
        ar.WriteInt32(0);
        break;
    default:
        break;
    }
}

/** An old track list record: per track the old kind, the active byte, then the old segment list
 *  (each entry the stored track index and the old segment record) or, for old kind 7, the dropped
 *  block (per entry an int32, the old base record, an int32 and two doubles). */
inline std::vector<std::uint8_t> OldTracksRecord(const std::vector<OldTrack>& tracks,
                                                 const std::vector<StoredIndex>& indexes = {})
{
    plat::Archive ar = plat::Archive::ForStoring(kOldVersion);
    ar.WriteInt32(static_cast<std::int32_t>(tracks.size()));
    for (std::size_t t = 0; t < tracks.size(); ++t)
    {
        const OldTrack& track = tracks[t];
        ar.WriteInt32(track.oldKind);
        ar.WriteByte(1);
        ar.WriteInt32(static_cast<std::int32_t>(track.begins.size()));
        for (std::size_t s = 0; s < track.begins.size(); ++s)
        {
            const double begin = track.begins[s];
            if (track.oldKind == 7)
            {
                ar.WriteInt32(3);
                WriteOldSegmentBase(ar, begin, begin + 0.05, 0.5, 0.5);
                ar.WriteInt32(1);
                ar.WriteDouble(2.0);
                ar.WriteDouble(3.0);
                continue;
            }
            std::int32_t stored = static_cast<std::int32_t>(t);
            for (const StoredIndex& i : indexes)
            {
                if (i.track == t && i.segment == s)
                    stored = i.storedIndex;
            }
            ar.WriteInt32(stored);
            WriteOldSegmentBase(ar, begin, begin + 0.05, track.numbers);
            WriteOldKindPart(ar, track.oldKind, track.kindNumber);
        }
    }
    return ar.GetBytes();
}

/** The session-wide setting of an old file: an unused int32 and the graph. */
inline void WriteOldGlobal(plat::Archive& ar, double y0, double y1)
{
    ar.WriteInt32(0);
    PutGraph(ar, y0, y1);
}

/** A whole old session file: header, one stage, @p tracks, both session-wide settings and, from
 *  version 340, the notes. */
inline std::vector<std::uint8_t> OldSessionFile(std::int32_t version, const std::vector<OldTrack>& tracks,
                                                const char* notes = "")
{
    plat::Archive ar = plat::Archive::ForStoring(version);
    ar.WriteInt32(kSessionMagic);
    ar.WriteInt32(version);
    ar.WriteInt32(600);
    ar.WriteInt32(1);
    WriteAnsiString(ar, "Alles");
    ar.WriteDouble(0.0);
    ar.WriteDouble(1.0);
    const std::vector<std::uint8_t> trackBytes = OldTracksRecord(tracks);
    for (std::uint8_t b : trackBytes)
        ar.WriteByte(b);
    WriteOldGlobal(ar, 0.25, 0.5);
    WriteOldGlobal(ar, 0.1, 0.1);
    if (version >= 340)
        WriteAnsiString(ar, notes);
    return ar.GetBytes();
}

} // namespace vtest
