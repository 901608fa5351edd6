#include "dialogs/recorder/RecorderLogic.h"

#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <cmath>

namespace dlg
{

namespace
{

constexpr std::array<const char*, kScrollSpeedCount> kSpeedTexts{
    "No Auto Scrolling",  "Slowest Scrolling", "Slower Scrolling", "Slow Scrolling",
    "Moderate Scrolling", "Fast Scrolling",    "Faster Scrolling", "Fastest Scrolling",
};

constexpr const char* kRegFolderRecording = "FolderRecording";

} // namespace

QString ScrollSpeedText(int index)
{
    return index >= 0 && index < kScrollSpeedCount ? QString::fromLatin1(kSpeedTexts[index]) : QString();
}

double ScrollCharsPerSecond(int index)
{
    if (index == 0)
        return 0.0;
    if (index >= 1 && index < kScrollSpeedCount)
        return 2.0 + 2.0 * index;
    return 8.5;
}

double ScrollLength(int chars, int index)
{
    const double cps = ScrollCharsPerSecond(index);
    return cps > 0.0 ? std::max(chars, 0) / cps : 0.0;
}

ScriptHighlight ComputeHighlight(int chars, bool scrollOn, int status, double elapsed, double scrollLength,
                                 int charsPerLine)
{
    ScriptHighlight h;
    const bool scrolling = scrollOn && status != kStatusReady;
    if (scrolling)
        h.progress = scrollLength > 0.0 ? std::clamp(elapsed / scrollLength, 0.0, 1.0) : 1.0;
    if (chars <= 0)
        return h;
    h.selStart = static_cast<int>(h.progress * chars);
    if (h.selStart >= chars)
    {
        h.selStart = h.selEnd = 0;
        return h;
    }
    h.selEnd = std::min(h.selStart + static_cast<int>(0.7 * charsPerLine), chars - 1);
    h.select = scrolling;
    return h;
}

QString FormatMinutesSeconds(double seconds)
{
    const auto whole = static_cast<long long>(std::max(seconds, 0.0));
    return QString::asprintf("%2.2lld:%2.2lld", whole / 60, whole % 60);
}

QString ScrollProgressText(double progress, double scrollLength)
{
    const auto percent = static_cast<int>(progress * 100.0);
    return QString::asprintf("%d %%   ", percent) +
           FormatMinutesSeconds(std::trunc((1.0 - progress) * scrollLength));
}

bool StatusWordVisible(int status, std::uint32_t tick)
{
    switch (status)
    {
    case kStatusRecording:
        return tick % 1000 >= 250;
    case kStatusPaused:
        return tick % 250 >= 125;
    default:
        return true;
    }
}

QString StatusWord(int status)
{
    switch (status)
    {
    case kStatusRecording:
        return QStringLiteral("Recording");
    case kStatusPaused:
        return QStringLiteral("Pause");
    default:
        return QStringLiteral("Ready");
    }
}

QString RecordingFileName(const QDateTime& now, int exportFormat)
{
    const QDate d = now.date();
    const QTime t = now.time();
    const char* extension = exportFormat == 1 ? "mp3" : exportFormat == 2 ? "ogg" : "wav";
    return QString::asprintf("Recording %04d-%02d-%02d %02d-%02d-%02d.%s", d.year(), d.month(), d.day(),
                             t.hour(), t.minute(), t.second(), extension);
}

QString RecordingFolder()
{
    const QString name = QString::fromLatin1(kRegFolderRecording);
    QString folder;
    if (!GetRegString(plat::RegRoot::CurrentUser, name, folder) || folder.isEmpty())
    {
        folder = GetDocumentsFolder() + QStringLiteral("/My Recordings");
        QDir().mkpath(folder);
        SetRegString(plat::RegRoot::CurrentUser, name, folder);
    }
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

} // namespace dlg
