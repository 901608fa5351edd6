#pragma once
/** @brief The base of every workspace pane: the session document and the geometry that panes
 *  aligned with the tracks or the stages share.
 *
 * A pane holds no session data of its own; it reads the document each time it paints and turns
 * what the user does into application messages to the view. UI thread only. */

#include "controls/Window.h"

class CVornaDoc;

class CAppPane : public ui::Window
{
public:
    explicit CAppPane(QWidget* parent = nullptr);

    /** Stores the document (not owned). A pane with children hands it on to them. */
    virtual void SetDocument(CVornaDoc* doc) { m_pDoc = doc; }
    CVornaDoc* GetDocument() const { return m_pDoc; }

    /** Repaints the parent; the view's repaint repaints every pane. */
    void InvalidateParent();
    /** Sets the document's hover position to the cursor's fraction of this pane's width while the
     *  cursor is inside the pane, else to -1; then repaints the parent. */
    void UpdateHoverPosition();

    /** Vertical extent [top, bottom) of track row @p i for a client height @p height and @p count
     *  tracks: the first height mod count rows are one pixel taller, and each bottom is the next
     *  row's top. With no tracks every row is empty (0, 0). */
    static void TrackRowRect(int height, int count, int i, int& top, int& bottom);
    /** Track row @p i of this pane (the document's track count); (0, 0) without a document. */
    void GetTrackRowRect(int i, int& top, int& bottom) const;
    /** Horizontal extent of stage @p i: its start and end fractions times the client width,
     *  truncated. (0, 0) without a document or for an index outside the stages. */
    void GetStageExtent(int i, int& left, int& right) const;
    /** The cursor's x over the client width, held to 0..1 (0 for a pane of no width). */
    double GetCursorFraction() const;

protected:
    int OnCreate() override;

    CVornaDoc* m_pDoc = nullptr;
};
