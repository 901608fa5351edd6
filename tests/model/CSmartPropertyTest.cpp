#include "model/CSmartProperty.h"

#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

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
        {"empty range", 5, 5, 5},
        {"reversed range", 10, 0, 5},
        {"NaN min", std::nan(""), 1, 0},
        {"infinite max", 0, INFINITY, 0},
        {"NaN value", 0, 1, std::nan("")},
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
