#pragma once
/** @brief The session notes: a large text field in Arial 12 pt with Cancel and Help.
 *
 * The dialog has no OK: however it closes (Cancel, Esc, the close box, or Enter on a button),
 * the typed text goes into the notes. UI thread. */

#include "controls/Window.h"

namespace ui
{
class MultiLineEdit;
}

class CDlgNotes : public ui::Dialog
{
public:
    static constexpr int kIdText = 1014;
    static constexpr int kIdHelp = 9;
    static constexpr const char* kHelpTopic = "EditingSessionNotes";

    explicit CDlgNotes(QWidget* parent = nullptr);

    /** The notes edited (the document's); set before DoModal. */
    QString* m_notes = nullptr;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    /** The one way out: the text is stored, then the dialog ends. */
    void OnCancel() override;
    void OnOK() override { OnCancel(); }

private:
    ui::MultiLineEdit* m_edit = nullptr;
};
