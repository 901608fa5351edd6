#pragma once

/** @brief A graph point: x is a time fraction 0..1, y a height fraction 0..1 of the range. */
struct CDPoint
{
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const CDPoint&, const CDPoint&) = default;
};
