#pragma once
/** @brief Floats that start as zeros, allocated already cleared: a long delay line costs no pass
 *  over its memory when it is made (the system hands out cleared pages, touched only when
 *  written), so a segment's effects start at once. Used by one thread at a time. */

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace dsp
{

class ZeroedFloats
{
public:
    ZeroedFloats() = default;
    ~ZeroedFloats() { std::free(m_data); }
    ZeroedFloats(ZeroedFloats&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
    {
    }
    ZeroedFloats& operator=(ZeroedFloats&& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        return *this;
    }
    ZeroedFloats(const ZeroedFloats&) = delete;
    ZeroedFloats& operator=(const ZeroedFloats&) = delete;

    /** @p size zeros in new memory (the old is freed); throws std::bad_alloc. */
    void Allocate(std::size_t size)
    {
        float* fresh = static_cast<float*>(std::calloc(size > 0 ? size : 1, sizeof(float)));
        if (fresh == nullptr)
            throw std::bad_alloc();
        std::free(m_data);
        m_data = fresh;
        m_size = size;
    }
    /** Every float back to zero, in the memory there is. */
    void Clear() noexcept { std::fill_n(m_data, m_size, 0.0f); }

    float* data() noexcept { return m_data; }
    const float* data() const noexcept { return m_data; }
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }

private:
    float* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace dsp
