#include "model/DisplayTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace model
{

int DisplaySeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    if (seconds >= kMax)
        return std::numeric_limits<int>::max();
    const long long milliseconds = std::llround(seconds * 1000.0);
    return static_cast<int>(std::min(milliseconds / 1000, static_cast<long long>(kMax)));
}

} // namespace model
