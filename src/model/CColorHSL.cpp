#include "model/CColorHSL.h"

#include <cmath>

namespace
{

// A level 0..1 to a byte, cut toward zero. Levels outside 0..1 (callers may pass a
// lightness or saturation above 1) are held to the byte's range, since converting an
// out-of-range float to a byte is undefined.
std::uint8_t ToByte(double level) noexcept
{
    const double v = level * 255.0;
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<std::uint8_t>(v);
}

double Channel(double x, float m1, float m2) noexcept
{
    if (x > 360.0)
        x -= 360.0;
    else if (x < 0.0)
        x += 360.0;
    if (x < 60.0)
        return m1 + (static_cast<double>(m2) - m1) * x / 60.0;
    if (x < 180.0)
        return m2;
    if (x < 240.0)
        return m1 + (static_cast<double>(m2) - m1) * (240.0 - x) / 60.0;
    return m1;
}

} // namespace

CColorRGB CColorHSL::ToRGB() const noexcept
{
    // h, m1 and m2 stay in single precision: the expected colours depend on it (m1 of a
    // lightness of 0.5 at saturation 0.6 lands just below 0.2, giving red 50, not 51).
    const float h = m_hue * 360.0f;
    const float l = m_lightness;
    const float s = m_saturation;
    if (s == 0.0f)
    {
        const std::uint8_t grey = ToByte(l);
        return CColorRGB(grey, grey, grey);
    }
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    return CColorRGB(ToByte(Channel(static_cast<double>(h) + 120.0, m1, m2)), ToByte(Channel(h, m1, m2)),
                     ToByte(Channel(static_cast<double>(h) - 120.0, m1, m2)));
}
