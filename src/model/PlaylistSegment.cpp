#include "model/PlaylistSegment.h"

#include "platform/Archive.h"

namespace model
{

namespace
{

constexpr double kDefaultChangeMinutes = 1.0;

} // namespace

PlaylistSegment::PlaylistSegment(std::int32_t defaultPlayStyle)
    : m_playStyle(defaultPlayStyle), m_defaultPlayStyle(defaultPlayStyle)
{
    m_changeTime.Init(CSmartProperty::kModeConstant, 1.0, 10.0);
}

void PlaylistSegment::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_files.clear();
    m_randomOrder = true;
    m_playStyle = m_defaultPlayStyle;
    m_changeTime.SetValue(kDefaultChangeMinutes);
}

void PlaylistSegment::CopyPlaylist(const PlaylistSegment& source)
{
    m_files.insert(m_files.end(), source.m_files.begin(), source.m_files.end());
    m_randomOrder = source.m_randomOrder;
    m_playStyle = source.m_playStyle;
    m_changeTime = source.m_changeTime;
}

void PlaylistSegment::SerializePlaylist(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        CFileListEntry::SerializeList(ar, m_files);
        ar.WriteFlag(m_randomOrder);
        ar.WriteInt32(m_playStyle);
    }
    else
    {
        CFileListEntry::SerializeList(ar, m_files);
        m_randomOrder = ar.ReadFlag();
        m_playStyle = ar.ReadInt32();
    }
    m_changeTime.Serialize(ar);
}

void PlaylistSegment::LoadOldFile(plat::Archive& ar, std::initializer_list<QStringView> oldFolders,
                                  QStringView newFolder)
{
    QString path = ar.ReadString();
    const bool libraryRelative = ar.ReadFlag();
    m_files.clear();
    if (!libraryRelative)
        return;
    for (const QStringView folder : oldFolders)
    {
        if (!path.startsWith(folder))
            continue;
        bool holdsAnother = false;
        for (const QStringView other : oldFolders)
            holdsAnother = holdsAnother || (other != folder && path.indexOf(other, folder.size()) >= 0);
        if (!holdsAnother)
            path.replace(0, folder.size(), newFolder.toString());
        break;
    }
    m_files.push_back(CFileListEntry{path, 1});
}

} // namespace model
