#include "model/CSegments.h"

#include "SegmentFixtures.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace
{

using vtest::Bytes;
using vtest::kCurrentVersion;
using vtest::kOldVersion;
using vtest::Loading;

std::shared_ptr<CSegment> Span(double begin, double end, std::int32_t kind = CSegment::kKindTone)
{
    auto s = CSegments::CreateSegment(kind);
    s->m_begin = begin;
    s->m_end = end;
    return s;
}

std::vector<std::pair<double, double>> Times(const CSegments& list)
{
    std::vector<std::pair<double, double>> out;
    for (const auto& s : list.GetSegments())
        out.emplace_back(s->m_begin, s->m_end);
    return out;
}

class CountingSegment : public CSegment
{
public:
    void OnListCleared() override { ++m_cleared; }
    int m_cleared = 0;
};

// The view grows the live placeholder's end while the engine's worker reads the segment times
// (the tsan preset flags a plain double here); every read must be a whole value some write stored.
TEST(CSegment, TimesCrossThreadsWhole)
{
    auto segment = Span(0.0, 0.0, CSegment::kKindVoice);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader(
        [&]
        {
            while (!stop.load(std::memory_order_relaxed))
            {
                const double end = segment->m_end;
                // Every value written is k / 1024 for a whole k in 0..1024.
                const double k = end * 1024.0;
                if (k != std::floor(k) || k < 0 || k > 1024 || segment->m_begin != 0.0)
                    torn.fetch_add(1, std::memory_order_relaxed);
            }
        });
    for (int round = 0; round < 20; ++round)
        for (int k = 0; k <= 1024; ++k)
            segment->m_end = k / 1024.0;
    stop.store(true, std::memory_order_relaxed);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_DOUBLE_EQ(segment->m_end, 1.0);
}

} // namespace

// Wrong insertion points put segments out of time order, and the engine walks the list in order.
TEST(CSegments, AddSegmentKeepsTimeOrder)
{
    using Times2 = std::vector<std::pair<double, double>>;
    struct Case
    {
        const char* name;
        double begin, end;
        Times2 expected;
    } cases[] = {
        {"between two", 0.4, 0.5, {{0.1, 0.2}, {0.4, 0.5}, {0.6, 0.7}}},
        {"after the last", 0.8, 0.9, {{0.1, 0.2}, {0.6, 0.7}, {0.8, 0.9}}},
        {"end on the first begin", 0.05, 0.1, {{0.05, 0.1}, {0.1, 0.2}, {0.6, 0.7}}},
        {"zero length on a shared time", 0.2, 0.2, {{0.1, 0.2}, {0.2, 0.2}, {0.6, 0.7}}},
        {"zero length at the start", 0.0, 0.0, {{0.0, 0.0}, {0.1, 0.2}, {0.6, 0.7}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSegments list;
        list.AddSegment(Span(0.1, 0.2));
        list.AddSegment(Span(0.6, 0.7));
        list.AddSegment(Span(c.begin, c.end));
        EXPECT_EQ(Times(list), c.expected);
    }
    CSegments list;
    EXPECT_THROW(list.AddSegment(nullptr), plat::InvalidArgumentError);
}

TEST(CSegments, FindSegmentUsesClosedSpansAndTheEarlierOnATie)
{
    CSegments list;
    list.AddSegment(Span(0.1, 0.2));
    list.AddSegment(Span(0.2, 0.3));
    list.AddSegment(Span(0.5, 1.0));
    struct Case
    {
        double t;
        std::int32_t expected;
    } cases[] = {
        {0.2, 0},   {0.25, 1}, {0.1, 0},
        {0.4, -1},  {1.0, 2},  {1.5, -1},
        {-0.1, -1}, {0.0, -1}, {std::numeric_limits<double>::quiet_NaN(), -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.t);
        EXPECT_EQ(list.FindSegment(c.t), c.expected);
    }
    EXPECT_EQ(CSegments().FindSegment(0.5), -1);
}

TEST(CSegments, IndexErrors)
{
    CSegments empty;
    EXPECT_NO_THROW(empty.RemoveSegment(0));
    EXPECT_NO_THROW(empty.RemoveSegment(5));
    EXPECT_THROW(empty.GetSegment(0), plat::InvalidArgumentError);

    CSegments two;
    two.AddSegment(Span(0.1, 0.2));
    two.AddSegment(Span(0.3, 0.4));
    EXPECT_THROW(two.RemoveSegment(5), plat::InvalidArgumentError);
    EXPECT_THROW(two.RemoveSegment(2), plat::InvalidArgumentError);
    EXPECT_THROW(two.RemoveSegment(-1), plat::InvalidArgumentError);
    EXPECT_THROW(two.GetSegment(2), plat::InvalidArgumentError);
    EXPECT_THROW(two.GetSegment(-1), plat::InvalidArgumentError);
    EXPECT_EQ(two.GetCount(), 2);

    two.RemoveSegment(0);
    ASSERT_EQ(two.GetCount(), 1);
    EXPECT_EQ(two.GetSegment(0)->m_begin, 0.3);
}

// Copies of a list share segments; the track swap keeps a copy while the original is emptied,
// and removing a segment must free it once no list holds it (and not before).
TEST(CSegments, CopiesShareSegmentsAndTheLastHolderFreesThem)
{
    CSegments original;
    original.AddSegment(Span(0.1, 0.2));
    original.AddSegment(Span(0.3, 0.4));
    const std::weak_ptr<CSegment> first = original.GetSegment(0);
    const std::weak_ptr<CSegment> second = original.GetSegment(1);

    CSegments copy;
    copy.AddSegment(Span(0.8, 0.9)); // dropped by CopyFrom
    copy.CopyFrom(original);
    ASSERT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(copy.GetSegment(0), original.GetSegment(0));

    original.RemoveAll();
    EXPECT_EQ(original.GetCount(), 0);
    EXPECT_FALSE(first.expired());
    EXPECT_EQ(copy.GetSegment(1)->m_begin, 0.3);

    copy.CopyFrom(copy); // onto itself: unchanged, not emptied
    EXPECT_EQ(copy.GetCount(), 2);

    copy.RemoveSegment(0);
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(second.expired());
    copy.RemoveAll();
    EXPECT_TRUE(second.expired());
}

TEST(CSegments, RemoveAllTellsEverySegment)
{
    auto a = std::make_shared<CountingSegment>();
    auto b = std::make_shared<CountingSegment>();
    b->m_begin = b->m_end = 0.5;
    CSegments list;
    list.AddSegment(a);
    list.AddSegment(b);
    list.RemoveAll();
    EXPECT_EQ(a->m_cleared, 1);
    EXPECT_EQ(b->m_cleared, 1);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CSegments, FactoryRefusesUnknownKinds)
{
    for (const std::int32_t kind : {-1, 8, 1000})
    {
        SCOPED_TRACE(kind);
        EXPECT_THROW(CSegments::CreateSegment(kind), plat::InvalidArgumentError);
    }
}

TEST(CSegment, LimitEndFitsTheContent)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char* name;
        double duration;
        std::int32_t seconds;
        double begin, end, nextBegin;
        double expected;
    } cases[] = {
        {"shortened to the content", 30, 300, 0.1, 0.3, 0.5, 0.2},
        {"stopped by the next begin", 30, 300, 0.1, 0.3, 0.15, 0.15},
        {"at least half a percent", 0.3, 300, 0.1, 0.3, 0.5, 0.105},
        {"lengthened to the content", 120, 300, 0.1, 0.2, 1.0, 0.5},
        {"no content duration", 0, 300, 0.1, 0.3, 0.5, 0.3},
        {"session length 0", 30, 0, 0.1, 0.3, 0.5, 0.3},
        {"negative session length", 30, -300, 0.1, 0.3, 0.5, 0.3},
        {"next begin below the begin", 30, 300, 0.1, 0.3, 0.05, 0.1},
        {"a duration that is not a number", nan, 300, 0.1, 0.3, 0.5, 0.3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSegment s;
        s.m_begin = c.begin;
        s.m_end = c.end;
        s.m_contentDuration = c.duration;
        s.LimitEnd(c.nextBegin, c.seconds);
        EXPECT_DOUBLE_EQ(s.m_end, c.expected);
        EXPECT_EQ(s.m_begin, c.begin);
    }
}

TEST(CSegment, BaseRecordLayout)
{
    auto tone = CSegments::CreateSegment(CSegment::kKindTone);
    tone->m_begin = 0.25;
    tone->m_end = 0.5;
    tone->m_secondText = QStringLiteral("ab");
    const auto bytes = Bytes([&](plat::Archive& ar) { tone->CSegment::Serialize(ar); });
    // The base part: 1182 bytes plus two per character of the name and of the second text.
    EXPECT_EQ(bytes.size(), 1182u + 2 * 4 + 2 * 2);
    const std::vector<std::uint8_t> head(bytes.begin() + 16, bytes.begin() + 16 + 12);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0xFF, 0xFE, 0xFF, 4, 'T', 0, 'o', 0, 'n', 0, 'e', 0}));

    CSegment read;
    plat::Archive in = Loading(bytes, kCurrentVersion);
    read.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(read.m_begin, 0.25);
    EXPECT_EQ(read.m_end, 0.5);
    EXPECT_EQ(read.m_name, QStringLiteral("Tone"));
    EXPECT_EQ(read.m_secondText, QStringLiteral("ab"));
}

// A time that is not a number would reach every later comparison and the frame arithmetic.
TEST(CSegment, RefusesTimesThatAreNotNumbers)
{
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    {
        auto tone = CSegments::CreateSegment(CSegment::kKindTone);
        tone->m_end = bad;
        const auto bytes = vtest::StoredSegment(*tone);
        CSegment read;
        plat::Archive in = Loading(bytes, kCurrentVersion);
        EXPECT_THROW(read.Serialize(in), plat::ArchiveError);

        const auto old =
            Bytes([&](plat::Archive& ar) { vtest::WriteOldSegmentBase(ar, bad, 0.5, 0.5, 0.5); });
        plat::Archive oldIn = Loading(old, kOldVersion);
        EXPECT_THROW(read.Serialize(oldIn), plat::ArchiveError);
    }
}

TEST(CSegment, OldBaseRecord)
{
    const auto bytes = Bytes([](plat::Archive& ar) { vtest::WriteOldSegmentBase(ar, 0.2, 0.4, 0.8, 0.25); });
    CSegment s;
    s.m_name = QStringLiteral("stale");
    s.m_secondText = QStringLiteral("stale");
    plat::Archive in = Loading(bytes, kOldVersion);
    s.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(s.m_begin, 0.2);
    EXPECT_EQ(s.m_end, 0.4);
    EXPECT_DOUBLE_EQ(s.m_volume.GetValue(), 80.0);
    EXPECT_DOUBLE_EQ(s.m_balance.GetValue(), 25.0);
    EXPECT_TRUE(s.m_name.isEmpty());
    EXPECT_TRUE(s.m_secondText.isEmpty());

    // The old reader on a current file would misread every field.
    plat::Archive current = Loading(bytes, kCurrentVersion);
    EXPECT_THROW(s.LoadOld(current), plat::InvalidArgumentError);
}

TEST(CSegments, ListRecordRoundTripsMixedKinds)
{
    CSegments list;
    auto tone = Span(0.1, 0.2, CSegment::kKindTone);
    static_cast<CSegmentTone&>(*tone).m_carrier.SetValue(432);
    auto voice = Span(0.3, 0.4, CSegment::kKindVoice);
    static_cast<CSegmentSuggestions&>(*voice).m_scriptText = QStringLiteral("breathe");
    list.AddSegment(tone);
    list.AddSegment(voice);

    const auto bytes = Bytes([&](plat::Archive& ar) { list.Serialize(ar, CSegments::kAnyKind); });
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes[4], CSegment::kKindTone); // the kind precedes each record

    CSegments read;
    plat::Archive in = Loading(bytes, kCurrentVersion);
    read.Serialize(in, CSegments::kAnyKind);
    EXPECT_EQ(in.GetRemaining(), 0u);
    ASSERT_EQ(read.GetCount(), 2);
    const auto* readTone = dynamic_cast<const CSegmentTone*>(read.GetSegment(0).get());
    const auto* readVoice = dynamic_cast<const CSegmentSuggestions*>(read.GetSegment(1).get());
    ASSERT_NE(readTone, nullptr);
    ASSERT_NE(readVoice, nullptr);
    EXPECT_EQ(readTone->m_carrier.GetValue(), 432.0);
    EXPECT_EQ(readVoice->m_scriptText, QStringLiteral("breathe"));
    EXPECT_EQ(Bytes([&](plat::Archive& ar) { read.Serialize(ar, CSegments::kAnyKind); }), bytes);
}

// Every generator treats the segments of its track as its own kind, so a stored kind that is
// unknown or differs from the track's would be type confusion later.
TEST(CSegments, ListReaderRefusesDamagedFiles)
{
    auto listOf = [](std::int32_t storedKind)
    {
        return Bytes(
            [&](plat::Archive& ar)
            {
                ar.WriteInt32(1);
                ar.WriteInt32(storedKind);
                CSegments::CreateSegment(CSegment::kKindTone)->Serialize(ar);
            });
    };
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::int32_t trackKind;
        plat::ArchiveError::Cause cause;
    } cases[] = {
        {"kind 8", listOf(8), CSegments::kAnyKind, plat::ArchiveError::Cause::BadFormat},
        {"kind -1", listOf(-1), CSegments::kAnyKind, plat::ArchiveError::Cause::BadFormat},
        {"kind of another track", listOf(CSegment::kKindTone), CSegment::kKindNoise,
         plat::ArchiveError::Cause::BadFormat},
        {"negative count", Bytes([](plat::Archive& ar) { ar.WriteInt32(-1); }), CSegments::kAnyKind,
         plat::ArchiveError::Cause::BadFormat},
        {"count beyond the file", Bytes([](plat::Archive& ar) { ar.WriteInt32(1 << 30); }),
         CSegments::kAnyKind, plat::ArchiveError::Cause::EndOfFile},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSegments list;
        list.AddSegment(Span(0.1, 0.2));
        plat::Archive in = Loading(c.bytes, kCurrentVersion);
        try
        {
            list.Serialize(in, c.trackKind);
            ADD_FAILURE() << "read without an error";
        }
        catch (const plat::ArchiveError& e)
        {
            EXPECT_EQ(e.GetCause(), c.cause);
        }
        EXPECT_EQ(list.GetCount(), 1); // a refused file leaves the list as it was
    }
    // The matching kind reads.
    CSegments list;
    plat::Archive in = Loading(listOf(CSegment::kKindTone), kCurrentVersion);
    list.Serialize(in, CSegment::kKindTone);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(CSegments, OldListTakesTheKindOfTheNamedTrack)
{
    // Track 1 (tone) holds one segment; the tracks as read so far are voice, tone, and a later
    // track still of the new-element kind 0.
    const std::vector<std::int32_t> kinds{CSegment::kKindVoice, CSegment::kKindTone, CSegment::kKindVoice};
    auto oldList = [](std::int32_t trackIndex)
    {
        return Bytes(
            [&](plat::Archive& ar)
            {
                ar.WriteInt32(1);
                ar.WriteInt32(trackIndex);
                vtest::WriteOldSegmentBase(ar, 0.1, 0.3, 0.5, 0.5);
                vtest::WriteOldIntProperty(ar, 180); // carrier
                ar.WriteInt32(0);
                ar.WriteInt32(0);
            });
    };

    CSegments list;
    plat::Archive in = Loading(oldList(1), kOldVersion);
    list.LoadOld(in, CSegment::kKindTone, kinds);
    EXPECT_EQ(in.GetRemaining(), 0u);
    ASSERT_EQ(list.GetCount(), 1);
    const auto* tone = dynamic_cast<const CSegmentTone*>(list.GetSegment(0).get());
    ASSERT_NE(tone, nullptr);
    EXPECT_EQ(tone->m_carrier.GetValue(), 180.0);
    EXPECT_EQ(tone->m_end, 0.3);

    for (const std::int32_t other : {0, 2})
    {
        SCOPED_TRACE(other);
        CSegments wrong;
        plat::Archive bad = Loading(oldList(other), kOldVersion);
        EXPECT_THROW(wrong.LoadOld(bad, CSegment::kKindTone, kinds), plat::ArchiveError);
    }
    CSegments outside;
    plat::Archive far = Loading(oldList(3), kOldVersion);
    EXPECT_THROW(outside.LoadOld(far, CSegment::kKindTone, kinds), plat::InvalidArgumentError);
}

// A segment costs no delay-line memory until playback prepares it: 100000 segments of a large
// session each held a 32 KB bilateral line (3.7 GB in all) from the moment they were made.
TEST(CSegments, NewSegmentsHoldNoDelayLine)
{
    const std::size_t before = mallinfo2().uordblks;
    std::vector<CSegments::SegmentPtr> made;
    for (int i = 0; i < 1000; ++i)
        made.push_back(CSegments::CreateSegment(CSegment::kKindTone));
    const std::size_t after = mallinfo2().uordblks;
    if (before == 0 && after == 0)
        GTEST_SKIP() << "the allocator here does not report its use";
    EXPECT_LT((after - before) / made.size(), 8000u) << "bytes per segment";
}
