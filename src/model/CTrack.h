#pragma once
/** @brief One track of a session: a segment kind, its segments and whether it plays.
 *
 * Copying a track copies kind and flag and shares the segment objects (the list is a shallow
 * copy), as swapping tracks needs. */

#include "model/CSegments.h"

#include <cstdint>

struct CTrack
{
    std::int32_t m_kind = 0; ///< segment kind 0..7
    CSegments m_segments;
    bool m_active = false; ///< true plays, false is muted
};
