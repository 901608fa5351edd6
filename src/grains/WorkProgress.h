#pragma once
/** @brief What long work on the UI thread reports, and the hooks that keep the window alive meanwhile.
 *
 * The tool that runs the work fills it with its progress bar, its status text and its window's event
 * loop (Pump, Wait). Every call comes from the thread that runs the work, which is the UI
 * thread; a Cancel button's handler may run inside Pump() and Wait() and must not free the buffers the
 * work writes into. */

#include <QString>

namespace dlg
{

class WorkProgress
{
public:
    virtual ~WorkProgress() = default;

    /** The progress bar, 0..100. */
    virtual void SetPercent(int percent) = 0;
    /** The status line next to the progress bar. */
    virtual void SetStatus(const QString& text) = 0;
    /** Dispatches pending window messages; the Cancel button acts here. */
    virtual void Pump() = 0;
    /** The pause of about one second after 100 % that keeps the window alive. */
    virtual void Wait() = 0;
    /** Tells the user that the work could not be done (a message box in the tool). */
    virtual void ShowError(const QString& message) = 0;
};

} // namespace dlg
