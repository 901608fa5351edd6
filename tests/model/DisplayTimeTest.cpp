#include "model/DisplayTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// Each row names the fault it would catch.
TEST(DisplayTime, RoundsToTheMillisecondThenCutsToTheSecond)
{
    struct Case
    {
        const char* name;
        double seconds;
        int shown;
    };
    const Case cases[] = {
        {"0.7 x 2700 is 31:30, not 31:29", 0.7 * 2700, 1890},
        {"55 / 300 x 300 is 55", 55.0 / 300 * 300, 55},
        {"a product a hair above the second stays on it", 290.00000000000006, 290},
        {"less than half a millisecond short reads the second", 289.9996, 290},
        {"half a millisecond or more short is still the second before", 289.9994, 289},
        {"fractions of a second are cut, not rounded", 60.9, 60},
        {"zero", 0.0, 0},
        {"negative times read 0", -3.5, 0},
        {"not a number reads 0", std::nan(""), 0},
        {"infinity reads 0", std::numeric_limits<double>::infinity(), 0},
        {"beyond an int stops at its maximum", 1e12, std::numeric_limits<int>::max()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(model::DisplaySeconds(c.seconds), c.shown);
    }
}
