#pragma once
/** @brief A count one thread raises to wake another without locking: the waiter sleeps in the
 *  kernel (a futex) until the count moves or a deadline passes, and raising it makes a system
 *  call only while someone sleeps. Internal to the audio layer.
 *
 * Raise never blocks, so a device's real-time callback may call it. The waiter reads the count
 * (Seen) before it looks at what it waits for, and passes that value to WaitUntil: a Raise
 * after the read always ends the wait. Any thread. */

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>

namespace plat::detail
{

class WakeCount
{
public:
    using Clock = std::chrono::steady_clock;

    /** @p t as a CLOCK_MONOTONIC time, which the steady clock counts in: for the kernel's
     *  absolute deadlines (a futex's, clock_nanosleep's). */
    static timespec MonotonicTime(Clock::time_point t) noexcept
    {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
        timespec at{};
        at.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        at.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        return at;
    }

    std::uint32_t Seen() const noexcept { return m_count.load(std::memory_order_seq_cst); }

    void Raise() noexcept
    {
        m_count.fetch_add(1, std::memory_order_seq_cst);
        if (m_sleepers.load(std::memory_order_seq_cst) > 0)
            syscall(SYS_futex, Word(), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
    }

    /** Sleeps while the count still is @p seen, until @p deadline at the latest
     *  (Clock::time_point::max(): no deadline). */
    void WaitUntil(std::uint32_t seen, Clock::time_point deadline) noexcept
    {
        m_sleepers.fetch_add(1, std::memory_order_seq_cst);
        const bool unbounded = deadline == Clock::time_point::max();
        const timespec at = unbounded ? timespec{} : MonotonicTime(deadline);
        while (m_count.load(std::memory_order_seq_cst) == seen)
        {
            const long r = syscall(SYS_futex, Word(), FUTEX_WAIT_BITSET_PRIVATE, seen,
                                   unbounded ? nullptr : &at, nullptr, FUTEX_BITSET_MATCH_ANY);
            if (r != 0 && errno == ETIMEDOUT)
                break;
        }
        m_sleepers.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    std::uint32_t* Word() noexcept { return reinterpret_cast<std::uint32_t*>(&m_count); }

    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
    std::atomic<std::uint32_t> m_count{0};
    std::atomic<std::uint32_t> m_sleepers{0};
};

} // namespace plat::detail
