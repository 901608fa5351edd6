#pragma once
/** @brief The ambient-music panel: the ambient music loops of the segment, their order and play style, and
 * the minutes between changes. UI thread. */

#include "dialogs/panels/CDlgSegmentPlaylist.h"

class CDlgSegmentAmbientMusic : public CDlgSegmentPlaylist
{
public:
    CDlgSegmentAmbientMusic();
};
