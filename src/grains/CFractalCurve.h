#pragma once
/** @brief A random curve over 0..1 made by recursive midpoint displacement.
 *
 * Made and read on one thread (the note plan's); it keeps no link to the generator it drew from. */

#include "platform/Random.h"

#include <vector>

class CFractalCurve
{
public:
    /** count points, the first and last given, the others displaced at random by an amount that
     *  shrinks with the depth of subdivision (roughness is its exponent). Draws from @p random in the
     *  order of subdivision: each midpoint before the left half, the left half before the right.
     *  Throws plat::InvalidArgumentError when count < 1. */
    void Generate(int count, float first, float last, double roughness, plat::Random15& random);
    /** Linear interpolation between the points; x <= 0 gives the first, x >= 1 the last. */
    float GetValue(double x) const noexcept;
    void Free() noexcept;

    int GetCount() const noexcept { return m_count; }
    float GetPoint(int i) const { return m_points.at(static_cast<std::size_t>(i)); }

private:
    void Subdivide(int depth, int lo, int hi, double roughness, plat::Random15& random) noexcept;

    int m_count = 0;
    std::vector<float> m_points;
    int m_levels = 0;
};
