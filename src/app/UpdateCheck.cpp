#include "app/UpdateCheck.h"

#include "app/CommandDialogs.h"
#include "controls/Behaviour.h"
#include "platform/Registry.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QTimer>

#include <algorithm>

namespace shell
{

bool IsUpdateCheckDue(const std::optional<QString>& stored, const QDateTime& now)
{
    if (!stored || stored->size() != 8)
        return true;
    bool okYear = false, okMonth = false, okDay = false;
    const int year = stored->mid(0, 4).toInt(&okYear);
    const int month = stored->mid(4, 2).toInt(&okMonth);
    const int day = stored->mid(6, 2).toInt(&okDay);
    const QDate date(year, month, day);
    // A value that is no date would otherwise stop the check for good: check, and the
    // reschedule then writes a good one.
    if (!okYear || !okMonth || !okDay || !date.isValid())
        return true;
    const qint64 seconds = now.secsTo(QDateTime(date, QTime(0, 0), now.timeSpec()));
    if (seconds / 86400 > 31)
        return true; // a date that far ahead was not written by the reschedule
    return now.date().toString(QStringLiteral("yyyyMMdd")) >= *stored;
}

QString NextCheckDate(const QDateTime& now)
{
    return now.addSecs(604800).date().toString(QStringLiteral("yyyyMMdd"));
}

QString ExtractPublishedVersion(const QString& page)
{
    const QString marker = QStringLiteral("VORNA PRO");
    const qsizetype first = page.indexOf(marker);
    if (first < 0 || first + 10 > page.size())
        return {};
    const qsizetype second = page.indexOf(marker, first + 10);
    if (second < 0)
        return {};
    const qsizetype start = second + 10;
    if (start > page.size())
        return {};
    const qsizetype bracket = page.indexOf(QLatin1Char('<'), start);
    if (bracket < 0)
        return {};
    const qsizetype length = bracket - 2 - start;
    if (length <= 0)
        return {};
    return page.mid(start, length);
}

bool IsNewerVersion(const QString& own, const QString& published)
{
    const QStringList a = own.split(QLatin1Char('.'));
    const QStringList b = published.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
    {
        const long x = i < a.size() ? a[i].trimmed().toLong() : 0;
        const long y = i < b.size() ? b[i].trimmed().toLong() : 0;
        if (x != y)
            return y > x;
    }
    return false;
}

UpdateResult CheckForUpdate(const PageFetch& fetch, QString& own, QString& published)
{
    ui::WaitCursor wait;
    own.clear();
    published.clear();
    const std::optional<QByteArray> page = fetch ? fetch(UpdatePageUrl()) : std::nullopt;
    if (!page)
        return UpdateResult::Failed;
    published = ExtractPublishedVersion(QString::fromLatin1(page->left(kMaxPageBytes)));
    if (published.isEmpty())
        return UpdateResult::Failed;
    own = QString::fromLatin1(kOwnVersion);
    return IsNewerVersion(own, published) ? UpdateResult::Newer : UpdateResult::NotNewer;
}

QUrl UpdatePageUrl()
{
    QString address;
    if (GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegUpdatePage), address) &&
        !address.isEmpty())
        return QUrl(address);
    return QUrl(QString::fromLatin1(kUpdatePageUrl));
}

std::optional<QByteArray> FetchPage(const QUrl& url)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("My Session"));
    request.setTransferTimeout(kFetchTimeoutMs);
    QNetworkReply* reply = manager.get(request);
    QByteArray bytes;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop,
                     [&]
                     {
                         bytes += reply->read(kMaxPageBytes - bytes.size());
                         if (bytes.size() >= kMaxPageBytes)
                             loop.quit(); // the rest of the page is never looked at
                     });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The window keeps painting while the page loads; other handlers can run meanwhile.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool complete = bytes.size() >= kMaxPageBytes;
    if (!complete)
        bytes += reply->read(kMaxPageBytes - bytes.size());
    const bool failed =
        !complete && (reply->error() != QNetworkReply::NoError ||
                      reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400);
    reply->abort();
    reply->deleteLater();
    if (failed)
        return std::nullopt;
    return bytes;
}

bool IsUpdateCheckDueNow()
{
    QString stored;
    const bool present =
        GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegAutoCheckDate), stored);
    return IsUpdateCheckDue(present ? std::optional<QString>(stored) : std::nullopt,
                            ui::CurrentBehaviour().Now());
}

void ScheduleUpdateCheck()
{
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegAutoCheckDate),
                 NextCheckDate(ui::CurrentBehaviour().Now()));
}

void RunManualUpdateCheck(QWidget* owner, const PageFetch& fetch)
{
    QString own, published;
    switch (CheckForUpdate(fetch, own, published))
    {
    case UpdateResult::Newer:
        RunNewVersion(owner, own, published);
        break;
    case UpdateResult::NotNewer:
        ui::MessageBox(owner, QString::fromLatin1(kMsgLatestVersion));
        break;
    case UpdateResult::Failed:
        ui::MessageBox(owner, QString::fromLatin1(kMsgCheckFailed));
        break;
    }
    ScheduleUpdateCheck();
}

void RunAutomaticUpdateCheck(QWidget* owner, const PageFetch& fetch)
{
    QString own, published;
    if (CheckForUpdate(fetch, own, published) == UpdateResult::Newer)
        RunNewVersion(owner, own, published);
    ScheduleUpdateCheck();
}

PageFetch& ManualUpdateFetch()
{
    static PageFetch fetch = FetchPage;
    return fetch;
}

} // namespace shell
