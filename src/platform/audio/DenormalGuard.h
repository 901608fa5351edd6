#pragma once
/** @brief The flush-to-zero guard of every rendering thread (one implementation, in the DSP
 *  library): a rendering thread puts one on its stack before it renders. Any thread. */

#include "platform/dsp/DenormalGuard.h"

namespace plat
{

using DenormalGuard = dsp::ScopedFlushDenormals;

} // namespace plat
