#pragma once
/** @brief Sets flush-to-zero and denormals-are-zero for the current thread while it lives.
 *
 * Recursive filters (reverb tails, one-pole smoothers) decay into denormal numbers, which
 * cost a hundred times a normal operation on x86; a rendering thread puts one of these on
 * its stack before it renders. Restores the previous mode on destruction. Any thread. */

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace plat
{

class DenormalGuard
{
public:
    DenormalGuard() noexcept
    {
#if defined(__SSE__) || defined(__x86_64__)
        m_saved = _mm_getcsr();
        _mm_setcsr(m_saved | kFlushToZero | kDenormalsAreZero);
#elif defined(__aarch64__)
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(m_saved));
        const unsigned long fz = m_saved | (1ul << 24);
        __asm__ __volatile__("msr fpcr, %0" : : "r"(fz));
#endif
    }
    ~DenormalGuard()
    {
#if defined(__SSE__) || defined(__x86_64__)
        _mm_setcsr(m_saved);
#elif defined(__aarch64__)
        __asm__ __volatile__("msr fpcr, %0" : : "r"(m_saved));
#endif
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if defined(__SSE__) || defined(__x86_64__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned m_saved = 0;
#else
    unsigned long m_saved = 0;
#endif
};

} // namespace plat
