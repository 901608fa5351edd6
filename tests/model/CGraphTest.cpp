#include "model/CGraph.h"

#include "platform/Archive.h"
#include "platform/Errors.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace
{

CGraph MakeGraph(std::initializer_list<CDPoint> points, int smooth = 0)
{
    CGraph g;
    std::vector<CDPoint> v(points);
    g.Reset();
    g.SetPoint(0, v.front());
    g.SetPoint(1, v.back());
    for (std::size_t i = 1; i + 1 < v.size(); ++i)
        g.AddPoint(v[i]);
    g.SetSmooth(smooth);
    return g;
}

std::vector<double> Heights(const CGraph& g)
{
    std::vector<double> h;
    for (const CDPoint& p : g.GetPoints())
        h.push_back(p.y);
    return h;
}

// Builds a graph record byte by byte, so that the points can be anything a file holds.
CGraph GraphFromRecord(std::int32_t smooth, const std::vector<CDPoint>& points)
{
    plat::Archive out = plat::Archive::ForStoring();
    out.WriteInt32(smooth);
    out.WriteInt32(static_cast<std::int32_t>(points.size()));
    for (const CDPoint& p : points)
    {
        out.WriteDouble(p.x);
        out.WriteDouble(p.y);
    }
    plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
    CGraph g;
    g.Serialize(in);
    return g;
}

} // namespace

TEST(CGraph, NewGraphIsHalfEverywhere)
{
    CGraph g;
    for (double t : {0.0, 0.1, 0.5, 0.99, 1.0})
        EXPECT_DOUBLE_EQ(g.GetValueAt(t), 0.5) << t;
}

TEST(CGraph, InterpolatesBetweenSortedPoints)
{
    const CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}});
    EXPECT_DOUBLE_EQ(g.GetValueAt(0.25), 0.5);
    EXPECT_DOUBLE_EQ(g.GetValueAt(0.5), 0.8);
    EXPECT_DOUBLE_EQ(g.GetValueAt(1.0), 0.2);
    EXPECT_DOUBLE_EQ(g.GetValueAt(0.0), 0.2);
    EXPECT_DOUBLE_EQ(g.GetValueAt(0.75), 0.5);
}

TEST(CGraph, OutOfRangeAndNonFiniteTimesGiveZero)
{
    const CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}});
    for (double t : {-0.1, 1.1, std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(g.GetValueAt(t), 0.0) << t;
}

// Data a file or an editor can produce that the plain bisection would spin on forever.
// Each row must finish (under the test timeout) with a finite value.
TEST(CGraph, LookupTerminatesOnBrokenPoints)
{
    struct Case
    {
        const char* name;
        std::vector<CDPoint> points;
    };
    const Case cases[] = {
        {"unsorted", {{0, 0.1}, {0.9, 0.9}, {0.2, 0.3}, {0.6, 0.5}, {1, 0.4}}},
        {"reversed", {{1, 0.1}, {0.5, 0.9}, {0, 0.3}}},
        {"duplicate x at zero", {{0, 0.1}, {0, 0.9}, {1, 0.4}}},
        {"all at one x", {{0.5, 0.1}, {0.5, 0.2}, {0.5, 0.3}}},
        {"ends inside the span", {{0.3, 0.2}, {0.7, 0.6}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CGraph g = GraphFromRecord(0, c.points);
        CGraph smooth = GraphFromRecord(1, c.points);
        for (int i = 0; i <= 1000; ++i)
        {
            const double t = i / 1000.0;
            ASSERT_TRUE(std::isfinite(g.GetValueAt(t)));
            ASSERT_TRUE(std::isfinite(smooth.GetValueAt(t)));
        }
    }
}

// The forward walk the engine uses gives exactly the search's heights, whatever the points
// hold and whether the time goes on, stands still, jumps back or leaves the span.
TEST(CGraph, WalkWithAHintGivesTheLookupsHeights)
{
    struct Case
    {
        const char* name;
        std::int32_t smooth;
        std::vector<CDPoint> points;
    };
    const Case cases[] = {
        {"sorted", 0, {{0, 0.1}, {0.2, 0.9}, {0.5, 0.3}, {0.9, 0.6}, {1, 0.4}}},
        {"smoothed", 1, {{0, 0.1}, {0.2, 0.9}, {0.5, 0.3}, {0.9, 0.6}, {1, 0.4}}},
        {"duplicate x", 0, {{0, 0.1}, {0.4, 0.9}, {0.4, 0.2}, {0.4, 0.7}, {1, 0.4}}},
        {"unsorted", 0, {{0, 0.1}, {0.9, 0.9}, {0.2, 0.3}, {0.6, 0.5}, {1, 0.4}}},
        {"ends inside the span", 0, {{0.3, 0.2}, {0.7, 0.6}}},
    };
    const std::vector<double> times = []
    {
        std::vector<double> t;
        for (int i = 0; i <= 997; ++i)
            t.push_back(i / 997.0);
        for (double x : {0.4, 0.4, 0.1, 0.95, 0.0, 1.0, -0.5, 0.7, std::nan(""), 0.71, 2.0, 0.3})
            t.push_back(x);
        return t;
    }();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CGraph g = GraphFromRecord(c.smooth, c.points);
        std::size_t hint = 1;
        for (double t : times)
            ASSERT_EQ(g.GetValueAt(t, hint), g.GetValueAt(t)) << t;
        std::size_t wild = 123456; // a hint from another graph
        EXPECT_EQ(g.GetValueAt(0.5, wild), g.GetValueAt(0.5));
    }
}

// A zero-width span divides 0 by 0 in the plain formula; it yields the span's end height.
TEST(CGraph, ZeroWidthSpanYieldsItsEndHeight)
{
    const CGraph g = GraphFromRecord(0, {{0, 0.1}, {0, 0.9}, {1, 0.4}});
    EXPECT_DOUBLE_EQ(g.GetValueAt(0.0), 0.9);
}

// A single point can be put into memory through SetPoint-free paths only by a broken file;
// the record refuses it, so the lookup never sees it.
TEST(CGraph, RecordWithFewerThanTwoPointsIsRefused)
{
    EXPECT_THROW(GraphFromRecord(0, {{0, 0.5}}), plat::ArchiveError);
    EXPECT_THROW(GraphFromRecord(0, {}), plat::ArchiveError);
    EXPECT_THROW(GraphFromRecord(0, {{0, std::nan("")}, {1, 0}}), plat::ArchiveError);
}

// A graph of millions of points cost gigabytes once smoothed: a record beyond the limit, far
// above what the editor draws, is refused; one at the limit still reads and smooths.
TEST(CGraph, RecordWithTooManyPointsIsRefused)
{
    const auto ramp = [](std::int32_t n)
    {
        std::vector<CDPoint> points(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i)
            points[static_cast<std::size_t>(i)] = {double(i) / (n - 1), 0.5};
        return points;
    };
    const CGraph atLimit = GraphFromRecord(1, ramp(CGraph::kMaxPoints));
    EXPECT_EQ(atLimit.GetPointCount(), 100000);
    EXPECT_FALSE(atLimit.GetCurve().empty());
    EXPECT_THROW(GraphFromRecord(1, ramp(100001)), plat::ArchiveError);
}

TEST(CGraph, SmoothingMakesSixteenTimesThePointsAndKeepsTheEnds)
{
    CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}}, 1);
    ASSERT_EQ(g.GetCurve().size(), 48u);
    EXPECT_EQ(g.GetCurve().front(), (CDPoint{0, 0.2}));
    EXPECT_EQ(g.GetCurve().back(), (CDPoint{1, 0.2}));
    // The corner is cut: the smoothed peak lies below the control point.
    EXPECT_LT(g.GetValueAt(0.5), 0.8);
    EXPECT_GT(g.GetValueAt(0.5), 0.5);

    CGraph two;
    two.SetSmooth(1);
    EXPECT_TRUE(two.GetCurve().empty());
    EXPECT_DOUBLE_EQ(two.GetValueAt(0.3), 0.5);
}

TEST(CGraph, ScaleToAverage)
{
    struct Case
    {
        const char* name;
        double a, b, target;
        double expectA, expectB;
    };
    const Case cases[] = {
        {"scales up to the target", 0.2, 0.2, 0.5, 0.5, 0.5},
        {"highest point stops at one", 0.4, 0.8, 0.9, 0.5, 1.0},
        {"scaling down a zero height changes nothing", 0.0, 0.5, 0.1, 0.0, 0.5},
        {"a near-zero mean sets every height", 0.0005, 0.001, 0.3, 0.3, 0.3},
        {"a negative target sets every height to zero", 0.4, 0.8, -1.0, 0.0, 0.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CGraph g;
        g.SetPoint(0, {0, c.a});
        g.SetPoint(1, {1, c.b});
        g.ScaleToAverage(c.target);
        const auto h = Heights(g);
        EXPECT_NEAR(h[0], c.expectA, 1e-12);
        EXPECT_NEAR(h[1], c.expectB, 1e-12);
    }
}

TEST(CGraph, EditingKeepsTheEnds)
{
    CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}});

    g.MovePoint(0, 0.3, 0.6);
    EXPECT_EQ(g.GetPoints()[0], (CDPoint{0, 0.6}));
    g.MovePoint(2, 0.4, 0.1);
    EXPECT_EQ(g.GetPoints()[2], (CDPoint{1, 0.1}));
    g.MovePoint(1, 1.5, 0.7);
    EXPECT_EQ(g.GetPoints()[1], (CDPoint{1, 0.7}));
    g.MovePoint(1, -0.5, 0.7);
    EXPECT_EQ(g.GetPoints()[1], (CDPoint{0, 0.7}));
    g.MovePoint(7, 0.5, 0.5); // past the count: nothing

    g.RemovePoint(0);
    g.RemovePoint(2);
    EXPECT_EQ(g.GetPointCount(), 3);
    g.RemovePoint(1);
    EXPECT_EQ(g.GetPointCount(), 2);
    EXPECT_THROW(g.RemovePoint(5), plat::InvalidArgumentError);
    EXPECT_THROW(g.RemovePoint(-1), plat::InvalidArgumentError);
}

TEST(CGraph, AddPointAtAnEqualXGoesAfterTheExistingPoint)
{
    CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}});
    g.AddPoint({0.5, 0.1});
    ASSERT_EQ(g.GetPointCount(), 4);
    EXPECT_EQ(g.GetPoints()[1], (CDPoint{0.5, 0.8}));
    EXPECT_EQ(g.GetPoints()[2], (CDPoint{0.5, 0.1}));
}

TEST(CGraph, GetPointChecksOnlyNegativeIndices)
{
    CGraph g;
    CDPoint p{9, 9};
    EXPECT_THROW(g.GetPoint(-1, p), plat::InvalidArgumentError);
    g.GetPoint(2, p);
    EXPECT_EQ(p, (CDPoint{9, 9}));
    g.GetPoint(1, p);
    EXPECT_EQ(p, (CDPoint{1, 0.5}));
    g.SetPoint(5, {0.3, 0.3});
    EXPECT_EQ(g.GetPointCount(), 2);
}

TEST(CGraph, RecordRoundTripsAndRebuildsTheCurve)
{
    CGraph g = MakeGraph({{0, 0.2}, {0.5, 0.8}, {1, 0.2}}, 1);
    plat::Archive out = plat::Archive::ForStoring();
    g.Serialize(out);
    EXPECT_EQ(out.GetBytes().size(), 8u + 3 * 16u);
    plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
    CGraph back;
    back.Serialize(in);
    EXPECT_EQ(back.GetPoints(), g.GetPoints());
    EXPECT_EQ(back.GetCurve().size(), 48u);
    EXPECT_DOUBLE_EQ(back.GetValueAt(0.3), g.GetValueAt(0.3));
}

// The editor's whole-graph operations. Each row runs on a plain and on a smoothed graph: a graph
// whose points change but whose curve is not rebuilt would go on sounding the old shape. A graph
// never has fewer than two points (the file reader refuses them), so two points is the smallest
// case; rows with a time shared with an end come from files and hand-dragged points.
TEST(CGraph, WholeGraphOperations)
{
    struct Case
    {
        const char* name;
        std::function<void(CGraph&)> operation;
        std::vector<CDPoint> before;
        std::vector<CDPoint> after;
    };
    const auto halve = [](CGraph& g) { g.HalvePoints(); };
    const auto flip = [](CGraph& g) { g.FlipHeights(); };
    const auto mirror = [](CGraph& g) { g.MirrorTimes(); };
    const auto flat = [](CGraph& g) { g.SetConstant(0.3); };
    const Case cases[] = {
        {"halving two points keeps both", halve, {{0, 0.2}, {1, 0.6}}, {{0, 0.2}, {1, 0.6}}},
        {"halving three drops the middle", halve, {{0, 0.2}, {0.5, 0.9}, {1, 0.6}}, {{0, 0.2}, {1, 0.6}}},
        {"halving an even count keeps the last",
         halve,
         {{0, 0.1}, {0.25, 0.2}, {0.5, 0.3}, {1, 0.4}},
         {{0, 0.1}, {0.5, 0.3}, {1, 0.4}}},
        {"halving an odd count keeps the even positions",
         halve,
         {{0, 0.1}, {0.2, 0.2}, {0.4, 0.3}, {0.6, 0.4}, {1, 0.5}},
         {{0, 0.1}, {0.4, 0.3}, {1, 0.5}}},
        {"flipping turns the limits over",
         flip,
         {{0, 0.0}, {0.5, 0.3}, {1, 1.0}},
         {{0, 1.0}, {0.5, 0.7}, {1, 0.0}}},
        {"flipping keeps the times", flip, {{0, 0.2}, {0, 0.4}, {1, 0.9}}, {{0, 0.8}, {0, 0.6}, {1, 0.1}}},
        {"mirroring two points swaps their heights", mirror, {{0, 0.2}, {1, 0.6}}, {{0, 0.6}, {1, 0.2}}},
        {"mirroring reverses the order so times still rise",
         mirror,
         {{0, 0.2}, {0.3, 0.5}, {0.4, 0.7}, {1, 0.9}},
         {{0, 0.9}, {0.6, 0.7}, {0.7, 0.5}, {1, 0.2}}},
        {"mirroring a time shared with the start moves it to the end",
         mirror,
         {{0, 0.2}, {0, 0.4}, {1, 0.6}},
         {{0, 0.6}, {1, 0.4}, {1, 0.2}}},
        {"flat leaves two points at the level",
         flat,
         {{0, 0.1}, {0.2, 0.9}, {0.7, 0.0}, {1, 1.0}},
         {{0, 0.3}, {1, 0.3}}},
    };
    for (const Case& c : cases)
        for (int smooth : {0, 1})
        {
            SCOPED_TRACE(testing::Message() << c.name << (smooth ? ", smoothed" : ""));
            CGraph g = GraphFromRecord(smooth, c.before);
            c.operation(g);
            const CGraph expected = GraphFromRecord(smooth, c.after);
            ASSERT_EQ(g.GetPointCount(), expected.GetPointCount());
            for (std::size_t i = 0; i < c.after.size(); ++i)
            {
                EXPECT_NEAR(g.GetPoints()[i].x, c.after[i].x, 1e-12) << i;
                EXPECT_NEAR(g.GetPoints()[i].y, c.after[i].y, 1e-12) << i;
            }
            for (double t : {0.0, 0.1, 0.35, 0.5, 0.65, 0.9, 1.0})
                EXPECT_NEAR(g.GetValueAt(t), expected.GetValueAt(t), 1e-12) << t;
        }
}

// Doubling keeps every point at an even position and puts between each two a point at the middle
// time, its height their mean moved by one draw of the thread's generator and held to [0, 1]. A
// twin of the generator gives the draws; the heights at the limits show the clamp on both sides
// (seed 1 draws 0.001, 0.564 and 0.193), and the twin's next draw shows one draw per new point.
TEST(CGraph, DoublePointsPutsAMovedMidpointBetweenNeighbours)
{
    struct Case
    {
        const char* name;
        std::vector<CDPoint> before;
    };
    const Case cases[] = {
        {"two points gain one", {{0, 0.4}, {1, 0.6}}},
        {"uneven times", {{0, 0.5}, {0.1, 0.5}, {0.7, 0.5}, {1, 0.5}}},
        {"heights at the top stay at one", {{0, 1.0}, {0.25, 1.0}, {0.5, 1.0}, {1, 1.0}}},
        {"heights at zero stay at zero", {{0, 0.0}, {0.25, 0.0}, {0.5, 0.0}, {1, 0.0}}},
    };
    for (const Case& c : cases)
        for (int smooth : {0, 1})
        {
            SCOPED_TRACE(testing::Message() << c.name << (smooth ? ", smoothed" : ""));
            plat::Random15 generator(1);
            plat::Random15 twin(1);
            CGraph g = GraphFromRecord(smooth, c.before);
            {
                const plat::ScopedRandom current(generator);
                g.DoublePoints();
            }
            const std::size_t n = c.before.size();
            std::vector<CDPoint> expected;
            for (std::size_t i = 0; i < n; ++i)
            {
                expected.push_back(c.before[i]);
                if (i + 1 < n)
                {
                    const double y = (c.before[i].y + c.before[i + 1].y) / 2 + twin.Unit() - 0.5;
                    expected.push_back({(c.before[i].x + c.before[i + 1].x) / 2, std::clamp(y, 0.0, 1.0)});
                }
            }
            EXPECT_EQ(g.GetPoints(), expected);
            EXPECT_EQ(generator.Next(), twin.Next());
            const CGraph built = GraphFromRecord(smooth, expected);
            for (double t : {0.1, 0.3, 0.6, 0.9})
                EXPECT_DOUBLE_EQ(g.GetValueAt(t), built.GetValueAt(t)) << t;
        }
}
