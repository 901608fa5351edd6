// Damaged session files: whatever the bytes, opening must end either with the session loaded or
// with one message, the document left as the new-session reset made it; no crash, no hang and
// (under AddressSanitizer) no leak.
#include "model/CVornaDoc.h"

#include "OldSessionRecords.h"
#include "RichSession.h"
#include "model/DocumentHost.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

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
