#pragma once
/** @brief The mixer's state for one session track: where it stands in its segments, its
 *  generator, its render block and its effect chain. Worker thread while playing. */

#include "audio/CEffectsProcessor.h"
#include "audio/CSound.h"
#include "audio/CStereoFrame.h"

#include <cstdint>
#include <memory>

class CSegments;

struct CMixerTrack
{
    /** The track's flag and at least one segment; in preview mode only the previewed track. */
    bool m_active = false;
    const CSegments* m_segments = nullptr; ///< the track's, not owned
    std::int32_t m_segmentCount = 0;
    std::int32_t m_kind = 0;          ///< the track's kind; segments of another kind are not played
    std::int32_t m_current = -1;      ///< index of the current segment; -1 when there is none
    std::uint32_t m_segmentStart = 0; ///< session frames of the current segment, both sounding
    std::uint32_t m_segmentEnd = 0;
    // The effects are declared first so that they outlive the sound, whose destructor
    // terminates them when a playback stops in mid-segment.
    std::unique_ptr<CEffectsProcessor> m_effects;
    std::unique_ptr<CSound> m_sound; ///< null for a track without segments
    std::unique_ptr<CStereoFrame[]> m_block;
    bool m_startPending = false; ///< positioned on a segment whose sound is not initialised yet
};
