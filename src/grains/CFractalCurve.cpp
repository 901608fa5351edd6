#include "grains/CFractalCurve.h"

#include "platform/Errors.h"

#include <cmath>

void CFractalCurve::Generate(int count, float first, float last, double roughness, plat::Random15& random)
{
    if (count < 1)
        throw plat::InvalidArgumentError("A fractal curve needs at least one point.");
    Free();
    m_points.assign(static_cast<std::size_t>(count), 0.0f);
    m_count = count;
    m_points[0] = first;
    m_points[static_cast<std::size_t>(count - 1)] = last;
    m_levels = static_cast<int>(std::log(static_cast<double>(count)) / std::log(2.0)) + 1;
    Subdivide(0, 0, count - 1, roughness, random);
}

void CFractalCurve::Subdivide(int depth, int lo, int hi, double roughness, plat::Random15& random) noexcept
{
    while (lo + 1 < hi)
    {
        const double c = 0.5 * std::pow(1.0 - static_cast<double>(depth) / m_levels, roughness);
        double e = (m_points[lo] + m_points[hi]) * 0.5 - c * 0.5 + random.Unit() * c;
        if (e <= 0.0)
            e = 0.0;
        else if (e >= 1.0)
            e = 1.0;
        const int mid = (lo + hi) / 2;
        m_points[mid] = static_cast<float>(e);
        // The right half is subdivided at the incremented depth too: the loop continues with it.
        ++depth;
        Subdivide(depth, lo, mid, roughness, random);
        lo = mid;
    }
}

float CFractalCurve::GetValue(double x) const noexcept
{
    if (m_count == 0)
        return 0.0f;
    if (x <= 0.0)
        return m_points.front();
    if (x >= 1.0 || m_count == 1)
        return m_points.back();
    const float p = static_cast<float>(x) * static_cast<float>(m_count - 1);
    const int i = static_cast<int>(p);
    // x just below 1 can round to the last index in float; there is no point after it.
    if (i >= m_count - 1)
        return m_points.back();
    return m_points[i] + (m_points[i + 1] - m_points[i]) * (p - static_cast<float>(i));
}

void CFractalCurve::Free() noexcept
{
    m_points.clear();
    m_points.shrink_to_fit();
    m_count = 0;
    m_levels = 0;
}
