#pragma once
/** @brief One file of a segment's list: the stored path and whether it lies in the sound library.
 *
 * A library-relative path keeps the form it was stored in (backslashes from Windows files
 * included) and is resolved only when the file is opened. */

#include <QString>

#include <cstdint>
#include <vector>

namespace plat
{
class Archive;
}

struct CFileListEntry
{
    /** Most entries a list read from a file may have: far more files than any playlist plays,
     *  and few enough that a list costs a few megabytes (an empty entry takes 2 bytes in the file
     *  but some 32 in memory). */
    static constexpr std::int32_t kMaxEntries = 100000;
    /** Most entries all the lists of one file may have together: some 32 MB. */
    static constexpr std::int32_t kMaxEntriesPerFile = 1000000;

    QString m_path;
    /** 1 when m_path is relative to the sound library folder, 0 for a full path. */
    std::uint8_t m_libraryRelative = 0;

    bool IsLibraryRelative() const noexcept { return m_libraryRelative != 0; }
    /** The path to open: the sound library + m_path when library relative, else m_path. */
    QString GetResolvedPath() const;

    bool operator==(const CFileListEntry&) const = default;

    /** A file list record: int32 n, then n times (string path, byte library relative). Reading
     *  refuses more than kMaxEntries, or more than kMaxEntriesPerFile counted over the lists the
     *  archive has read (plat::ArchiveError, BadFormat), and replaces @p list only once the whole
     *  record has been read. */
    static void SerializeList(plat::Archive& ar, std::vector<CFileListEntry>& list);
};
