#include "dialogs/panels/SoundFileList.h"

#include "controls/Behaviour.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <algorithm>

namespace filelist
{
namespace
{

QString StoredFolder(const QString& folderValue)
{
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, folderValue, folder);
    return folder;
}

} // namespace

bool AddSoundFiles(QWidget* owner, const QString& folderValue, std::vector<CFileListEntry>& files)
{
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::OpenMany;
    request.title = QString::fromLatin1(kAddTitle);
    request.filter = QString::fromLatin1(kSoundFilter);
    // The dialog starts there; the process's own current folder is left alone.
    request.folder = StoredFolder(folderValue);
    const std::optional<QStringList> chosen = ui::CurrentBehaviour().GetFileNames(owner, request);
    if (!chosen || chosen->isEmpty())
        return false;
    for (const QString& full : *chosen)
    {
        CFileListEntry entry;
        entry.m_path = full;
        entry.m_libraryRelative = MakeLibraryRelative(entry.m_path) ? 1 : 0;
        files.push_back(entry);
    }
    SetRegString(plat::RegRoot::CurrentUser, folderValue, GetFolderOfPath(files.back().GetResolvedPath()));
    return true;
}

std::optional<QString> ChooseSoundFile(QWidget* owner, const QString& folderValue)
{
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Open;
    request.filter = QString::fromLatin1(kSoundFilter);
    request.folder = StoredFolder(folderValue);
    const std::optional<QStringList> chosen = ui::CurrentBehaviour().GetFileNames(owner, request);
    if (!chosen || chosen->isEmpty() || chosen->front().isEmpty())
        return std::nullopt;
    const QString path = chosen->front();
    SetRegString(plat::RegRoot::CurrentUser, folderValue, GetFolderOfPath(path));
    return path;
}

QString ItemText(const CFileListEntry& entry)
{
    return GetPathWithoutExtension(GetFileNameOfPath(entry.GetResolvedPath()));
}

QStringList ItemTexts(const std::vector<CFileListEntry>& files)
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(files.size()));
    for (const CFileListEntry& entry : files)
        texts.push_back(ItemText(entry));
    return texts;
}

int SelectionAfterRemove(int count, int selected)
{
    if (count <= 1)
        return -1;
    if (count == 2)
        return 0;
    return std::min(selected, count - 2);
}

} // namespace filelist
