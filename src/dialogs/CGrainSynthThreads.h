#pragma once
/** @brief Element-wise passes of the loop tool over its whole sound, shared among threads.
 *
 * Each pass splits its range into chunks that threads take in turn; the calling thread works too.
 * The helpers start with the caller's floating-point control word (flush-to-zero or not), so that
 * every element is computed as it would be on the calling thread alone. */

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace dlg
{

/** The number of threads a setting of @p threads means: 0 is one per core. */
inline unsigned ResolveThreads(unsigned threads) noexcept
{
    return threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
}

/** Calls body(begin, end) for consecutive chunks of [0, count), each at most @p chunk long, on up to
 *  @p threads threads (0: one per core), and returns when all are done. @p body must not throw. Fewer
 *  threads than asked (none could be started) only make it slower. */
template <class Body>
void ForEachChunk(unsigned threads, std::size_t count, std::size_t chunk, const Body& body)
{
    if (count == 0)
        return;
    chunk = std::max<std::size_t>(1, chunk);
    const std::size_t chunks = (count + chunk - 1) / chunk;
    const auto helpers = static_cast<unsigned>(std::min<std::size_t>(ResolveThreads(threads), chunks) - 1);
    std::atomic<std::size_t> next{0};
    const auto work = [&]
    {
        for (std::size_t c = next.fetch_add(1, std::memory_order_relaxed); c < chunks;
             c = next.fetch_add(1, std::memory_order_relaxed))
            body(c * chunk, std::min(count, (c + 1) * chunk));
    };
    if (helpers == 0)
    {
        work();
        return;
    }
#if defined(__SSE__) || defined(__x86_64__)
    const unsigned csr = _mm_getcsr();
#endif
    std::vector<std::thread> workers;
    try
    {
        workers.reserve(helpers);
        for (unsigned t = 0; t < helpers; ++t)
            workers.emplace_back(
                [&]
                {
#if defined(__SSE__) || defined(__x86_64__)
                    _mm_setcsr(csr);
#endif
                    work();
                });
    }
    catch (const std::system_error&)
    {
    }
    catch (const std::bad_alloc&)
    {
    }
    work();
    for (std::thread& w : workers)
        w.join();
}

} // namespace dlg
