#include "model/CVornaDoc.h"

#include "OldSessionRecords.h"
#include "RichSession.h"
#include "SegmentFixtures.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "model/DocumentHost.h"
#include "platform/Archive.h"
#include "platform/Registry.h"
#include "support/Fifo.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <stk/Stk.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

class RecordingHost : public model::DocumentHost
{
public:
    void ShowMessage(const QString& text) override { m_messages.push_back(text); }
    void OnSessionReplaced() override { ++m_replaced; }

    std::vector<QString> m_messages;
    int m_replaced = 0;
};

QString PathFor(const char* name)
{
    return vtest::TestHome() + QStringLiteral("/Sessions/") + QString::fromLatin1(name);
}

Bytes ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    return Bytes(data.begin(), data.end());
}

void PutInt32(Bytes& bytes, std::size_t at, std::int32_t v)
{
    std::memcpy(bytes.data() + at, &v, 4); // little-endian host, as the file
}

// A document with a recording host, modified so that a failed open shows whether it reset.
struct OpenedDoc
{
    RecordingHost host;
    CVornaDoc doc;
    bool opened = false;

    explicit OpenedDoc(const Bytes& file, const char* name = "s.vrx")
    {
        doc.SetHost(&host);
        vtest::FillRichSession(doc);
        doc.SetSessionModified();
        vtest::WriteFile(PathFor(name), file);
        opened = doc.OnOpenDocument(PathFor(name));
    }
};

void ExpectNewSession(CVornaDoc& doc)
{
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_FALSE(doc.IsSessionModified());
    EXPECT_EQ(vtest::SessionBytes(doc), vtest::NewSessionBytes());
}

} // namespace

TEST(CVornaDoc, NewSessionFileIs616BytesWithItsHeader)
{
    CVornaDoc doc;
    const Bytes bytes = vtest::SessionBytes(doc);
    ASSERT_EQ(bytes.size(), 616u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 12),
              (Bytes{0x66, 0xC7, 0x40, 0x04, 0x9A, 0x01, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x00}));
    // The notes close the file: an empty string record.
    EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), (Bytes{0xFF, 0xFE, 0xFF, 0x00}));

    OpenedDoc read(bytes);
    ASSERT_TRUE(read.opened);
    CVornaDoc& d = read.doc;
    EXPECT_EQ(d.m_sessionLength, 300);
    EXPECT_EQ(d.m_version, 410);
    ASSERT_EQ(d.m_stages.GetCount(), 9);
    EXPECT_EQ(d.m_stages.GetStage(8).m_name, "End");
    ASSERT_EQ(d.m_tracks.GetCount(), 8);
    for (std::int32_t i = 0; i < 8; ++i)
    {
        EXPECT_EQ(d.m_tracks.GetTrack(i).m_kind, i);
        EXPECT_EQ(d.m_tracks.GetTrack(i).m_segments.GetCount(), 0);
    }
    EXPECT_EQ(d.m_brainwaves.m_property.GetValue(), 4.0);
    EXPECT_EQ(d.m_bilateral.m_property.GetValue(), 60.0);
    EXPECT_TRUE(d.m_notes.isEmpty());
    EXPECT_TRUE(read.host.m_messages.empty());
}

TEST(CVornaDoc, RichSessionRoundTripsByteIdentical)
{
    CVornaDoc doc;
    vtest::FillRichSession(doc);
    vtest::AddRichSegment<CSegmentSuggestions>(doc, 0, 0.4, 0.6).m_playMode =
        CSegmentSuggestions::kPlayModePrerecorded; // a list of two
    const Bytes written = vtest::SessionBytes(doc);

    OpenedDoc read(written);
    ASSERT_TRUE(read.opened);
    EXPECT_TRUE(read.host.m_messages.empty());
    EXPECT_EQ(read.doc.m_notes, doc.m_notes);
    EXPECT_EQ(read.doc.m_sessionLength, 1200);
    EXPECT_EQ(read.doc.m_tracks.GetCount(), 9);
    EXPECT_EQ(vtest::SessionBytes(read.doc), written);
}

TEST(CVornaDoc, OpenTiesTheDocumentToTheFileAndRefreshesTheViews)
{
    OpenedDoc read(vtest::NewSessionBytes(), "Abend Sitzung.vrx");
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.doc.GetTitle(), "Abend Sitzung");
    EXPECT_EQ(read.doc.GetPathName(), QFileInfo(PathFor("Abend Sitzung.vrx")).absoluteFilePath());
    EXPECT_FALSE(read.doc.IsSessionModified());
    EXPECT_EQ(read.host.m_replaced, 3); // the rich session's reset, the open's reset, the open
}

// Texts the user sees: they must match exactly, and a refused file must leave the new session.
TEST(CVornaDoc, RefusedFilesShowTheirMessageAndLeaveTheNewSession)
{
    const Bytes good = vtest::NewSessionBytes();
    const auto withInt = [&](std::size_t at, std::int32_t v)
    {
        Bytes b = good;
        PutInt32(b, at, v);
        return b;
    };
    const struct
    {
        const char* fault;
        Bytes file;
        const char* message;
    } cases[] = {
        {"bad magic", withInt(0, 0x0440C767), CVornaDoc::kMsgInvalidFile},
        {"text file", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'},
         CVornaDoc::kMsgInvalidFile},
        {"version 299", withInt(4, 299), CVornaDoc::kMsgTooOld},
        {"negative version", withInt(4, -410), CVornaDoc::kMsgTooOld},
        {"version 411", withInt(4, 411), CVornaDoc::kMsgTooNew},
        {"session length 0", withInt(8, 0), CVornaDoc::kMsgFailedToOpen},
        {"negative session length", withInt(8, -300), CVornaDoc::kMsgFailedToOpen},
        {"session longer than the engine can count", withInt(8, CVornaDoc::kMaxSessionSeconds + 1),
         CVornaDoc::kMsgFailedToOpen},
        {"ends inside the header", Bytes(good.begin(), good.begin() + 6), CVornaDoc::kMsgUnexpectedFormat},
        {"ends before the notes", Bytes(good.begin(), good.end() - 4), CVornaDoc::kMsgUnexpectedFormat},
        // 12 header + 316 stages + 4 count: the first track's kind.
        {"track of kind 8", withInt(332, 8), CVornaDoc::kMsgFailedToOpen},
        {"a stage count past the end of the file", withInt(12, 1000000), CVornaDoc::kMsgUnexpectedFormat},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.fault);
        OpenedDoc read(c.file);
        EXPECT_FALSE(read.opened);
        EXPECT_EQ(read.host.m_messages, std::vector<QString>{QString::fromUtf8(c.message)});
        ExpectNewSession(read.doc);
    }
}

TEST(CVornaDoc, SessionLengthUpToTheEngineLimitOpens)
{
    Bytes file = vtest::NewSessionBytes();
    PutInt32(file, 8, CVornaDoc::kMaxSessionSeconds);
    EXPECT_EQ(CVornaDoc::kMaxSessionSeconds, 44739); // 44739 s x 96000 Hz < 2^32 frames
    OpenedDoc read(file);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.doc.m_sessionLength, 44739);
}

TEST(CVornaDoc, EmptyFileOpensAsTheNewSessionTiedToIt)
{
    OpenedDoc read(Bytes{}, "leer.vrx");
    EXPECT_TRUE(read.opened);
    EXPECT_TRUE(read.host.m_messages.empty());
    EXPECT_EQ(read.doc.GetTitle(), "leer");
    EXPECT_EQ(read.doc.GetPathName(), QFileInfo(PathFor("leer.vrx")).absoluteFilePath());
    EXPECT_EQ(vtest::SessionBytes(read.doc), vtest::NewSessionBytes());
}

TEST(CVornaDoc, MissingFileIsReportedAndLeavesTheNewSession)
{
    RecordingHost host;
    CVornaDoc doc;
    doc.SetHost(&host);
    vtest::FillRichSession(doc);
    EXPECT_FALSE(doc.OnOpenDocument(PathFor("nicht da.vrx")));
    ASSERT_EQ(host.m_messages.size(), 1u);
    EXPECT_TRUE(host.m_messages[0].startsWith(CVornaDoc::kMsgFailedToOpen));
    EXPECT_TRUE(host.m_messages[0].contains("nicht da.vrx"));
    ExpectNewSession(doc);
}

// Only a regular file opens as a session. A FIFO without a writer would hold the open for ever,
// one whose writer never stops (as a device like /dev/zero) would be read without end: they, a
// device, a socket and a folder are refused at once as files that are not sessions.
TEST(CVornaDoc, OnlyRegularFilesOpenAsSessions)
{
    const QString folder = vtest::TestHome() + QStringLiteral("/Special");
    QDir().mkpath(folder);
    const QString fifoPath = folder + QStringLiteral("/pipe.vrx");
    const QString socketPath = folder + QStringLiteral("/socket.vrx");
    // A writer that starts like a session, so that a reader is not put off by the first bytes.
    const Bytes session = vtest::NewSessionBytes();
    const Bytes head(session.begin(), session.begin() + 8);

    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<std::size_t>(socketName.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketName.constData(), static_cast<std::size_t>(socketName.size()));
    ::unlink(socketName.constData());
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    enum class Feed
    {
        None,
        FifoWithoutWriter,
        FifoWithEndlessWriter
    };
    struct Case
    {
        const char* name;
        QString path;
        Feed feed;
    };
    const Case cases[] = {
        {"FIFO without a writer", fifoPath, Feed::FifoWithoutWriter},
        {"FIFO with an endless writer", fifoPath, Feed::FifoWithEndlessWriter},
        {"device", QStringLiteral("/dev/null"), Feed::None},
        {"socket", socketPath, Feed::None},
        {"folder", folder, Feed::None},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::optional<vtest::Fifo> fifo;
        if (c.feed != Feed::None)
        {
            fifo.emplace(c.path);
            ASSERT_TRUE(fifo->IsMade());
        }
        if (c.feed == Feed::FifoWithEndlessWriter)
            fifo->StartWriter(head, 64u << 20);
        RecordingHost host;
        CVornaDoc doc;
        doc.SetHost(&host);
        vtest::FillRichSession(doc);
        bool opened = true;
        const auto open = [&] { opened = doc.OnOpenDocument(c.path); };
        if (fifo)
        {
            EXPECT_TRUE(fifo->ReturnsWithin(std::chrono::seconds(5), open)) << "the open waited for the FIFO";
        }
        else
            open();
        EXPECT_FALSE(opened);
        EXPECT_EQ(host.m_messages, std::vector<QString>{CVornaDoc::kMsgInvalidFile});
        ExpectNewSession(doc);
        if (c.feed == Feed::FifoWithEndlessWriter)
        {
            EXPECT_LT(fifo->Written(), std::size_t{1} << 20) << "the FIFO was read";
        }
    }
    ::close(socketFd);
    ::unlink(socketName.constData());
}

TEST(CVornaDoc, NotesArePresentFromVersion340)
{
    const struct
    {
        std::int32_t version;
        const char* notes;
        const char* expected;
    } cases[] = {
        {300, "", ""},
        {335, "", ""},
        {340, "Alte Notizen", "Alte Notizen"},
        {399, "Kurz", "Kurz"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.version);
        OpenedDoc read(vtest::OldSessionFile(c.version, {{0, {0.1}}}, c.notes));
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.doc.m_version, c.version);
        EXPECT_EQ(read.doc.m_notes, QString::fromLatin1(c.expected));
    }
    // From 400 on the notes are a current string record, like the rest.
    Bytes file = vtest::NewSessionBytes();
    PutInt32(file, 4, 400);
    file.resize(file.size() - 4);
    plat::Archive notes = plat::Archive::ForStoring();
    notes.WriteString(QString::fromUtf8("Neue Notizen \xe2\x9c\x93"));
    file.insert(file.end(), notes.GetBytes().begin(), notes.GetBytes().end());
    OpenedDoc read(file);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.doc.m_version, 400);
    EXPECT_EQ(read.doc.m_notes, QString::fromUtf8("Neue Notizen \xe2\x9c\x93"));
}

TEST(CVornaDoc, OldFilesAreConvertedAndTheNoticeIsShownOnce)
{
    const QString key = QString::fromLatin1(CVornaDoc::kRegMsgConvert);
    const QString notice = QString::fromLatin1(CVornaDoc::kMsgConverted);
    const Bytes old =
        vtest::OldSessionFile(399, {{0, {0.1}}, {1, {0.2}}, {2, {0.3}}, {7, {0.4}}, {8, {0.5}}});
    SetRegString(plat::RegRoot::CurrentUser, key, QStringLiteral("0")); // earlier tests may have set it
    {
        OpenedDoc read(old);
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.host.m_messages, std::vector<QString>{notice});
        CVornaDoc& d = read.doc;
        EXPECT_EQ(d.m_version, 399);
        EXPECT_EQ(d.m_sessionLength, 600);
        ASSERT_EQ(d.m_stages.GetCount(), 1);
        EXPECT_EQ(d.m_stages.GetStage(0).m_name, "Alles");
        // Ambient music before nature, the external track gone, old kind 8 now external audio.
        ASSERT_EQ(d.m_tracks.GetCount(), 4);
        const std::int32_t kinds[] = {0, 1, 2, 7};
        const double begins[] = {0.1, 0.3, 0.2, 0.5};
        for (std::int32_t i = 0; i < 4; ++i)
        {
            SCOPED_TRACE(i);
            EXPECT_EQ(d.m_tracks.GetTrack(i).m_kind, kinds[i]);
            ASSERT_EQ(d.m_tracks.GetTrack(i).m_segments.GetCount(), 1);
            EXPECT_EQ(d.m_tracks.GetTrack(i).m_segments.GetSegment(0)->m_begin, begins[i]);
        }
        EXPECT_EQ(d.m_brainwaves.m_property.GetMode(), CSmartProperty::kModeGraph);
        QString stored;
        ASSERT_TRUE(GetRegString(plat::RegRoot::CurrentUser, key, stored));
        EXPECT_EQ(stored, "1");
    }
    {
        OpenedDoc again(old);
        ASSERT_TRUE(again.opened);
        EXPECT_TRUE(again.host.m_messages.empty());
    }
    SetRegString(plat::RegRoot::CurrentUser, key, QStringLiteral("0")); // shown while not "1"
    {
        OpenedDoc oldest(vtest::OldSessionFile(300, {{4, {0.1}}}));
        ASSERT_TRUE(oldest.opened);
        EXPECT_EQ(oldest.host.m_messages, std::vector<QString>{notice});
    }
    SetRegString(plat::RegRoot::CurrentUser, key, QStringLiteral("0"));
    {
        Bytes current = vtest::NewSessionBytes();
        PutInt32(current, 4, 400);
        OpenedDoc read(current);
        ASSERT_TRUE(read.opened);
        EXPECT_TRUE(read.host.m_messages.empty());
        EXPECT_EQ(read.doc.m_version, 400);
    }
}

// Old records hold some numbers in other units, and nothing kept them in their settings' ranges.
// Each is checked after its conversion: one that is no longer a number refuses the file, one
// outside its range becomes the nearer end. Whatever opens saves into a file that opens again to
// the same session.
TEST(CVornaDoc, OldNumbersAreCheckedAfterTheirConversion)
{
    using Read = double (*)(const CSegment&);
    const Read volume = [](const CSegment& s) { return s.m_volume.GetValue(); };
    const Read balance = [](const CSegment& s) { return s.m_balance.GetValue(); };
    const Read beatDepth = [](const CSegment& s) { return s.m_brainwaves.m_depth.GetValue(); };
    const Read beatHz = [](const CSegment& s) { return s.m_brainwaves.m_frequency.GetValue(); };
    const Read swingDepth = [](const CSegment& s) { return s.m_bilateral.m_depth.GetValue(); };
    const Read delay = [](const CSegment& s) { return s.m_bilateral.m_delay.GetValue(); };
    const Read rate = [](const CSegment& s) { return s.m_bilateral.m_rate.GetValue(); };
    const Read carrier = [](const CSegment& s)
    { return static_cast<const CSegmentTone&>(s).m_carrier.GetValue(); };
    const Read cycle = [](const CSegment& s)
    { return static_cast<const CSegmentBreathwork&>(s).m_cycle.GetValue(); };
    const Read smoothness = [](const CSegment& s)
    { return static_cast<const CSegmentNoise&>(s).m_smoothness.GetValue(); };
    const Read gap = [](const CSegment& s)
    { return static_cast<const CSegmentSuggestions&>(s).m_interval.GetValue(); };
    constexpr double kRefused = std::numeric_limits<double>::quiet_NaN();
    constexpr std::int32_t kTone = 4, kNoise = 5, kBreathwork = 6, kVoice = 0;
    using N = vtest::OldBaseNumbers;
    struct Case
    {
        const char* name;
        vtest::OldTrack track;
        Read read;
        double expected; // kRefused: the file does not open
    };
    const Case cases[] = {
        {"delay in range, ten times", {kTone, {0.1}, N{.swingDelay = 0.5}}, delay, 5.0},
        {"delay that overflows when scaled", {kTone, {0.1}, N{.swingDelay = 1e308}}, delay, kRefused},
        {"delay far above its range",
         {kTone, {0.1}, N{.swingDelay = 1e300}},
         delay,
         CBilateralLocal::kMaxDelay},
        {"negative delay", {kTone, {0.1}, N{.swingDelay = -3}}, delay, 0.0},
        {"volume that overflows when scaled", {kTone, {0.1}, N{.volume = 1e307}}, volume, kRefused},
        {"volume above its range", {kTone, {0.1}, N{.volume = 2.5}}, volume, 100.0},
        {"balance below its range", {kTone, {0.1}, N{.balance = -0.5}}, balance, 0.0},
        {"entrainment depth above its range", {kTone, {0.1}, N{.beatDepth = 7}}, beatDepth, 100.0},
        {"beat frequency above its range", {kTone, {0.1}, N{.beatHz = 1e9}}, beatHz, 40.0},
        {"bilateral depth that overflows", {kTone, {0.1}, N{.swingDepth = -1e307}}, swingDepth, kRefused},
        {"bilateral rate below its range", {kTone, {0.1}, N{.swingRate = 0}}, rate, 1.0},
        {"bilateral rate above its range", {kTone, {0.1}, N{.swingRate = 1e6}}, rate, 1200.0},
        {"carrier below its range", {kTone, {0.1}, N{}, 5}, carrier, 30.0},
        {"noise smoothness below its range", {kNoise, {0.1}, N{}, -7}, smoothness, 0.0},
        {"breathing cycle above its range", {kBreathwork, {0.1}, N{}, 1000}, cycle, 60.0},
        {"voice gap above its range", {kVoice, {0.1}, N{}, 1e300}, gap, 30.0},
        {"voice gap not a number", {kVoice, {0.1}, N{}, std::nan("")}, gap, kRefused},
    };
    SetRegString(plat::RegRoot::CurrentUser, CVornaDoc::kRegMsgConvert, QStringLiteral("1"));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        OpenedDoc read(vtest::OldSessionFile(399, {c.track}));
        if (std::isnan(c.expected))
        {
            EXPECT_FALSE(read.opened);
            EXPECT_EQ(read.host.m_messages, std::vector<QString>{CVornaDoc::kMsgFailedToOpen});
            continue;
        }
        ASSERT_TRUE(read.opened);
        ASSERT_EQ(read.doc.m_tracks.GetCount(), 1);
        const CSegments& segments = read.doc.m_tracks.GetTrack(0).m_segments;
        ASSERT_EQ(segments.GetCount(), 1);
        EXPECT_DOUBLE_EQ(c.read(*segments.GetSegment(0)), c.expected);

        const Bytes saved = vtest::SessionBytes(read.doc);
        CVornaDoc again;
        ASSERT_TRUE(again.LoadFromBytes(saved)) << "an old file that opened saved into one that does not";
        EXPECT_EQ(vtest::SessionBytes(again), saved);
    }
}

TEST(CVornaDoc, SegmentsEndWithTheirContentAfterReadingAndAfterWriting)
{
    const auto voice = [](CVornaDoc& doc, double begin, double end, bool withFile)
    {
        auto s = CSegments::CreateSegment(CSegment::kKindVoice);
        s->m_begin = begin;
        s->m_end = end;
        if (withFile)
            static_cast<CSegmentSuggestions&>(*s).m_files = {{QStringLiteral("/x/a.wav"), 0}};
        s->UpdateDuration(CSegment::GetDurationFunction());
        doc.m_tracks.GetTrack(0).m_segments.AddSegment(s);
        return s;
    };
    const double contentEnd = 0.1 + 60.001 / 300; // 60 s of a 300 s session, plus a millisecond
    Bytes written;
    Bytes bounded;
    {
        const vtest::ScopedDurationFunction durations(vtest::DurationsOf({{"/x/a.wav", 60.0}}));
        CVornaDoc doc;
        const auto clipped = voice(doc, 0.1, 0.9, true);
        written = vtest::SessionBytes(doc);
        EXPECT_NEAR(clipped->m_end, contentEnd, 1e-12);

        OpenedDoc read(written);
        ASSERT_TRUE(read.opened);
        EXPECT_NEAR(read.doc.m_tracks.GetTrack(0).m_segments.GetSegment(0)->m_end, contentEnd, 1e-12);

        CVornaDoc two;
        voice(two, 0.1, 0.9, true);
        voice(two, 0.2, 0.25, false); // begins before the first one's content ends
        bounded = vtest::SessionBytes(two);
        OpenedDoc readBounded(bounded);
        ASSERT_TRUE(readBounded.opened);
        EXPECT_EQ(readBounded.doc.m_tracks.GetTrack(0).m_segments.GetSegment(0)->m_end, 0.2);
        EXPECT_EQ(readBounded.doc.m_tracks.GetTrack(0).m_segments.GetSegment(1)->m_end, 0.25);
    }
    // Without a duration nothing is clipped on reading: the file holds the end from before the clip.
    OpenedDoc plain(written);
    ASSERT_TRUE(plain.opened);
    EXPECT_EQ(plain.doc.m_tracks.GetTrack(0).m_segments.GetSegment(0)->m_end, 0.9);
}

TEST(CVornaDoc, SaveWritesTheFileAndClearsTheModifiedFlag)
{
    RecordingHost host;
    CVornaDoc doc;
    doc.SetHost(&host);
    doc.SetSessionModified();
    const QString folder = vtest::TestHome() + QStringLiteral("/Saved");
    QDir().mkpath(folder);
    ASSERT_TRUE(doc.OnSaveDocument(folder + QStringLiteral("/Neu.vrx")));
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_FALSE(doc.IsSessionModified());
    EXPECT_EQ(doc.GetTitle(), "Neu");
    EXPECT_EQ(doc.GetPathName(), folder + QStringLiteral("/Neu.vrx"));
    EXPECT_EQ(doc.m_version, 410);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/Neu.vrx")), vtest::NewSessionBytes());
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Neu.vrx"});
}

namespace
{

// Makes a folder unwritable, also for root (which ignores the mode bits) where the file system
// allows the immutable flag; undoes it on destruction so that the test home can be removed.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(const QString& path) : m_path(path.toLocal8Bit())
    {
        ::chmod(m_path.constData(), 0555);
        if (::geteuid() != 0)
        {
            m_ok = true;
            return;
        }
        m_fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0)
        {
            flags |= FS_IMMUTABLE_FL;
            m_ok = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~UnwritableFolder()
    {
        if (m_fd >= 0)
        {
            int flags = 0;
            if (::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0)
            {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(m_fd);
        }
        ::chmod(m_path.constData(), 0755);
    }
    bool IsUnwritable() const { return m_ok; }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace

// Writing straight into the target would destroy the previous session when the write fails.
TEST(CVornaDoc, FailedSaveIsReportedAndKeepsThePreviousFile)
{
    const QString folder = vtest::TestHome() + QStringLiteral("/Locked");
    const QString path = folder + QStringLiteral("/Sitzung.vrx");
    RecordingHost host;
    CVornaDoc doc;
    doc.SetHost(&host);
    QDir().mkpath(folder);
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const Bytes previous = ReadFile(path);

    vtest::FillRichSession(doc);
    doc.SetSessionModified();
    {
        UnwritableFolder locked(folder);
        if (!locked.IsUnwritable())
            GTEST_SKIP() << "this file system cannot make a folder unwritable for root";
        EXPECT_FALSE(doc.OnSaveDocument(path));
    }
    ASSERT_EQ(host.m_messages.size(), 1u);
    EXPECT_TRUE(host.m_messages[0].startsWith(CVornaDoc::kMsgFailedToSave));
    EXPECT_TRUE(host.m_messages[0].contains("Sitzung.vrx"));
    EXPECT_TRUE(doc.IsSessionModified());
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Sitzung.vrx"});

    // A folder that does not exist fails the same way.
    host.m_messages.clear();
    EXPECT_FALSE(doc.OnSaveDocument(vtest::TestHome() + QStringLiteral("/nirgends/da.vrx")));
    EXPECT_EQ(host.m_messages.size(), 1u);
}

// A write cut short by the file-size limit, as a full disk cuts it: the first write stops at the
// limit without an error, the next fails with EFBIG once SIGXFSZ is ignored. The save runs in a
// child process so that the limit binds nothing else. Sizes below and above a file buffer's 16 KB.
// The message names the system's reason after the path.
TEST(CVornaDoc, SaveCutShortFailsWithTheReasonAndKeepsThePreviousFile)
{
    const QString folder = vtest::TestHome() + QStringLiteral("/Full");
    const QString path = folder + QStringLiteral("/Voll.vrx");
    QDir().mkpath(folder);
    for (const int noteChars : {1000, 15000, 40000})
    {
        SCOPED_TRACE(noteChars);
        {
            CVornaDoc previous;
            previous.m_notes = QStringLiteral("vorher");
            ASSERT_TRUE(previous.OnSaveDocument(path));
        }
        const Bytes before = ReadFile(path);
        ASSERT_FALSE(before.empty());

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            RecordingHost host;
            CVornaDoc doc;
            doc.SetHost(&host);
            doc.m_notes = QString(noteChars, QLatin1Char('n'));
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(noteChars / 2), static_cast<rlim_t>(noteChars / 2)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const bool saved = doc.OnSaveDocument(path);
            const QString expected =
                QStringLiteral("Failed to save document.\n\n%1\n%2")
                    .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(EFBIG)));
            const bool reported = host.m_messages == std::vector<QString>{expected};
            ::_exit(saved ? 1 : reported ? 0 : 2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: not the message with the reason";
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Voll.vrx"});
    }
}

// A real full disk: a tmpfs of 64 KB, mounted in a child process's own mount namespace (as root,
// or in a user namespace of its own), takes a small session and then has no room for a larger
// one. The message ends with the system's reason, and the small session stays whole.
TEST(CVornaDoc, SaveOntoAFullDiskSaysSo)
{
    const QString folder = vtest::TestHome() + QStringLiteral("/Tiny");
    const QString path = folder + QStringLiteral("/Klein.vrx");
    QDir().mkpath(folder);
    enum Exit
    {
        kPassed = 0,
        kNoNamespace = 10,
        kFirstSaveFailed,
        kSecondSaveSucceeded,
        kWrongMessage,
        kPreviousFileChanged,
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        const auto writeTo = [](const char* file, const std::string& text)
        {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            const bool ok =
                fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        bool isolated = false;
        if (uid == 0)
            isolated = ::unshare(CLONE_NEWNS) == 0;
        else
            isolated = ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
                       writeTo("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                       writeTo("/proc/self/setgroups", "deny") &&
                       writeTo("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        // Private, so that the mount stays in this namespace and is gone with the process.
        const QByteArray mountPoint = QFile::encodeName(folder);
        if (!isolated || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(kNoNamespace);

        RecordingHost host;
        CVornaDoc doc;
        doc.SetHost(&host);
        if (!doc.OnSaveDocument(path))
            ::_exit(kFirstSaveFailed);
        const Bytes before = ReadFile(path);
        doc.m_notes = QString(100000, QLatin1Char('n')); // 200 KB of text
        if (doc.OnSaveDocument(path))
            ::_exit(kSecondSaveSucceeded);
        const QString expected =
            QStringLiteral("Failed to save document.\n\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(ENOSPC)));
        if (host.m_messages != std::vector<QString>{expected})
            ::_exit(kWrongMessage);
        if (ReadFile(path) != before || QDir(folder).entryList(QDir::Files) != QStringList{"Klein.vrx"})
            ::_exit(kPreviousFileChanged);
        ::_exit(kPassed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoNamespace)
        GTEST_SKIP() << "no mount namespace here to mount a small file system in";
    EXPECT_EQ(WEXITSTATUS(status), kPassed)
        << "11: the first save failed, 12: the save onto the full disk succeeded, 13: not the message with "
           "the reason, 14: the previous file changed";
}

TEST(CVornaDoc, ResetClearsTheSessionAndTheEditingStateButKeepsThePlacement)
{
    RecordingHost host;
    CVornaDoc doc;
    doc.SetHost(&host);
    vtest::FillRichSession(doc);
    doc.m_version = 350;
    doc.m_isPlaying = doc.m_isLive = doc.m_isPaused = true;
    doc.m_cursorPosition = 0.4;
    doc.m_pausePosition = 0.5;
    doc.m_hoverPosition = 0.6;
    doc.m_graphClipboard.SetConstant(0.8);
    doc.m_graphEditorPos = QPoint(10, 20);
    doc.m_graphEditorSize = QSize(300, 200);
    // A file sets the range of the session-wide settings too; a new session must not keep it.
    doc.m_brainwaves.m_property.Init(CSmartProperty::kModeConstant, 1, 2);
    doc.m_bilateral.m_property.GetAutoGraph().m_changeRate = 9;
    doc.SetSessionModified();
    host.m_replaced = 0;

    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(host.m_replaced, 1);
    EXPECT_FALSE(doc.m_isPlaying || doc.m_isLive || doc.m_isPaused);
    EXPECT_EQ(doc.m_cursorPosition, 0.0);
    EXPECT_EQ(doc.m_pausePosition, 0.0);
    EXPECT_EQ(doc.m_hoverPosition, -1.0);
    EXPECT_EQ(doc.m_graphClipboard.GetValueAt(0.5), 0.0);
    EXPECT_EQ(doc.m_graphEditorPos, QPoint(10, 20));
    EXPECT_EQ(doc.m_graphEditorSize, QSize(300, 200));
    EXPECT_EQ(doc.m_version, 350);
    ExpectNewSession(doc);
}

TEST(CVornaDoc, PointsTheRawWaveFolderAtTheInstallation)
{
    SetRegString(plat::RegRoot::LocalMachine, QStringLiteral("InstallPath"),
                 QStringLiteral("/opt/vorna-test/"));
    CVornaDoc doc;
    EXPECT_EQ(stk::Stk::rawwavePath(), "/opt/vorna-test/Internals/");
}

// The other tests compare with the document's constants; these pin the constants to the texts
// the users know, so that a typo in one cannot pass.
TEST(CVornaDoc, MessagesAreTheLiteralTexts)
{
    const std::pair<const char*, const char*> texts[] = {
        {CVornaDoc::kMsgInvalidFile, "Invalid VORNA file."},
        {CVornaDoc::kMsgTooOld,
         "The version of the session file is too old.\nYou can still use this session file "
         "with the compatible VORNA software version."},
        {CVornaDoc::kMsgTooNew, "VORNA software is older than the VORNA session file."},
        {CVornaDoc::kMsgConverted,
         "The VORNA 3 session was converted to the VORNA 4 session format.\n\nWe "
         "recommend that you use voice segments instead of external audio segments for "
         "your recording scripts."},
        {CVornaDoc::kMsgUnexpectedFormat, "Unexpected file format."},
        {CVornaDoc::kMsgFailedToOpen, "Failed to open document."},
        {CVornaDoc::kMsgFailedToSave, "Failed to save document."},
    };
    for (const auto& [constant, literal] : texts)
        EXPECT_STREQ(constant, literal);
}
