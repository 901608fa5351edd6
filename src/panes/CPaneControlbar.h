#pragma once
/** @brief The transport bar at the foot of the workspace: six transport buttons laid out around
 *  an anchor, the session-length pane, the status read-out and the two meters.
 *
 * Every button sends its application message to the parent (the view) with SendMessage. While a
 * live recording runs, only Stop is enabled; without a document, too. The view hands the engine's
 * read-outs in through SetReadouts on each tick of its playback timer, and the bar passes them to
 * its panes, which never call the engine themselves. UI thread. */

#include "panes/CAppPane.h"
#include "panes/PlaybackReadouts.h"

#include <QPixmap>
#include <QRect>

#include <array>
#include <optional>

class CHoverButton;
class CPaneMeterLevels;
class CPaneMeterSound;
class CPaneSessionLength;
class CPaneStatus;

class CPaneControlbar : public CAppPane
{
public:
    static constexpr int kBackground = 313;
    /** Below this width the anchor stays at kFixedAnchor; from it on the centre group centres. */
    static constexpr int kCentringWidth = 1118;
    static constexpr int kFixedAnchor = 321;

    /** Where every child goes at one client size, in the bar's client coordinates. */
    struct Layout
    {
        int anchor = 0;
        QRect sessionLength;
        QRect play, stop, pause;
        QRect status;
        QRect goToStart, previousStage, nextStage;
        QRect loadMeter;
        QRect soundMeter; ///< its width is never below 0 on a bar too narrow for it
    };

    /** The transport buttons: command id, bitmap strip and the message a click sends, in the order
     *  they are made (Play, Pause, Stop, Go to start, Previous stage, Next stage). */
    struct ButtonSpec
    {
        int id;
        int bitmap;
        unsigned message;
    };
    static const std::array<ButtonSpec, 6>& Buttons();

    explicit CPaneControlbar(QWidget* parent = nullptr);

    /** The anchor of the centre group for a client width @p width. */
    static int Anchor(int width);
    /** The layout at @p width x @p height; nullopt when either is 0 or less (nothing moves). */
    static std::optional<Layout> ComputeLayout(int width, int height);

    /** Stores the document, hands it to the four panes and refreshes the slider and the buttons. */
    void SetDocument(CVornaDoc* doc) override;
    /** Stores the view and hands it to the session-length pane. */
    void SetView(ui::ViewMessages* view) override;
    /** Puts the session-length slider at the document's length (after a new or opened session). */
    void UpdateSessionLength();
    /** The engine's read-outs of this tick, for the status and the meters. */
    void SetReadouts(const PlaybackReadouts& readouts);
    /** Enables the buttons and the slider for the document's state (live recording, playing);
     *  also run by every paint. */
    void RefreshState();
    /** Repaints the bar and its four panes, which show what the bar stands for. */
    void Invalidate() override;

    CHoverButton* Button(int id) const;
    CPaneStatus* Status() const { return m_status; }
    CPaneSessionLength* SessionLength() const { return m_sessionLength; }
    CPaneMeterSound* MeterSound() const { return m_meterSound; }
    CPaneMeterLevels* MeterLevels() const { return m_meterLevels; }

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(QPainter& painter) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void RecalcLayout();

    QPixmap m_background;
    std::array<CHoverButton*, 6> m_buttons{};
    CPaneStatus* m_status = nullptr;
    CPaneSessionLength* m_sessionLength = nullptr;
    CPaneMeterSound* m_meterSound = nullptr;
    CPaneMeterLevels* m_meterLevels = nullptr;
};
