#pragma once
/** @brief What the ambient-music and nature panels share: the file list, the play order and play
 *  style combos and the "Change" row (minutes between slices). UI thread. */

#include "dialogs/panels/CDlgSegmentFileList.h"

namespace model
{
class PlaylistSegment;
}

class CDlgSegmentPlaylist : public CDlgSegmentFileList
{
public:
    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

    ui::ComboBox& StyleCombo() { return *m_styleCombo; }

protected:
    /** @p kind is the segment kind the panel edits; @p styleCombo the play style's rectangle and
     *  @p initialStyle its selection until a segment is bound. */
    CDlgSegmentPlaylist(std::int32_t kind, const char* folderValue, const segpanel::DluRect& styleCombo,
                        int initialStyle);

    bool OnInitDialog() override;
    std::vector<CFileListEntry>* Files() const override;
    void OnFirstCombo(int index) override;
    void OnSecondCombo(int index) override;

private:
    model::PlaylistSegment* Playlist() const;

    ui::ComboBox* m_styleCombo = nullptr;
    std::int32_t m_kind;
    int m_initialStyle;
};
