#pragma once
/** @brief Stand-ins for the windows the view opens before their own dialogs exist: the
 *  live recorder and the countdown, and a plain pane for a place of the workspace
 *  whose pane is not built. Each is small and does the least that keeps the workspace usable. */

#include "app/ViewServices.h"
#include "audio/MixerEvents.h"
#include "controls/GraphEditors.h"
#include "controls/Window.h"
#include "panes/CAppPane.h"

#include <QPointer>

class QLabel;

namespace shell
{

/** A pane of the workspace shown as a plain surface with its name. */
class PlaceholderPane : public CAppPane, public ui::SelectionSource
{
public:
    PlaceholderPane(const QString& name, QWidget* parent = nullptr);
    /** The whole session, as a tracks pane without a selection answers. */
    void GetSelectedRange(double& begin, double& end) const override
    {
        begin = 0.0;
        end = 1.0;
    }
    int GetSelectedTrack() const override { return -1; }

protected:
    void OnPaint(QPainter& painter) override;

private:
    QString m_name;
};

/** The live recorder: plays the session with itself as the level window and records nothing. */
class RecorderStandIn : public ui::Dialog, public LiveRecorder, public rt::MixerBlockSink
{
public:
    explicit RecorderStandIn(QWidget* parent);
    void Setup(COptions* options, const QString& script, bool live, double sessionSeconds, QWidget* owner,
               CSegment* effectsSource) override;
    bool Prepare() override;
    void Stop() override {}
    void Close() override { hide(); }
    void ReleaseSource() override { m_source = nullptr; }
    void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept override {}

private:
    QPointer<QWidget> m_owner;
    CSegment* m_source = nullptr;
};

/** The countdown before a live recording: three seconds, with Cancel. */
class CountdownStandIn : public ui::Dialog
{
public:
    explicit CountdownStandIn(QWidget* parent);

protected:
    bool OnInitDialog() override;
    void OnTimer(int id) override;

private:
    QLabel* m_label;
    int m_left = 3;
};

} // namespace shell
