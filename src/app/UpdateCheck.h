#pragma once
/** @brief The weekly update check: when the next automatic check is due, reading the version
 *  published on the download page, and comparing it with this program's.
 *
 * The page is fetched by a PageFetch; the program's one uses Qt Network with a short time-out
 * and keeps the window painting meanwhile. Tests hand in their own fetch. UI thread. */

#include "app/ViewServices.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace shell
{

inline constexpr const char* kOwnVersion = "4.1.0";
/** The download page; the settings value kRegUpdatePage replaces it (a test server). */
inline constexpr const char* kUpdatePageUrl = "https://www.kestrune.com/download/";
inline constexpr const char* kRegUpdatePage = "UpdatePage";
/** The page about the latest release, which the new-version dialog offers to read. */
inline constexpr const char* kReleaseNotesUrl = "https://www.kestrune.com/whats-new/";
inline constexpr const char* kRegAutoCheckDate = "AutoCheckDate";
/** Only this much of the page is read. */
inline constexpr int kMaxPageBytes = 50000;
inline constexpr int kFetchTimeoutMs = 10000;

inline constexpr const char* kMsgLatestVersion = "You already have the latest version of VORNA installed.";
inline constexpr const char* kMsgCheckFailed =
    "Could not check for updates. Please check your internet connection and try again.";

/** The page's first kMaxPageBytes bytes; nullopt when it could not be read. */
using PageFetch = std::function<std::optional<QByteArray>(const QUrl& url)>;

/** Whether the check is due with @p stored the AutoCheckDate value (nullopt: missing) at @p now:
 *  a value that is not eight characters or no date, a date more than 31 days ahead, or one on or
 *  before today. */
bool IsUpdateCheckDue(const std::optional<QString>& stored, const QDateTime& now);
/** The next due date for a check at @p now: seven days later, as YYYYMMDD. */
QString NextCheckDate(const QDateTime& now);
/** The version text after the second "VORNA PRO" of @p page, or empty. */
QString ExtractPublishedVersion(const QString& page);
/** True when @p published is a later version than @p own, compared by numeric components. */
bool IsNewerVersion(const QString& own, const QString& published);

enum class UpdateResult
{
    Newer,
    NotNewer,
    Failed, ///< the page could not be read or holds no version
};
UpdateResult CheckForUpdate(const PageFetch& fetch, QString& own, QString& published);

/** The page address in use (the settings override, else kUpdatePageUrl). */
QUrl UpdatePageUrl();
/** The program's fetch: Qt Network, at most kMaxPageBytes, kFetchTimeoutMs, the window kept
 *  alive meanwhile. */
std::optional<QByteArray> FetchPage(const QUrl& url);

/** The settings' side of the check: due from AutoCheckDate, and the reschedule. */
bool IsUpdateCheckDueNow();
void ScheduleUpdateCheck();

/** The manual check of the Support menu: the new-version dialog, or a message for "no newer
 *  version" and for "could not check"; then the reschedule. */
void RunManualUpdateCheck(QWidget* owner, const PageFetch& fetch);
/** The automatic check at start-up: the new-version dialog only when one is found; always the
 *  reschedule; nothing shown on failure. */
void RunAutomaticUpdateCheck(QWidget* owner, const PageFetch& fetch);

/** The automatic check as the view's start-up runs it. */
class WeeklyUpdateCheck : public UpdateCheck
{
public:
    explicit WeeklyUpdateCheck(PageFetch fetch = FetchPage) : m_fetch(std::move(fetch)) {}
    bool IsDue() override { return IsUpdateCheckDueNow(); }
    void RunAutomatic(QWidget* owner) override { RunAutomaticUpdateCheck(owner, m_fetch); }

private:
    PageFetch m_fetch;
};

/** The fetch the manual command uses (tests replace it); FetchPage by default. */
PageFetch& ManualUpdateFetch();

} // namespace shell
