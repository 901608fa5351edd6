#pragma once
/** @brief The graph editor: a modal, resizable dialog that edits one property's hand-drawn graph in
 *  place over the time span the property applies to.
 *
 * Every edit is written into the graph at once; there is no OK or Cancel (closing keeps the edits,
 * Enter commits the focused field and keeps the dialog open). The document's graph clipboard is the
 * target of Copy, the source of Paste and the optional dotted reference curve. The window's position
 * and size live in the document, so the editor reopens where it was last shown.
 *
 * Inner points that the mouse adds or moves stay strictly inside (0, 1) and apart from their
 * neighbours, so that no two points share an x (a zero-width span) at the ends of the graph. The
 * selected point always designates an existing point. UI thread only. */

#include "controls/Controls.h"
#include "controls/GraphEditors.h"

#include <QCursor>

class CEditFloat;
class CEditTime;
class CGraph;
class CStages;

class CDlgGraph : public ui::Dialog
{
public:
    // Control ids.
    static constexpr int kIdLevel = 1058;
    static constexpr int kIdFlat = 1057;
    static constexpr int kIdUnit = 1074;
    static constexpr int kIdPointValue = 1061;
    static constexpr int kIdTimeCaption = 1073;
    static constexpr int kIdTime = 1077;
    static constexpr int kIdDelete = 1063;
    static constexpr int kIdReadOut = 1071;
    static constexpr int kIdStage = 1072;
    static constexpr int kIdSlider = 1060;
    static constexpr int kIdSmooth = 1064;
    static constexpr int kIdReference = 1065;
    static constexpr int kIdDouble = 1076;
    static constexpr int kIdHalve = 1075;
    static constexpr int kIdFlip = 1066;
    static constexpr int kIdMirror = 1067;
    static constexpr int kIdCopy = 1068;
    static constexpr int kIdPaste = 1069;
    static constexpr int kIdHelp = 1012;

    /** Clicking adds points up to this many. */
    static constexpr int kMaxPoints = 251;
    /** First size and, at 96 DPI, the smallest size of the window, in pixels. */
    static constexpr int kFirstWidth = 650;
    static constexpr int kFirstHeight = 450;
    static constexpr int kMinWidth = 630;
    static constexpr int kMinHeight = 350;
    /** Smallest distance in x an inner point added or moved by the mouse keeps from its
     *  neighbours and from the ends (a fraction of the span, far below one pixel). */
    static constexpr double kMinPointGap = 1e-6;

    static constexpr const char* kMsgTooManyPoints = "Cannot add more points to the graph.";
    static constexpr const char* kHelpTopic = "TheGraphEditor";

    explicit CDlgGraph(QWidget* parent = nullptr);
    ~CDlgGraph() override;

    /** The opener's inputs; set before DoModal. The graph, the clipboard and the remembered position
     *  and size must outlive the dialog. */
    void SetInputs(const ui::GraphEditorInputs& inputs);

    /** The grid's rectangle: left, top, right and bottom are the outer grid lines (so right and
     *  bottom are drawn pixels, not excluded edges). */
    QRect GetPlotRect() const { return QRect(QPoint(m_left, m_top), QPoint(m_right, m_bottom)); }
    /** The pixel at which a graph point (x, y) is drawn. */
    QPoint PointToPixel(double x, double y) const;
    /** The selected point's index. */
    int GetSelected() const { return m_selected; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnPaint(QPainter& painter) override;
    void OnSize(int width, int height) override;
    void OnMove(const QPoint& topLeft) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;
    void OnMouseMove(const QPoint& point) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnVScroll(ui::ScrollCode code, int pos, QWidget* from) override;
    void changeEvent(QEvent* event) override;

private:
    double Range() const;
    double Scale() const { return m_inputs.oneDecimal ? 10.0 : 1.0; }
    QString FormatValue(double value) const;

    int HitTest(const QPoint& point) const;
    QRect HitRect() const;
    double GetMeanLevel() const;
    /** @p x kept strictly inside (0, 1) and between @p lower and @p upper, apart from both. */
    static double KeepApart(double x, double lower, double upper);
    void ClampSelection();

    void UpdateSlider();
    void UpdateLevelField();
    void UpdatePointFields();
    void InvalidatePlot();
    void DeletePoint(int i);
    void LayoutPlot(const QRect& area);
    void ArrangeControls();
    int GetLabelWidth(const QString& text) const;
    QFont LabelFont() const;

    void DrawGrid(QPainter& painter);
    void DrawLabels(QPainter& painter);
    void DrawCurve(QPainter& painter, const CGraph& graph, const QPen& pen);
    void DrawPoints(QPainter& painter);

    void OnFlat();
    void OnDeletePoint();
    void OnDoublePoints();
    void OnHalvePoints();
    void OnFlip();
    void OnMirror();
    void OnCopy();
    void OnPaste();
    void OnSmooth();
    void OnHelp();
    void CommitLevel();
    void CommitPointValue();
    void CommitTime();

    ui::GraphEditorInputs m_inputs;

    bool m_ready = false;
    bool m_fieldsReady = false;
    bool m_dragging = false;
    int m_hover = -1;
    int m_selected = 0;
    bool m_reference = false;

    // The grid (LayoutPlot) and the plot area around it.
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    int m_rowStep = 0, m_columnStep = 0;
    QRect m_plotArea;

    QCursor m_grabCursor;

    CEditFloat* m_level = nullptr;
    ui::Button* m_flat = nullptr;
    ui::Static* m_unit = nullptr;
    CEditFloat* m_pointValue = nullptr;
    ui::Static* m_timeCaption = nullptr;
    CEditTime* m_time = nullptr;
    ui::Button* m_delete = nullptr;
    ui::Static* m_readOut = nullptr;
    ui::Static* m_stage = nullptr;
    ui::Slider* m_slider = nullptr;
    ui::CheckBox* m_smooth = nullptr;
    ui::CheckBox* m_referenceBox = nullptr;
    ui::Button* m_double = nullptr;
    ui::Button* m_halve = nullptr;
    ui::Button* m_flip = nullptr;
    ui::Button* m_mirror = nullptr;
    ui::Button* m_copy = nullptr;
    ui::Button* m_paste = nullptr;
    ui::Button* m_help = nullptr;
};
