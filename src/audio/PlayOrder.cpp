#include "audio/PlayOrder.h"

#include "platform/Random.h"

#include <utility>

namespace audio
{

void RefillPlayOrder(std::vector<std::int32_t>& order, bool shuffle) noexcept
{
    const auto n = static_cast<std::int32_t>(order.size());
    if (n == 0)
        return;
    const std::int32_t last = order.back();
    for (std::int32_t i = 0; i < n; ++i)
        order[static_cast<std::size_t>(i)] = i;
    if (!shuffle)
        return;
    for (std::int32_t i = 0; i < n / 2; ++i)
    {
        const int a = RandomInt(static_cast<std::uint32_t>(n));
        const int b = RandomInt(static_cast<std::uint32_t>(n));
        std::swap(order[static_cast<std::size_t>(a)], order[static_cast<std::size_t>(b)]);
    }
    if (n >= 2 && order[0] == last)
        std::swap(order[0],
                  order[static_cast<std::size_t>(1 + RandomInt(static_cast<std::uint32_t>(n - 1)))]);
}

} // namespace audio
