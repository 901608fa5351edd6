#pragma once
/** @brief The decisions of the "Sound" panels that need no window: the bells list's edits with
 *  the selection each leaves, and which of the voice panel's controls stay usable in each play
 *  mode and playing state.
 *
 * Each edit returns the list row to select afterwards, or nullopt when it changed nothing (so
 * the panel neither refills nor marks the session modified). UI thread. */

#include <cstdint>
#include <optional>
#include <vector>

namespace segpanel
{

/** Appends the ticked instrument indexes in the order given (an instrument already in the list
 *  is appended again); selects the last item. Nullopt when nothing was ticked. */
std::optional<int> AppendInstruments(std::vector<std::int32_t>& instruments, const std::vector<int>& ticked);
/** Inserts a copy of item @p selected before it; selects the copy's original, now at
 *  selected + 1. */
std::optional<int> DuplicateInstrument(std::vector<std::int32_t>& instruments, int selected);
/** Removes item @p selected; selects the item before it, or the first (-1 when none is left). */
std::optional<int> RemoveInstrument(std::vector<std::int32_t>& instruments, int selected);
/** Moves item @p selected one place up (@p step -1) or down (+1); selects it where it went. */
std::optional<int> MoveInstrument(std::vector<std::int32_t>& instruments, int selected, int step);

/** The state the voice panel's Gap row gets (CUiProperty::EnableControls): editable (0) in
 *  random order, and in ordered order while the session does not play; all disabled (1)
 *  otherwise, since in ordered order the gap sets the segment's length, which is fixed while
 *  the session plays, and the other modes do not use a gap. */
int VoiceGapRowState(std::int32_t playMode, bool playing);

/** Whether the voice file list stays usable while the session plays: in the prerecorded mode the
 *  user picks the file the live recording is to play next. */
bool VoiceListUsableWhilePlaying(std::int32_t playMode);

} // namespace segpanel
