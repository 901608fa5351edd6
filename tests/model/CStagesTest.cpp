#include "model/CStages.h"

#include "platform/Archive.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace
{

struct StageRow
{
    const char* name;
    double start;
    double end;
};

CStages Defaults()
{
    CStages stages;
    stages.SetDefault();
    return stages;
}

void ExpectStages(const CStages& stages, const std::vector<StageRow>& rows)
{
    ASSERT_EQ(stages.GetCount(), static_cast<std::int32_t>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        SCOPED_TRACE(i);
        const CStage& s = stages.GetStage(static_cast<std::int32_t>(i));
        EXPECT_EQ(s.m_name, QString::fromLatin1(rows[i].name));
        EXPECT_NEAR(s.m_start, rows[i].start, 1e-12);
        EXPECT_NEAR(s.m_end, rows[i].end, 1e-12);
    }
}

const std::vector<StageRow> kDefaultRows = {
    {"Start", 0, 0.07},     {"Relaxation", 0.07, 0.25},
    {"Steady", 0.25, 0.33}, {"Light Hypnosis", 0.33, 0.52},
    {"Deeper", 0.52, 0.6},  {"Deep Hypnosis", 0.6, 0.83},
    {"Anchor", 0.83, 0.9},  {"Out", 0.9, 0.95},
    {"End", 0.95, 1.0},
};

} // namespace

TEST(CStages, DefaultsAreTheNineStagesOfANewSession)
{
    CStages stages;
    EXPECT_THROW(stages.GetStage(0), plat::InvalidArgumentError);
    stages.SetDefault();
    ExpectStages(stages, kDefaultRows);
    stages.SetDefault(); // refills, never appends
    EXPECT_EQ(stages.GetCount(), 9);
}

// Stages are half open: the end of one is the start of the next, and 1.0 belongs to none.
TEST(CStages, FindStageIsHalfOpen)
{
    const CStages stages = Defaults();
    const struct
    {
        double t;
        std::int32_t stage;
    } cases[] = {
        {0.0, 0},    {0.069, 0}, {0.07, 1},
        {0.5, 3},    {0.999, 8}, {1.0, -1},
        {-0.01, -1}, {1.01, -1}, {std::numeric_limits<double>::quiet_NaN(), -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stages.FindStage(c.t), c.stage) << c.t;
}

TEST(CStages, InsertStageTakesTheFirstHalfOfItsSlot)
{
    CStages stages = Defaults();
    stages.InsertStage("New", 1);
    std::vector<StageRow> rows = kDefaultRows;
    rows.insert(rows.begin() + 1, {"New", 0.07, 0.16});
    rows[2] = {"Relaxation", 0.16, 0.25};
    ExpectStages(stages, rows);

    stages.InsertStage("First", 0);
    EXPECT_EQ(stages.GetStage(0).m_name, "First");
    EXPECT_NEAR(stages.GetStage(0).m_end, 0.035, 1e-12);
    EXPECT_NEAR(stages.GetStage(1).m_start, 0.035, 1e-12);

    for (std::int32_t bad : {-1, stages.GetCount()})
        EXPECT_THROW(stages.InsertStage("Bad", bad), plat::InvalidArgumentError) << bad;
    EXPECT_EQ(stages.GetCount(), 11);
}

TEST(CStages, RemoveStageClosesTheGap)
{
    {
        CStages stages = Defaults();
        stages.RemoveStage(8);
        std::vector<StageRow> rows(kDefaultRows.begin(), kDefaultRows.end() - 1);
        rows.back().end = 1.0;
        ExpectStages(stages, rows);
    }
    {
        CStages stages = Defaults();
        stages.RemoveStage(0);
        std::vector<StageRow> rows(kDefaultRows.begin() + 1, kDefaultRows.end());
        rows.front().start = 0.0;
        ExpectStages(stages, rows);
    }
    {
        CStages stages = Defaults();
        stages.RemoveStage(4); // "Deeper": "Deep Hypnosis" now starts at 0.52
        EXPECT_EQ(stages.GetStage(4).m_name, "Deep Hypnosis");
        EXPECT_DOUBLE_EQ(stages.GetStage(4).m_start, 0.52);
        EXPECT_DOUBLE_EQ(stages.GetStage(3).m_end, 0.52);
        for (std::int32_t bad : {-1, 8})
            EXPECT_THROW(stages.RemoveStage(bad), plat::InvalidArgumentError) << bad;
        EXPECT_EQ(stages.GetCount(), 8);
    }
}

// Refusing to remove the only stage must not empty the list first.
TEST(CStages, RemovingTheOnlyStageThrowsAndKeepsIt)
{
    CStages stages = Defaults();
    while (stages.GetCount() > 1)
        stages.RemoveStage(0);
    ExpectStages(stages, {{"End", 0.0, 1.0}});
    EXPECT_THROW(stages.RemoveStage(0), plat::InvalidArgumentError);
    ExpectStages(stages, {{"End", 0.0, 1.0}});
}

TEST(CStages, SwapStagesTradesAdjacentStagesOnly)
{
    {
        CStages stages = Defaults();
        stages.SwapStages(1, 2);
        std::vector<StageRow> rows = kDefaultRows;
        rows[1] = {"Steady", 0.07, 0.15};
        rows[2] = {"Relaxation", 0.15, 0.33};
        ExpectStages(stages, rows);
    }
    // Not neighbours, the wrong order, or past the end: the timeline must stay contiguous and
    // no name may be lost.
    const struct
    {
        std::int32_t a;
        std::int32_t b;
    } ignored[] = {{1, 3}, {2, 1}, {0, 8}, {3, 3}, {8, 9}, {9, 10}, {0, 9}};
    for (const auto& c : ignored)
    {
        SCOPED_TRACE(testing::Message() << c.a << ", " << c.b);
        CStages stages = Defaults();
        stages.SwapStages(c.a, c.b);
        ExpectStages(stages, kDefaultRows);
    }
    for (const auto& c : {std::pair{-1, 0}, std::pair{0, -1}})
    {
        CStages stages = Defaults();
        EXPECT_THROW(stages.SwapStages(c.first, c.second), plat::InvalidArgumentError);
        ExpectStages(stages, kDefaultRows);
    }
}

TEST(CStages, RecordIsCountThenNameStartEnd)
{
    CStages stages = Defaults();
    stages.GetStage(0).m_name = QString::fromUtf8("Anfang \u00fc");
    plat::Archive out = plat::Archive::ForStoring(410);
    stages.Serialize(out);

    plat::Archive expected = plat::Archive::ForStoring();
    expected.WriteInt32(9);
    for (std::int32_t i = 0; i < 9; ++i)
    {
        expected.WriteString(stages.GetStage(i).m_name);
        expected.WriteDouble(stages.GetStage(i).m_start);
        expected.WriteDouble(stages.GetStage(i).m_end);
    }
    EXPECT_EQ(out.GetBytes(), expected.GetBytes());

    plat::Archive in = plat::Archive::ForLoading(out.GetBytes(), 410);
    CStages read;
    read.SetDefault();
    read.RemoveStage(0); // reading replaces whatever the list held
    read.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    ASSERT_EQ(read.GetCount(), 9);
    EXPECT_EQ(read.GetStage(0).m_name, stages.GetStage(0).m_name);
    EXPECT_EQ(read.GetStage(8).m_end, 1.0);
}

TEST(CStages, OldFilesHoldEightBitNames)
{
    plat::Archive old = plat::Archive::ForStoring();
    old.WriteInt32(1);
    old.WriteByte(4); // an 8-bit string record: length, then the characters
    for (char c : {'S', 't', 'a', 'r'})
        old.WriteByte(static_cast<std::uint8_t>(c));
    old.WriteDouble(0.0);
    old.WriteDouble(1.0);
    plat::Archive in = plat::Archive::ForLoading(old.GetBytes(), 300);
    CStages read;
    read.Serialize(in);
    ExpectStages(read, {{"Star", 0.0, 1.0}});
}

TEST(CStages, DamagedRecordsAreRefusedAndChangeNothing)
{
    const auto Cut = [](std::vector<std::uint8_t> bytes, std::size_t n)
    {
        bytes.resize(bytes.size() - n);
        return bytes;
    };
    const auto record = [](std::int32_t n, double start, double end)
    {
        plat::Archive a = plat::Archive::ForStoring();
        a.WriteInt32(n);
        a.WriteString("A");
        a.WriteDouble(start);
        a.WriteDouble(end);
        return a.GetBytes();
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        const char* fault;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"count past the end", record(2, 0, 1)},         {"negative count", record(-1, 0, 1)},
        {"start not a number", record(1, nan, 1)},       {"end infinite", record(1, 0, inf)},
        {"cut inside a bound", Cut(record(1, 0, 1), 3)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.fault);
        plat::Archive in = plat::Archive::ForLoading(c.bytes, 410);
        CStages stages = Defaults();
        EXPECT_THROW(stages.Serialize(in), plat::ArchiveError);
        ExpectStages(stages, kDefaultRows);
    }
}
