#include "grains/CFractalCurve.h"

#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

struct EndsCase
{
    const char* name;
    int count;
    float first;
    float last;
};

} // namespace

// Ends overwritten by a midpoint, or a displacement that escapes 0..1, would show here.
TEST(CFractalCurve, KeepsItsEndsAndStaysInsideTheUnitRange)
{
    const EndsCase cases[] = {
        {"two points: no midpoint", 2, 0.3f, 0.7f},
        {"three points", 3, 0.5f, 0.5f},
        {"ends at the limits", 17, 0.0f, 1.0f},
        {"both ends at 1 push midpoints over 1", 33, 1.0f, 1.0f},
        {"both ends at 0 push midpoints under 0", 33, 0.0f, 0.0f},
        {"a long plan of notes", 181, 0.42f, 0.42f},
    };
    for (const EndsCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (std::uint32_t seed = 1; seed <= 20; ++seed)
        {
            plat::Random15 random(seed);
            CFractalCurve curve;
            curve.Generate(c.count, c.first, c.last, 1.0, random);
            ASSERT_EQ(curve.GetCount(), c.count);
            EXPECT_EQ(curve.GetPoint(0), c.first);
            EXPECT_EQ(curve.GetPoint(c.count - 1), c.last);
            for (int i = 0; i < c.count; ++i)
            {
                ASSERT_GE(curve.GetPoint(i), 0.0f);
                ASSERT_LE(curve.GetPoint(i), 1.0f);
            }
        }
    }
}

// Every inner point is drawn exactly once: a subdivision that skipped or revisited a point would
// leave the generator at another place, and the whole note plan would change with it.
TEST(CFractalCurve, DrawsOnceForEveryInnerPoint)
{
    for (int count : {1, 2, 3, 4, 5, 8, 9, 100, 183})
    {
        SCOPED_TRACE(count);
        plat::Random15 used(99);
        plat::Random15 expected(99);
        CFractalCurve curve;
        curve.Generate(count, 0.5f, 0.5f, 1.0, used);
        for (int i = 0; i < count - 2; ++i)
            expected.Next();
        EXPECT_EQ(used.Next(), expected.Next());
    }
}

// The first midpoint is displaced by up to a quarter either side of the ends' mean (depth 0: the
// full amount c = 0.5), spread over that whole band.
TEST(CFractalCurve, FirstMidpointSpreadsAQuarterAroundTheMean)
{
    float lowest = 1.0f;
    float highest = 0.0f;
    plat::Random15 random(1);
    for (int round = 0; round < 400; ++round)
    {
        CFractalCurve curve;
        curve.Generate(3, 0.5f, 0.5f, 1.0, random);
        const float mid = curve.GetPoint(1);
        ASSERT_GE(mid, 0.25f);
        ASSERT_LT(mid, 0.75f);
        lowest = std::min(lowest, mid);
        highest = std::max(highest, mid);
    }
    EXPECT_LT(lowest, 0.3f);
    EXPECT_GT(highest, 0.7f);
}

TEST(CFractalCurve, GetValueInterpolatesBetweenPointsAndHoldsTheEnds)
{
    plat::Random15 random(7);
    CFractalCurve curve;
    curve.Generate(5, 0.2f, 0.9f, 1.0, random);
    EXPECT_EQ(curve.GetValue(-0.5), 0.2f);
    EXPECT_EQ(curve.GetValue(0.0), 0.2f);
    EXPECT_EQ(curve.GetValue(1.0), 0.9f);
    EXPECT_EQ(curve.GetValue(3.0), 0.9f);
    for (int i = 0; i < 4; ++i)
    {
        const float a = curve.GetPoint(i);
        const float b = curve.GetPoint(i + 1);
        EXPECT_EQ(curve.GetValue(i / 4.0), a);
        EXPECT_NEAR(curve.GetValue((i + 0.25) / 4.0), a + 0.25f * (b - a), 1e-6);
    }
    // Just below 1 rounds to the last index in float; it must not read past the points.
    EXPECT_EQ(curve.GetValue(std::nextafter(1.0, 0.0)), 0.9f);
}

TEST(CFractalCurve, RefusesACurveWithoutPoints)
{
    plat::Random15 random;
    CFractalCurve curve;
    EXPECT_THROW(curve.Generate(0, 0.5f, 0.5f, 1.0, random), plat::InvalidArgumentError);
}
