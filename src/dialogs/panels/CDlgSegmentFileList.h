#pragma once
/** @brief What the voice, ambient-music and nature panels share: the segment's list of sound
 *  files by bare name, with Add, Remove, Up, Down, a Play preview and a help link, one combo box
 *  below the list and one property row.
 *
 * Refilling the list selects its first item without telling anyone; only a click of the user
 * is a list selection change. Every edit of the list marks the session modified. UI thread. */

#include "controls/CUiProperty.h"
#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesBase.h"
#include "dialogs/panels/SegmentPanelLayout.h"
#include "model/CFileListEntry.h"

#include <QString>

#include <vector>

class CDlgSegmentFileList : public CDlgPropertiesBase
{
public:
    ui::ListBox& FileList() { return *m_list; }
    ui::Button& PlayButton() { return *m_play; }
    ui::ComboBox& FirstCombo() { return *m_firstCombo; }
    CUiProperty& Row() { return m_row; }

protected:
    /** Builds the list, the buttons, the link, the first combo over @p firstCombo and the row's
     *  placeholder; @p folderValue is the settings value of the folder the Add dialog starts in. */
    CDlgSegmentFileList(const char* folderValue, const segpanel::DluRect& firstCombo,
                        const segpanel::RowSpec& row);

    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

    /** The bound segment's file list; null while none is bound. */
    virtual std::vector<CFileListEntry>* Files() const = 0;
    /** After Add and Remove changed the list; marks the session modified. */
    virtual void OnListChanged();
    /** The user chose another item of the list. */
    virtual void OnListSelChange() {}
    /** The user chose an item of the first combo box (@p index) or of the second. */
    virtual void OnFirstCombo(int index) = 0;
    virtual void OnSecondCombo(int index) {}

    /** Fills the list with the bare names of the bound segment's files and selects the first,
     *  notifying nothing. */
    void FillList();
    /** Creates the panel's row over its placeholder (from OnInitDialog). */
    void CreateOwnRow();

    ui::ListBox* m_list = nullptr;
    ui::Button* m_play = nullptr;
    ui::ComboBox* m_firstCombo = nullptr;
    QWidget* m_rowPlaceholder = nullptr;
    CUiProperty m_row;

private:
    void OnAdd();
    void OnRemove();
    void OnMove(int step);
    void OnPlay();

    QString m_folderValue;
    int m_rowId;
};
