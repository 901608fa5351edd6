#pragma once
/** @brief The external-audio panel: one sound file from anywhere (stored as its full path, also
 *  inside the sound library), its name and length, and whether it repeats. UI thread. */

#include "controls/CUiProperty.h"
#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesBase.h"

class CSegmentMusicExt;

class CDlgSegmentMusicExt : public CDlgPropertiesBase
{
public:
    CDlgSegmentMusicExt();

    void SetObject(CSegment* segment) override;

    ui::Static& NameText() { return *m_name; }
    ui::Static& LengthText() { return *m_length; }
    ui::CheckBox& RepeatBox() { return *m_repeat; }

protected:
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    CSegmentMusicExt* External() const;
    void OnSelectFile();
    void OnRepeat();
    /** Measures the file again and tells the view; nothing without a file. */
    void UpdateDuration();

    ui::Static* m_name = nullptr;
    ui::Static* m_length = nullptr;
    ui::CheckBox* m_repeat = nullptr;
};
