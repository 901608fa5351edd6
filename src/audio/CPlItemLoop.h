#pragma once
/** @brief A playlist item that plays its whole file, looping, for as long as it plays. */

#include "audio/CPlItem.h"

class CPlItemLoop : public CPlItem
{
};
