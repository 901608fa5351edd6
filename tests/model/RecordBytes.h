#pragma once
/** @brief Hand-written session records, field by field, so that a test shows which bytes
 *  it expects without going through the class under test. */

#include "platform/Archive.h"

#include <cstdint>
#include <vector>

namespace vtest
{

/** The current record of a property in constant mode at @p value, as SetValue leaves it:
 *  a flat two-point graph at its height + 0.0001 and an auto graph spanning the range. */
inline void PutConstantProperty(plat::Archive& out, double min, double max, double value)
{
    const double height = (value - min) / (max - min) + 0.0001;
    out.WriteInt32(0);
    out.WriteDouble(min);
    out.WriteDouble(max);
    out.WriteDouble(value);
    out.WriteInt32(0); // not smoothed
    out.WriteInt32(2);
    out.WriteDouble(0);
    out.WriteDouble(height);
    out.WriteDouble(1);
    out.WriteDouble(height);
    out.WriteDouble(min);
    out.WriteDouble(max);
    out.WriteDouble(min);
    out.WriteDouble(max);
    out.WriteInt32(3); // change rate
}

/** A two-point graph record from (0, @p y0) to (1, @p y1). */
inline void PutGraph(plat::Archive& out, double y0, double y1)
{
    out.WriteInt32(0);
    out.WriteInt32(2);
    out.WriteDouble(0);
    out.WriteDouble(y0);
    out.WriteDouble(1);
    out.WriteDouble(y1);
}

/** The property form of files before version 400: a double, int32 has-graph, a graph. */
inline void PutOldDoubleProperty(plat::Archive& out, double number, bool hasGraph, double y0 = 0.5,
                                 double y1 = 0.5)
{
    out.WriteDouble(number);
    out.WriteInt32(hasGraph ? 1 : 0);
    PutGraph(out, y0, y1);
}

} // namespace vtest
