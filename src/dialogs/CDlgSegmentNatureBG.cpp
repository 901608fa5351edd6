#include "dialogs/CDlgSegmentNatureBG.h"

#include "dialogs/SoundFileList.h"
#include "model/CSegment.h"

CDlgSegmentNatureBG::CDlgSegmentNatureBG()
    : CDlgSegmentPlaylist(CSegment::kKindNature, filelist::kFolderNature, segpanel::kNatureStyleCombo,
                          segpanel::kInitialNatureStyle)
{
}
