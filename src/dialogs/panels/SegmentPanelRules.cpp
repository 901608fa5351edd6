#include "dialogs/panels/SegmentPanelRules.h"

#include "dialogs/panels/SoundFileList.h"
#include "model/CSegmentSuggestions.h"

namespace segpanel
{
namespace
{

bool IsItem(const std::vector<std::int32_t>& items, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < items.size();
}

} // namespace

std::optional<int> AppendInstruments(std::vector<std::int32_t>& instruments, const std::vector<int>& ticked)
{
    if (ticked.empty())
        return std::nullopt;
    instruments.insert(instruments.end(), ticked.begin(), ticked.end());
    return static_cast<int>(instruments.size()) - 1;
}

std::optional<int> DuplicateInstrument(std::vector<std::int32_t>& instruments, int selected)
{
    if (!IsItem(instruments, selected))
        return std::nullopt;
    const std::int32_t copy = instruments[static_cast<std::size_t>(selected)];
    instruments.insert(instruments.begin() + selected, copy);
    return selected + 1;
}

std::optional<int> RemoveInstrument(std::vector<std::int32_t>& instruments, int selected)
{
    if (!IsItem(instruments, selected))
        return std::nullopt;
    instruments.erase(instruments.begin() + selected);
    return instruments.empty() ? -1 : filelist::BellsSelectionAfterRemove(selected);
}

std::optional<int> MoveInstrument(std::vector<std::int32_t>& instruments, int selected, int step)
{
    if (!filelist::MoveItem(instruments, selected, selected + step))
        return std::nullopt;
    return selected + step;
}

int VoiceGapRowState(std::int32_t playMode, bool playing)
{
    if (playMode == CSegmentSuggestions::kPlayModeShuffle)
        return 0;
    if (playMode == CSegmentSuggestions::kPlayModeSequential && !playing)
        return 0;
    return 1;
}

bool VoiceListUsableWhilePlaying(std::int32_t playMode)
{
    return playMode == CSegmentSuggestions::kPlayModePrerecorded;
}

} // namespace segpanel
