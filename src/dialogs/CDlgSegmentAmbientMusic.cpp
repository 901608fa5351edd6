#include "dialogs/CDlgSegmentAmbientMusic.h"

#include "dialogs/SoundFileList.h"
#include "model/CSegment.h"

CDlgSegmentAmbientMusic::CDlgSegmentAmbientMusic()
    : CDlgSegmentPlaylist(CSegment::kKindAmbientMusic, filelist::kFolderAmbientMusic, segpanel::kAmbientStyleCombo,
                          segpanel::kInitialAmbientStyle)
{
}
