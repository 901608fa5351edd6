#pragma once
/** @brief Hue (0..1, a full turn), saturation and lightness (0..1) as floats, with the
 *  conversion to a byte colour. A plain value, never stored. */

#include "model/CColorRGB.h"

class CColorHSL
{
public:
    CColorHSL() = default;
    CColorHSL(float hue, float saturation, float lightness) noexcept
        : m_hue(hue), m_saturation(saturation), m_lightness(lightness)
    {
    }

    float m_hue = 0.0f;
    float m_saturation = 0.0f;
    float m_lightness = 0.0f;

    /** Each channel is cut toward zero, not rounded, so a round trip through HSL may lose
     *  one step; values outside 0..1 give channels held to 0..255. */
    CColorRGB ToRGB() const noexcept;
};
