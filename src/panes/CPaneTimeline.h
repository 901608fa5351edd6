#pragma once
/** @brief The time ruler under the tracks: ticks and time labels, the play cursor, the pause mark
 *  and a bubble with the time under the mouse. Pressing or dragging on it moves the session's
 *  cursor; while the session plays, the view is asked to restart playback from there
 *  (RestartPlayback, WM_APP_RESTART_PLAYBACK).
 *
 * UI thread only. */

#include "panes/CAppPane.h"

#include <QCursor>
#include <QFont>
#include <QPixmap>
#include <QString>

#include <optional>

class CPaneTimeline : public CAppPane
{
public:
    static constexpr int kBackgroundBitmap = 375;
    static constexpr int kSeekCursor = 320;
    static constexpr int kTickCount = 50;
    /** Every this many ticks carries a time label. */
    static constexpr int kLabelEvery = 5;

    explicit CPaneTimeline(QWidget* parent = nullptr);

    /** "mm:ss" of @p seconds: whole minutes, then the whole seconds within the minute. */
    static QString FormatTime(double seconds);
    /** The label of tick @p i for a session of @p sessionLength seconds; empty for the ticks that
     *  carry none (tick 0 is the start, which the ruler labels at its left end). */
    static QString TickLabel(int i, int sessionLength);
    /** The label at the right end: the session length. */
    static QString EndLabel(int sessionLength);
    /** The x of tick @p i for a client width of @p width. */
    static int TickX(int i, int width);
    /** The centre of the play cursor's frame for a cursor fraction over a client width (never left
     *  of 5, so the frame is never cut at the left edge). */
    static int CursorFrameCentre(double cursor, int width);

    bool IsSeeking() const { return m_seeking; }

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;
    void OnSize(int width, int height) override;
    bool OnSetCursor() override;
    void OnMouseMove(const QPoint& point) override;
    void OnMouseLeave() override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;

private:
    /** The cursor fraction for a client x, held to the client. */
    double FractionAt(int x) const;

    QPixmap m_background;
    QFont m_font;
    std::optional<QCursor> m_seekCursor;
    double m_pressCursor = -1.0;
    bool m_leaveTracking = false;
    bool m_seeking = false;
};
