#include "model/CSmartProperty.h"

#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

CSmartProperty MakeProperty(double min, double max, double value)
{
    CSmartProperty p;
    p.Init(0, min, max);
    p.SetValue(value);
    return p;
}

plat::Archive Stored(CSmartProperty& p)
{
    plat::Archive out = plat::Archive::ForStoring();
    p.Serialize(out);
    return out;
}

// The legacy record: a number, int32 has-graph, a graph record.
std::vector<std::uint8_t> OldRecord(bool asDouble, double number, std::int32_t hasGraph, double graphHeight)
{
    plat::Archive out = plat::Archive::ForStoring();
    if (asDouble)
        out.WriteDouble(number);
    else
        out.WriteInt32(static_cast<std::int32_t>(number));
    out.WriteInt32(hasGraph);
    out.WriteInt32(0);
    out.WriteInt32(2);
    out.WriteDouble(0);
    out.WriteDouble(graphHeight);
    out.WriteDouble(1);
    out.WriteDouble(graphHeight);
    return out.GetBytes();
}

} // namespace

TEST(CSmartProperty, EvaluatesEachMode)
{
    CSmartProperty p;
    p.Init(1, 0, 100);
    p.GetGraph() = CGraph();
    EXPECT_DOUBLE_EQ(p.GetValueAt(0.3), 50.0); // a new graph is 0.5 high
    EXPECT_DOUBLE_EQ(p.GetValueAt(1.1), 0.0);  // outside the span: min

    p.SetValue(40);
    EXPECT_EQ(p.GetMode(), 0);
    EXPECT_DOUBLE_EQ(p.GetValueAt(0.9), 40.0);
    EXPECT_NEAR(p.GetGraph().GetValueAt(0.5), 0.4001, 1e-12);

    p.GetAutoGraph().m_lowerLimit = 10;
    p.GetAutoGraph().m_upperLimit = 30;
    p.SetMode(2);
    p.StartAutoGraph(44100);
    EXPECT_DOUBLE_EQ(p.GetValueAt(0.0), 20.0);

    p.SetMode(7); // a stored mode outside the table
    EXPECT_EQ(p.GetValueAt(0.5), 0.0);
}

TEST(CSmartProperty, InitSetsTheAutoGraphRangeAndTheMiddle)
{
    CSmartProperty p;
    p.Init(0, -10, 30);
    EXPECT_DOUBLE_EQ(p.GetValue(), 10.0);
    EXPECT_EQ(p.GetRange(), (std::pair<double, double>(-10, 30)));
    EXPECT_EQ(p.GetAutoGraph().m_min, -10);
    EXPECT_EQ(p.GetAutoGraph().m_lowerLimit, -10);
    EXPECT_EQ(p.GetAutoGraph().m_max, 30);
    EXPECT_EQ(p.GetAutoGraph().m_upperLimit, 30);
}

TEST(CSmartProperty, RecordIs104BytesAndRoundTripsExactly)
{
    CSmartProperty p = MakeProperty(0, 100, 37.5);
    p.GetAutoGraph().m_lowerLimit = 12;
    p.GetAutoGraph().m_changeRate = 6;
    plat::Archive out = Stored(p);
    ASSERT_EQ(out.GetBytes().size(), 104u);

    plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
    CSmartProperty q;
    q.Init(0, 0, 1);
    q.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(Stored(q).GetBytes(), out.GetBytes());
    EXPECT_EQ(q.GetAutoGraph().m_lowerLimit, 12);
}

TEST(CSmartProperty, ReadingReplacesTheOwnersRange)
{
    CSmartProperty p = MakeProperty(-5, 5, 1);
    plat::Archive in = plat::Archive::ForLoading(Stored(p).GetBytes());
    CSmartProperty q = MakeProperty(0, 100, 50);
    q.Serialize(in);
    EXPECT_EQ(q.GetRange(), (std::pair<double, double>(-5, 5)));
    EXPECT_DOUBLE_EQ(q.GetValue(), 1.0);
}

// A range of zero width or a non-number would divide by zero or put NaN into the audio.
TEST(CSmartProperty, StoredRangeThatCannotBeUsedIsRefused)
{
    struct Case
    {
        const char* name;
        double min, max, value;
    };
    const Case cases[] = {
        {"empty range", 5, 5, 5},          {"reversed range", 10, 0, 5},
        {"NaN min", std::nan(""), 1, 0},   {"infinite max", 0, INFINITY, 0},
        {"NaN value", 0, 1, std::nan("")}, {"span too wide for a double", -1e308, 1e308, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        plat::Archive out = plat::Archive::ForStoring();
        out.WriteInt32(0);
        out.WriteDouble(c.min);
        out.WriteDouble(c.max);
        out.WriteDouble(c.value);
        CGraph g;
        g.Serialize(out);
        CAutoGraph a;
        a.Serialize(out);
        plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
        CSmartProperty p;
        EXPECT_THROW(p.Serialize(in), plat::ArchiveError);
    }
}

// What a current record holds outside its own range is brought into it, as the property row and
// the editors keep it: the constant, the automatic graph's limits and change rate, the graph's
// heights. Reading the result again changes nothing more.
TEST(CSmartProperty, StoredValuesOutsideTheRangeAreBroughtIntoIt)
{
    struct Case
    {
        const char* name;
        double value, lower, upper;
        std::int32_t rate;
        double height;
        // expected after reading
        double wantValue, wantLower, wantUpper;
        std::int32_t wantRate;
        double wantHeight;
    };
    const Case cases[] = {
        {"all inside", 40, 10, 90, 2, 0.5, 40, 10, 90, 2, 0.5},
        {"constant above", 1e300, 0, 100, 3, 0.5, 100, 0, 100, 3, 0.5},
        {"constant below", -1, 0, 100, 3, 0.5, 0, 0, 100, 3, 0.5},
        {"limits outside", 50, -1e300, 1e300, 3, 0.5, 50, 0, 100, 3, 0.5},
        {"limits the wrong way round", 50, 80, 20, 3, 0.5, 50, 80, 80, 3, 0.5},
        {"change rate outside its table", 50, 0, 100, 99, 0.5, 50, 0, 100, 6, 0.5},
        {"negative change rate", 50, 0, 100, -4, 0.5, 50, 0, 100, 0, 0.5},
        {"graph above the range", 50, 0, 100, 3, 1e300, 50, 0, 100, 3, CGraph::kMaxHeight},
        {"graph below the range", 50, 0, 100, 3, -2, 50, 0, 100, 3, 0},
        {"a flat graph at the top, as SetValue leaves it", 100, 0, 100, 3, 1.0001, 100, 0, 100, 3, 1.0001},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        plat::Archive out = plat::Archive::ForStoring();
        out.WriteInt32(0);
        out.WriteDouble(0);
        out.WriteDouble(100);
        out.WriteDouble(c.value);
        out.WriteInt32(0);
        out.WriteInt32(2);
        for (const double x : {0.0, 1.0})
        {
            out.WriteDouble(x);
            out.WriteDouble(c.height);
        }
        for (const double v : {0.0, 100.0, c.lower, c.upper})
            out.WriteDouble(v);
        out.WriteInt32(c.rate);

        plat::Archive in = plat::Archive::ForLoading(out.GetBytes());
        CSmartProperty p;
        p.Serialize(in);
        EXPECT_EQ(p.GetValue(), c.wantValue);
        EXPECT_EQ(p.GetAutoGraph().m_lowerLimit, c.wantLower);
        EXPECT_EQ(p.GetAutoGraph().m_upperLimit, c.wantUpper);
        EXPECT_EQ(p.GetAutoGraph().m_changeRate, c.wantRate);
        EXPECT_EQ(p.GetGraph().GetPoints()[0].y, c.wantHeight);
        EXPECT_EQ(p.GetGraph().GetPoints()[1].y, c.wantHeight);

        const std::vector<std::uint8_t> once = Stored(p).GetBytes();
        plat::Archive again = plat::Archive::ForLoading(once);
        CSmartProperty q;
        q.Serialize(again);
        EXPECT_EQ(Stored(q).GetBytes(), once);
    }
}

// The old record's number is checked once it is in the current units: a finite double that the
// scaling by 100 makes infinite refuses the file like a stored non-number; one outside the range
// becomes its nearer end.
TEST(CSmartProperty, LoadOldChecksTheNumberAfterScaling)
{
    struct Case
    {
        const char* name;
        bool asDouble, times100;
        double number;
        double expected; // NaN: refused
    };
    const double refused = std::nan("");
    const Case cases[] = {
        {"fraction in range", true, true, 0.25, 25},
        {"fraction that overflows", true, true, 1e307, refused},
        {"negative fraction that overflows", true, true, -1e307, refused},
        {"not a number", true, false, std::nan(""), refused},
        {"fraction above the range", true, true, 1.5, 100},
        {"double below the range", true, false, -3, 0},
        {"int32 above the range", false, false, 2147483647, 100},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        plat::Archive in = plat::Archive::ForLoading(OldRecord(c.asDouble, c.number, 0, 0.5), 399);
        CSmartProperty p = MakeProperty(0, 100, 1);
        if (std::isnan(c.expected))
        {
            EXPECT_THROW(p.LoadOld(in, c.asDouble, c.times100), plat::ArchiveError);
            continue;
        }
        ASSERT_TRUE(p.LoadOld(in, c.asDouble, c.times100));
        EXPECT_EQ(p.GetValue(), c.expected);
    }
}

TEST(CSmartProperty, EveryTruncationRaisesEndOfFile)
{
    CSmartProperty p = MakeProperty(0, 100, 40);
    const auto bytes = Stored(p).GetBytes();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    {
        SCOPED_TRACE(cut);
        plat::Archive in = plat::Archive::ForLoading({bytes.data(), cut});
        CSmartProperty q;
        try
        {
            q.Serialize(in);
            FAIL() << "read a truncated record";
        }
        catch (const plat::ArchiveError& e)
        {
            EXPECT_EQ(e.GetCause(), plat::ArchiveError::Cause::EndOfFile);
        }
    }
}

TEST(CSmartProperty, LoadOldReadsBothForms)
{
    {
        SCOPED_TRACE("double times 100, no graph");
        plat::Archive in = plat::Archive::ForLoading(OldRecord(true, 0.25, 0, 0.7), 300);
        CSmartProperty p = MakeProperty(0, 100, 1);
        ASSERT_TRUE(p.LoadOld(in, true, true));
        EXPECT_EQ(in.GetRemaining(), 0u);
        EXPECT_EQ(p.GetMode(), 0);
        EXPECT_DOUBLE_EQ(p.GetValue(), 25.0);
    }
    {
        SCOPED_TRACE("int32 with a graph");
        plat::Archive in = plat::Archive::ForLoading(OldRecord(false, 7, 1, 0.7), 399);
        CSmartProperty p = MakeProperty(0, 100, 1);
        ASSERT_TRUE(p.LoadOld(in, false, false));
        EXPECT_EQ(p.GetMode(), 1);
        EXPECT_DOUBLE_EQ(p.GetValueAt(0.5), 70.0);
        EXPECT_DOUBLE_EQ(p.GetValue(), 1.0);
    }
}

TEST(CSmartProperty, LoadOldReadsNothingFromVersion400On)
{
    plat::Archive in = plat::Archive::ForLoading(OldRecord(true, 0.25, 0, 0.7), 400);
    CSmartProperty p = MakeProperty(0, 100, 1);
    EXPECT_FALSE(p.LoadOld(in, true, true));
    EXPECT_EQ(in.GetPosition(), 0u);
    EXPECT_DOUBLE_EQ(p.GetValue(), 1.0);
}

TEST(CSmartProperty, CopiesAreDeep)
{
    CSmartProperty p = MakeProperty(0, 10, 3);
    p.GetGraph().AddPoint({0.5, 0.9});
    p.GetGraph().SetSmooth(1);
    p.SetMode(1);
    CSmartProperty q = p;
    p.GetGraph().MovePoint(1, 0.5, 0.1);
    EXPECT_EQ(q.GetMode(), 1);
    EXPECT_EQ(q.GetGraph().GetPointCount(), 3);
    EXPECT_EQ(q.GetGraph().GetCurve().size(), 48u);
    EXPECT_GT(q.GetValueAt(0.5), p.GetValueAt(0.5));
}

// peeking gives the walk's last value however often it is read.
TEST(CSmartProperty, PeekDoesNotAdvanceTheAutomaticWalk)
{
    CSmartProperty p;
    p.Init(2, 0, 40);
    p.GetAutoGraph().m_lowerLimit = 10;
    p.GetAutoGraph().m_upperLimit = 30;
    EXPECT_DOUBLE_EQ(p.PeekValueAt(0.5), 20.0); // before any step: the middle of the limits
    p.StartAutoGraph(4);

    double last = 0.0;
    for (int i = 0; i < 9; ++i)
        last = p.GetValueAt(0.0);
    for (int i = 0; i < 50; ++i)
        EXPECT_DOUBLE_EQ(p.PeekValueAt(0.0), last);
    EXPECT_GE(last, 10.0);
    EXPECT_LE(last, 30.0);

    // Constant and graph modes read as GetValueAt does.
    p.SetValue(12.5);
    EXPECT_DOUBLE_EQ(p.PeekValueAt(0.7), 12.5);
    p.SetMode(1);
    EXPECT_DOUBLE_EQ(p.PeekValueAt(0.7), p.GetValueAt(0.7));
    p.SetMode(9);
    EXPECT_DOUBLE_EQ(p.PeekValueAt(0.7), 0.0);
}
