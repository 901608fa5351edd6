#include "model/CTracks.h"

#include "OldSessionRecords.h"
#include "SegmentFixtures.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "platform/Archive.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace
{

using vtest::kCurrentVersion;
using vtest::kOldVersion;

constexpr std::int32_t kVoice = CSegment::kKindVoice;
constexpr std::int32_t kAmbient = CSegment::kKindAmbientMusic;
constexpr std::int32_t kNature = CSegment::kKindNature;
constexpr std::int32_t kBells = CSegment::kKindBells;
constexpr std::int32_t kTone = CSegment::kKindTone;
constexpr std::int32_t kExternal = CSegment::kKindExternalAudio;

CTracks Defaults()
{
    CTracks tracks;
    tracks.SetDefault();
    return tracks;
}

CSegments::SegmentPtr AddSegment(CTracks& tracks, std::int32_t track, double begin, double end)
{
    auto s = CSegments::CreateSegment(tracks.GetTrack(track).m_kind);
    s->m_begin = begin;
    s->m_end = end;
    tracks.GetTrack(track).m_segments.AddSegment(s);
    return s;
}

// One track as kind, flag and the exact segment objects, so that a comparison catches a
// lost, added, moved or replaced segment.
struct TrackShape
{
    std::int32_t kind;
    bool active;
    std::vector<const CSegment*> segments;
    bool operator==(const TrackShape&) const = default;
};

std::vector<TrackShape> Shape(const CTracks& tracks)
{
    std::vector<TrackShape> out;
    for (std::int32_t i = 0; i < tracks.GetCount(); ++i)
    {
        const CTrack& t = tracks.GetTrack(i);
        TrackShape shape{t.m_kind, t.m_active, {}};
        for (const auto& s : t.m_segments.GetSegments())
            shape.segments.push_back(s.get());
        out.push_back(shape);
    }
    return out;
}

std::vector<std::int32_t> Kinds(const CTracks& tracks)
{
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < tracks.GetCount(); ++i)
        out.push_back(tracks.GetTrack(i).m_kind);
    return out;
}

// The begins of each track's segments: the old-file tests tag every segment by its begin.
std::vector<std::vector<double>> Begins(const CTracks& tracks)
{
    std::vector<std::vector<double>> out;
    for (std::int32_t i = 0; i < tracks.GetCount(); ++i)
    {
        out.emplace_back();
        for (const auto& s : tracks.GetTrack(i).m_segments.GetSegments())
            out.back().push_back(s->m_begin);
    }
    return out;
}

CTracks ReadTracks(const std::vector<std::uint8_t>& bytes, std::int32_t version)
{
    plat::Archive in = plat::Archive::ForLoading(bytes, version);
    CTracks tracks;
    tracks.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    return tracks;
}

} // namespace

TEST(CTracks, DefaultsAreEightEmptyActiveTracksOfEveryKind)
{
    CTracks tracks;
    AddSegment(tracks = Defaults(), 3, 0.1, 0.2);
    tracks.SetDefault(); // refills, never appends
    ASSERT_EQ(tracks.GetCount(), 8);
    for (std::int32_t i = 0; i < 8; ++i)
    {
        EXPECT_EQ(tracks.GetTrack(i).m_kind, i);
        EXPECT_TRUE(tracks.GetTrack(i).m_active);
        EXPECT_EQ(tracks.GetTrack(i).m_segments.GetCount(), 0);
    }
    for (std::int32_t bad : {-1, 8})
        EXPECT_THROW(tracks.GetTrack(bad), plat::InvalidArgumentError) << bad;
    tracks.RemoveAll();
    EXPECT_EQ(tracks.GetCount(), 0);
}

// The name and hue tables have exactly eight rows: any other kind must not be looked up.
TEST(CTracks, NamesAndHuesByKind)
{
    const struct
    {
        const char* name;
        float hue;
    } rows[] = {{"Voice", 0.52f}, {"Ambient Music", 0.62f}, {"Nature", 0.79f},     {"Bells", 0.97f},
                {"Tone", 0.06f},  {"Noise", 0.17f},         {"Breathwork", 0.23f}, {"External Audio", 0.37f}};
    CTracks tracks = Defaults();
    for (std::int32_t kind = 0; kind < 8; ++kind)
    {
        SCOPED_TRACE(kind);
        CTracks::TrackInfo info;
        tracks.GetTrackInfo(kind, info);
        EXPECT_EQ(info.kind, kind);
        EXPECT_EQ(info.name, QString::fromLatin1(rows[kind].name));
        EXPECT_EQ(info.hue, rows[kind].hue);
        EXPECT_EQ(CTracks::GetKindHue(kind), rows[kind].hue);
    }
    for (std::int32_t bad : {-1, 8, 9, 1000})
        EXPECT_THROW(CTracks::GetKindHue(bad), plat::InvalidArgumentError) << bad;
    CTracks::TrackInfo info;
    EXPECT_THROW(tracks.GetTrackInfo(8, info), plat::InvalidArgumentError);
    tracks.GetTrack(2).m_kind = 9;
    EXPECT_THROW(tracks.GetTrackInfo(2, info), plat::InvalidArgumentError);
}

TEST(CTracks, MuteAndActivate)
{
    CTracks tracks = Defaults();
    AddSegment(tracks, 1, 0.1, 0.2);
    tracks.MuteTrack(0);
    tracks.MuteTrack(8); // past the end: nothing
    EXPECT_FALSE(tracks.GetTrack(0).m_active);
    EXPECT_THROW(tracks.MuteTrack(-1), plat::InvalidArgumentError);
    EXPECT_THROW(tracks.ActivateTrack(-1), plat::InvalidArgumentError);
    tracks.ActivateTrack(0);
    tracks.ActivateTrack(99);
    EXPECT_TRUE(tracks.GetTrack(0).m_active);

    tracks.MuteTrack(2); // an empty muted track keeps its flag through both
    tracks.MuteAll();
    for (std::int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(tracks.GetTrack(i).m_active, i != 1 && i != 2) << i;
    tracks.ActivateAll();
    for (std::int32_t i = 0; i < 8; ++i)
        EXPECT_TRUE(tracks.GetTrack(i).m_active) << i;
}

TEST(CTracks, AddAndInsertPlaceANewTrackAfterTheGivenOne)
{
    CTracks tracks = Defaults();
    tracks.GetTrack(3).m_active = false;
    tracks.AddTrack(3);
    EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{0, 1, 2, 3, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(tracks.GetTrack(4).m_active);
    tracks.AddTrack(8); // after the last: appended
    tracks.InsertTrack(0, kTone);
    tracks.InsertTrack(50, kVoice); // past the last: appended
    EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{0, 4, 1, 2, 3, 3, 4, 5, 6, 7, 7, 0}));

    for (std::int32_t bad : {-1, 12})
        EXPECT_THROW(tracks.AddTrack(bad), plat::InvalidArgumentError) << bad;
    EXPECT_THROW(tracks.InsertTrack(-1, kVoice), plat::InvalidArgumentError);
    for (std::int32_t badKind : {-1, 8})
        EXPECT_THROW(tracks.InsertTrack(0, badKind), plat::InvalidArgumentError) << badKind;
    EXPECT_EQ(tracks.GetCount(), 12);
}

TEST(CTracks, RemoveTrackKeepsTheLastTrackOfAKind)
{
    {
        CTracks tracks = Defaults();
        AddSegment(tracks, 3, 0.1, 0.2);
        tracks.MuteTrack(3);
        EXPECT_TRUE(tracks.IsOnlyTrackOfKind(3));
        tracks.RemoveTrack(3);
        ASSERT_EQ(tracks.GetCount(), 8);
        EXPECT_EQ(tracks.GetTrack(3).m_kind, kBells);
        EXPECT_EQ(tracks.GetTrack(3).m_segments.GetCount(), 0);
        EXPECT_TRUE(tracks.GetTrack(3).m_active);
    }
    {
        CTracks tracks = Defaults();
        tracks.AddTrack(3);
        const auto kept = AddSegment(tracks, 3, 0.1, 0.2);
        AddSegment(tracks, 4, 0.3, 0.4);
        EXPECT_FALSE(tracks.IsOnlyTrackOfKind(3));
        tracks.RemoveTrack(4);
        EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(tracks.GetTrack(3).m_segments.GetSegment(0), kept);
        EXPECT_THROW(tracks.RemoveTrack(8), plat::InvalidArgumentError);
        EXPECT_THROW(tracks.IsOnlyTrackOfKind(-1), plat::InvalidArgumentError);
    }
}

TEST(CTracks, RemoveEmptyTracksKeepsTheOnlyTrackOfEachKind)
{
    CTracks tracks = Defaults();
    tracks.AddTrack(0); // a second, empty voice track
    tracks.AddTrack(4); // two more bells tracks
    tracks.AddTrack(4);
    AddSegment(tracks, 6, 0.1, 0.2); // the last bells track holds a segment
    tracks.RemoveEmptyTracks();
    EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(tracks.GetTrack(3).m_segments.GetCount(), 1);
}

// A duplicate that shared its segments with the original would change both when one is edited.
TEST(CTracks, DuplicateTrackMakesFreshCopies)
{
    CTracks tracks = Defaults();
    auto first = AddSegment(tracks, kTone, 0.1, 0.2);
    auto second = AddSegment(tracks, kTone, 0.3, 0.4);
    first->m_name = "My tone";
    first->m_secondText = "note";
    static_cast<CSegmentTone&>(*first).m_carrier.SetValue(432);
    first->m_volume.SetValue(80);
    tracks.MuteTrack(kTone);

    tracks.DuplicateTrack(kTone);
    ASSERT_EQ(tracks.GetCount(), 9);
    const CTrack& copy = tracks.GetTrack(kTone + 1);
    EXPECT_EQ(copy.m_kind, kTone);
    EXPECT_TRUE(copy.m_active);
    ASSERT_EQ(copy.m_segments.GetCount(), 2);
    const auto& c0 = static_cast<const CSegmentTone&>(*copy.m_segments.GetSegment(0));
    EXPECT_NE(&c0, first.get());
    EXPECT_NE(copy.m_segments.GetSegment(1), second);
    EXPECT_EQ(c0.m_name, "Tone"); // the factory's name, not the source's
    EXPECT_TRUE(c0.m_secondText.isEmpty());
    EXPECT_EQ(c0.m_begin, 0.1);
    EXPECT_EQ(c0.m_carrier.GetValue(), 432);
    EXPECT_EQ(c0.m_volume.GetValue(), 80);
    EXPECT_EQ(copy.m_segments.GetSegment(1)->m_begin, 0.3);

    static_cast<CSegmentTone&>(*copy.m_segments.GetSegment(0)).m_carrier.SetValue(100);
    copy.m_segments.GetSegment(0)->m_begin = 0.15;
    EXPECT_EQ(static_cast<CSegmentTone&>(*first).m_carrier.GetValue(), 432);
    EXPECT_EQ(first->m_begin, 0.1);
    EXPECT_THROW(tracks.DuplicateTrack(9), plat::InvalidArgumentError);
}

TEST(CTracks, SwapTracksExchangesEverythingAndSharesNothing)
{
    CTracks tracks = Defaults();
    const auto voice = AddSegment(tracks, 0, 0.1, 0.2);
    const auto bells = AddSegment(tracks, 3, 0.3, 0.4);
    tracks.MuteTrack(3);
    tracks.SwapTracks(0, 3);
    EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{3, 1, 2, 0, 4, 5, 6, 7}));
    EXPECT_FALSE(tracks.GetTrack(0).m_active);
    EXPECT_TRUE(tracks.GetTrack(3).m_active);
    ASSERT_EQ(tracks.GetTrack(0).m_segments.GetCount(), 1);
    ASSERT_EQ(tracks.GetTrack(3).m_segments.GetCount(), 1);
    EXPECT_EQ(tracks.GetTrack(0).m_segments.GetSegment(0), bells);
    EXPECT_EQ(tracks.GetTrack(3).m_segments.GetSegment(0), voice);
    tracks.GetTrack(0).m_segments.RemoveAll(); // emptying one must not empty the other
    EXPECT_EQ(tracks.GetTrack(3).m_segments.GetCount(), 1);

    for (const auto& [a, b] : {std::pair{-1, 0}, std::pair{0, 8}})
        EXPECT_THROW(tracks.SwapTracks(a, b), plat::InvalidArgumentError);
}

TEST(CTracks, UpdateSegmentTimesEndsSegmentsWithTheirContent)
{
    const vtest::ScopedDurationFunction durations(vtest::DurationsOf({{"a.wav", 30.0}}));
    CTracks tracks = Defaults();
    const auto voiced = [&](double begin, double end)
    {
        auto s = AddSegment(tracks, kVoice, begin, end);
        auto& voice = static_cast<CSegmentSuggestions&>(*s);
        voice.m_files.push_back(CFileListEntry{"a.wav", 0});
        voice.UpdateDuration(CSegment::GetDurationFunction());
        return s;
    };
    const auto clipped = voiced(0.1, 0.4);                 // 30 s of 300 s: ends at 0.2
    const auto bounded = voiced(0.5, 0.6);                 // would end at 0.6, but the next begins at 0.55
    const auto next = voiced(0.55, 0.9);                   // last of its track: bounded by 1.0 only
    const auto tone = AddSegment(tracks, kTone, 0.1, 0.7); // no content duration: unchanged
    tracks.UpdateSegmentTimes(300);
    // A voice segment's content is its files plus a millisecond.
    EXPECT_NEAR(clipped->m_end, 0.2 + 0.001 / 300, 1e-12);
    EXPECT_EQ(bounded->m_end, 0.55);
    EXPECT_NEAR(next->m_end, 0.65 + 0.001 / 300, 1e-12);
    EXPECT_EQ(tone->m_end, 0.7);
}

// The placeholder is played as a voice segment, so it must only ever land in a voice track, and
// taking it away must give back exactly the tracks there were.
TEST(CTracks, LivePlaceholderGoesIntoAVoiceTrackAndIsUndoneExactly)
{
    struct Case
    {
        const char* name;
        std::function<void(CTracks&)> arrange;
        bool insertsTrack;
    };
    const Case cases[] = {
        {"default tracks", [](CTracks&) {}, false},
        {"track 0 holds segments", [](CTracks& t) { AddSegment(t, 0, 0.2, 0.3); }, true},
        {"empty bells track 0 after a swap", [](CTracks& t) { t.SwapTracks(0, 3); }, true},
        {"empty nature track 0 of a converted file",
         [](CTracks& t)
         {
             t.RemoveTrack(0);
             t.SwapTracks(0, 2);
         },
         true},
        {"no tracks at all", [](CTracks& t) { t.RemoveAll(); }, true},
        {"own empty voice track before a full one",
         [](CTracks& t)
         {
             AddSegment(t, 0, 0.2, 0.3);
             t.InsertTrack(0, kVoice);
             t.SwapTracks(0, 1);
         },
         false},
        {"muted voice track with segments before another voice track",
         [](CTracks& t)
         {
             AddSegment(t, 0, 0.2, 0.3);
             t.AddTrack(0);
             t.MuteTrack(0);
         },
         true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTracks tracks = Defaults();
        c.arrange(tracks);
        const std::vector<TrackShape> before = Shape(tracks);

        const auto placeholder = tracks.AddLiveVoiceSegment();
        ASSERT_NE(placeholder, nullptr);
        EXPECT_EQ(tracks.GetCount(), static_cast<std::int32_t>(before.size()) + (c.insertsTrack ? 1 : 0));
        const CTrack& zero = tracks.GetTrack(0);
        EXPECT_EQ(zero.m_kind, kVoice);
        ASSERT_EQ(zero.m_segments.GetCount(), 1);
        EXPECT_EQ(zero.m_segments.GetSegment(0), placeholder);
        const auto& voice = dynamic_cast<const CSegmentSuggestions&>(*placeholder);
        EXPECT_EQ(voice.m_playMode, CSegmentSuggestions::kPlayModeLivePlaceholder);
        EXPECT_EQ(voice.m_begin, 0.0);
        EXPECT_EQ(voice.m_end, 0.0);
        for (const auto& on : voice.m_effects.m_switch)
            EXPECT_TRUE(on);
        EXPECT_EQ(tracks.AddLiveVoiceSegment(), placeholder); // a second call adds nothing
        EXPECT_EQ(tracks.GetTrack(0).m_segments.GetCount(), 1);

        placeholder->m_end = 0.25; // the view grows it while the recording runs
        tracks.RemoveLiveVoiceSegment();
        EXPECT_EQ(Shape(tracks), before);
        tracks.RemoveLiveVoiceSegment(); // nothing left to undo
        EXPECT_EQ(Shape(tracks), before);
    }
}

TEST(CTracks, CurrentRecordRoundTrips)
{
    CTracks tracks = Defaults();
    AddSegment(tracks, kTone, 0.1, 0.2);
    AddSegment(tracks, kTone, 0.3, 0.4);
    AddSegment(tracks, kExternal, 0.5, 0.6);
    tracks.MuteTrack(kTone);
    plat::Archive out = plat::Archive::ForStoring(kCurrentVersion);
    tracks.Serialize(out);

    const CTracks read = ReadTracks(out.GetBytes(), kCurrentVersion);
    EXPECT_EQ(Kinds(read), Kinds(tracks));
    EXPECT_EQ(Begins(read), Begins(tracks));
    for (std::int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(read.GetTrack(i).m_active, i != kTone) << i;

    // The default list is 76 bytes: the count, then per track kind, flag and an empty list.
    plat::Archive defaults = plat::Archive::ForStoring(kCurrentVersion);
    CTracks fresh = Defaults();
    fresh.Serialize(defaults);
    EXPECT_EQ(defaults.GetBytes().size(), 76u);
}

TEST(CTracks, CurrentRecordRefusesUnknownKinds)
{
    for (std::int32_t kind : {-1, 8, 1000})
    {
        SCOPED_TRACE(kind);
        plat::Archive out = plat::Archive::ForStoring();
        out.WriteInt32(1);
        out.WriteInt32(kind);
        out.WriteByte(1);
        out.WriteInt32(0);
        plat::Archive in = plat::Archive::ForLoading(out.GetBytes(), kCurrentVersion);
        CTracks tracks = Defaults();
        EXPECT_THROW(tracks.Serialize(in), plat::ArchiveError);
        EXPECT_EQ(tracks.GetCount(), 8);
    }
    // Any non-zero active byte means active.
    plat::Archive out = plat::Archive::ForStoring();
    out.WriteInt32(1);
    out.WriteInt32(kBells);
    out.WriteByte(7);
    out.WriteInt32(0);
    EXPECT_TRUE(ReadTracks(out.GetBytes(), kCurrentVersion).GetTrack(0).m_active);
}

// Old files numbered nature 1 and ambient music 2, had an external-track kind 7 that is gone,
// and put their nature tracks first.
TEST(CTracks, OldLayoutsAreConvertedKeepingEveryTrack)
{
    using vtest::OldTrack;
    struct Case
    {
        const char* name;
        std::vector<OldTrack> tracks;
        std::vector<std::int32_t> kinds;
        std::vector<std::vector<double>> begins;
    };
    const Case cases[] = {
        {"nature then ambient", {{1, {0.1}}, {2, {0.2}}}, {kAmbient, kNature}, {{0.2}, {0.1}}},
        {"voice, two nature, two ambient, bells",
         {{0, {0.1}}, {1, {0.2}}, {1, {0.3}}, {2, {0.4}}, {2, {0.5}}, {3, {0.6}}},
         {kVoice, kAmbient, kAmbient, kNature, kNature, kBells},
         {{0.1}, {0.4}, {0.5}, {0.2}, {0.3}, {0.6}}},
        {"voice, nature, bells, ambient",
         {{0, {0.1}}, {1, {0.2}}, {3, {0.3}}, {2, {0.4}}},
         {kVoice, kAmbient, kNature, kBells},
         {{0.1}, {0.4}, {0.2}, {0.3}}},
        {"ambient, nature, ambient keeps all three",
         {{2, {0.1}}, {1, {0.2}}, {2, {0.3}}},
         {kAmbient, kNature, kAmbient},
         {{0.1}, {0.2}, {0.3}}},
        {"the external track kind disappears with its segments",
         {{0, {0.1}}, {7, {0.2, 0.3}}, {8, {0.4}}},
         {kVoice, kExternal},
         {{0.1}, {0.4}}},
        {"a second empty track of a kind goes, the only one stays",
         {{0, {}}, {3, {0.2}}, {3, {}}, {4, {}}},
         {kVoice, kBells, kTone},
         {{}, {0.2}, {}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CTracks tracks = ReadTracks(vtest::OldTracksRecord(c.tracks), kOldVersion);
        EXPECT_EQ(Kinds(tracks), c.kinds);
        EXPECT_EQ(Begins(tracks), c.begins);
    }
}

TEST(CTracks, OldRecordsThatCannotBeConvertedAreRefused)
{
    const struct
    {
        const char* fault;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"old kind 9", vtest::OldTracksRecord({{0, {0.1}}, {9, {}}})},
        {"negative old kind", vtest::OldTracksRecord({{-1, {}}})},
        // A segment takes the kind of the track it names; a nature segment in a voice track would
        // be played by the wrong generator.
        {"segment names a track of another kind",
         vtest::OldTracksRecord({{0, {0.1}}, {1, {0.2}}}, {{1, 0, 0}})},
        {"segment names a track past the list", vtest::OldTracksRecord({{0, {0.1}}}, {{0, 0, 5}})},
        {"segment names the dropped external track",
         vtest::OldTracksRecord({{7, {}}, {0, {0.1}}}, {{1, 0, 0}})},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.fault);
        plat::Archive in = plat::Archive::ForLoading(c.bytes, kOldVersion);
        CTracks tracks = Defaults();
        EXPECT_THROW(tracks.Serialize(in), plat::Error);
        EXPECT_EQ(Kinds(tracks), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    }
}
