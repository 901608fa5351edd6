#include "model/CFileListEntry.h"

#include "platform/Archive.h"
#include "platform/Folders.h"

namespace
{

// The shortest entry a file can hold: an empty 8-bit string (one length byte) and the flag.
constexpr std::size_t kMinEntryBytes = 2;

} // namespace

QString CFileListEntry::GetResolvedPath() const
{
    return GetLibraryPath(m_path, IsLibraryRelative());
}

void CFileListEntry::SerializeList(plat::Archive& ar, std::vector<CFileListEntry>& list)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(static_cast<std::int32_t>(list.size()));
        for (const CFileListEntry& entry : list)
        {
            ar.WriteString(entry.m_path);
            ar.WriteFlag(entry.IsLibraryRelative());
        }
        return;
    }
    const std::int32_t n = ar.ReadCount(kMinEntryBytes);
    if (n > kMaxEntries || ar.CountListEntries(static_cast<std::uint64_t>(n)) > kMaxEntriesPerFile)
        plat::Archive::ThrowBadFormat("The file is damaged: a file list has too many entries.");
    std::vector<CFileListEntry> read;
    read.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
    {
        CFileListEntry entry;
        entry.m_path = ar.ReadString();
        entry.m_libraryRelative = ar.ReadFlag() ? 1 : 0;
        read.push_back(std::move(entry));
    }
    list = std::move(read);
}
