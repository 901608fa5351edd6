#pragma once
/** @brief The view's live recorder: the recorder dialog, modeless and hidden, behind the view's
 *  LiveRecorder interface. The dialog is the engine's level window while the session plays.
 *  UI thread only. */

#include "app/ViewServices.h"

#include <QPointer>

class CDlgRecorder;

namespace shell
{

class RecorderWindow : public LiveRecorder
{
public:
    explicit RecorderWindow(QWidget* parent);
    ~RecorderWindow() override;
    RecorderWindow(const RecorderWindow&) = delete;
    RecorderWindow& operator=(const RecorderWindow&) = delete;

    /** A live recording takes no script: @p script is not used. */
    void Setup(COptions* options, const QString& script, bool live, double sessionSeconds, QWidget* owner,
               CSegment* effectsSource) override;
    bool Prepare() override;
    void Stop(const QString& reason) override;
    void Close() override;
    void ReleaseSource() override;

    CDlgRecorder* Dialog() const;

private:
    QPointer<CDlgRecorder> m_dialog;
};

} // namespace shell
