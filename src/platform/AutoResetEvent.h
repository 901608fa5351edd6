#pragma once
/** @brief An auto-reset event: Set() releases one waiter (or the next one to wait) and the
 *  event resets itself as that waiter wakes. Setting a set event leaves it set.
 *
 * Any thread may call any method. Not for the device's real-time callback, which must not
 * lock. */

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace plat
{

class AutoResetEvent
{
public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void Set()
    {
        {
            std::lock_guard lock(m_mutex);
            m_signalled = true;
        }
        m_cv.notify_one();
    }

    /** Clears the event without waking anyone. */
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_signalled = false;
    }

    /** Waits until the event is set, then resets it. */
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_signalled; });
        m_signalled = false;
    }

    /** Waits at most @p timeout; true when the event was set (and is now reset). */
    template <class Rep, class Period> bool WaitFor(std::chrono::duration<Rep, Period> timeout)
    {
        std::unique_lock lock(m_mutex);
        if (!m_cv.wait_for(lock, timeout, [this] { return m_signalled; }))
            return false;
        m_signalled = false;
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;
};

} // namespace plat
