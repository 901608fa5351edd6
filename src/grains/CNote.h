#pragma once
/** @brief One note of the plan: where in the source its grains come from and how its span is split. */

struct CNote
{
    int sourceStart = 0; ///< frame in the source
    int firstPart = 0;   ///< frames of the steady first quarter
    int secondPart = 0;  ///< frames of the crossfade to the next note
};
