#include "SegmentFixtures.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "platform/Errors.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace
{

using vtest::Bytes;
using vtest::kCurrentVersion;
using vtest::kOldVersion;
using vtest::Loading;
using vtest::StoredSegment;

template <class T> T& As(const std::shared_ptr<CSegment>& s)
{
    return dynamic_cast<T&>(*s);
}

template <class T> std::shared_ptr<T> Make(std::int32_t kind)
{
    return std::dynamic_pointer_cast<T>(CSegments::CreateSegment(kind));
}

void ExpectConstant(const CSmartProperty& p, double value, double min, double max)
{
    EXPECT_EQ(p.GetMode(), CSmartProperty::kModeConstant);
    EXPECT_DOUBLE_EQ(p.GetValue(), value);
    EXPECT_EQ(p.GetRange(), (std::pair<double, double>(min, max)));
}

CSmartProperty Property(double min, double max, double value)
{
    CSmartProperty p;
    p.Init(CSmartProperty::kModeConstant, min, max);
    p.SetValue(value);
    return p;
}

/** Reads @p bytes at @p version into a new segment of @p kind; every byte must be used. */
std::shared_ptr<CSegment> Read(std::int32_t kind, const std::vector<std::uint8_t>& bytes,
                               std::int32_t version)
{
    auto s = CSegments::CreateSegment(kind);
    plat::Archive in = Loading(bytes, version);
    s->Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u) << "bytes left after the record";
    return s;
}

std::vector<std::uint8_t> OldRecord(const std::function<void(plat::Archive&)>& kindPart)
{
    return Bytes(
        [&](plat::Archive& ar)
        {
            vtest::WriteOldSegmentBase(ar, 0.2, 0.4, 0.8, 0.25);
            kindPart(ar);
        });
}

const CFileListEntry kLibraryFile{QStringLiteral("Suggestions\\VORNA Voice\\Relax.mp3"), 1};
const CFileListEntry kFullFile{QStringLiteral("/home/user/music/b.wav"), 0};

// Values that differ from every default, so a field read into the wrong member shows.
const std::function<void(CSegment&)> kEdits[CSegment::kKindCount] = {
    [](CSegment& s)
    {
        auto& v = dynamic_cast<CSegmentSuggestions&>(s);
        v.m_files = {kLibraryFile, kFullFile};
        v.m_playMode = CSegmentSuggestions::kPlayModePrerecorded;
        v.m_interval.SetValue(3.5);
        v.m_scriptText = QStringLiteral("Relax now");
    },
    [](CSegment& s)
    {
        auto& a = dynamic_cast<CSegmentAmbientMusic&>(s);
        a.m_files = {kFullFile};
        a.m_randomOrder = false;
        a.m_playStyle = 0;
        a.m_changeTime.SetValue(4);
    },
    [](CSegment& s)
    {
        auto& n = dynamic_cast<CSegmentNatureBG&>(s);
        n.m_files = {kLibraryFile, kLibraryFile};
        n.m_randomOrder = false;
        n.m_playStyle = 1;
        n.m_changeTime.SetValue(7);
    },
    [](CSegment& s)
    {
        auto& b = dynamic_cast<CSegmentBells&>(s);
        b.m_instruments = {0, 11, 5};
        b.m_toneRange = 4;
        b.m_range.SetValue(20);
        b.m_density.SetValue(70);
    },
    [](CSegment& s)
    {
        auto& t = dynamic_cast<CSegmentTone&>(s);
        t.m_carrier.SetValue(432);
        t.m_overtones.SetValue(5);
    },
    [](CSegment& s)
    {
        auto& n = dynamic_cast<CSegmentNoise&>(s);
        n.m_color = CSegmentNoise::kColorWhite;
        n.m_smoothness.SetValue(10);
        n.m_filter.SetValue(20);
        n.m_frequency.SetValue(2000);
        n.m_sharpness.SetValue(30);
    },
    [](CSegment& s)
    {
        auto& b = dynamic_cast<CSegmentBreathwork&>(s);
        b.m_pattern = 9;
        b.m_cycle.SetValue(30);
        b.m_breathing.SetValue(80);
    },
    [](CSegment& s)
    {
        auto& e = dynamic_cast<CSegmentMusicExt&>(s);
        e.m_path = QStringLiteral("/music/x.flac");
        e.m_loop = true;
    },
};

void EditBase(CSegment& s)
{
    s.m_begin = 0.125;
    s.m_end = 0.375;
    s.m_name = QStringLiteral("Mine");
    s.m_secondText = QStringLiteral("second");
    s.m_volume.SetValue(70);
    s.m_balance.SetValue(35);
}

} // namespace

TEST(SegmentKinds, FactoryGivesEachKindItsDefaults)
{
    struct Case
    {
        std::int32_t kind;
        const char* name;
        std::function<void(CSegment&)> check;
    } cases[] = {
        {CSegment::kKindVoice, "Voice",
         [](CSegment& s)
         {
             auto& v = dynamic_cast<CSegmentSuggestions&>(s);
             EXPECT_TRUE(v.m_files.empty());
             EXPECT_EQ(v.m_playMode, 0);
             ExpectConstant(v.m_interval, 8, 0, 30);
             EXPECT_TRUE(v.m_scriptText.isEmpty());
         }},
        {CSegment::kKindAmbientMusic, "Ambient Music",
         [](CSegment& s)
         {
             auto& a = dynamic_cast<CSegmentAmbientMusic&>(s);
             EXPECT_TRUE(a.m_files.empty());
             EXPECT_TRUE(a.m_randomOrder);
             EXPECT_EQ(a.m_playStyle, 1);
             ExpectConstant(a.m_changeTime, 1, 1, 10);
         }},
        {CSegment::kKindNature, "Nature",
         [](CSegment& s)
         {
             auto& n = dynamic_cast<CSegmentNatureBG&>(s);
             EXPECT_TRUE(n.m_files.empty());
             EXPECT_TRUE(n.m_randomOrder);
             EXPECT_EQ(n.m_playStyle, 0);
             ExpectConstant(n.m_changeTime, 1, 1, 10);
         }},
        {CSegment::kKindBells, "Bells",
         [](CSegment& s)
         {
             auto& b = dynamic_cast<CSegmentBells&>(s);
             EXPECT_TRUE(b.m_instruments.empty());
             EXPECT_EQ(b.m_toneRange, 1);
             ExpectConstant(b.m_range, 50, 1, 100);
             ExpectConstant(b.m_density, 50, 1, 100);
         }},
        {CSegment::kKindTone, "Tone",
         [](CSegment& s)
         {
             auto& t = dynamic_cast<CSegmentTone&>(s);
             ExpectConstant(t.m_carrier, 240, 30, 1000);
             ExpectConstant(t.m_overtones, 2, 0, 9);
         }},
        {CSegment::kKindNoise, "Noise",
         [](CSegment& s)
         {
             auto& n = dynamic_cast<CSegmentNoise&>(s);
             EXPECT_EQ(n.m_color, 0);
             ExpectConstant(n.m_smoothness, 50, 0, 100);
             ExpectConstant(n.m_filter, 0, 0, 100);
             ExpectConstant(n.m_frequency, 1000, 100, 3000);
             ExpectConstant(n.m_sharpness, 50, 0, 100);
         }},
        {CSegment::kKindBreathwork, "Breathwork",
         [](CSegment& s)
         {
             auto& b = dynamic_cast<CSegmentBreathwork&>(s);
             EXPECT_EQ(b.m_pattern, 0);
             ExpectConstant(b.m_cycle, 12, 8, 60);
             ExpectConstant(b.m_breathing, 50, 0, 100);
         }},
        {CSegment::kKindExternalAudio, "External Audio",
         [](CSegment& s)
         {
             auto& e = dynamic_cast<CSegmentMusicExt&>(s);
             EXPECT_TRUE(e.m_path.isEmpty());
             EXPECT_FALSE(e.m_loop);
         }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto s = CSegments::CreateSegment(c.kind);
        EXPECT_EQ(s->GetKind(), c.kind);
        EXPECT_EQ(s->GetName(), QString::fromLatin1(c.name));
        EXPECT_EQ(s->m_name, QString::fromLatin1(c.name));
        EXPECT_TRUE(s->m_secondText.isEmpty());
        EXPECT_EQ(s->m_begin, 0.0);
        EXPECT_EQ(s->m_end, 0.0);
        ExpectConstant(s->m_volume, 50, 0, 100);
        ExpectConstant(s->m_balance, 50, 0, 100);
        EXPECT_EQ(s->m_contentDuration, 0.0);
        EXPECT_EQ(s->m_brainwaves.IsTrueBinaural(), c.kind == CSegment::kKindTone);
        // Only bells start with an effect: the reverb, at 50.
        for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
        {
            const bool on = c.kind == CSegment::kKindBells && e == CEffectsLocal::kReverb;
            EXPECT_EQ(s->m_effects.m_switch[e], on) << e;
            ExpectConstant(s->m_effects.m_level[e], on ? 50 : 0, 0, 100);
        }
        c.check(*s);
    }
}

// Byte-exact records at the current version, with the sizes the program writes by default.
TEST(SegmentKinds, RecordsRoundTripByteExact)
{
    const std::size_t defaultSizes[CSegment::kKindCount] = {1308, 1321, 1307, 1408, 1398, 1612, 1414, 1215};
    for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
    {
        SCOPED_TRACE(kind);
        auto fresh = CSegments::CreateSegment(kind);
        const auto defaults = StoredSegment(*fresh);
        EXPECT_EQ(defaults.size(), defaultSizes[kind]);

        CSegments list;
        list.AddSegment(fresh);
        EXPECT_EQ(Bytes([&](plat::Archive& ar) { list.Serialize(ar, kind); }).size(),
                  4 + 4 + defaultSizes[kind]);

        auto edited = CSegments::CreateSegment(kind);
        EditBase(*edited);
        kEdits[kind](*edited);
        const auto bytes = StoredSegment(*edited);
        auto read = Read(kind, bytes, kCurrentVersion);
        EXPECT_EQ(StoredSegment(*read), bytes);
        EXPECT_EQ(read->m_secondText, QStringLiteral("second"));

        // SetDefaults brings every member of the kind back (times and texts stay).
        edited->SetDefaults();
        edited->m_begin = edited->m_end = 0;
        edited->m_secondText.clear();
        EXPECT_EQ(StoredSegment(*edited), defaults);
    }
}

// The bells record grew: density at 406, tone range and range at 410; older files keep defaults.
TEST(SegmentKinds, BellsRecordFollowsTheFileVersion)
{
    auto source = Make<CSegmentBells>(CSegment::kKindBells);
    auto recordFor = [&](std::int32_t version)
    {
        return Bytes(
            [&](plat::Archive& ar)
            {
                source->CSegment::Serialize(ar);
                ar.WriteInt32(2);
                ar.WriteInt32(3);
                ar.WriteInt32(7);
                if (version >= 410)
                    ar.WriteInt32(4);
                if (version >= 406)
                    Property(1, 100, 70).Serialize(ar);
                if (version >= 410)
                    Property(1, 100, 20).Serialize(ar);
            });
    };
    struct Case
    {
        std::int32_t version;
        std::int32_t toneRange;
        double density, range;
    } cases[] = {{400, 1, 50, 50}, {405, 1, 50, 50}, {406, 1, 70, 50}, {409, 1, 70, 50}, {410, 4, 70, 20}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.version);
        auto read = Read(CSegment::kKindBells, recordFor(c.version), c.version);
        const auto& b = As<CSegmentBells>(read);
        EXPECT_EQ(b.m_instruments, (std::vector<std::int32_t>{3, 7}));
        EXPECT_EQ(b.m_toneRange, c.toneRange);
        EXPECT_DOUBLE_EQ(b.m_density.GetValue(), c.density);
        EXPECT_DOUBLE_EQ(b.m_range.GetValue(), c.range);
    }
}

TEST(SegmentKinds, ListCountsBeyondTheFileAreRefused)
{
    for (const std::int32_t kind : {CSegment::kKindVoice, CSegment::kKindAmbientMusic, CSegment::kKindBells})
    {
        SCOPED_TRACE(kind);
        auto s = CSegments::CreateSegment(kind);
        auto bytes = Bytes(
            [&](plat::Archive& ar)
            {
                s->CSegment::Serialize(ar);
                ar.WriteInt32(0x7FFFFFFF);
            });
        plat::Archive in = Loading(bytes, kCurrentVersion);
        try
        {
            s->Serialize(in);
            ADD_FAILURE() << "read without an error";
        }
        catch (const plat::ArchiveError& e)
        {
            EXPECT_EQ(e.GetCause(), plat::ArchiveError::Cause::EndOfFile);
        }
    }
}

TEST(SegmentKinds, OldVoiceRecord)
{
    vtest::ScopedDurationFunction durations(vtest::DurationsOf({
        {GetLibraryPath(QStringLiteral("Suggestions\\VORNA Voice\\Relax.mp3"), true), 10.0},
        {QStringLiteral("Suggestions\\English male voice\\Full.mp3"), 20.0},
    }));
    auto bytesWith = [](std::uint8_t random)
    {
        return OldRecord(
            [&](plat::Archive& ar)
            {
                ar.WriteInt32(3);
                vtest::WriteAnsiString(ar, "Suggestions\\English male voice\\Relax.mp3");
                ar.WriteByte(1);
                // Not in the library: the old folder name stays.
                vtest::WriteAnsiString(ar, "Suggestions\\English male voice\\Full.mp3");
                ar.WriteByte(0);
                vtest::WriteAnsiString(ar, "Other\\English male voice\\c.mp3");
                ar.WriteByte(1);
                ar.WriteByte(random);
                ar.WriteDouble(5.5);
            });
    };
    auto read = Read(CSegment::kKindVoice, bytesWith(0), kOldVersion);
    const auto& v = As<CSegmentSuggestions>(read);
    ASSERT_EQ(v.m_files.size(), 3u);
    EXPECT_EQ(v.m_files[0], (CFileListEntry{QStringLiteral("Suggestions\\VORNA Voice\\Relax.mp3"), 1}));
    EXPECT_EQ(v.m_files[1], (CFileListEntry{QStringLiteral("Suggestions\\English male voice\\Full.mp3"), 0}));
    EXPECT_EQ(v.m_files[2].m_path, QStringLiteral("Other\\English male voice\\c.mp3"));
    EXPECT_EQ(v.m_playMode, CSegmentSuggestions::kPlayModeSequential);
    ExpectConstant(v.m_interval, 5.5, 0, 30);
    EXPECT_TRUE(v.m_scriptText.isEmpty());
    // The base: fractions scaled to percent, texts empty, effects at their defaults.
    EXPECT_EQ(v.m_begin, 0.2);
    EXPECT_EQ(v.m_end, 0.4);
    EXPECT_DOUBLE_EQ(v.m_volume.GetValue(), 80.0);
    EXPECT_DOUBLE_EQ(v.m_balance.GetValue(), 25.0);
    EXPECT_TRUE(v.m_name.isEmpty());
    EXPECT_FALSE(v.m_effects.m_switch[CEffectsLocal::kReverb]);
    // Measured after reading: 10 + 20 + trunc(5.5 x 2) + 0.001.
    EXPECT_DOUBLE_EQ(v.m_contentDuration, 41.001);

    auto shuffled = Read(CSegment::kKindVoice, bytesWith(7), kOldVersion);
    EXPECT_EQ(As<CSegmentSuggestions>(shuffled).m_playMode, CSegmentSuggestions::kPlayModeShuffle);
    EXPECT_EQ(shuffled->m_contentDuration, 0.0);
}

// The library flag is one byte: any non-zero value read is library relative, and it is written
// back as 1 (not as the stray value read, which another reader may take for something else).
TEST(SegmentKinds, FileEntryFlagIsReadAsNonZeroAndWrittenAsOne)
{
    plat::Archive in = plat::Archive::ForStoring(kCurrentVersion);
    in.WriteInt32(3);
    for (const std::uint8_t flag : {0xA5, 0x02, 0x00})
    {
        in.WriteString(QStringLiteral("a.ogg"));
        in.WriteByte(flag);
    }
    plat::Archive reading = plat::Archive::ForLoading(in.GetBytes(), kCurrentVersion);
    std::vector<CFileListEntry> list;
    CFileListEntry::SerializeList(reading, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].IsLibraryRelative());
    EXPECT_TRUE(list[1].IsLibraryRelative());
    EXPECT_FALSE(list[2].IsLibraryRelative());

    plat::Archive out = plat::Archive::ForStoring(kCurrentVersion);
    CFileListEntry::SerializeList(out, list);
    std::vector<std::uint8_t> flags;
    plat::Archive back = plat::Archive::ForLoading(out.GetBytes(), kCurrentVersion);
    ASSERT_EQ(back.ReadInt32(), 3);
    for (int i = 0; i < 3; ++i)
    {
        back.ReadString();
        flags.push_back(back.ReadByte());
    }
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{1, 1, 0}));
}

TEST(SegmentKinds, OldAmbientAndNatureRecordsMoveToTheNewFolders)
{
    struct Case
    {
        const char* name;
        std::int32_t kind;
        const char* path;
        std::uint8_t libraryRelative;
        std::vector<CFileListEntry> expected;
    } cases[] = {
        {"volume 2",
         CSegment::kKindAmbientMusic,
         "Ambient Music Volume 2\\Rain.ogg",
         1,
         {{QStringLiteral("Ambient Music\\Rain.ogg"), 1}}},
        {"volume 1",
         CSegment::kKindAmbientMusic,
         "Ambient Music Volume 1\\Sub\\Sea.ogg",
         1,
         {{QStringLiteral("Ambient Music\\Sub\\Sea.ogg"), 1}}},
        {"both volume names",
         CSegment::kKindAmbientMusic,
         "Ambient Music Volume 1\\Ambient Music Volume 2\\a.ogg",
         2,
         {{QStringLiteral("Ambient Music Volume 1\\Ambient Music Volume 2\\a.ogg"), 1}}},
        {"another library folder",
         CSegment::kKindAmbientMusic,
         "Mine\\Ambient Music Volume 1\\a.ogg",
         1,
         {{QStringLiteral("Mine\\Ambient Music Volume 1\\a.ogg"), 1}}},
        {"ambient full path dropped", CSegment::kKindAmbientMusic, "C:\\Music\\a.ogg", 0, {}},
        {"nature volume 1",
         CSegment::kKindNature,
         "Nature Volume 1\\Brook.ogg",
         1,
         {{QStringLiteral("Nature\\Brook.ogg"), 1}}},
        {"nature volume 2 kept",
         CSegment::kKindNature,
         "Nature Volume 2\\Brook.ogg",
         1,
         {{QStringLiteral("Nature Volume 2\\Brook.ogg"), 1}}},
        {"case differs",
         CSegment::kKindNature,
         "nature volume 1\\Brook.ogg",
         1,
         {{QStringLiteral("nature volume 1\\Brook.ogg"), 1}}},
        {"nature full path dropped", CSegment::kKindNature, "C:\\Nature Volume 1\\Brook.ogg", 0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto bytes = OldRecord(
            [&](plat::Archive& ar)
            {
                vtest::WriteAnsiString(ar, c.path);
                ar.WriteByte(c.libraryRelative);
                if (c.kind == CSegment::kKindNature)
                    ar.WriteByte(1);
                ar.WriteInt32(5);
                ar.WriteInt32(6);
                if (c.kind == CSegment::kKindNature)
                    ar.WriteInt32(7);
            });
        auto read = Read(c.kind, bytes, kOldVersion);
        const auto& p = dynamic_cast<const model::PlaylistSegment&>(*read);
        EXPECT_EQ(p.m_files, c.expected);
        EXPECT_TRUE(p.m_randomOrder);
        EXPECT_EQ(p.m_playStyle, c.kind == CSegment::kKindNature ? 0 : 1);
    }
}

TEST(SegmentKinds, OldRecordsOfTheOtherKinds)
{
    {
        SCOPED_TRACE("bells");
        auto read = Read(CSegment::kKindBells,
                         OldRecord(
                             [](plat::Archive& ar)
                             {
                                 ar.WriteInt32(99);
                                 ar.WriteInt32(7);
                                 ar.WriteByte(1);
                                 ar.WriteByte(1);
                                 ar.WriteByte(1);
                                 ar.WriteInt32(99);
                                 ar.WriteInt32(99);
                             }),
                         kOldVersion);
        const auto& b = As<CSegmentBells>(read);
        EXPECT_EQ(b.m_instruments, std::vector<std::int32_t>{7});
        EXPECT_EQ(b.m_toneRange, 1);
        ExpectConstant(b.m_density, 50, 1, 100);
    }
    {
        SCOPED_TRACE("tone");
        auto read = Read(CSegment::kKindTone,
                         OldRecord(
                             [](plat::Archive& ar)
                             {
                                 vtest::WriteOldIntProperty(ar, 300);
                                 ar.WriteInt32(99);
                                 ar.WriteInt32(99);
                             }),
                         kOldVersion);
        const auto& t = As<CSegmentTone>(read);
        ExpectConstant(t.m_carrier, 300, 30, 1000);
        ExpectConstant(t.m_overtones, 2, 0, 9);
        EXPECT_TRUE(t.m_brainwaves.IsTrueBinaural());
    }
    {
        SCOPED_TRACE("noise");
        auto read =
            Read(CSegment::kKindNoise,
                 OldRecord([](plat::Archive& ar) { vtest::WriteOldIntProperty(ar, 70); }), kOldVersion);
        const auto& n = As<CSegmentNoise>(read);
        ExpectConstant(n.m_smoothness, 70, 0, 100);
        ExpectConstant(n.m_frequency, 1000, 100, 3000);
    }
    {
        SCOPED_TRACE("breathwork");
        auto read = Read(CSegment::kKindBreathwork,
                         OldRecord(
                             [](plat::Archive& ar)
                             {
                                 vtest::WriteOldIntProperty(ar, 20);
                                 ar.WriteInt32(3);
                                 for (int i = 0; i < 4; ++i)
                                     ar.WriteInt32(99);
                             }),
                         kOldVersion);
        const auto& b = As<CSegmentBreathwork>(read);
        ExpectConstant(b.m_cycle, 20, 8, 60);
        EXPECT_EQ(b.m_pattern, 3);
        ExpectConstant(b.m_breathing, 50, 0, 100);
    }
}

// The old external-audio record holds its loop switch in an int32, and reading it does not
// measure the file.
TEST(SegmentKinds, OldExternalAudioRecord)
{
    vtest::ScopedDurationFunction durations(vtest::DurationsOf({{QStringLiteral("C:\\Music\\a.mp3"), 60.0}}));
    for (const std::int32_t loop : {0, 1, 256})
    {
        SCOPED_TRACE(loop);
        auto read = Read(CSegment::kKindExternalAudio,
                         OldRecord(
                             [&](plat::Archive& ar)
                             {
                                 vtest::WriteAnsiString(ar, "C:\\Music\\a.mp3");
                                 ar.WriteInt32(loop);
                                 vtest::WriteAnsiString(ar, "dropped");
                                 ar.WriteByte(1);
                                 ar.WriteInt32(99);
                             }),
                         kOldVersion);
        const auto& e = As<CSegmentMusicExt>(read);
        EXPECT_EQ(e.m_path, QStringLiteral("C:\\Music\\a.mp3"));
        EXPECT_EQ(e.m_loop, loop != 0);
        EXPECT_EQ(e.m_contentDuration, 0.0);
    }
}

TEST(SegmentKinds, UpdateDurationMeasuresVoiceAndExternalAudio)
{
    const QString a = QStringLiteral("Suggestions\\VORNA Voice\\a.mp3");
    const QString b = QStringLiteral("/elsewhere/b.wav");
    const auto duration = vtest::DurationsOf({{GetLibraryPath(a, true), 10.0}, {b, 20.0}});
    const CFileListEntry fileA{a, 1}, fileB{b, 0}, missing{QStringLiteral("missing.mp3"), 1};
    struct VoiceCase
    {
        const char* name;
        std::vector<CFileListEntry> files;
        std::int32_t playMode;
        double expected;
    } voiceCases[] = {
        {"two files and a gap", {fileA, fileB}, 0, 38.001},
        {"one file, no gap", {fileB}, 0, 20.001},
        {"an unreadable file still counts its gap", {fileA, missing}, 0, 18.001},
        {"unreadable files", {missing, missing}, 0, 0.0},
        {"no files", {}, 0, 0.0},
        {"shuffle", {fileA, fileB}, 1, 0.0},
        {"prerecorded", {fileA, fileB}, 2, 0.0},
        {"an unknown mode acts as sequential", {fileA, fileB}, 9, 38.001},
    };
    for (const VoiceCase& c : voiceCases)
    {
        SCOPED_TRACE(c.name);
        auto v = Make<CSegmentSuggestions>(CSegment::kKindVoice);
        v->m_files = c.files;
        v->m_playMode = c.playMode;
        v->m_interval.SetValue(8.7);
        v->m_contentDuration = 99;
        v->UpdateDuration(duration);
        EXPECT_DOUBLE_EQ(v->m_contentDuration, c.expected);
    }

    struct ExternalCase
    {
        const char* name;
        QString path;
        bool loop;
        double expected;
    } externalCases[] = {
        {"a file", b, false, 20.0},
        {"looping", b, true, 0.0},
        {"no path", QString(), false, 0.0},
        {"unreadable", QStringLiteral("/nothing.wav"), false, 0.0},
    };
    for (const ExternalCase& c : externalCases)
    {
        SCOPED_TRACE(c.name);
        auto e = Make<CSegmentMusicExt>(CSegment::kKindExternalAudio);
        e->m_path = c.path;
        e->m_loop = c.loop;
        e->m_contentDuration = 99;
        e->UpdateDuration(duration);
        EXPECT_DOUBLE_EQ(e->m_contentDuration, c.expected);
    }

    // Other kinds have no known length; without any duration function nothing can be measured.
    auto tone = CSegments::CreateSegment(CSegment::kKindTone);
    tone->UpdateDuration(duration);
    EXPECT_EQ(tone->m_contentDuration, 0.0);
    auto ext = Make<CSegmentMusicExt>(CSegment::kKindExternalAudio);
    ext->m_path = b;
    ext->UpdateDuration({});
    EXPECT_EQ(ext->m_contentDuration, 0.0);
}

TEST(SegmentKinds, ReadingMeasuresVoiceAndExternalAudio)
{
    const QString b = QStringLiteral("/elsewhere/b.wav");
    auto voice = Make<CSegmentSuggestions>(CSegment::kKindVoice);
    voice->m_files = {CFileListEntry{b, 0}};
    auto ext = Make<CSegmentMusicExt>(CSegment::kKindExternalAudio);
    ext->m_path = b;
    const auto voiceBytes = StoredSegment(*voice);
    const auto extBytes = StoredSegment(*ext);

    vtest::ScopedDurationFunction durations(vtest::DurationsOf({{b, 20.0}}));
    EXPECT_DOUBLE_EQ(Read(CSegment::kKindVoice, voiceBytes, kCurrentVersion)->m_contentDuration, 20.001);
    EXPECT_DOUBLE_EQ(Read(CSegment::kKindExternalAudio, extBytes, kCurrentVersion)->m_contentDuration, 20.0);
}

TEST(SegmentKinds, CopyAppendsListsAndCopiesTheRest)
{
    const CFileListEntry a{QStringLiteral("a.mp3"), 1}, b{QStringLiteral("b.mp3"), 1},
        c{QStringLiteral("c.mp3"), 1};
    auto source = Make<CSegmentSuggestions>(CSegment::kKindVoice);
    EditBase(*source);
    source->m_files = {a, b};
    source->m_interval.SetValue(3);
    source->m_scriptText = QStringLiteral("script");
    source->m_contentDuration = 12;
    source->m_brainwaves.m_enabled = true;
    source->m_effects.m_switch[CEffectsLocal::kEcho] = true;
    source->m_bilateral.m_invert = true;

    auto target = Make<CSegmentSuggestions>(CSegment::kKindVoice);
    target->m_files = {c};
    target->m_name = QStringLiteral("Target");
    target->m_secondText = QStringLiteral("kept");
    target->CopyFrom(*source);
    EXPECT_EQ(target->m_files, (std::vector<CFileListEntry>{c, a, b}));
    EXPECT_EQ(target->m_begin, 0.125);
    EXPECT_EQ(target->m_end, 0.375);
    EXPECT_EQ(target->m_volume.GetValue(), 70.0);
    EXPECT_EQ(target->m_balance.GetValue(), 35.0);
    EXPECT_EQ(target->m_interval.GetValue(), 3.0);
    EXPECT_EQ(target->m_scriptText, QStringLiteral("script"));
    EXPECT_EQ(target->m_contentDuration, 12.0);
    EXPECT_TRUE(target->m_brainwaves.m_enabled);
    EXPECT_TRUE(target->m_effects.m_switch[CEffectsLocal::kEcho]);
    EXPECT_TRUE(target->m_bilateral.m_invert);
    EXPECT_EQ(target->m_name, QStringLiteral("Target"));
    EXPECT_EQ(target->m_secondText, QStringLiteral("kept"));

    // Onto itself: the list is not appended to itself.
    target->CopyFrom(*target);
    EXPECT_EQ(target->m_files.size(), 3u);

    auto bells = Make<CSegmentBells>(CSegment::kKindBells);
    bells->m_instruments = {2};
    auto otherBells = Make<CSegmentBells>(CSegment::kKindBells);
    otherBells->m_instruments = {4, 6};
    bells->CopyFrom(*otherBells);
    EXPECT_EQ(bells->m_instruments, (std::vector<std::int32_t>{2, 4, 6}));

    auto nature = Make<CSegmentNatureBG>(CSegment::kKindNature);
    nature->m_files = {a};
    auto otherNature = Make<CSegmentNatureBG>(CSegment::kKindNature);
    otherNature->m_files = {b};
    nature->CopyFrom(*otherNature);
    EXPECT_EQ(nature->m_files, (std::vector<CFileListEntry>{a, b}));
}

// A copy from another class would read the kind's members from an object that lacks them.
TEST(SegmentKinds, CopyFromAnotherKindIsRefused)
{
    for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
    {
        SCOPED_TRACE(kind);
        auto target = CSegments::CreateSegment(kind);
        const auto before = StoredSegment(*target);
        const std::int32_t otherKind =
            kind == CSegment::kKindAmbientMusic ? CSegment::kKindNature : CSegment::kKindAmbientMusic;
        auto other = CSegments::CreateSegment(otherKind);
        other->m_begin = 0.5;
        EXPECT_THROW(target->CopyFrom(*other), plat::InvalidArgumentError);
        CSegment bare;
        EXPECT_THROW(target->CopyFrom(bare), plat::InvalidArgumentError);
        EXPECT_EQ(StoredSegment(*target), before);
    }
}

TEST(SegmentKinds, InstrumentNames)
{
    struct Case
    {
        std::int32_t index;
        const char* name;
    } cases[] = {
        {0, "Tibetan Bowl"}, {3, "Glass Harmonica"}, {9, "Beats"}, {11, "Clump"}, {12, ""}, {-1, ""}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(CSegmentBells::GetInstrumentName(c.index), QString::fromLatin1(c.name));
    }
}

// Codes that other code uses as table indexes keep the stored value, but read as the default
// when the file holds one outside the table.
TEST(SegmentKinds, UnknownCodesReadAsTheDefault)
{
    auto voice = Make<CSegmentSuggestions>(CSegment::kKindVoice);
    auto ambient = Make<CSegmentAmbientMusic>(CSegment::kKindAmbientMusic);
    auto nature = Make<CSegmentNatureBG>(CSegment::kKindNature);
    auto bells = Make<CSegmentBells>(CSegment::kKindBells);
    auto noise = Make<CSegmentNoise>(CSegment::kKindNoise);
    auto breath = Make<CSegmentBreathwork>(CSegment::kKindBreathwork);
    struct Case
    {
        const char* name;
        std::function<void(std::int32_t)> store;
        std::function<std::int32_t()> read;
        std::int32_t valid, fallback;
    } cases[] = {
        {"play mode", [&](std::int32_t v) { voice->m_playMode = v; }, [&] { return voice->GetPlayMode(); }, 3,
         0},
        {"ambient play style", [&](std::int32_t v) { ambient->m_playStyle = v; },
         [&] { return ambient->GetPlayStyle(); }, 0, 1},
        {"nature play style", [&](std::int32_t v) { nature->m_playStyle = v; },
         [&] { return nature->GetPlayStyle(); }, 1, 0},
        {"tone range", [&](std::int32_t v) { bells->m_toneRange = v; }, [&] { return bells->GetToneRange(); },
         5, 1},
        {"instrument", [&](std::int32_t v) { bells->m_instruments = {v}; },
         [&] { return bells->GetInstrument(0); }, 11, 0},
        {"noise colour", [&](std::int32_t v) { noise->m_color = v; }, [&] { return noise->GetColor(); }, 1,
         0},
        {"breathing pattern", [&](std::int32_t v) { breath->m_pattern = v; },
         [&] { return breath->GetPattern(); }, 9, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        c.store(c.valid);
        EXPECT_EQ(c.read(), c.valid);
        for (const std::int32_t bad : {-1, 12, 1 << 30})
        {
            c.store(bad);
            EXPECT_EQ(c.read(), c.fallback) << bad;
        }
    }
    EXPECT_THROW(bells->GetInstrument(1), plat::InvalidArgumentError);

    // The stored value itself survives a save.
    noise->m_color = 42;
    auto read = Read(CSegment::kKindNoise, StoredSegment(*noise), kCurrentVersion);
    EXPECT_EQ(As<CSegmentNoise>(read).m_color, 42);
}

// The voice panel asks for a file on the UI thread; the generator takes the request on its worker.
TEST(SegmentKinds, FileRequestCrossesThreads)
{
    auto voice = Make<CSegmentSuggestions>(CSegment::kKindVoice);
    std::int32_t index = -1;
    EXPECT_FALSE(voice->TakeFileRequest(index));

    std::int32_t taken = -1;
    std::thread worker(
        [&]
        {
            while (!voice->TakeFileRequest(taken))
                std::this_thread::yield();
        });
    std::thread ui([&] { voice->RequestFile(4); });
    ui.join();
    worker.join();
    EXPECT_EQ(taken, 4);
    EXPECT_FALSE(voice->TakeFileRequest(index)); // taking clears the request
}
