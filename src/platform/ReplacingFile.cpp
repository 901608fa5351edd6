#include "platform/ReplacingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>
#include <utility>

namespace plat
{

ReplacingFile::ReplacingFile(QString target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile()
{
    Discard();
}

QString ReplacingFile::FolderForDisplay() const
{
    return QDir::toNativeSeparators(QFileInfo(m_target).absolutePath());
}

bool ReplacingFile::Create()
{
    Discard();
    const QFileInfo info(m_target);
    const QDir folder = info.absoluteDir();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const QString suffix = QString::number(QRandomGenerator::global()->bounded(0x100000, 0x1000000), 16);
        const QString name = folder.filePath(QStringLiteral("%1.%2.part").arg(info.fileName(), suffix));
        // Exclusively, so that no other file of that name is ever written over.
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        {
            m_temporary = name;
            return true;
        }
        if (!file.exists())
            return false; // the folder is missing or refuses new files
    }
    return false;
}

bool ReplacingFile::Commit()
{
    if (m_temporary.isEmpty())
        return false;
    // rename(2) replaces an older file in one step: there is never a moment without a whole file.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_temporary).toStdString(),
                            QFile::encodeName(m_target).toStdString(), error);
    if (error)
    {
        Discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

void ReplacingFile::Discard()
{
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
    m_temporary.clear();
}

} // namespace plat
