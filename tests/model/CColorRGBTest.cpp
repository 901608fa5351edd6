#include "model/CColorRGB.h"
#include "model/CColorHSL.h"

#include "platform/Archive.h"

#include <gtest/gtest.h>

namespace
{

void ExpectRGB(const CColorRGB& c, int red, int green, int blue)
{
    EXPECT_EQ(c.m_red, red);
    EXPECT_EQ(c.m_green, green);
    EXPECT_EQ(c.m_blue, blue);
}

} // namespace

// The track hues at the panes' saturation and lightness. The results depend on h, m1 and
// m2 being single precision and on cutting, not rounding: the voice hue's red is 50.
TEST(CColorHSL, TrackHuesGiveTheirColours)
{
    struct Case
    {
        float hue;
        int red, green, blue;
    };
    const Case cases[] = {
        {0.52f, 50, 185, 204}, {0.62f, 50, 93, 204},  {0.79f, 164, 50, 204}, {0.97f, 204, 50, 78},
        {0.06f, 204, 106, 50}, {0.17f, 200, 204, 50}, {0.23f, 145, 204, 50}, {0.37f, 50, 204, 84},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.hue);
        ExpectRGB(CColorHSL(c.hue, 0.6f, 0.5f).ToRGB(), c.red, c.green, c.blue);
    }
}

TEST(CColorRGB, ConversionsBothWays)
{
    const CColorHSL red = CColorRGB(255, 0, 0).ToHSL();
    EXPECT_EQ(red.m_hue, 1.0f); // exactly 360 degrees stays
    EXPECT_EQ(red.m_saturation, 1.0f);
    EXPECT_EQ(red.m_lightness, 0.5f);
    ExpectRGB(CColorHSL(1.0f, 1.0f, 0.5f).ToRGB(), 255, 0, 0);

    const CColorHSL grey = CColorRGB(128, 128, 128).ToHSL();
    EXPECT_EQ(grey.m_hue, 0.0f);
    EXPECT_EQ(grey.m_saturation, 0.0f);
    EXPECT_EQ(grey.m_lightness, 256.0f / 510.0f);
    ExpectRGB(grey.ToRGB(), 128, 128, 128);

    // Ties between channels agree: yellow is 60 degrees, cyan 180, magenta 300.
    EXPECT_FLOAT_EQ(CColorRGB(255, 255, 0).ToHSL().m_hue, 60.0f / 360.0f);
    EXPECT_FLOAT_EQ(CColorRGB(0, 255, 255).ToHSL().m_hue, 180.0f / 360.0f);
    EXPECT_FLOAT_EQ(CColorRGB(255, 0, 255).ToHSL().m_hue, 300.0f / 360.0f);

    // Light colours use the other saturation formula.
    const CColorHSL pale = CColorRGB(255, 200, 200).ToHSL();
    EXPECT_FLOAT_EQ(pale.m_saturation, 55.0f / (510.0f - 455.0f));
    EXPECT_FLOAT_EQ(pale.m_lightness, 455.0f / 510.0f);
}

TEST(CColorHSL, ChannelsOutsideTheUnitRangeAreHeld)
{
    ExpectRGB(CColorHSL(0.0f, 0.0f, 1.7f).ToRGB(), 255, 255, 255);
    ExpectRGB(CColorHSL(0.0f, 0.0f, -0.5f).ToRGB(), 0, 0, 0);
    const CColorRGB over = CColorHSL(0.3f, 1.5f, 0.5f).ToRGB(); // m2 = 1.25, m1 = -0.25
    EXPECT_EQ(over.m_green, 255);
    EXPECT_EQ(over.m_blue, 0);
}

TEST(CColorRGB, RecordIsRedGreenBlue)
{
    CColorRGB c(10, 20, 30);
    plat::Archive out = plat::Archive::ForStoring();
    c.Serialize(out);
    EXPECT_EQ(out.GetBytes(), (std::vector<std::uint8_t>{10, 20, 30}));
    plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
    CColorRGB back;
    back.Serialize(in);
    EXPECT_EQ(back, c);
}
