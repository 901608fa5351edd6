#pragma once
/** @brief Counts every operator new of the test executable that links vorna::test_alloc_counter,
 *  so a test can show that a real-time path allocates nothing. */

#include <cstdint>

namespace vtest
{

/** Allocations made by any thread since the program started. */
std::uint64_t AllocationCount() noexcept;

/** Allocations made since construction. */
class AllocationScope
{
public:
    AllocationScope() noexcept : m_start(AllocationCount()) {}
    std::uint64_t Count() const noexcept { return AllocationCount() - m_start; }

private:
    std::uint64_t m_start;
};

} // namespace vtest
