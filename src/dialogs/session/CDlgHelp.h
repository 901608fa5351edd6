#pragma once
/** @brief The help window: a modeless browser over the installed help pages, with Back, Forward
 *  and Home in a 40-pixel strip above it.
 *
 * ShowTopic shows the window and goes to the topic's page; a topic without a page shows a small
 * page of our own naming it. Closing hides the window, which keeps its history for the next
 * topic. The workspace's keys work while it has the focus (Space pauses the session, and so on):
 * keys are offered to the main frame's accelerator table before the browser sees them. The
 * window cannot be made smaller than 450 x 600. UI thread. */

#include "controls/Window.h"

class CWebBrowser2;
class CWndToolbarHelp;

class CDlgHelp : public ui::Dialog
{
public:
    static constexpr int kIdBrowser = 1251;
    static constexpr int kToolbarHeight = 40;
    static constexpr int kMinWidth = 450;
    static constexpr int kMinHeight = 600;
    static constexpr const char* kHomeTopic = "index";

    explicit CDlgHelp(QWidget* parent = nullptr);

    /** Makes the window (hidden), a window of its own that @p frame does not own: Qt blocks the
     *  windows a frame owns while a dialog is modal to the frame, and the help window must stay
     *  usable beside every dialog. Nor does it keep the program running once the frame has
     *  closed. */
    bool Create(QWidget* frame);

    /** The page of @p topic: <install>/Help/help_files/<topic>.html. */
    static QString PagePath(const QString& topic);

    void ShowTopic(const QString& topic);
    CWebBrowser2* Browser() const { return m_browser; }
    CWndToolbarHelp* Toolbar() const { return m_toolbar; }

    ui::Translate PreTranslateMessage(QKeyEvent* key) override;

protected:
    bool OnInitDialog() override;
    void OnSize(int width, int height) override;
    ui::LResult OnAppMessage(ui::MessageEvent& message) override;
    /** Esc and the close box hide the window; it is never destroyed while the program runs. */
    void OnCancel() override { hide(); }
    void OnOK() override {}

private:
    void Layout();

    CWndToolbarHelp* m_toolbar = nullptr;
    CWebBrowser2* m_browser = nullptr;
};
