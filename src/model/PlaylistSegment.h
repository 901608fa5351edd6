#pragma once
/** @brief What the ambient-music and nature kinds share: a list of sound files played in order
 *  or at random, as a loop or in slices that change every few minutes. */

#include "model/CFileListEntry.h"
#include "model/CSegment.h"

#include <initializer_list>
#include <vector>

namespace model
{

class PlaylistSegment : public CSegment
{
public:
    enum PlayStyle : std::int32_t
    {
        kPlayStyleLoop = 0,
        kPlayStyleSlicing = 1,
        kPlayStyleCount = 2,
    };

    void SetDefaults() override;

    /** The play style, with a stored code outside the table acting as the kind's default. */
    std::int32_t GetPlayStyle() const noexcept
    {
        return m_playStyle >= 0 && m_playStyle < kPlayStyleCount ? m_playStyle : m_defaultPlayStyle;
    }

    std::vector<CFileListEntry> m_files;
    bool m_randomOrder = true;
    std::int32_t m_playStyle;    ///< as stored; read through GetPlayStyle
    CSmartProperty m_changeTime; ///< minutes, 1..10

protected:
    explicit PlaylistSegment(std::int32_t defaultPlayStyle);

    /** The members after the base copy; the kind has checked that @p source is its own kind. */
    void CopyPlaylist(const PlaylistSegment& source);
    /** The current record of the shared members. */
    void SerializePlaylist(plat::Archive& ar);
    /** The one file of an old record: string path, byte library relative. Only a library file
     *  is kept (a full path is dropped, as the old format's conversion always did); a path that
     *  begins with one of @p oldFolders, and holds none of the others further on, has that
     *  folder replaced by @p newFolder. */
    void LoadOldFile(plat::Archive& ar, std::initializer_list<QStringView> oldFolders, QStringView newFolder);

private:
    const std::int32_t m_defaultPlayStyle;
};

} // namespace model
