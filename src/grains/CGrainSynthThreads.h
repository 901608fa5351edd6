#pragma once
/** @brief Element-wise passes of the loop tool over its whole sound, shared among threads.
 *
 * Each pass splits its range into chunks that threads take in turn; the calling thread works too.
 * The helpers start with the caller's floating-point control word (flush-to-zero or not), so that
 * every element is computed as it would be on the calling thread alone. */

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

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
 *  threads than asked (none could be started) only make it slower.
 *
 *  The calling thread waits only for helpers that took a chunk: on a busy machine a helper may start
 *  long after the caller has done every chunk itself, and then it finds nothing left and ends without
 *  touching the caller's data (the helpers are detached and share their state). */
template <class Body>
void ForEachChunk(unsigned threads, std::size_t count, std::size_t chunk, const Body& body)
{
    if (count == 0)
        return;
    chunk = std::max<std::size_t>(1, chunk);
    const std::size_t chunks = (count + chunk - 1) / chunk;
    const auto helpers = static_cast<unsigned>(std::min<std::size_t>(ResolveThreads(threads), chunks) - 1);
    const auto run = [&](std::size_t c) { body(c * chunk, std::min(count, (c + 1) * chunk)); };
    if (helpers == 0)
    {
        for (std::size_t c = 0; c < chunks; ++c)
            run(c);
        return;
    }

    struct Shared
    {
        std::atomic<std::size_t> next{0};
        std::atomic<unsigned> working{0}; ///< helpers between their look at next and the end of their chunks
        std::size_t chunks = 0;
        const void* run = nullptr;
        void (*call)(const void*, std::size_t) = nullptr;
#if defined(__SSE__) || defined(__x86_64__)
        unsigned csr = 0;
#endif
    };
    std::shared_ptr<Shared> shared;
    try
    {
        shared = std::make_shared<Shared>();
    }
    catch (const std::bad_alloc&)
    {
        for (std::size_t c = 0; c < chunks; ++c)
            run(c);
        return;
    }
    shared->chunks = chunks;
    shared->run = &run;
    shared->call = [](const void* r, std::size_t c) { (*static_cast<decltype(&run)>(r))(c); };
#if defined(__SSE__) || defined(__x86_64__)
    shared->csr = _mm_getcsr();
#endif
    for (unsigned t = 0; t < helpers; ++t)
    {
        try
        {
            std::thread(
                [shared]
                {
#if defined(__SSE__) || defined(__x86_64__)
                    _mm_setcsr(shared->csr);
#endif
                    // Counted as working before taking a chunk: the caller cannot have returned
                    // while a chunk this helper takes is still to be done.
                    shared->working.fetch_add(1);
                    for (std::size_t c = shared->next.fetch_add(1); c < shared->chunks;
                         c = shared->next.fetch_add(1))
                        shared->call(shared->run, c);
                    shared->working.fetch_sub(1);
                })
                .detach();
        }
        catch (const std::system_error&)
        {
            break;
        }
        catch (const std::bad_alloc&)
        {
            break;
        }
    }
    for (std::size_t c = shared->next.fetch_add(1); c < chunks; c = shared->next.fetch_add(1))
        run(c);
    // Every chunk is taken; wait for those still being done.
    while (shared->working.load() != 0)
        std::this_thread::yield();
}

} // namespace dlg
