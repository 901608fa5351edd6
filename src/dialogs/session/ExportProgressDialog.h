#pragma once
/** @brief The progress window of a session export: the file being written, a progress bar with the
 *  percentage, the time taken so far and the time still to go, and Cancel.
 *
 * The export runs on its own worker; the window only polls it on a timer, so it stays responsive
 * and repaints whatever the render costs. It ends by itself with IDOK once the export has finished
 * its file, or with IDCANCEL once a cancelled export has stopped (Cancel, Esc and the close box
 * all cancel). It never renames or removes files: the caller finishes the export afterwards.
 * UI thread. */

#include "controls/Window.h"

#include <cstdint>

namespace rt
{
class SessionExport;
}

namespace ui
{
class Button;
class ProgressBar;
class Static;
} // namespace ui

namespace dlg
{

class ExportProgressDialog : public ui::Dialog
{
public:
    static constexpr int kIdHeading = 1001;
    static constexpr int kIdFile = 1002;
    static constexpr int kIdProgress = 1003;
    static constexpr int kIdPercent = 1004;
    static constexpr int kIdTimes = 1005;
    static constexpr int kTimerPoll = 1;
    static constexpr int kPollMs = 100;

    static constexpr const char* kTitle = "Export Session";

    ExportProgressDialog(QWidget* parent, rt::SessionExport& job);

    /** "Elapsed m:ss   Remaining m:ss" after @p elapsedMs with @p progress (0..1) done; the
     *  remaining time is estimated from the speed so far, and shown as "--:--" until there is one.
     *  Hours show as h:mm:ss. */
    static QString TimesText(double progress, std::uint32_t elapsedMs);
    /** Whole seconds as m:ss, or h:mm:ss from an hour on. */
    static QString Clock(std::uint64_t seconds);

protected:
    bool OnInitDialog() override;
    void OnTimer(int id) override;
    void OnOK() override {}
    void OnCancel() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void Poll();

    rt::SessionExport& m_job;
    std::uint32_t m_startTick = 0;
    ui::Static* m_file = nullptr;
    ui::ProgressBar* m_progress = nullptr;
    ui::Static* m_percent = nullptr;
    ui::Static* m_times = nullptr;
    ui::Button* m_cancel = nullptr;
};

} // namespace dlg
