#include "dialogs/panels/CDlgSegmentAmbientMusic.h"

#include "dialogs/panels/SoundFileList.h"
#include "model/CSegment.h"

CDlgSegmentAmbientMusic::CDlgSegmentAmbientMusic()
    : CDlgSegmentPlaylist(CSegment::kKindAmbientMusic, filelist::kFolderAmbientMusic,
                          segpanel::kAmbientStyleCombo, segpanel::kInitialAmbientStyle)
{
}
