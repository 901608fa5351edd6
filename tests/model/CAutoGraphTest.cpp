#include "model/CAutoGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// The targets a walk reached: every N-th value after the first.
std::vector<double> Targets(CAutoGraph& a, std::uint32_t n, int count)
{
    std::vector<double> v;
    a.NextValue();
    for (int i = 0; i < count; ++i)
    {
        double last = 0;
        for (std::uint32_t k = 0; k < n; ++k)
            last = a.NextValue();
        v.push_back(last);
    }
    return v;
}

} // namespace

TEST(CAutoGraph, FirstValueIsTheMiddleOfTheLimits)
{
    CAutoGraph a;
    a.m_lowerLimit = 20;
    a.m_upperLimit = 60;
    a.StartWalk(100);
    EXPECT_DOUBLE_EQ(a.NextValue(), 40.0);
}

// Nothing starts the walk of a session-wide setting; it must still give a defined value.
TEST(CAutoGraph, UnstartedWalkGivesTheMiddleOfTheLimits)
{
    CAutoGraph a;
    a.m_lowerLimit = 2;
    a.m_upperLimit = 4;
    EXPECT_DOUBLE_EQ(a.NextValue(), 3.0);
    for (int i = 0; i < 100000; ++i)
    {
        const double v = a.NextValue();
        ASSERT_GE(v, 2.0);
        ASSERT_LE(v, 4.0);
    }
}

TEST(CAutoGraph, ValuesStayWithinTheLimits)
{
    CAutoGraph a;
    a.m_lowerLimit = -3;
    a.m_upperLimit = 5;
    a.m_changeRate = 0;
    a.StartWalk(50);
    for (int i = 0; i < 1000000; ++i)
    {
        const double v = a.NextValue();
        ASSERT_GE(v, -3.0) << i;
        ASSERT_LE(v, 5.0) << i;
    }
}

TEST(CAutoGraph, SuccessiveTargetsDifferByAtMostTheRateStep)
{
    const double steps[] = {0.25, 0.215, 0.18, 0.145, 0.11, 0.075, 0.04};
    for (int rate = 0; rate <= 6; ++rate)
    {
        SCOPED_TRACE(rate);
        EXPECT_NEAR(CAutoGraph::MaxStepForRate(rate), steps[rate], 1e-12);
        CAutoGraph a;
        a.m_lowerLimit = 0;
        a.m_upperLimit = 10;
        a.m_changeRate = rate;
        a.StartWalk(20);
        const auto t = Targets(a, 20, 2000);
        double largest = 0;
        for (std::size_t i = 1; i < t.size(); ++i)
            largest = std::max(largest, std::abs(t[i] - t[i - 1]));
        EXPECT_LE(largest, steps[rate] * 10 + 1e-9);
        EXPECT_GT(largest, steps[rate] * 10 * 0.5); // it does move
    }
}

// Integer division (rate / 7) would give every rate the step 0.25.
TEST(CAutoGraph, RateOutsideItsTableActsAsTheNearestRate)
{
    EXPECT_DOUBLE_EQ(CAutoGraph::MaxStepForRate(-5), CAutoGraph::MaxStepForRate(0));
    EXPECT_DOUBLE_EQ(CAutoGraph::MaxStepForRate(99), CAutoGraph::MaxStepForRate(6));
}

TEST(CAutoGraph, TinyStepCountsDoNotDivideByZero)
{
    for (std::uint32_t n : {0u, 1u, 2u})
    {
        SCOPED_TRACE(n);
        CAutoGraph a;
        a.StartWalk(n);
        for (int i = 0; i < 1000; ++i)
        {
            const double v = a.NextValue();
            ASSERT_TRUE(std::isfinite(v));
            ASSERT_GE(v, 0.0);
            ASSERT_LE(v, 1.0);
        }
    }
}

TEST(CAutoGraph, FixedSeedReproducesTheWalk)
{
    auto run = []
    {
        plat::SetRandomSeedOverride(42);
        CAutoGraph a;
        a.StartWalk(10);
        std::vector<double> v;
        for (int i = 0; i < 500; ++i)
            v.push_back(a.NextValue());
        plat::SetRandomSeedOverride(std::nullopt);
        return v;
    };
    EXPECT_EQ(run(), run());
}

TEST(CAutoGraph, CopyTakesTheSettingsNotTheWalk)
{
    CAutoGraph a;
    a.m_min = 1;
    a.m_max = 9;
    a.m_lowerLimit = 2;
    a.m_upperLimit = 8;
    a.m_changeRate = 5;
    a.StartWalk(3);
    for (int i = 0; i < 10; ++i)
        a.NextValue();
    CAutoGraph b;
    b = a;
    EXPECT_EQ(b.m_min, 1);
    EXPECT_EQ(b.m_max, 9);
    EXPECT_EQ(b.m_lowerLimit, 2);
    EXPECT_EQ(b.m_upperLimit, 8);
    EXPECT_EQ(b.m_changeRate, 5);
    EXPECT_DOUBLE_EQ(b.NextValue(), 5.0); // b's walk is its own, unstarted one
}
