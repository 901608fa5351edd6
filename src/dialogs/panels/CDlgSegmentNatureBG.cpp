#include "dialogs/panels/CDlgSegmentNatureBG.h"

#include "dialogs/panels/SoundFileList.h"
#include "model/CSegment.h"

CDlgSegmentNatureBG::CDlgSegmentNatureBG()
    : CDlgSegmentPlaylist(CSegment::kKindNature, filelist::kFolderNature, segpanel::kNatureStyleCombo,
                          segpanel::kInitialNatureStyle)
{
}
