#pragma once
/** @brief What a property row needs of the windows above it: the two graph editors and the tracks
 *  pane's selected range.
 *
 * The editors live in the dialogs library and the tracks pane in the panes library, both above this
 * one; the application installs the editors at start-up (SetGraphEditors) and the view answers
 * WM_APP_GET_TRACKS_PANE with its tracks pane as a SelectionSource. Tests install their own.
 * UI thread only. */

#include <QPoint>
#include <QSize>
#include <QString>

class CAutoGraph;
class CGraph;
class CStages;
class QObject;
class QWidget;

namespace ui
{

/** The selected segment's span on the session timeline; what the graph editor maps its time axis
 *  onto. Implemented by the tracks pane. */
class SelectionSource
{
public:
    virtual ~SelectionSource() = default;
    /** The selected segment's begin and end fractions, or 0 and 1 when none is selected. */
    virtual void GetSelectedRange(double& begin, double& end) const = 0;
    /** The index of the selected track in the document's tracks, or -1 when none is selected.
     *  The properties pane and the top panel take the help topic and the neighbour segments
     *  from it. */
    virtual int GetSelectedTrack() const = 0;
};

/** The graph editor's inputs, as a property row's "Set Graph" fills them. */
struct GraphEditorInputs
{
    QString title; ///< "Graph: " + label + " (" + unit + ")"
    int min = 0;   ///< the property's range, cut toward zero
    int max = 0;
    QString unit;
    const CStages* stages = nullptr;
    bool oneDecimal = false;     ///< value shown with one decimal, slider in tenths
    CGraph* graph = nullptr;     ///< the property's own graph, edited in place
    QPoint* editorPos = nullptr; ///< the document's remembered editor position
    QSize* editorSize = nullptr; ///< the document's remembered editor size
    CGraph* clipboard = nullptr; ///< the document's graph clipboard (also the reference curve)
    int sessionLength = 0;       ///< seconds
    int span = 0;                ///< seconds the graph covers (the selected segment's length)
    int offset = 0;              ///< seconds from the session start to where the graph begins
};

class GraphEditors
{
public:
    virtual ~GraphEditors() = default;
    /** Runs the graph editor modally over @p parent; returns its result. */
    virtual int RunGraphEditor(QWidget* parent, const GraphEditorInputs& inputs) = 0;
    /** Runs the automatic-graph editor modally over @p parent on @p graph; returns its result. */
    virtual int RunAutoGraphEditor(QWidget* parent, CAutoGraph* graph, const QString& name,
                                   const QString& unit) = 0;
};

/** Installs the editors (the application's, or a test's); null removes them. */
void SetGraphEditors(GraphEditors* editors);
/** The installed editors, or null when none are (then no editor opens). */
GraphEditors* GetGraphEditors();

} // namespace ui
