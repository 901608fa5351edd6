#pragma once
/** @brief The voice panel: the segment's spoken files, its play mode and the Gap between files.
 *
 * In ordered mode the files and the gap make the segment's length, so every change of them
 * (Add, Remove, the mode, a new Gap value) measures the content again and tells the view. In the
 * prerecorded mode a click on a file, also while a live recording plays, asks the playing voice
 * generator to play that file next; only the user's click does, never a refill. UI thread. */

#include "dialogs/panels/CDlgSegmentFileList.h"

class CSegmentSuggestions;

class CDlgSegmentSuggestions : public CDlgSegmentFileList
{
public:
    /** The timer that watches the Gap value, and its period. */
    static constexpr int kGapTimer = 100;
    static constexpr int kGapTimerMs = 100;

    CDlgSegmentSuggestions();

    void SetObject(CSegment* segment) override;
    void UpdateControls() override;

protected:
    bool OnInitDialog() override;
    void OnTimer(int id) override;
    std::vector<CFileListEntry>* Files() const override;
    void OnListChanged() override;
    void OnListSelChange() override;
    void OnFirstCombo(int index) override;

private:
    CSegmentSuggestions* Voice() const;
    void UpdateDuration();

    double m_lastGap = 0.0;
};
