#include "model/CColorRGB.h"

#include "model/CColorHSL.h"
#include "platform/Archive.h"

#include <algorithm>

CColorHSL CColorRGB::ToHSL() const noexcept
{
    const float red = m_red;
    const float green = m_green;
    const float blue = m_blue;
    const float max = std::max({red, green, blue});
    const float min = std::min({red, green, blue});
    const float sum = max + min;
    const float lightness = sum / 510.0f;
    if (max == min)
        return CColorHSL(0.0f, 0.0f, lightness);

    const float delta = max - min;
    const float saturation = lightness <= 0.5f ? delta / sum : delta / (510.0f - sum);
    const float rR = (max - red) / delta;
    const float rG = (max - green) / delta;
    const float rB = (max - blue) / delta;
    // Each later channel that also holds the maximum replaces the hue (ties agree).
    float degrees = 0.0f;
    if (red == max)
        degrees = (6.0f + rB - rG) * 60.0f;
    if (green == max)
        degrees = (2.0f + rR - rB) * 60.0f;
    if (blue == max)
        degrees = (4.0f + rG - rR) * 60.0f;
    if (degrees > 360.0f)
        degrees -= 360.0f; // exactly 360 stays, so pure red has hue 1
    return CColorHSL(degrees / 360.0f, saturation, lightness);
}

void CColorRGB::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteByte(m_red);
        ar.WriteByte(m_green);
        ar.WriteByte(m_blue);
    }
    else
    {
        m_red = ar.ReadByte();
        m_green = ar.ReadByte();
        m_blue = ar.ReadByte();
    }
}
