#include "audio/RenderPool.h"

#include "platform/audio/DenormalGuard.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace rt
{

namespace
{

// The helpers of a block usually finish within microseconds of the caller: a short spin (some
// ten microseconds) saves the caller a sleep and a wake-up, and a longer one would burn a core.
constexpr int kFinishSpins = 256;

inline void Relax() noexcept
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

} // namespace

void RenderPool::Start(unsigned helpers)
{
    Stop();
    try
    {
        m_helpers.reserve(helpers);
        for (unsigned i = 0; i < helpers; ++i)
        {
            auto helper = std::make_unique<Helper>();
            Helper& self = *helper;
            m_helpers.push_back(std::move(helper));
            self.thread = std::thread([this, &self] { HelperProc(self); });
        }
    }
    catch (...)
    {
        Stop();
        throw;
    }
}

void RenderPool::Stop() noexcept
{
    m_stop.store(true, std::memory_order_release);
    for (auto& helper : m_helpers)
    {
        helper->wake.fetch_add(1, std::memory_order_release);
        helper->wake.notify_one();
        if (helper->thread.joinable())
            helper->thread.join();
    }
    m_helpers.clear();
    m_stop.store(false, std::memory_order_relaxed);
}

void RenderPool::Drain() noexcept
{
    for (std::uint32_t i = m_next.fetch_add(1, std::memory_order_relaxed); i < m_count;
         i = m_next.fetch_add(1, std::memory_order_relaxed))
        m_task(m_context, i);
}

void RenderPool::HelperProc(Helper& self) noexcept
{
    plat::DenormalGuard denormals;
    std::uint32_t seen = 0;
    for (;;)
    {
        self.wake.wait(seen, std::memory_order_acquire);
        seen = self.wake.load(std::memory_order_acquire);
        if (m_stop.load(std::memory_order_acquire))
            return;
        Drain();
        if (m_busy.fetch_sub(1, std::memory_order_acq_rel) == 1)
            m_busy.notify_one();
    }
}

void RenderPool::Run(unsigned threads, std::uint32_t count, Task task, void* context) noexcept
{
    std::uint32_t helpers = std::min<std::uint32_t>(threads > 0 ? threads - 1 : 0, Helpers());
    helpers = std::min<std::uint32_t>(helpers, count > 0 ? count - 1 : 0);
    if (helpers == 0)
    {
        for (std::uint32_t i = 0; i < count; ++i)
            task(context, i);
        return;
    }
    m_task = task;
    m_context = context;
    m_count = count;
    m_next.store(0, std::memory_order_relaxed);
    m_busy.store(helpers, std::memory_order_relaxed);
    for (std::uint32_t h = 0; h < helpers; ++h)
    {
        // The release publishes the block's task, context and count to the helper.
        m_helpers[h]->wake.fetch_add(1, std::memory_order_release);
        m_helpers[h]->wake.notify_one();
    }
    Drain();
    for (int i = 0; i < kFinishSpins && m_busy.load(std::memory_order_acquire) != 0; ++i)
        Relax();
    for (std::uint32_t busy = m_busy.load(std::memory_order_acquire); busy != 0;
         busy = m_busy.load(std::memory_order_acquire))
        m_busy.wait(busy, std::memory_order_acquire);
}

} // namespace rt
