#pragma once
/** @brief The base of every workspace pane: the session document and the geometry that panes
 *  aligned with the tracks or the stages share.
 *
 * A pane holds no session data of its own; it reads the document each time it paints and turns
 * what the user does into calls on the view's messages (SetView). UI thread only. */

#include "controls/Window.h"
#include "messages/ViewMessages.h"

class CVornaDoc;

/** A change a pane made to the document that other panes draw too. */
enum class PaneChange
{
    Hover,  ///< the hover position: the timeline's bubble, the tracks' hover line, the status
    Stages, ///< a stage boundary: the stages pane and the tracks pane's stage lines
};

/** The window that holds the panes (the view) repaints the panes that draw a change. Declared
 *  here so that a pane can tell it without knowing it. */
class PaneHost
{
public:
    virtual void OnPaneChange(PaneChange change) = 0;

protected:
    ~PaneHost() = default;
};

class CAppPane : public ui::Window
{
public:
    explicit CAppPane(QWidget* parent = nullptr);

    /** Stores the document (not owned). A pane with children hands it on to them. */
    virtual void SetDocument(CVornaDoc* doc) { m_pDoc = doc; }
    CVornaDoc* GetDocument() const { return m_pDoc; }
    /** Stores the view the pane tells what the user did (not owned; null: nobody is told). A pane
     *  with children hands it on to them. */
    virtual void SetView(ui::ViewMessages* view) { m_view = view; }

    /** Repaints the parent; the view's repaint repaints every pane. */
    void InvalidateParent();
    /** Tells the parent that @p change was made: a PaneHost repaints the panes that draw it, any
     *  other parent is repainted. */
    void NotifyChange(PaneChange change);
    /** Sets the document's hover position to the cursor's fraction of this pane's width while the
     *  cursor is inside the pane, else to -1; when that changed it, the panes that draw the hover
     *  are repainted (NotifyChange). */
    void UpdateHoverPosition();
    /** The mouse left the pane: no hover position (the layer's cursor still holds the last move
     *  inside, so it cannot say). */
    void ClearHoverPosition();

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
    ui::ViewMessages* m_view = nullptr;
};
