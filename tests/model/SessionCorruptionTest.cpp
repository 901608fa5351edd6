// Damaged session files: whatever the bytes, opening must end either with the session loaded or
// with one message, the document left as the new-session reset made it; no crash, no hang and
// (under AddressSanitizer) no leak.
#include "model/CVornaDoc.h"

#include "OldSessionRecords.h"
#include "RichSession.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/DocumentHost.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

class RecordingHost : public model::DocumentHost
{
public:
    void ShowMessage(const QString& text) override { m_messages.push_back(text); }
    std::vector<QString> m_messages;
};

Bytes RichCurrentFile()
{
    CVornaDoc doc;
    vtest::FillRichSession(doc);
    return vtest::SessionBytes(doc);
}

Bytes RichOldFile()
{
    return vtest::OldSessionFile(399,
                                 {{0, {0.1, 0.5}},
                                  {1, {0.2}},
                                  {2, {0.3}},
                                  {3, {0.4}},
                                  {4, {0.1}},
                                  {5, {0.2}},
                                  {6, {0.3}},
                                  {7, {0.4, 0.6}},
                                  {8, {0.5}}},
                                 "Notizen");
}

class Opener
{
public:
    Opener() { m_doc.SetHost(&m_host); }

    // Opens @p bytes as the open command does after its reset; returns the message, empty when
    // the file was loaded. A failed open must leave the new session; with @p checkSaved, a loaded
    // session must save into a file that loads again to the same bytes.
    QString Open(const Bytes& bytes, bool checkSaved = true)
    {
        m_doc.OnNewDocument();
        m_host.m_messages.clear();
        const bool loaded = m_doc.LoadFromBytes(bytes);
        const Bytes now = vtest::SessionBytes(m_doc);
        if (!loaded)
        {
            EXPECT_EQ(m_host.m_messages.size(), 1u);
            EXPECT_EQ(now, m_newSession)
                << "a failed open changed the document at byte "
                << std::mismatch(now.begin(), now.end(), m_newSession.begin(), m_newSession.end()).first -
                       now.begin()
                << " of " << now.size();
            return m_host.m_messages.empty() ? QStringLiteral("(none)") : m_host.m_messages.front();
        }
        if (!checkSaved)
            return {};
        m_doc.OnNewDocument();
        EXPECT_TRUE(m_doc.LoadFromBytes(now)) << "a loaded session saved into a file that does not load";
        EXPECT_EQ(vtest::SessionBytes(m_doc), now);
        return {};
    }

private:
    const Bytes m_newSession = vtest::NewSessionBytes();
    RecordingHost m_host;
    CVornaDoc m_doc;
};

const std::set<QString> kFailureTexts = {
    CVornaDoc::kMsgInvalidFile,      CVornaDoc::kMsgTooOld,       CVornaDoc::kMsgTooNew,
    CVornaDoc::kMsgUnexpectedFormat, CVornaDoc::kMsgFailedToOpen,
};

} // namespace

namespace
{

void ExpectEveryTruncationIsAnUnexpectedFormat(const Bytes& file)
{
    SetRegString(plat::RegRoot::CurrentUser, CVornaDoc::kRegMsgConvert, QStringLiteral("1"));
    Opener opener;
    ASSERT_EQ(opener.Open(file), QString());
    // Offset 0 is the empty file, which the open command never reads.
    for (std::size_t size = 1; size < file.size(); ++size)
    {
        const QString message =
            opener.Open(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
        ASSERT_EQ(message.toStdString(), CVornaDoc::kMsgUnexpectedFormat) << "cut at " << size;
    }
}

} // namespace

TEST(SessionCorruption, EveryTruncationOfACurrentFileIsAnUnexpectedFormat)
{
    ExpectEveryTruncationIsAnUnexpectedFormat(RichCurrentFile());
}

TEST(SessionCorruption, EveryTruncationOfAnOldFileIsAnUnexpectedFormat)
{
    ExpectEveryTruncationIsAnUnexpectedFormat(RichOldFile());
}

TEST(SessionCorruption, SeededByteMutationsLoadOrFailCleanly)
{
    SetRegString(plat::RegRoot::CurrentUser, CVornaDoc::kRegMsgConvert, QStringLiteral("1"));
    Opener opener;
    std::mt19937 random(20261210);
    const std::uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    int loaded = 0;
    int failed = 0;
    for (const Bytes& file : {RichCurrentFile(), RichOldFile()})
    {
        std::uniform_int_distribution<std::size_t> offset(0, file.size() - 1);
        for (int i = 0; i < 2500; ++i)
        {
            Bytes damaged = file;
            const std::size_t at = offset(random);
            damaged[at] = (random() & 1) != 0 ? interesting[random() % std::size(interesting)]
                                              : static_cast<std::uint8_t>(random());
            // Saving and reading back every loaded session would double the time; every fourth
            // mutation is enough to catch a reader and a writer that disagree.
            const QString message = opener.Open(damaged, i % 4 == 0);
            if (message.isEmpty())
                ++loaded;
            else
                ++failed;
            ASSERT_TRUE(message.isEmpty() || kFailureTexts.count(message) == 1)
                << "byte " << at << ": " << message.toStdString();
        }
    }
    // Both outcomes occur, or the mutations did not reach the reader's checks.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}

namespace
{

// A session with one ambient-music segment per list, each listing that many files with empty
// names and no library flag: 2 bytes an entry, the cheapest entry a file can hold.
Bytes SessionWithEmptyFileEntries(const std::vector<std::int32_t>& lists)
{
    CVornaDoc doc;
    const std::vector<CFileListEntry> marker = {CFileListEntry{QStringLiteral("list marker"), 0}};
    for (std::size_t i = 0; i < lists.size(); ++i)
    {
        CSegments::SegmentPtr segment = CSegments::CreateSegment(CSegment::kKindAmbientMusic);
        static_cast<CSegmentAmbientMusic&>(*segment).m_files = marker;
        segment->m_begin = static_cast<double>(i) / static_cast<double>(lists.size());
        segment->m_end = segment->m_begin;
        doc.m_tracks.GetTrack(CSegment::kKindAmbientMusic).m_segments.AddSegment(segment);
    }
    const Bytes file = vtest::SessionBytes(doc);
    std::vector<CFileListEntry> copy = marker;
    plat::Archive list = plat::Archive::ForStoring(CVornaDoc::kFileVersion);
    CFileListEntry::SerializeList(list, copy);
    const Bytes& record = list.GetBytes();
    Bytes out;
    auto from = file.begin();
    for (const std::int32_t entries : lists)
    {
        const auto at = std::search(from, file.end(), record.begin(), record.end());
        out.insert(out.end(), from, at);
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(entries) >> shift));
        out.resize(out.size() + 2 * static_cast<std::size_t>(entries), 0);
        from = at + static_cast<std::ptrdiff_t>(record.size());
    }
    out.insert(out.end(), from, file.end());
    return out;
}

// Opens @p file from disk in a child process; returns the rise of the child's peak resident memory
// in MB (negative when the child failed) and whether the open was refused with the reader's message.
std::pair<double, bool> PeakRiseOfARefusedOpen(const Bytes& file)
{
    const QString path = vtest::TestHome() + QStringLiteral("/entries.vrx");
    vtest::WriteFile(path, file);
    int report[2];
    if (::pipe(report) != 0)
        return {-1.0, false};
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::close(report[0]);
        RecordingHost host;
        CVornaDoc doc;
        doc.SetHost(&host);
        rusage usage = {};
        ::getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        const bool opened = doc.OnOpenDocument(path);
        ::getrusage(RUSAGE_SELF, &usage);
        const long result[2] = {usage.ru_maxrss - before,
                                !opened &&
                                    host.m_messages == std::vector<QString>{CVornaDoc::kMsgFailedToOpen}};
        const bool sent = ::write(report[1], result, sizeof result) == static_cast<ssize_t>(sizeof result);
        ::_exit(sent ? 0 : 1);
    }
    ::close(report[1]);
    long result[2] = {-1024, 0};
    const bool received =
        child > 0 && ::read(report[0], result, sizeof result) == static_cast<ssize_t>(sizeof result);
    ::close(report[0]);
    int status = 0;
    if (child > 0)
        ::waitpid(child, &status, 0);
    QFile::remove(path);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {-1.0, false};
    return {static_cast<double>(result[0]) / 1024.0, result[1] != 0};
}

} // namespace

// An empty file entry takes 2 bytes in a file and some 32 in memory: a list longer than any
// playlist is refused, and so are lists that hold more entries together than any session, so that
// a file of nothing but entries cannot cost many times its size.
TEST(SessionCorruption, FileListsLongerThanTheLimitsAreRefused)
{
    constexpr std::int32_t kList = CFileListEntry::kMaxEntries;
    constexpr std::int32_t kLists = CFileListEntry::kMaxEntriesPerFile / kList;
    std::vector<std::int32_t> overTheFile(kLists, kList);
    overTheFile.push_back(1);
    Opener opener;
    struct Case
    {
        const char* name;
        std::vector<std::int32_t> lists;
        bool opens;
    };
    const Case cases[] = {
        {"one list at the limit", {kList}, true},
        {"one list over it", {kList + 1}, false},
        {"lists at the limit of the file", std::vector<std::int32_t>(kLists, kList), true},
        {"lists over it", overTheFile, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(opener.Open(SessionWithEmptyFileEntries(c.lists), false),
                  c.opens ? QString() : QString::fromLatin1(CVornaDoc::kMsgFailedToOpen));
    }

    // Hostile files of some 50 MB, opened from disk: the rise of the peak resident memory stays
    // within 4 times the file's size plus 150 MB.
    const std::pair<const char*, std::vector<std::int32_t>> hostile[] = {
        {"26 million entries in one list", {26'000'000}},
        {"250 lists at the limit", std::vector<std::int32_t>(250, kList)},
    };
    for (const auto& [name, lists] : hostile)
    {
        SCOPED_TRACE(name);
        const Bytes file = SessionWithEmptyFileEntries(lists);
        const auto [riseMB, refused] = PeakRiseOfARefusedOpen(file);
        ASSERT_GE(riseMB, 0.0) << "the child process failed";
        EXPECT_TRUE(refused) << "not refused with the reader's message";
        const double boundMB = 4.0 * static_cast<double>(file.size()) / (1024.0 * 1024.0) + 150.0;
        EXPECT_LE(riseMB, boundMB) << "peak rise " << riseMB << " MB for a file of " << file.size()
                                   << " bytes";
    }
}
