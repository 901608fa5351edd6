#pragma once
/** @brief Flush-to-zero and denormals-are-zero for the calling thread.
 *
 * Decaying recursive filters (reverb tails, biquads) reach subnormal numbers, which cost the
 * CPU tens of times more per operation; with both modes on they become exact zeros. */

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <pmmintrin.h>
#include <xmmintrin.h>
#define VORNA_DSP_HAS_MXCSR 1
#endif

namespace dsp
{

/** Turns both modes on for the rest of the calling thread's life (a rendering thread). */
inline void EnableFlushDenormals() noexcept
{
#ifdef VORNA_DSP_HAS_MXCSR
    _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
    _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
#endif
}

/** True when the calling thread flushes subnormal results and inputs to zero. */
inline bool FlushDenormalsActive() noexcept
{
#ifdef VORNA_DSP_HAS_MXCSR
    return _MM_GET_FLUSH_ZERO_MODE() == _MM_FLUSH_ZERO_ON &&
           _MM_GET_DENORMALS_ZERO_MODE() == _MM_DENORMALS_ZERO_ON;
#else
    return false;
#endif
}

/** Turns both modes on for a scope and restores the caller's floating-point control word. */
class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() noexcept
    {
#ifdef VORNA_DSP_HAS_MXCSR
        m_saved = _mm_getcsr();
        EnableFlushDenormals();
#elif defined(__aarch64__)
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(m_saved));
        const unsigned long flushToZero = m_saved | (1ul << 24);
        __asm__ __volatile__("msr fpcr, %0" : : "r"(flushToZero));
#endif
    }
    ~ScopedFlushDenormals()
    {
#ifdef VORNA_DSP_HAS_MXCSR
        _mm_setcsr(m_saved);
#elif defined(__aarch64__)
        __asm__ __volatile__("msr fpcr, %0" : : "r"(m_saved));
#endif
    }
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
#ifdef VORNA_DSP_HAS_MXCSR
    unsigned int m_saved = 0;
#else
    unsigned long m_saved = 0;
#endif
};

} // namespace dsp
