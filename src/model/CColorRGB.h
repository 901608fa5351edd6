#pragma once
/** @brief A colour of three bytes, kept in memory as blue, green, red, with its
 *  conversion to hue, saturation and lightness. A plain value. */

#include <cstdint>

namespace plat
{
class Archive;
}

class CColorHSL;

class CColorRGB
{
public:
    /** Black. */
    CColorRGB() = default;
    CColorRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept
        : m_blue(blue), m_green(green), m_red(red)
    {
    }

    // Blue first: the byte order of a 32-bit pixel on little-endian machines.
    std::uint8_t m_blue = 0;
    std::uint8_t m_green = 0;
    std::uint8_t m_red = 0;

    /** Hue, saturation and lightness, worked out in single precision. */
    CColorHSL ToHSL() const noexcept;

    /** Red, green, blue bytes, in that order. */
    void Serialize(plat::Archive& ar);

    bool operator==(const CColorRGB&) const = default;
};
