#pragma once
/** @brief The session transcript: the scripts of the voice segments as one read-only text, with
 *  "Copy text" to put it all on the clipboard. UI thread. */

#include "controls/Window.h"

namespace ui
{
class MultiLineEdit;
}

class CDlgVoiceTexts : public ui::Dialog
{
public:
    static constexpr int kIdText = 1014;
    static constexpr int kIdCopy = 1245;
    static constexpr int kIdHelp = 9;
    static constexpr const char* kHelpTopic = "DisplayingAllScriptTexts";

    explicit CDlgVoiceTexts(QWidget* parent = nullptr);

    /** The text shown; set before DoModal. */
    QString m_text;

    /** Selects the whole text and copies it to the clipboard. */
    void OnCopyText();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    ui::MultiLineEdit* m_edit = nullptr;
};
