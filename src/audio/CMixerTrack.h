#pragma once
/** @brief The mixer's state for one session track: where it stands in its segments, its
 *  generator, its render block and its effect chain. While playing, written only by the
 *  thread rendering the track's block (the worker or one of its render pool's helpers). */

#include "audio/CEffectsProcessor.h"
#include "audio/CSound.h"
#include "audio/CStereoFrame.h"
#include "platform/Random.h"

#include <QString>

#include <cstdint>
#include <memory>

class CSegments;

// Own cache lines: tracks rendered side by side on different threads write their fields.
struct alignas(64) CMixerTrack
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
    /** The track's own random numbers, current while it is made and while it renders, so
     *  that what it draws does not depend on the thread that renders it or on the other tracks. */
    plat::Random15 m_random;
    bool m_failed = false;      ///< the block's render failed; m_errorText says why
    QString m_errorText;        ///< for the view, posted by the mixer after the block
    double m_renderSeconds = 0; ///< how long the last block of the track took to render
};
