#include "dialogs/editors/CDlgGraph.h"
#include "dialogs/session/HelpTopic.h"

#include "controls/Behaviour.h"
#include "controls/CEditFloat.h"
#include "controls/CEditTime.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "messages/AppMessage.h"
#include "model/CGraph.h"
#include "model/CStages.h"
#include "model/DisplayTime.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace
{

const QColor kAreaFill(89, 100, 105);
const QColor kGridFill(62, 69, 72);
const QColor kRowLine(98, 117, 137);
const QColor kColumnLine(98, 107, 137);
const QColor kLightBorder(200, 210, 220);
const QColor kDarkBorder(170, 140, 30);
const QColor kLabelText(200, 210, 220);
const QColor kReferenceCurve(180, 200, 220);
const QColor kCurve(200, 210, 220);
const QColor kPoint(255, 230, 145);

constexpr int kGridCells = 10;
constexpr int kMargin = 10;
constexpr int kBottomMargin = 20;
constexpr int kHitSlack = 2;          // pixels around a point that still hit it
constexpr int kGap = 7;               // between the buttons of the bottom row
constexpr double kDeleteBeyond = 0.1; // a point dragged this far past the plot is deleted

// The top row: our own places (level, Flat, unit, point value, Time, time field, X), then the
// cursor read-out and the stage name, which ArrangeControls keeps at the plot area's right.
constexpr int kAreaLeft = 44;
constexpr int kRowTop = 8;
constexpr int kEditHeight = 22;
constexpr int kLabelTop = 10;
constexpr int kLabelHeight = 18;
constexpr int kButtonHeight = 24;

int Trunc(double v)
{
    return std::isfinite(v) ? static_cast<int>(std::trunc(v)) : 0;
}

QString MinutesSeconds(int seconds)
{
    return QString::asprintf("%02d:%02d", seconds / 60, seconds % 60);
}

int Right(const QRect& r)
{
    return r.x() + r.width();
}
int Bottom(const QRect& r)
{
    return r.y() + r.height();
}

} // namespace

CDlgGraph::CDlgGraph(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Graph"));
    setWindowFlag(Qt::WindowSystemMenuHint, true);
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setSizeGripEnabled(false);
    setMouseTracking(true); // the read-out follows the mouse without a button held
    SetOpaquePaint(true);

    m_level = new CEditFloat(this, kIdLevel);
    m_level->setGeometry(kAreaLeft, kRowTop, 52, kEditHeight);
    m_flat = new ui::Button(this, kIdFlat, QStringLiteral("Flat"));
    m_flat->setGeometry(102, kRowTop - 1, 46, kButtonHeight);
    m_unit = new ui::Static(this, kIdUnit, QStringLiteral("Point-Y"));
    m_unit->setGeometry(156, kLabelTop, 44, kLabelHeight);
    m_unit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pointValue = new CEditFloat(this, kIdPointValue);
    m_pointValue->setGeometry(204, kRowTop, 52, kEditHeight);
    m_timeCaption = new ui::Static(this, kIdTimeCaption, QStringLiteral("Time"));
    m_timeCaption->setGeometry(264, kLabelTop, 34, kLabelHeight);
    m_timeCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_time = new CEditTime(this, kIdTime);
    m_time->setGeometry(302, kRowTop, 62, kEditHeight);
    m_delete = new ui::Button(this, kIdDelete, QStringLiteral("X"));
    m_delete->setGeometry(370, kRowTop - 1, 28, kButtonHeight);
    m_readOut = new ui::Static(this, kIdReadOut);
    m_readOut->setGeometry(0, kLabelTop, 130, kLabelHeight);
    m_readOut->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_stage = new ui::Static(this, kIdStage);
    m_stage->setGeometry(0, kLabelTop, 104, kLabelHeight);
    m_stage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_slider = new ui::Slider(this, kIdSlider, Qt::Vertical);
    m_slider->setGeometry(10, 0, 26, 100);
    m_slider->setTickPosition(QSlider::NoTicks);

    m_smooth = new ui::CheckBox(this, kIdSmooth, QStringLiteral("Smooth"));
    m_smooth->resize(72, 20);
    m_referenceBox = new ui::CheckBox(this, kIdReference, QStringLiteral("Reference"));
    m_referenceBox->resize(90, 20);
    m_double = new ui::Button(this, kIdDouble, QStringLiteral("+"));
    m_double->resize(30, kButtonHeight);
    m_halve = new ui::Button(this, kIdHalve, QStringLiteral("-"));
    m_halve->resize(30, kButtonHeight);
    m_flip = new ui::Button(this, kIdFlip, QStringLiteral("Flip"));
    m_flip->resize(58, kButtonHeight);
    m_mirror = new ui::Button(this, kIdMirror, QStringLiteral("Mirror"));
    m_mirror->resize(58, kButtonHeight);
    m_copy = new ui::Button(this, kIdCopy, QStringLiteral("Copy"));
    m_copy->resize(58, kButtonHeight);
    m_paste = new ui::Button(this, kIdPaste, QStringLiteral("Paste"));
    m_paste->resize(58, kButtonHeight);
    m_help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    m_help->resize(64, kButtonHeight);

    m_plotArea = ui::Ltrb(kAreaLeft, 0, kAreaLeft + 100, 100);
    m_grabCursor = ui::LoadCursor(320).value_or(QCursor(Qt::ClosedHandCursor));
}

CDlgGraph::~CDlgGraph()
{
    // Children lose the focus while they are destroyed; their commits must not reach the graph.
    m_fieldsReady = false;
    m_ready = false;
}

void CDlgGraph::SetInputs(const ui::GraphEditorInputs& inputs)
{
    m_inputs = inputs;
}

double CDlgGraph::Range() const
{
    const double range = double(m_inputs.max) - double(m_inputs.min);
    return range != 0.0 ? range : 1.0; // a property without a range must not divide by zero
}

QString CDlgGraph::FormatValue(double value) const
{
    if (m_inputs.oneDecimal)
        return QString::asprintf("%2.1f", value);
    return QString::asprintf("%d", Trunc(value + 0.5));
}

QPoint CDlgGraph::PointToPixel(double x, double y) const
{
    return QPoint(m_left + Trunc((m_right - m_left) * x), m_bottom - Trunc((m_bottom - m_top) * y));
}

bool CDlgGraph::OnInitDialog()
{
    setWindowTitle(m_inputs.title);
    m_readOut->SetWindowText(QString());
    m_dragging = false;

    // Placement: the first time centred at 650 x 450, later where the user left it.
    QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const qreal dpi =
        screen != nullptr ? std::max(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()) : 96.0;
    setMinimumSize(Trunc(dpi / 96.0 * kMinWidth), Trunc(dpi / 96.0 * kMinHeight));
    const bool shownBefore = m_inputs.editorPos != nullptr && m_inputs.editorSize != nullptr &&
                             m_inputs.editorPos->x() != -1 && m_inputs.editorSize->isValid();
    if (!shownBefore)
    {
        const QRect desk = screen != nullptr ? screen->geometry() : QRect(0, 0, 1280, 800);
        move(desk.x() + (desk.width() - kFirstWidth) / 2, desk.y() + (desk.height() - kFirstHeight) / 2);
        resize(kFirstWidth, kFirstHeight);
        if (m_inputs.editorPos != nullptr)
            *m_inputs.editorPos = pos();
        if (m_inputs.editorSize != nullptr)
            *m_inputs.editorSize = size();
    }
    else
    {
        move(*m_inputs.editorPos);
        resize(*m_inputs.editorSize);
    }

    m_smooth->SetCheck(m_inputs.graph->GetSmooth() != 0);
    m_reference = false;
    m_referenceBox->SetCheck(false);
    m_fieldsReady = true;

    ArrangeControls();

    const int s = Trunc(Scale());
    m_slider->SetRange(m_inputs.min * s, m_inputs.max * s);
    m_selected = 0;

    UpdatePointFields();
    m_level->SetRange(float(m_inputs.min), float(m_inputs.max));
    m_pointValue->SetRange(float(m_inputs.min), float(m_inputs.max));
    m_unit->SetWindowText(m_inputs.unit);

    UpdateSlider();
    UpdateLevelField();
    m_ready = true;
    return true;
}

// ---- Geometry -------------------------------------------------------------------------------

int CDlgGraph::GetLabelWidth(const QString& text) const
{
    const QFontMetrics metrics(LabelFont());
    return metrics.horizontalAdvance(text) + metrics.averageCharWidth() + 4;
}

QFont CDlgGraph::LabelFont() const
{
    return ui::MakeFont(ui::PointsToPixels(8), 400);
}

void CDlgGraph::LayoutPlot(const QRect& area)
{
    const int labelWidth = GetLabelWidth(QString::number(static_cast<unsigned>(m_inputs.max)));
    m_left = area.x() + kMargin;
    m_top = area.y() + kMargin;
    m_columnStep = std::max(0, (Right(area) - labelWidth - m_left) / kGridCells);
    m_rowStep = std::max(0, (Bottom(area) - kBottomMargin - m_top) / kGridCells);
    m_right = m_left + kGridCells * m_columnStep;
    m_bottom = m_top + kGridCells * m_rowStep;
}

void CDlgGraph::ArrangeControls()
{
    const QRect client = rect();
    const int areaLeft = m_plotArea.x();
    const int areaTop = m_readOut->y() + Bottom(m_readOut->geometry());
    const int areaRight = Right(client) - 15;
    const int areaBottom = Bottom(client) - areaLeft - 8;
    m_plotArea = ui::Ltrb(areaLeft, areaTop, std::max(areaLeft, areaRight), std::max(areaTop, areaBottom));
    LayoutPlot(m_plotArea);

    // The bottom row, right to left from Help, which is right-aligned with the plot area.
    const int helpTop = Bottom(m_plotArea) + (Bottom(client) - m_help->height() - Bottom(m_plotArea)) / 2 - 4;
    int x = Right(m_plotArea);
    for (ui::Button* button : {m_help, m_paste, m_copy, m_mirror, m_flip, m_halve, m_double})
    {
        x -= button->width();
        button->move(x, helpTop);
        x -= kGap;
    }
    m_smooth->move(m_plotArea.x(), helpTop + (m_help->height() - m_smooth->height()) / 2);
    m_referenceBox->move(Right(m_smooth->geometry()) + kGap, m_smooth->y());

    m_stage->move(Right(m_plotArea) - m_stage->width(), m_stage->y());
    m_readOut->move(m_stage->x() - kGap - m_readOut->width(), m_readOut->y());

    m_slider->setGeometry(m_slider->x(), m_top - 13, m_slider->width(), (m_bottom + 13) - (m_top - 13));
    Invalidate();
}

void CDlgGraph::OnSize(int, int)
{
    if (!m_fieldsReady)
        return;
    ArrangeControls();
    if (m_inputs.editorSize != nullptr)
        *m_inputs.editorSize = size();
}

void CDlgGraph::OnMove(const QPoint& topLeft)
{
    if (m_fieldsReady && m_inputs.editorPos != nullptr)
        *m_inputs.editorPos = topLeft;
}

void CDlgGraph::changeEvent(QEvent* event)
{
    // The background is the palette's window colour, read at every paint.
    if (event->type() == QEvent::PaletteChange)
        Invalidate();
    ui::Dialog::changeEvent(event);
}

void CDlgGraph::InvalidatePlot()
{
    update(m_plotArea.adjusted(2, 2, -2, -2));
}

// ---- Painting -------------------------------------------------------------------------------

void CDlgGraph::OnPaint(QPainter& painter)
{
    ui::Dc dc(painter);
    dc.FillSolidRect(rect(), palette().color(QPalette::Window));
    dc.FillSolidRect(m_plotArea, kAreaFill);
    if (m_inputs.graph == nullptr)
        return;
    DrawGrid(painter);
    DrawLabels(painter);
    if (m_reference && m_inputs.clipboard != nullptr)
        DrawCurve(painter, *m_inputs.clipboard, QPen(kReferenceCurve, 1, Qt::DotLine));
    DrawCurve(painter, *m_inputs.graph, QPen(kCurve, 1, Qt::SolidLine));
    DrawPoints(painter);
}

void CDlgGraph::DrawGrid(QPainter& painter)
{
    ui::Dc dc(painter);
    dc.FillSolidRect(ui::Ltrb(m_left, m_top, m_right, m_bottom), kGridFill);
    for (int j = 0; j <= kGridCells; ++j)
    {
        const int y = m_top + j * m_rowStep;
        dc.Line(QPoint(m_left, y), QPoint(m_right, y), kRowLine);
    }
    for (int i = 0; i <= kGridCells; ++i)
    {
        const int x = m_left + i * m_columnStep;
        dc.Line(QPoint(x, m_top), QPoint(x, m_bottom), kColumnLine);
    }
    dc.Line(QPoint(m_left + 1, m_bottom), QPoint(m_right, m_bottom), kLightBorder);
    dc.Line(QPoint(m_right, m_top + 1), QPoint(m_right, m_bottom), kLightBorder);
    dc.Line(QPoint(m_left + 1, m_top), QPoint(m_right + 1, m_top), kDarkBorder);
    dc.Line(QPoint(m_left + 1, m_top + 1), QPoint(m_left + 1, m_bottom), kDarkBorder);
}

void CDlgGraph::DrawLabels(QPainter& painter)
{
    ui::Dc dc(painter);
    dc.SetFont(LabelFont());
    dc.SetTextColor(kLabelText);
    const double span = m_inputs.span;
    for (int i = 0; i <= kGridCells; ++i)
    {
        const int x = m_left + i * m_columnStep;
        const int seconds = Trunc(i * span / kGridCells + m_inputs.offset + 0.5);
        const QString text = QString::asprintf("%2.2d:%2.2d", seconds / 60, seconds % 60);
        const int w = dc.GetTextExtent(text).width();
        int textLeft = x - w / 2;
        if (i == 0)
            textLeft = x - 4;
        else if (i == kGridCells)
            textLeft -= w / 4 + 2;
        dc.TextOut(textLeft, m_bottom + 4, text);
        dc.Line(QPoint(x, m_bottom), QPoint(x, m_bottom + 3), kLabelText);
    }
    const double max = m_inputs.max;
    const double min = m_inputs.min;
    for (int j = 0; j <= kGridCells; ++j)
    {
        const int y = m_top + j * m_rowStep;
        // In double: the range's ends may be negative, and a tenth of the range need not be whole.
        const int value = Trunc(max - j * (max - min) / kGridCells + 0.5);
        const QString text = QString::number(value);
        const QSize extent = dc.GetTextExtent(text);
        dc.TextOut(m_right + 5, y - extent.height() / 2, text);
        dc.Line(QPoint(m_right, y), QPoint(m_right + 3, y), kLabelText);
    }
}

void CDlgGraph::DrawCurve(QPainter& painter, const CGraph& graph, const QPen& pen)
{
    const int width = m_right - m_left;
    if (width <= 0 || graph.GetPointCount() == 0)
        return;
    QPolygon line;
    line.reserve(width + 1);
    CDPoint first;
    graph.GetPoint(0, first);
    line << PointToPixel(first.x, first.y);
    for (int i = 0; i < width; ++i)
    {
        double v = graph.GetValueAt(double(i) / width);
        if (!std::isfinite(v))
            v = 0.0;
        line << QPoint(m_left + i, Trunc(m_bottom - v * (m_bottom - m_top)));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    painter.restore();
}

void CDlgGraph::DrawPoints(QPainter& painter)
{
    ui::Dc dc(painter);
    const CGraph& graph = *m_inputs.graph;
    for (const CDPoint& p : graph.GetPoints())
    {
        const QPoint px = PointToPixel(p.x, p.y);
        dc.FillSolidRect(ui::Ltrb(px.x() - 2, px.y() - 2, px.x() + 3, px.y() + 3), kPoint);
    }
    if (m_selected >= 0 && m_selected < graph.GetPointCount())
    {
        const CDPoint& p = graph.GetPoints()[static_cast<std::size_t>(m_selected)];
        const QPoint px = PointToPixel(p.x, p.y);
        dc.Ellipse(ui::Ltrb(px.x() - 7, px.y() - 7, px.x() + 8, px.y() + 8), QPen(kPoint), Qt::NoBrush);
    }
}

// ---- Points and the mouse -------------------------------------------------------------------

int CDlgGraph::HitTest(const QPoint& point) const
{
    const auto& points = m_inputs.graph->GetPoints();
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        const QPoint px = PointToPixel(points[i].x, points[i].y);
        if (std::abs(px.x() - point.x()) <= kHitSlack && std::abs(px.y() - point.y()) <= kHitSlack)
            return static_cast<int>(i);
    }
    return -1;
}

QRect CDlgGraph::HitRect() const
{
    // Not widened on the left: a click left of the first column is outside the span.
    return ui::Ltrb(m_left, m_top - kHitSlack, m_right + kHitSlack, m_bottom + kHitSlack);
}

double CDlgGraph::GetMeanLevel() const
{
    const auto& points = m_inputs.graph->GetPoints();
    if (points.empty())
        return 0.0;
    double sum = 0.0;
    for (const CDPoint& p : points)
        sum += p.y;
    return sum / static_cast<double>(points.size());
}

double CDlgGraph::KeepApart(double x, double lower, double upper)
{
    lower = std::max(lower, 0.0);
    upper = std::min(upper, 1.0);
    if (!(upper > lower))
        return lower; // neighbours that already share an x (from a file): nothing to keep apart
    if (upper - lower <= 2 * kMinPointGap)
        return lower + (upper - lower) / 2;
    return std::clamp(x, lower + kMinPointGap, upper - kMinPointGap);
}

void CDlgGraph::ClampSelection()
{
    const int count = m_inputs.graph->GetPointCount();
    m_selected = std::clamp(m_selected, 0, std::max(0, count - 1));
}

void CDlgGraph::DeletePoint(int i)
{
    m_inputs.graph->RemovePoint(i);
    m_hover = -1;
    m_dragging = false;
    m_selected = i - 1 > 0 ? i - 1 : 0;
    UpdatePointFields();
    unsetCursor();
}

void CDlgGraph::OnLButtonDown(const QPoint& point)
{
    if (!m_ready)
        return;
    CGraph& graph = *m_inputs.graph;
    m_hover = HitTest(point);
    if (m_hover == -1 && !HitRect().contains(point))
        return;
    const double width = std::max(1, m_right - m_left);
    const double height = std::max(1, m_bottom - m_top);
    const double y = std::clamp((m_bottom - point.y()) / height, 0.0, 1.0);
    if (m_hover == -1 && point.x() >= m_right)
    {
        // The right border and the slack beyond it stand for the end of the span, where the last
        // point already is: a new point there would lie after it, where the curve never goes. The
        // click takes the last point to its height instead, as a drag of it would.
        m_hover = graph.GetPointCount() - 1;
        graph.MovePoint(m_hover, 1.0, y);
        UpdateSlider();
        UpdateLevelField();
    }
    else if (m_hover == -1)
    {
        if (graph.GetPointCount() > kMaxPoints - 1)
        {
            ui::MessageBox(this, QString::fromLatin1(kMsgTooManyPoints));
            return;
        }
        // The hit rectangle reaches 2 px past the bottom edge and includes the left column: keep
        // the new point inside the plot, strictly between the ends and apart from the neighbours
        // it lands between, so that no zero-width span appears.
        double x = std::clamp((point.x() - m_left) / width, 0.0, 1.0);
        const auto& points = graph.GetPoints();
        std::size_t at = 1;
        while (at < points.size() && !(points[at].x > x))
            ++at;
        const double lower = points[at - 1].x;
        const double upper = at < points.size() ? points[at].x : 1.0;
        x = KeepApart(x, lower, upper);
        graph.AddPoint(CDPoint{x, y});
        m_hover = -1;
        for (std::size_t i = 0; i < graph.GetPoints().size(); ++i)
            if (graph.GetPoints()[i] == CDPoint{x, y})
            {
                m_hover = static_cast<int>(i);
                break;
            }
        UpdateSlider();
        UpdateLevelField();
    }
    m_selected = m_hover;
    UpdatePointFields();
    setCursor(m_grabCursor);
    m_dragging = true;
    InvalidatePlot();
}

void CDlgGraph::OnMouseMove(const QPoint& point)
{
    if (!m_ready || m_readOut == nullptr || m_stage == nullptr)
        return;
    CGraph& graph = *m_inputs.graph;
    if (m_dragging && (m_hover < 0 || m_hover >= graph.GetPointCount()))
        m_dragging = false;

    const double width = std::max(1, m_right - m_left);
    const double height = std::max(1, m_bottom - m_top);
    QPoint pos = point;
    const int hit = HitTest(point);
    if (!m_dragging && hit != -1)
    {
        const CDPoint& p = graph.GetPoints()[static_cast<std::size_t>(hit)];
        pos = PointToPixel(p.x, p.y);
    }
    double t = (pos.x() - m_left) / width;
    double v = 1.0 - (pos.y() - m_top) / height;
    if (m_dragging && (t < 0.0 || t > 1.0))
    {
        // Beyond the plot's sides the read-out shows the dragged point's own time.
        const CDPoint& p = graph.GetPoints()[static_cast<std::size_t>(m_hover)];
        pos.setX(m_left + Trunc(width * p.x));
        t = p.x;
    }

    if (HitRect().contains(pos))
    {
        const int seconds = Trunc(t * m_inputs.span + m_inputs.offset + 0.5);
        const double value = std::clamp(m_inputs.min + v * (m_inputs.max - m_inputs.min),
                                        double(std::min(m_inputs.min, m_inputs.max)),
                                        double(std::max(m_inputs.min, m_inputs.max)));
        const QString time = MinutesSeconds(seconds);
        if (m_inputs.oneDecimal)
            m_readOut->SetWindowText(
                QStringLiteral("%1 - %2 %3").arg(time, QString::asprintf("%2.1f", value), m_inputs.unit));
        else
            m_readOut->SetWindowText(
                QStringLiteral("%1 - %2 %3").arg(time).arg(Trunc(value + 0.5)).arg(m_inputs.unit));
        int stage = -1;
        if (m_inputs.stages != nullptr && m_inputs.sessionLength > 0)
            stage =
                m_inputs.stages->FindStage((t * m_inputs.span + m_inputs.offset) / m_inputs.sessionLength);
        m_stage->SetWindowText(stage >= 0 ? m_inputs.stages->GetStage(stage).m_name : QString());
    }
    else
    {
        m_readOut->SetWindowText(QString());
        m_stage->SetWindowText(QString());
    }

    const double rawV = v;
    t = std::clamp(t, 0.0, 1.0);
    v = std::clamp(v, 0.0, 1.0);
    if (m_dragging)
    {
        const auto& points = graph.GetPoints();
        const std::size_t i = static_cast<std::size_t>(m_hover);
        if (i > 0 && i + 1 < points.size())
            t = KeepApart(t, points[i - 1].x, points[i + 1].x);
        graph.MovePoint(m_hover, t, v);
        if (rawV < -kDeleteBeyond || rawV > 1.0 + kDeleteBeyond)
            DeletePoint(m_hover);
        UpdateSlider();
        UpdateLevelField();
        UpdatePointFields();
    }
    else
        m_hover = HitTest(point);

    if (m_hover != -1)
        setCursor(m_grabCursor);
    else
        unsetCursor();
    InvalidatePlot();
}

void CDlgGraph::OnLButtonUp(const QPoint& point)
{
    if (!m_ready)
        return;
    if (HitRect().contains(point))
    {
        m_hover = HitTest(point);
        if (m_hover != -1)
            setCursor(m_grabCursor);
    }
    m_dragging = false;
}

// ---- Refreshes ------------------------------------------------------------------------------

void CDlgGraph::UpdateSlider()
{
    const double mean = GetMeanLevel();
    m_slider->SetPos(Trunc(((1.0 - mean) * (m_inputs.max - m_inputs.min) + m_inputs.min) * Scale()));
    m_slider->repaint();
}

void CDlgGraph::UpdateLevelField()
{
    m_level->SetWindowText(FormatValue(GetMeanLevel() * (m_inputs.max - m_inputs.min) + m_inputs.min));
}

void CDlgGraph::UpdatePointFields()
{
    ClampSelection();
    CDPoint p;
    m_inputs.graph->GetPoint(m_selected, p);
    const int seconds = Trunc(p.x * m_inputs.span + m_inputs.offset + 0.5);
    const QString time = MinutesSeconds(seconds);
    const QString value = FormatValue(p.y * (m_inputs.max - m_inputs.min) + m_inputs.min);
    if (m_time->text() != time || m_pointValue->text() != value)
    {
        m_time->SetWindowText(CEditTime::FormatTime(seconds / 60, seconds % 60));
        m_pointValue->SetWindowText(value);
    }
}

// ---- Buttons and fields ---------------------------------------------------------------------

bool CDlgGraph::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (m_inputs.graph == nullptr)
        return false;
    if (code == ui::Notify::KillFocus)
    {
        switch (id)
        {
        case kIdLevel:
            CommitLevel();
            return true;
        case kIdTime:
            CommitTime();
            return true;
        case kIdPointValue:
            CommitPointValue();
            return true;
        default:
            return false;
        }
    }
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case kIdFlat:
        OnFlat();
        return true;
    case kIdHelp:
        OnHelp();
        return true;
    case kIdSmooth:
        OnSmooth();
        return true;
    case kIdFlip:
        OnFlip();
        return true;
    case kIdMirror:
        OnMirror();
        return true;
    case kIdCopy:
        OnCopy();
        return true;
    case kIdPaste:
        OnPaste();
        return true;
    case kIdReference:
        m_reference = m_referenceBox->GetCheck();
        InvalidatePlot();
        return true;
    case kIdDelete:
        OnDeletePoint();
        return true;
    case kIdDouble:
        OnDoublePoints();
        return true;
    case kIdHalve:
        OnHalvePoints();
        return true;
    default:
        return false;
    }
}

void CDlgGraph::OnVScroll(ui::ScrollCode code, int pos, QWidget* from)
{
    if (from != m_slider || code == ui::ScrollCode::EndScroll || m_inputs.graph == nullptr)
        return;
    m_inputs.graph->ScaleToAverage(1.0 - (pos / Scale() - m_inputs.min) / Range());
    InvalidatePlot();
    UpdateLevelField();
    UpdatePointFields();
}

void CDlgGraph::OnFlat()
{
    const double level = 1.0 - (m_slider->GetPos() / Scale() - m_inputs.min) / Range();
    m_inputs.graph->SetConstant(level);
    UpdatePointFields(); // two points are left: the selection comes back to one of them
    UpdateLevelField();
    InvalidatePlot();
}

void CDlgGraph::OnDeletePoint()
{
    ClampSelection();
    if (m_selected <= 0 || m_selected >= m_inputs.graph->GetPointCount() - 1)
        return;
    DeletePoint(m_selected);
    UpdateSlider();
    UpdateLevelField();
    InvalidatePlot();
}

void CDlgGraph::OnDoublePoints()
{
    CGraph& graph = *m_inputs.graph;
    if (2 * graph.GetPointCount() > kMaxPoints - 1)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgTooManyPoints));
        return;
    }
    graph.DoublePoints();
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields();
    InvalidatePlot();
}

void CDlgGraph::OnHalvePoints()
{
    m_inputs.graph->HalvePoints();
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields();
    InvalidatePlot();
}

void CDlgGraph::OnFlip()
{
    m_inputs.graph->FlipHeights();
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields();
    InvalidatePlot();
}

void CDlgGraph::OnMirror()
{
    m_inputs.graph->MirrorTimes();
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields();
    InvalidatePlot();
}

void CDlgGraph::OnCopy()
{
    if (m_inputs.clipboard != nullptr)
        *m_inputs.clipboard = *m_inputs.graph;
    InvalidatePlot();
}

void CDlgGraph::OnPaste()
{
    if (m_inputs.clipboard == nullptr)
        return;
    *m_inputs.graph = *m_inputs.clipboard;
    m_inputs.graph->UpdateCurve();
    m_smooth->SetCheck(m_inputs.graph->GetSmooth() != 0);
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields(); // the pasted graph may have fewer points than the selected index needs
    InvalidatePlot();
}

void CDlgGraph::OnSmooth()
{
    m_inputs.graph->SetSmooth(m_smooth->GetCheck() ? 1 : 0);
    InvalidatePlot();
}

void CDlgGraph::OnHelp()
{
    dlg::ShowHelpTopic(kHelpTopic);
}

// A field is committed only when the user changed its text: leaving a field that was merely
// visited must not round the graph to what the field shows. A text that is no number is refused:
// it stays in the field on the refused colour and the graph keeps its values.
void CDlgGraph::CommitLevel()
{
    if (!m_fieldsReady || !m_level->isModified())
        return;
    double x = 0.0;
    if (!m_level->GetNumber(x))
    {
        m_level->ShowRefused();
        return;
    }
    if (!m_inputs.oneDecimal)
        x = std::trunc(x + 0.5);
    m_level->SetWindowText(FormatValue(x));
    m_inputs.graph->ScaleToAverage((x - m_inputs.min) / Range());
    InvalidatePlot();
    UpdateSlider();
    UpdatePointFields();
    // The highest point stops at the top, so the mean reached may be below the one typed: show it.
    UpdateLevelField();
}

void CDlgGraph::CommitPointValue()
{
    if (!m_fieldsReady || !m_pointValue->isModified())
        return;
    ClampSelection();
    double x = 0.0;
    if (!m_pointValue->GetNumber(x))
    {
        m_pointValue->ShowRefused();
        return;
    }
    if (!m_inputs.oneDecimal)
        x = std::trunc(x + 0.5);
    x = std::clamp(x, double(std::min(m_inputs.min, m_inputs.max)),
                   double(std::max(m_inputs.min, m_inputs.max)));
    m_pointValue->SetWindowText(FormatValue(x));
    double y = (x - m_inputs.min) / Range();
    if (y <= 0.0001)
        y = 0.0001;
    if (y >= 1.0)
        y = 1.0;
    CDPoint p;
    m_inputs.graph->GetPoint(m_selected, p);
    p.y = y;
    m_inputs.graph->SetPoint(m_selected, p);
    UpdateSlider();
    UpdateLevelField();
    UpdatePointFields();
    InvalidatePlot();
}

void CDlgGraph::CommitTime()
{
    if (!m_fieldsReady || !m_time->isModified())
        return;
    ClampSelection();
    CGraph& graph = *m_inputs.graph;
    const int n = graph.GetPointCount();
    int minutes = 0;
    int seconds = 0;
    // A refused entry stays in the field on the refused colour; the point keeps its time.
    if (m_selected <= 0 || m_selected >= n - 1 || m_inputs.span <= 0 || !m_time->GetTime(minutes, seconds))
    {
        m_time->ShowRefused();
        return;
    }
    const int T = minutes * 60 + seconds;
    const double t = double(T - m_inputs.offset) / m_inputs.span;
    const auto& points = graph.GetPoints();
    const int previous = model::DisplaySeconds(
        points[static_cast<std::size_t>(m_selected - 1)].x * m_inputs.span + m_inputs.offset);
    const int next = model::DisplaySeconds(
        points[static_cast<std::size_t>(m_selected + 1)].x * m_inputs.span + m_inputs.offset);
    if (t >= 0.0 && t <= 1.0 && previous < T && T < next)
    {
        CDPoint p = points[static_cast<std::size_t>(m_selected)];
        p.x = t;
        graph.SetPoint(m_selected, p);
        m_time->SetWindowText(CEditTime::FormatTime(minutes, seconds));
        InvalidatePlot();
    }
    else
        m_time->ShowRefused();
}

void CDlgGraph::OnOK()
{
    // Enter commits the field that has the focus; the dialog stays open.
    QWidget* focus = focusWidget();
    if (focus == m_pointValue)
    {
        CommitPointValue();
        m_pointValue->SetSel(0, -1);
    }
    else if (focus == m_time)
        CommitTime();
    else if (focus == m_level)
    {
        CommitLevel();
        m_level->SetSel(0, -1);
    }
}
