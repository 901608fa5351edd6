#include "platform/dsp/DenormalGuard.h"

#include <gtest/gtest.h>

#include <cmath>

#ifdef VORNA_DSP_HAS_MXCSR
TEST(ScopedFlushDenormals, FlushesInsideAndRestoresTheCallersMode)
{
    const unsigned int before = _mm_getcsr();
    volatile float tiny = 1e-38f; // just above the smallest normal float
    {
        dsp::ScopedFlushDenormals guard;
        EXPECT_TRUE(dsp::FlushDenormalsActive());
        const float product = tiny * 0.01f;
        EXPECT_EQ(product, 0.0f);
    }
    EXPECT_EQ(_mm_getcsr(), before);
    if (!dsp::FlushDenormalsActive())
    {
        const float product = tiny * 0.01f;
        EXPECT_EQ(std::fpclassify(product), FP_SUBNORMAL);
    }
}
#endif
