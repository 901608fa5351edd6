#pragma once
/** @brief The description of one property row, from which CUiProperty::Create builds the row over
 *  a hidden placeholder of its panel.
 *
 * A panel fills one on its stack and hands it to CUiProperty::Create once per row, changing only
 * the per-row fields in between; the row copies what it needs, so the record never outlives the
 * call. The document fields are only passed on to the graph editor. */

#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>

class CGraph;
class CStages;
class QWidget;

namespace ui
{
class SelectionSource;
}

class CPropertyInfo
{
public:
    /** A hidden widget of the panel; the row takes its rectangle in its parent's coordinates. */
    QWidget* m_placeholder = nullptr;
    /** The text at the row's left; empty where the panel shows its own label. */
    QString m_label;
    /** "%", "Hz", "CPM", "1/10 sec", "minutes", "seconds" or empty; also in the editor's title. */
    QString m_unit;
    /** Shares of the row's width given to the label and to the value edit. */
    double m_labelFraction = 0.0;
    double m_editFraction = 0.0;
    /** The printf format of the value in the edit: "%.0f" or "%.2f". */
    QString m_format = QStringLiteral("%.0f");
    /** The row has the mode button (constant, graph, automatic graph); without it the value stays
     *  a constant and the slider runs on to the row's right edge. */
    bool m_modeButton = false;
    /** "Set AutoGraph" can be chosen. */
    bool m_autoGraph = false;
    /** The panel (or dialog) the row window becomes a child of. */
    QWidget* m_parent = nullptr;
    /** The row window's control id. */
    int m_id = 0;

    // The document's references, passed on to the graph editor.
    const CStages* m_stages = nullptr;
    /** The graph editor shows one decimal and moves its slider in tenths. */
    bool m_oneDecimal = false;
    QPoint* m_editorPos = nullptr;
    QSize* m_editorSize = nullptr;
    CGraph* m_graphClipboard = nullptr;
    /** The session length in seconds. */
    const std::int32_t* m_sessionLength = nullptr;
    /** Where the graph editor's time axis comes from: the selected segment's range. Null asks the
     *  active view for its tracks pane each time an editor opens. */
    ui::SelectionSource* m_tracksPane = nullptr;
    /** The value runs over the whole session (the session-wide settings): the graph editor's
     *  axis is the whole session whatever segment is selected. */
    bool m_wholeSession = false;
};
