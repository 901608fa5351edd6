#include "platform/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <unistd.h>

#include <mutex>

namespace
{

// Settings are read by the engine's threads too (a segment's Init looks up the installed
// data), several at once. QSettings reads the file's time, and the C library's time-zone state
// behind it is not made for threads that race: one settings access at a time in the process.
std::mutex& SettingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

QSettings::Scope ScopeOf(plat::RegRoot root)
{
    return root == plat::RegRoot::LocalMachine ? QSettings::SystemScope : QSettings::UserScope;
}

// The folder of the running executable, read from the kernel so that it works before
// (and without) a QCoreApplication.
QString ExecutableFolder()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = '\0';
    return QFileInfo(QString::fromLocal8Bit(buf)).absolutePath();
}

} // namespace

void SetRegString(plat::RegRoot root, const QString& name, const QString& text)
{
    if (text.isNull() || name.isEmpty())
        return;
    const std::lock_guard lock(SettingsMutex());
    QSettings settings(QSettings::NativeFormat, ScopeOf(root), plat::kRegOrganization, plat::kRegApplication);
    settings.setValue(name, text);
    settings.sync();
}

bool GetRegString(plat::RegRoot root, const QString& name, QString& out)
{
    if (name.isEmpty())
        return false;
    const std::lock_guard lock(SettingsMutex());
    QSettings settings(QSettings::NativeFormat, ScopeOf(root), plat::kRegOrganization, plat::kRegApplication);
    // The user scope falls back to the system scope in QSettings; a user value must not
    // appear from the machine's file, nor the other way round.
    settings.setFallbacksEnabled(false);
    const QVariant v = settings.value(name);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return false;
    QString text = v.toString();
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    out = text;
    return true;
}

QString GetInstallPath()
{
    QString path;
    if (GetRegString(plat::RegRoot::LocalMachine, QStringLiteral("InstallPath"), path) && !path.isEmpty())
    {
        while (path.size() > 1 && (path.endsWith('/') || path.endsWith('\\')))
            path.chop(1);
        return path;
    }

    // Installed: <prefix>/bin/vorna with the data in <prefix>/share/vorna. Built: the build
    // tree stages the same layout in <build>/share/vorna beside <build>/bin.
    const QString exeFolder = ExecutableFolder();
    const QStringList candidates = {
        exeFolder.isEmpty() ? QString() : QDir::cleanPath(exeFolder + "/../share/vorna"),
        QStringLiteral(VORNA_INSTALL_DATA_DIR),
        QStringLiteral(VORNA_BUILD_DATA_DIR),
    };
    for (const QString& c : candidates)
        if (!c.isEmpty() && QFileInfo(c + "/Internals").isDir())
            return c;
    return QStringLiteral(VORNA_INSTALL_DATA_DIR);
}
