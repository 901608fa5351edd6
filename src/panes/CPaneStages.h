#pragma once
/** @brief The session's named stages side by side on the time axis, above the tracks. The user
 *  drags the boundary between two stages; no stage becomes shorter than kMinStage of the session.
 *
 * The drag edits the document's stages directly and marks the session modified when the button is
 * released after a boundary moved. UI thread only. */

#include "panes/CAppPane.h"

#include <QCursor>
#include <QFont>
#include <QPixmap>

#include <optional>

class CStages;

class CPaneStages : public CAppPane
{
public:
    static constexpr int kBackgroundBitmap = 375;
    static constexpr int kBoundaryCursor = 323;
    /** How near (as a session fraction) the mouse must be to a boundary to grab it. */
    static constexpr double kGrabDistance = 0.01;
    /** The shortest a stage may be dragged to, as a session fraction. */
    static constexpr double kMinStage = 0.03;

    explicit CPaneStages(QWidget* parent = nullptr);

    /** The stage whose start lies within kGrabDistance of @p t (the first such), or -1; the first
     *  stage's start is the session's start and is never grabbed. */
    static int HitTestBoundary(const CStages& stages, double t);
    /** Moves the start of stage @p i (and the end of the stage before it) to @p t held between the
     *  two stages' outer edges; true when it moved. Refused, both stages unchanged, when either
     *  would become shorter than kMinStage. */
    static bool DragBoundary(CStages& stages, int i, double t);

    int GetGrabbedStage() const { return m_grabbed; }

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;
    bool OnSetCursor() override;
    void OnMouseMove(const QPoint& point) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;

private:
    QPixmap m_background;
    QFont m_font;
    std::optional<QCursor> m_boundaryCursor;
    bool m_dragging = false;
    bool m_moved = false; ///< a boundary moved since the press
    int m_grabbed = -1;
};
