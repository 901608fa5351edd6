#pragma once
/** @brief The main window: a plain frame without menu or status bar around the view, with the
 *  smallest size the workspace needs and the close sequence (save prompt, stop, free the audio
 *  device). UI thread. */

#include <QMainWindow>

class CVornaView;

class CMainFrame : public QMainWindow
{
public:
    static constexpr const char* kTitle = "VORNA";

    CMainFrame();
    ~CMainFrame() override;

    /** Puts @p view (which the frame then owns) in the client area. */
    void SetView(CVornaView* view);
    CVornaView* GetActiveView() const { return m_view; }

    /** "<document title> - VORNA". */
    void OnUpdateFrameTitle();
    /** The smallest size for the screen the frame is on (recomputed when it moves to another). */
    void UpdateMinimumSize();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CVornaView* m_view = nullptr;
    bool m_screenHooked = false;
};
