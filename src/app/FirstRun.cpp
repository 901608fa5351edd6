#include "app/FirstRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace shell
{

namespace
{
constexpr const char* kBreathworkFolder = "Suggestions/VORNA Voice/Breathwork";
}

int CopyInstalledPrompts(const QString& installFolder, const QString& libraryFolder)
{
    const QString from = QDir(installFolder + QStringLiteral("/Sound Library")).filePath(kBreathworkFolder);
    const QString to = QDir(libraryFolder).filePath(kBreathworkFolder);
    if (!QFileInfo(from).isDir() || QFileInfo::exists(to))
        return 0;
    if (!QDir().mkpath(to))
        return 0;
    int copied = 0;
    QDirIterator it(from, QDir::Files);
    while (it.hasNext())
    {
        const QFileInfo source(it.next());
        const QString target = to + QLatin1Char('/') + source.fileName();
        if (!QFileInfo::exists(target) && QFile::copy(source.filePath(), target))
            ++copied;
    }
    return copied;
}

} // namespace shell
