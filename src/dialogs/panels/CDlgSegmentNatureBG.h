#pragma once
/** @brief The nature panel: the nature recordings of the segment, their order and play style, and the
 *  minutes between changes. UI thread. */

#include "dialogs/panels/CDlgSegmentPlaylist.h"

class CDlgSegmentNatureBG : public CDlgSegmentPlaylist
{
public:
    CDlgSegmentNatureBG();
};
