// The weekly update check: the due-date rules and the reschedule at a given moment, the version
// read off the page, the comparison, and the fetch against a loopback HTTP server.
#include "AppTestSupport.h"

#include "app/CommandDialogs.h"
#include "app/UpdateCheck.h"
#include "dialogs/session/CDlgCheckUpdates.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace
{
const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));

/** Serves one fixed HTTP answer to every connection on 127.0.0.1. */
class PageServer
{
public:
    PageServer(int status, QByteArray body)
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection,
                         [this, status, body]
                         {
                             QTcpSocket* s = m_server.nextPendingConnection();
                             QObject::connect(
                                 s, &QTcpSocket::readyRead, s,
                                 [s, status, body]
                                 {
                                     s->readAll();
                                     s->write("HTTP/1.1 " + QByteArray::number(status) +
                                              " X\r\nContent-Length: " + QByteArray::number(body.size()) +
                                              "\r\nConnection: close\r\n\r\n" + body);
                                     s->disconnectFromHost();
                                 });
                         });
    }
    QUrl Url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/download").arg(m_server.serverPort()));
    }

private:
    QTcpServer m_server;
};

QByteArray Page(const char* version)
{
    return QByteArray("<html><h1>VORNA PRO downloads</h1><p>VORNA PRO ") + version + " x</p></html>";
}
} // namespace

TEST(UpdateCheck, DueDateRules)
{
    struct Case
    {
        std::optional<QString> stored;
        bool due;
    };
    const Case cases[] = {
        {std::nullopt, true},
        {QString(), true},
        {QStringLiteral("2024030"), true},
        {QDate(2024, 4, 14).toString(QStringLiteral("yyyyMMdd")), true},  // 40 days ahead
        {QDate(2024, 3, 25).toString(QStringLiteral("yyyyMMdd")), false}, // 20 days ahead
        {QStringLiteral("20240305"), true},                               // today
        {QStringLiteral("20240304"), true},                               // yesterday
        {QStringLiteral("20241345"), true},                               // eight characters, no date
        {QStringLiteral("abcdefgh"), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::IsUpdateCheckDue(c.stored, kNow), c.due)
            << c.stored.value_or(QStringLiteral("(missing)")).toStdString();

    EXPECT_EQ(shell::NextCheckDate(kNow), QStringLiteral("20240312"));
    EXPECT_EQ(shell::NextCheckDate(QDateTime(QDate(2024, 2, 25), QTime(12, 0))), QStringLiteral("20240303"));
    EXPECT_EQ(shell::NextCheckDate(QDateTime(QDate(2023, 12, 28), QTime(12, 0))), QStringLiteral("20240104"));
}

TEST(UpdateCheck, PublishedVersionAndComparison)
{
    struct Case
    {
        const char* page;
        const char* version;
    };
    const Case cases[] = {
        {"no marker", ""},
        {"only one VORNA PRO 4.2.0 x<", ""},
        {"VORNA PRO", ""},
        {"VORNA PRO  VORNA PRO 4.2.0 x", ""}, // no '<'
        {"VORNA PRO  VORNA PRO 4<", ""},      // nothing before the two last characters
        {"<b>VORNA PRO</b> <i>VORNA PRO 4.1.1 x</i>", "4.1.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::ExtractPublishedVersion(QString::fromLatin1(c.page)), QString::fromLatin1(c.version))
            << c.page;

    const QString own = QStringLiteral("4.1.0");
    EXPECT_FALSE(shell::IsNewerVersion(own, QStringLiteral("4.1.0")));
    EXPECT_TRUE(shell::IsNewerVersion(own, QStringLiteral("4.1.1")));
    EXPECT_TRUE(shell::IsNewerVersion(own, QStringLiteral("4.10")));
    EXPECT_FALSE(shell::IsNewerVersion(own, QStringLiteral("4")));
    EXPECT_TRUE(shell::IsNewerVersion(own, QStringLiteral("10.0.0")));
    EXPECT_FALSE(shell::IsNewerVersion(own, QStringLiteral("4.0.9")));
}

// The real fetch over a loopback server: newer, same, older, garbage, 404, refused; and only the
// first 50000 bytes of a page count.
TEST(UpdateCheck, CheckForUpdateOverHttp)
{
    vtest::FakeUi ui;
    struct Case
    {
        const char* name;
        int status;
        QByteArray body;
        shell::UpdateResult result;
    };
    const Case cases[] = {
        {"newer", 200, Page("4.2.0"), shell::UpdateResult::Newer},
        {"same", 200, Page("4.1.0"), shell::UpdateResult::NotNewer},
        {"older", 200, Page("3.9.9"), shell::UpdateResult::NotNewer},
        {"garbage", 200, QByteArray("\x01\x02 nothing here", 16), shell::UpdateResult::Failed},
        {"not found", 404, Page("4.2.0"), shell::UpdateResult::Failed},
        {"beyond the cap", 200, QByteArray(50000, ' ') + Page("4.2.0"), shell::UpdateResult::Failed},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        PageServer server(c.status, c.body);
        SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegUpdatePage),
                     server.Url().toString());
        QString own, published;
        EXPECT_EQ(shell::CheckForUpdate(shell::FetchPage, own, published), c.result);
    }
    quint16 port = 0;
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        port = closed.serverPort();
    }
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegUpdatePage),
                 QStringLiteral("http://127.0.0.1:%1/").arg(port));
    QString own, published;
    EXPECT_EQ(shell::CheckForUpdate(shell::FetchPage, own, published), shell::UpdateResult::Failed);
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegUpdatePage), QString(""));
}

// The menu's check says each outcome; the start-up one shows only a newer version; both reschedule.
TEST(UpdateCheck, ManualAndAutomaticOutcomes)
{
    struct Case
    {
        std::optional<QByteArray> page;
        const char* manualMessage; // null: the new-version dialog
    };
    const Case cases[] = {
        {Page("4.2.0"), nullptr},
        {Page("4.1.0"), shell::kMsgLatestVersion},
        {std::nullopt, shell::kMsgCheckFailed},
    };
    for (const Case& c : cases)
    {
        const shell::PageFetch fetch = [&](const QUrl&) { return c.page; };
        apptest::ViewFixture f;
        f.fakeUi.now = kNow;
        f.doc.m_isPlaying = true;
        SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegAutoCheckDate),
                     QStringLiteral("x"));
        const shell::PageFetch saved = shell::ManualUpdateFetch();
        shell::ManualUpdateFetch() = fetch;
        f.fakeUi.modalRuns.push_back([](ui::Dialog&) { return ui::IDOK; });
        f.Send(WM_APP_CHECK_UPDATES);
        shell::ManualUpdateFetch() = saved;
        EXPECT_FALSE(f.doc.m_isPlaying);
        if (c.manualMessage == nullptr)
        {
            EXPECT_EQ(f.fakeUi.modalTitles,
                      std::vector<QString>{QString::fromLatin1(shell::kTitleNewVersion)});
            EXPECT_TRUE(f.fakeUi.boxes.empty());
        }
        else
        {
            ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
            EXPECT_EQ(f.fakeUi.boxes[0].text, QString::fromLatin1(c.manualMessage));
        }
        QString stored;
        GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegAutoCheckDate), stored);
        EXPECT_EQ(stored, QStringLiteral("20240312"));

        vtest::FakeUi quiet;
        quiet.now = kNow.addDays(10);
        EXPECT_TRUE(shell::IsUpdateCheckDueNow());
        shell::WeeklyUpdateCheck weekly(fetch);
        weekly.RunAutomatic(nullptr);
        EXPECT_TRUE(quiet.boxes.empty());
        EXPECT_EQ(quiet.modalTitles.size(), c.manualMessage == nullptr ? 1u : 0u);
        GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegAutoCheckDate), stored);
        EXPECT_EQ(stored, QStringLiteral("20240322"));
        EXPECT_FALSE(shell::IsUpdateCheckDueNow());
    }
}

// The new-version dialog offers the release notes and the update page in use (the settings may
// point it at another server); the update button ends it with 1.
TEST(UpdateCheck, NewVersionDialogOpensTheReleaseNotesAndTheUpdatePage)
{
    vtest::FakeUi fake;
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegUpdatePage),
                 QStringLiteral("https://mirror.example.org/download/"));
    fake.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            d.show();
            for (int id : {CDlgCheckUpdates::kIdReleaseNotes, CDlgCheckUpdates::kIdUpdate})
                QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, id)), Qt::LeftButton);
            return d.result();
        });
    EXPECT_EQ(shell::RunNewVersion(nullptr, QStringLiteral("4.1.0"), QStringLiteral("4.2.0")), 1);
    EXPECT_EQ(fake.openedUrls,
              (std::vector<QUrl>{QUrl(QString::fromLatin1(shell::kReleaseNotesUrl)),
                                 QUrl(QStringLiteral("https://mirror.example.org/download/"))}));
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(shell::kRegUpdatePage), QString(""));
}
