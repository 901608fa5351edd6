#pragma once
/** @brief The dialog the update check opens when a newer version is out: read what is new (the
 *  dialog stays), go to the update page (ends with 1), or update later (ends with 2).
 *
 * The pages open in the desktop's browser through ui::Behaviour. UI thread. */

#include "controls/Window.h"

#include <QUrl>

class CDlgCheckUpdates : public ui::Dialog
{
public:
    static constexpr int kIdText = 1138;
    static constexpr int kIdUpdate = 1144;
    static constexpr int kIdLater = 1146;
    static constexpr int kIdReleaseNotes = 1147;
    static constexpr int kResultUpdate = 1;
    static constexpr int kResultLater = 2;

    explicit CDlgCheckUpdates(QWidget* parent = nullptr);

    /** The page about the latest release, and the page to update from; set before DoModal. */
    QUrl m_releaseNotesUrl;
    QUrl m_updateUrl;

protected:
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    /** Enter answers nothing by itself: only a button (pressed, or focused) does. */
    void OnOK() override {}
};
