#pragma once
/** @brief The list editing the segment panels share: choosing sound files into a segment's list
 *  (stored library relative where they lie in the sound library, the folder remembered per kind),
 *  the item texts, and where the selection goes after Remove, Up and Down.
 *
 * Plain functions over the segment's own vectors, so the rules can be tested without a panel.
 * UI thread (the file dialogs and the settings store). */

#include "model/CFileListEntry.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QWidget;

namespace filelist
{

/** The file dialog's filter: streamable sound files, or all files. */
inline constexpr const char* kSoundFilter =
    "Streamable files (wav/aif/mp3/mp2/mp1/ogg)|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.ogg|All files|*.*||";
/** The title of the dialog that adds files to a list. */
inline constexpr const char* kAddTitle = "Select sound files";

/** The settings names of the folder each kind's file dialog starts in. */
inline constexpr const char* kFolderVoice = "FolderVoice";
inline constexpr const char* kFolderAmbientMusic = "FolderAmbientMusic";
inline constexpr const char* kFolderNature = "FolderNature";
inline constexpr const char* kFolderExternalMusic = "FolderExternalMusic";

/** Asks for sound files (several at once), starting in the folder stored under @p folderValue,
 *  and appends them to @p files in the dialog's order: library relative where they lie inside
 *  the sound library, else as full paths. The folder of the last one is stored under
 *  @p folderValue. False, with nothing changed, when the dialog was cancelled or gave nothing. */
bool AddSoundFiles(QWidget* owner, const QString& folderValue, std::vector<CFileListEntry>& files);

/** Asks for one sound file, starting in the folder stored under @p folderValue; stores the
 *  chosen file's folder there and returns its full path. Nullopt when cancelled. */
std::optional<QString> ChooseSoundFile(QWidget* owner, const QString& folderValue);

/** What a file list shows for @p entry: the file's bare name, without folder or extension. */
QString ItemText(const CFileListEntry& entry);
/** ItemText of every entry, in order. */
QStringList ItemTexts(const std::vector<CFileListEntry>& files);

/** The selection after item @p selected of @p count items was removed from a file list: none
 *  (-1) when it was the only one, else the same position or, when it was the last, the new
 *  last. */
int SelectionAfterRemove(int count, int selected);

/** The selection after item @p selected of a bells list was removed: the item before it, or the
 *  first. */
inline int BellsSelectionAfterRemove(int selected)
{
    return selected > 0 ? selected - 1 : 0;
}

/** Moves item @p from of @p items to @p to (both inside the list); false, with nothing moved,
 *  when either lies outside or they are equal. */
template <class T> bool MoveItem(std::vector<T>& items, int from, int to)
{
    const int n = static_cast<int>(items.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return false;
    T item = std::move(items[static_cast<std::size_t>(from)]);
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, std::move(item));
    return true;
}

} // namespace filelist
