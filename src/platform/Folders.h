#pragma once
/** @brief The program's documents folder, the sound library and the path-string helpers.
 *
 * Stored library paths may come from Windows: a library-relative path keeps its
 * backslashes in the session file and is turned into a '/' path when resolved. An
 * absolute Windows path ("C:\...") is kept as it is and simply does not resolve. */

#include <QString>

/** The user's documents folder followed by "/VORNA"; created when missing (failure ignored). */
QString GetDocumentsFolder();
/** GetDocumentsFolder() + "/Sound Library/". */
QString GetSoundLibraryFolder();
/** The stored path unchanged when @p relative is false; else the sound library + the stored
 *  path with its backslashes turned into '/'. */
QString GetLibraryPath(const QString& stored, bool relative);
/** Cuts the sound-library prefix off @p path when it starts with it exactly (case-sensitive)
 *  and returns true; else leaves @p path as it is and returns false. */
bool MakeLibraryRelative(QString& path);

/** The part after the last separator ('\' or '/'); the whole path when it has none. */
QString GetFileNameOfPath(const QString& path);
/** The part before the last separator; empty when it has none. */
QString GetFolderOfPath(const QString& path);
/** The part before the last period; the whole path when it has none. */
QString GetPathWithoutExtension(const QString& path);
/** The part after the last period; empty when it has none. */
QString GetFileExtension(const QString& path);
