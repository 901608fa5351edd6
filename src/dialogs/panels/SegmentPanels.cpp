#include "dialogs/panels/SegmentPanels.h"

#include "dialogs/panels/CDlgPropertiesBase.h"
#include "dialogs/panels/CDlgSegmentAmbientMusic.h"
#include "dialogs/panels/CDlgSegmentBells.h"
#include "dialogs/panels/CDlgSegmentBreathwork.h"
#include "dialogs/panels/CDlgSegmentMusicExt.h"
#include "dialogs/panels/CDlgSegmentNatureBG.h"
#include "dialogs/panels/CDlgSegmentNoise.h"
#include "dialogs/panels/CDlgSegmentSuggestions.h"
#include "dialogs/panels/CDlgSegmentTone.h"
#include "model/CSegment.h"

namespace
{
// The segment panels' templates are 170 dialog units wide.
constexpr int kPanelWidthDlu = 170;
} // namespace

std::unique_ptr<CDlgPropertiesBase> CreateEmptyPanel()
{
    return std::make_unique<CDlgPropertiesBase>(kPanelWidthDlu, 0);
}

std::unique_ptr<CDlgPropertiesBase> CreateSegmentPanel(std::int32_t kind)
{
    switch (kind)
    {
    case CSegment::kKindVoice:
        return std::make_unique<CDlgSegmentSuggestions>();
    case CSegment::kKindAmbientMusic:
        return std::make_unique<CDlgSegmentAmbientMusic>();
    case CSegment::kKindNature:
        return std::make_unique<CDlgSegmentNatureBG>();
    case CSegment::kKindBells:
        return std::make_unique<CDlgSegmentBells>();
    case CSegment::kKindTone:
        return std::make_unique<CDlgSegmentTone>();
    case CSegment::kKindNoise:
        return std::make_unique<CDlgSegmentNoise>();
    case CSegment::kKindBreathwork:
        return std::make_unique<CDlgSegmentBreathwork>();
    case CSegment::kKindExternalAudio:
        return std::make_unique<CDlgSegmentMusicExt>();
    default:
        return CreateEmptyPanel();
    }
}
