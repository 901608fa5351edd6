#include "platform/Folders.h"

#include <QDir>
#include <QStandardPaths>

namespace
{

qsizetype LastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
}

} // namespace

QString GetDocumentsFolder()
{
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    const QString folder = docs + QStringLiteral("/VORNA");
    QDir().mkpath(folder);
    return folder;
}

QString GetSoundLibraryFolder()
{
    return GetDocumentsFolder() + QStringLiteral("/Sound Library/");
}

QString GetLibraryPath(const QString& stored, bool relative)
{
    if (!relative)
        return stored;
    QString rel = stored;
    rel.replace('\\', '/');
    return GetSoundLibraryFolder() + rel;
}

bool MakeLibraryRelative(QString& path)
{
    const QString prefix = GetSoundLibraryFolder();
    if (!path.startsWith(prefix, Qt::CaseSensitive))
        return false;
    path.remove(0, prefix.size());
    return true;
}

QString GetFileNameOfPath(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

QString GetFolderOfPath(const QString& path)
{
    const qsizetype sep = LastSeparator(path);
    return sep < 0 ? QString() : path.left(sep);
}

QString GetPathWithoutExtension(const QString& path)
{
    const qsizetype dot = path.lastIndexOf('.');
    return dot < 0 ? path : path.left(dot);
}

QString GetFileExtension(const QString& path)
{
    const qsizetype dot = path.lastIndexOf('.');
    return dot < 0 ? QString() : path.mid(dot + 1);
}
