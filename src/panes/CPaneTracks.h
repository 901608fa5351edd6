#pragma once
/** @brief The tracks pane: one row per track with its segments as bars on the session's time axis,
 *  where the user selects, creates, moves and resizes segments with the mouse.
 *
 * The pane keeps indices into the document, never pointers, since segments and tracks come and go
 * under it; every read checks them against the document. What it changes it tells the view
 * (SetView): SelectSegment (WM_APP_SELECT_SEGMENT) on every press, SegmentChanged
 * (WM_APP_SEGMENT_CHANGED) after every drag step, DeleteTemporarySegment (WM_APP_DELETE_SEGMENT)
 * when a press on an empty row ends without a real drag.
 * While the session plays it only selects. The play position is handed in by the view's timer
 * (SetPlayPosition); the pane never asks the engine. UI thread only. */

#include "controls/GraphEditors.h"
#include "panes/CAppPane.h"

#include <QCursor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QString>

class CSegment;
class CSegments;
class CTracks;

class CPaneTracks : public CAppPane, public ui::SelectionSource
{
public:
    /** The cursors the pane chooses from, by role. */
    enum CursorKind
    {
        kCursorArrow,
        kCursorSelect,      ///< over a segment that is not the selected one, or any while playing
        kCursorMove,        ///< over the selected segment's body, and during every drag
        kCursorResizeStart, ///< the left edge zone
        kCursorResizeEnd,   ///< the right edge zone
    };
    /** What a drag does to the selected segment. */
    enum DragMode
    {
        kDragResizeStart = 0,
        kDragResizeEnd = 1,
        kDragMove = 2,
    };

    static constexpr int kTextureId = 374;
    static constexpr int kCursorSelectId = 320;
    static constexpr int kCursorResizeEndId = 321;
    static constexpr int kCursorResizeStartId = 322;
    static constexpr int kCursorMoveId = 323;

    /** A new segment is this wide (a session fraction), and no drag makes one narrower. */
    static constexpr double kMinSegmentSpan = 0.005;
    /** Bars narrower than this are drawn this wide, so that they stay visible and grabbable. */
    static constexpr int kMinBarPixels = 12;
    /** A new segment dragged less than this is taken for a click and removed again. */
    static constexpr int kClickPixels = 12;

    /** A rectangle by its four edges, as the hit tests use them: both edges belong to it. */
    struct Box
    {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        bool Contains(const QPoint& p) const
        {
            return left <= p.x() && p.x() <= right && top <= p.y() && p.y() <= bottom;
        }
        bool operator==(const Box&) const = default;
    };

    explicit CPaneTracks(QWidget* parent = nullptr);

    /** The selected segment, or null when nothing (or nothing that still exists) is selected. */
    CSegment* GetSelectedSegment() const;
    /** The segment list of the selected track, or null when no track is selected. */
    CSegments* GetSelectedSegments() const;
    /** The selected segment's begin and end, or 0 and 1 when none is selected. */
    void GetSelectedRange(double& begin, double& end) const override;
    /** The selected track's index, or -1 when none is selected. */
    int GetSelectedTrack() const override { return m_selectedTrack; }
    /** Selects nothing and repaints. */
    void ClearSelection();
    /** Selects segment @p segment of track @p track (-1 for none) and repaints; the view uses it
     *  for the live-recording placeholder. Nothing is sent. */
    void SetSelection(int track, int segment);
    int GetSelectedSegmentIndex() const { return m_selectedSegment; }
    /** Where the play line stands while the session plays, as a session fraction (-1: none); the
     *  view's playback timer hands it in from the engine's position. */
    void SetPlayPosition(double fraction);
    double GetPlayPosition() const { return m_playPosition; }
    /** The play line (while playing) or the hover line moved: repaints its old and new columns. */
    void UpdateMarker();
    /** Repaints the whole pane (and takes the line's column as drawn). */
    void Invalidate() override;
    int GetHoveredSegment() const { return m_hoveredSegment; }
    CursorKind GetCursorKind() const { return m_cursorKind; }
    DragMode GetDragMode() const { return m_dragMode; }

    /** Height of the bars in a row @p h pixels high: 0.4 h, relatively taller in rows under 50. */
    static int GetBarHeight(int h);
    /** The bar of a segment from @p begin to @p end in the row from @p rowTop to @p rowBottom of a
     *  pane @p width pixels wide. */
    static Box GetSegmentRect(double begin, double end, int rowTop, int rowBottom, int width);
    /** The bar of segment @p segment of track @p track in this pane; empty for indices outside. */
    Box GetSegmentRect(int track, int segment) const;
    /** A bar widened to at least kMinBarPixels. */
    static Box Widened(Box box);
    /** The width of the resize zones at each end of a (widened) bar @p width pixels wide. */
    static int GetEdgeZone(int width);
    /** The text beside track @p i's colour chip: the kind's name, " (Live Recording)" for a voice
     *  track that holds only the live recording's placeholder, " [Muted]" for a muted track. */
    static QString GetTrackLabel(const CTracks& tracks, int i);

    /** The row under the cursor, or -1; on the pixel two rows share, the upper one. */
    int HitTestRow() const;
    /** The segment of the hovered row whose bar holds the cursor, or -1. */
    int HitTestSegment() const;

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;
    void OnMouseMove(const QPoint& point) override;
    void OnMouseLeave() override;
    bool OnSetCursor() override;
    void OnSize(int width, int height) override;

private:
    /** Creates a segment around session fraction @p t in the hovered row, inside the free gap
     *  around @p t, and selects it; false when none was made. */
    bool CreateSegmentAt(double t);
    /** One drag step of the selected segment; true when its times changed. */
    bool TrackSegment();
    void UpdateCursor();
    void NotifySelection();
    void RunHitTests();
    /** The column of the play line while playing, else of the hover line; -1 for none. */
    int MarkerColumn() const;
    bool IsPlaying() const;
    /** The document's segment @p segment of track @p track, or null. */
    CSegment* SegmentAt(int track, int segment) const;
    const QCursor& CursorOf(CursorKind kind) const;

    CursorKind m_cursorKind = kCursorArrow;
    QCursor m_cursors[5];
    QPixmap m_texture;
    QFont m_labelFont;
    bool m_trackingLeave = false;
    bool m_dragging = false;
    bool m_creating = false;
    int m_selectedTrack = -1;
    int m_selectedSegment = -1;
    double m_playPosition = -1.0;
    int m_markerColumn = -1; ///< where the line was last asked to be drawn
    int m_hoveredRow = -1;
    int m_hoveredSegment = -1;
    QPoint m_pressPoint;
    double m_pressBegin = 0.0;
    double m_pressEnd = 0.0;
    DragMode m_dragMode = kDragMove;
};
