#pragma once
/** @brief The play order of a list of files: voice files in shuffle mode and playlist items. */

#include <cstdint>
#include <vector>

namespace audio
{

/** Refills @p order with 0 .. n-1 and, when @p shuffle is set, makes n / 2 random swaps; a
 *  shuffled round never starts with the entry that ended the previous round (the old last
 *  entry). An empty order stays empty. Worker thread; allocates nothing. */
void RefillPlayOrder(std::vector<std::int32_t>& order, bool shuffle) noexcept;

} // namespace audio
