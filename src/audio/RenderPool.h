#pragma once
/** @brief A fixed set of helper threads that render the tasks of one block beside the thread
 *  that asks for them.
 *
 * The helpers are made by Start and live until Stop; between blocks each sleeps on its own
 * futex-backed atomic word, so a block wakes only the helpers it uses and costs no thread
 * creation, lock or allocation. The tasks of a block are handed out by an atomic counter, so
 * which thread runs which task varies from block to block: a task must write only its own
 * state (the mixer's tasks are tracks, each rendering into its own block).
 *
 * Threads: Start and Stop from one owning thread while no Run is under way; Run from one
 * thread at a time (the mixer's worker). Every helper renders under the flush-to-zero guard,
 * as the worker does, so a task's output does not depend on the thread that ran it. */

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace rt
{

class RenderPool
{
public:
    /** One task of a block: @p index is 0 .. count-1 of that Run. */
    using Task = void (*)(void* context, std::uint32_t index) noexcept;

    RenderPool() = default;
    ~RenderPool() { Stop(); }
    RenderPool(const RenderPool&) = delete;
    RenderPool& operator=(const RenderPool&) = delete;

    /** Starts @p helpers helper threads (any left running are stopped first). Throws
     *  std::system_error or std::bad_alloc when they cannot be made, leaving none running. */
    void Start(unsigned helpers);
    /** Wakes and joins every helper; nothing when none runs. */
    void Stop() noexcept;
    unsigned Helpers() const noexcept { return static_cast<unsigned>(m_helpers.size()); }

    /** Runs task(context, i) for every i in 0 .. count-1 on the calling thread and at most
     *  threads - 1 helpers, and returns when every task has returned. threads is held to
     *  1 .. Helpers() + 1; with 1 (or one task) the caller runs them all in index order. */
    void Run(unsigned threads, std::uint32_t count, Task task, void* context) noexcept;

private:
    struct alignas(64) Helper
    {
        std::atomic<std::uint32_t> wake{0}; ///< bumped to hand the helper the current block
        std::thread thread;
    };

    void HelperProc(Helper& self) noexcept;
    void Drain() noexcept;

    std::vector<std::unique_ptr<Helper>> m_helpers;
    std::atomic<bool> m_stop{false};

    // The current block, written by Run before it wakes the helpers (the wake word's release
    // publishes them) and read by the helpers it woke.
    Task m_task = nullptr;
    void* m_context = nullptr;
    std::uint32_t m_count = 0;
    alignas(64) std::atomic<std::uint32_t> m_next{0}; ///< the next task index to hand out
    alignas(64) std::atomic<std::uint32_t> m_busy{0}; ///< helpers of the block not yet finished
};

} // namespace rt
