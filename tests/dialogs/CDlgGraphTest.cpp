// The graph editor driven through its real widgets: mouse scripts on the plot, clicks on the buttons,
// typing into the fields, over a real document (clipboard, remembered placement, stages).
#include "dialogs/editors/CDlgGraph.h"
#include "dialogs/editors/GraphEditorRunner.h"

#include "GraphEditorRig.h"
#include "controls/CEditFloat.h"
#include "controls/CEditTime.h"
#include "controls/Style.h"
#include "model/CGraph.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include <cmath>

namespace
{

/** A graph of exactly @p points (sorted by x, the first at 0 and the last at 1). */
void SetPoints(CGraph& graph, const std::vector<CDPoint>& points)
{
    graph.Reset();
    graph.SetPoint(0, points.front());
    graph.SetPoint(1, points.back());
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        graph.AddPoint(points[i]);
    ASSERT_EQ(graph.GetPoints(), points);
}

/** @p n points evenly spread, heights rising from 0.1 by 0.8 / n. */
std::vector<CDPoint> EvenPoints(int n)
{
    std::vector<CDPoint> points;
    for (int i = 0; i < n; ++i)
        points.push_back({double(i) / (n - 1), 0.1 + 0.8 * i / n});
    return points;
}

QRgb Rgb(int r, int g, int b)
{
    return qRgb(r, g, b);
}

class GraphEditorTest : public ::testing::Test
{
protected:
    GraphEditorTest()
    {
        frame.resize(800, 600);
        inputs.title = QStringLiteral("Graph: Beat frequency (Hz)");
        inputs.min = 0;
        inputs.max = 40;
        inputs.unit = QStringLiteral("Hz");
        inputs.stages = &doc.m_stages;
        inputs.oneDecimal = true;
        inputs.graph = &graph;
        inputs.editorPos = &doc.m_graphEditorPos;
        inputs.editorSize = &doc.m_graphEditorSize;
        inputs.clipboard = &doc.m_graphClipboard;
        inputs.sessionLength = 300;
        inputs.span = 300;
        inputs.offset = 0;
    }

    /** Opens the editor the way a property row does and runs @p script while it is shown. */
    void Run(std::function<void(CDlgGraph&)> script)
    {
        vtest::ScriptModalRun<CDlgGraph>(fake, std::move(script));
        runner.RunGraphEditor(&frame, inputs);
    }

    static QWidget* Control(CDlgGraph& d, int id) { return ui::FindControl(&d, id); }
    static QLineEdit* Field(CDlgGraph& d, int id) { return static_cast<QLineEdit*>(Control(d, id)); }
    static void Click(CDlgGraph& d, int id) { QTest::mouseClick(Control(d, id), Qt::LeftButton); }
    static QString Text(CDlgGraph& d, int id)
    {
        if (auto* label = qobject_cast<QLabel*>(Control(d, id)))
            return label->text();
        return Field(d, id)->text();
    }
    /** Types @p text over the whole field (as a user who selected it first). */
    static void Type(CDlgGraph& d, int id, const QString& text)
    {
        QLineEdit* field = Field(d, id);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void Press(CDlgGraph& d, QPoint p) { QTest::mousePress(&d, Qt::LeftButton, Qt::NoModifier, p); }
    static void Move(CDlgGraph& d, QPoint p) { QTest::mouseMove(&d, p); }
    static void Release(CDlgGraph& d, QPoint p)
    {
        QTest::mouseRelease(&d, Qt::LeftButton, Qt::NoModifier, p);
    }
    /** The pixel of plot fractions (t, v), rounded to the nearest pixel. */
    static QPoint At(CDlgGraph& d, double t, double v)
    {
        const QRect plot = d.GetPlotRect();
        return QPoint(plot.left() + int(std::lround(t * (plot.right() - plot.left()))),
                      plot.bottom() - int(std::lround(v * (plot.bottom() - plot.top()))));
    }
    QPoint PixelOf(CDlgGraph& d, int i)
    {
        return d.PointToPixel(graph.GetPoints()[i].x, graph.GetPoints()[i].y);
    }

    vtest::FakeUi fake;
    vtest::HelpView view;
    CVornaDoc doc;
    CGraph graph;
    QWidget frame;
    ui::GraphEditorInputs inputs;
    dlg::GraphEditorRunner runner;
};

} // namespace

// First opening: 650 x 450 centred on the screen and stored in the document; moves and
// resizes are stored and used by the next opening; the window never gets smaller than 630 x 350.
// The title is the opener's; the run is modal to the opener's window only.
TEST_F(GraphEditorTest, PlacementIsRememberedInTheDocument)
{
    Run(
        [&](CDlgGraph& d)
        {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Graph: Beat frequency (Hz)"));
            EXPECT_EQ(d.windowModality(), Qt::WindowModal);
            const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
            EXPECT_EQ(d.pos(), QPoint((screen.width() - 650) / 2, (screen.height() - 450) / 2));
            EXPECT_EQ(d.size(), QSize(650, 450));
            EXPECT_EQ(d.minimumSize(), QSize(630, 350));
            d.move(100, 90);
            d.resize(720, 520);
            QApplication::processEvents();
        });
    EXPECT_EQ(doc.m_graphEditorPos, QPoint(100, 90));
    EXPECT_EQ(doc.m_graphEditorSize, QSize(720, 520));

    Run(
        [&](CDlgGraph& d)
        {
            EXPECT_EQ(d.pos(), QPoint(100, 90));
            EXPECT_EQ(d.size(), QSize(720, 520));
            // The plot follows the window: it ends 15 px from the right.
            EXPECT_LT(d.GetPlotRect().right(), 720 - 15);
            EXPECT_GT(d.GetPlotRect().right(), 720 - 80);
            d.resize(300, 200);
            QApplication::processEvents();
            EXPECT_EQ(d.size(), QSize(630, 350));
        });
    EXPECT_EQ(doc.m_graphEditorSize, QSize(630, 350));
    ASSERT_EQ(fake.modalTitles.size(), 2u);
}

// One decimal: the slider works in tenths, and the read-out under the mouse shows time, value with
// one decimal and unit, and the name of the stage at that time.
TEST_F(GraphEditorTest, OneDecimalRangeGivesTenthsAndReadOut)
{
    Run(
        [&](CDlgGraph& d)
        {
            auto* slider = static_cast<QSlider*>(Control(d, CDlgGraph::kIdSlider));
            EXPECT_EQ(slider->minimum(), 0);
            EXPECT_EQ(slider->maximum(), 400);
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QStringLiteral("20.0"));
            EXPECT_EQ(Text(d, CDlgGraph::kIdUnit), QStringLiteral("Hz"));

            Move(d, At(d, 0.3, 12.5 / 40));
            EXPECT_EQ(Text(d, CDlgGraph::kIdReadOut), QStringLiteral("01:30 - 12.5 Hz"));
            const QString stage = doc.m_stages.GetStage(doc.m_stages.FindStage(0.3)).m_name;
            EXPECT_FALSE(stage.isEmpty());
            EXPECT_EQ(Text(d, CDlgGraph::kIdStage), stage);

            Move(d, QPoint(5, 5)); // outside the plot: both emptied
            EXPECT_EQ(Text(d, CDlgGraph::kIdReadOut), QString());
            EXPECT_EQ(Text(d, CDlgGraph::kIdStage), QString());
        });
}

// Whole values: "%d" after rounding, for the read-out and the fields.
TEST_F(GraphEditorTest, WholeValuesAreRounded)
{
    inputs.oneDecimal = false;
    inputs.max = 100;
    inputs.unit = QStringLiteral("%");
    SetPoints(graph, {{0, 0.456}, {1, 0.456}});
    Run(
        [&](CDlgGraph& d)
        {
            EXPECT_EQ(static_cast<QSlider*>(Control(d, CDlgGraph::kIdSlider))->maximum(), 100);
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QStringLiteral("46"));
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("46"));
            Move(d, At(d, 0.5, 0.25));
            EXPECT_EQ(Text(d, CDlgGraph::kIdReadOut), QStringLiteral("02:30 - 25 %"));
        });
}

// "+" inserts a randomised midpoint between every two neighbours, refused when it would pass 250.
TEST_F(GraphEditorTest, DoublingPointsAndItsLimit)
{
    struct Case
    {
        int before;
        int after;
    };
    for (const Case c : {Case{2, 3}, Case{125, 249}, Case{126, 126}})
    {
        SCOPED_TRACE(c.before);
        const std::vector<CDPoint> original = EvenPoints(c.before);
        SetPoints(graph, original);
        fake.boxes.clear();
        Run([&](CDlgGraph& d) { Click(d, CDlgGraph::kIdDouble); });
        ASSERT_EQ(graph.GetPointCount(), c.after);
        if (c.after == c.before)
        {
            ASSERT_EQ(fake.boxes.size(), 1u);
            EXPECT_EQ(fake.boxes[0].text, QStringLiteral("Cannot add more points to the graph."));
            EXPECT_EQ(graph.GetPoints(), original);
            continue;
        }
        EXPECT_TRUE(fake.boxes.empty());
        const auto& p = graph.GetPoints();
        for (int i = 0; i < c.before; ++i)
            EXPECT_EQ(p[2 * i], original[i]);
        for (int i = 1; i < c.after; i += 2)
        {
            EXPECT_DOUBLE_EQ(p[i].x, (p[i - 1].x + p[i + 1].x) / 2);
            EXPECT_GE(p[i].y, 0.0);
            EXPECT_LE(p[i].y, 1.0);
        }
    }
}

// "-" drops the points that stood at odd positions, never the last one; the selection stays on an
// existing point (the last one was selected).
TEST_F(GraphEditorTest, HalvingPointsKeepsEvenPositionsAndTheLast)
{
    struct Case
    {
        int count;
        std::vector<int> kept;
    };
    const Case cases[] = {{5, {0, 2, 4}}, {4, {0, 2, 3}}, {2, {0, 1}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.count);
        const std::vector<CDPoint> original = EvenPoints(c.count);
        SetPoints(graph, original);
        Run(
            [&](CDlgGraph& d)
            {
                Press(d, PixelOf(d, c.count - 1));
                Release(d, PixelOf(d, c.count - 1));
                EXPECT_EQ(d.GetSelected(), c.count - 1);
                Click(d, CDlgGraph::kIdHalve);
                EXPECT_LT(d.GetSelected(), graph.GetPointCount());
                const CDPoint& selected = graph.GetPoints()[d.GetSelected()];
                EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QString::asprintf("%2.1f", selected.y * 40));
            });
        std::vector<CDPoint> expected;
        for (int i : c.kept)
            expected.push_back(original[i]);
        EXPECT_EQ(graph.GetPoints(), expected);
    }
}

// Mirror exchanges the points with x becoming 1 - x; Flip turns y into 1 - y; the level field
// follows the mean.
TEST_F(GraphEditorTest, MirrorAndFlip)
{
    SetPoints(graph, {{0, 0.2}, {0.3, 0.5}, {1, 0.9}});
    Run(
        [&](CDlgGraph& d)
        {
            Click(d, CDlgGraph::kIdMirror);
            const auto& p = graph.GetPoints();
            ASSERT_EQ(p.size(), 3u);
            EXPECT_DOUBLE_EQ(p[0].x, 0.0);
            EXPECT_DOUBLE_EQ(p[0].y, 0.9);
            EXPECT_DOUBLE_EQ(p[1].x, 0.7);
            EXPECT_DOUBLE_EQ(p[1].y, 0.5);
            EXPECT_DOUBLE_EQ(p[2].x, 1.0);
            EXPECT_DOUBLE_EQ(p[2].y, 0.2);

            Click(d, CDlgGraph::kIdFlip);
            EXPECT_NEAR(p[0].y, 0.1, 1e-12);
            EXPECT_NEAR(p[1].y, 0.5, 1e-12);
            EXPECT_NEAR(p[2].y, 0.8, 1e-12);
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QStringLiteral("18.7")); // mean 0.4667 of 0..40
        });
}

// Flat replaces the graph by a constant at the slider's level, and the selection (the last of three
// points) comes back to an existing point.
TEST_F(GraphEditorTest, FlatAtTheSlidersLevel)
{
    SetPoints(graph, {{0, 0.2}, {0.5, 0.3}, {1, 0.25}});
    Run(
        [&](CDlgGraph& d)
        {
            EXPECT_EQ(static_cast<QSlider*>(Control(d, CDlgGraph::kIdSlider))->value(), 300);
            Press(d, PixelOf(d, 2));
            Release(d, PixelOf(d, 2));
            EXPECT_EQ(d.GetSelected(), 2);
            Click(d, CDlgGraph::kIdFlat);
            EXPECT_EQ(d.GetSelected(), 1);
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("10.0"));
        });
    EXPECT_EQ(graph.GetPoints(), (std::vector<CDPoint>{{0, 0.25}, {1, 0.25}}));
}

// Copy writes the graph and its smoothing into the document's clipboard; Paste brings it back over
// an edited graph; a short pasted graph brings the selection back within it.
TEST_F(GraphEditorTest, CopyAndPasteThroughTheDocument)
{
    SetPoints(graph, EvenPoints(7));
    graph.SetSmooth(1);
    const CGraph copied = graph;
    Run(
        [&](CDlgGraph& d)
        {
            Click(d, CDlgGraph::kIdCopy);
            EXPECT_EQ(doc.m_graphClipboard.GetPoints(), copied.GetPoints());
            EXPECT_EQ(doc.m_graphClipboard.GetSmooth(), 1);
            Click(d, CDlgGraph::kIdFlip);
            Click(d, CDlgGraph::kIdSmooth); // smoothing off
            EXPECT_EQ(graph.GetSmooth(), 0);
            Click(d, CDlgGraph::kIdPaste);
            EXPECT_EQ(graph.GetPoints(), copied.GetPoints());
            EXPECT_EQ(graph.GetSmooth(), 1);

            Press(d, PixelOf(d, 5));
            Release(d, PixelOf(d, 5));
            EXPECT_EQ(d.GetSelected(), 5);
            doc.m_graphClipboard.SetConstant(0.75);
            Click(d, CDlgGraph::kIdPaste);
            EXPECT_EQ(graph.GetPointCount(), 2);
            EXPECT_EQ(d.GetSelected(), 1);
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("30.0"));
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QStringLiteral("30.0"));
        });
}

// The plot as painted: the grid's fill inside every cell, the points' squares at their pixels, the
// selected point's ring, and the clipboard's dotted reference curve only while Reference is checked.
TEST_F(GraphEditorTest, PlotPixels)
{
    SetPoints(graph, {{0, 0.2}, {0.35, 0.7}, {0.6, 0.4}, {1, 0.3}});
    doc.m_graphClipboard.SetConstant(0.9);
    Run(
        [&](CDlgGraph& d)
        {
            const QRect plot = d.GetPlotRect();
            const int column = (plot.right() - plot.left()) / 10;
            const int row = (plot.bottom() - plot.top()) / 10;
            // Where the editor draws the curve's rows: trunc(bottom - value * height).
            const int refRow = int(std::trunc(plot.bottom() - 0.9 * (plot.bottom() - plot.top())));
            auto referencePixels = [&](const QImage& image)
            {
                int n = 0;
                for (int x = plot.left() + 2; x < plot.right(); ++x)
                    n += image.pixel(x, refRow) == Rgb(180, 200, 220);
                return n;
            };

            QImage image = d.grab().toImage();
            EXPECT_EQ(image.pixel(plot.left() + column / 2, plot.top() + row / 2), Rgb(62, 69, 72));
            EXPECT_EQ(image.pixel(plot.right() - column / 2, plot.bottom() - row / 2), Rgb(62, 69, 72));
            EXPECT_EQ(image.pixel(plot.left() + 5 * column + 3, plot.top() + 7 * row + 3), Rgb(62, 69, 72));
            for (int i = 0; i < graph.GetPointCount(); ++i)
            {
                SCOPED_TRACE(i);
                const QPoint p = PixelOf(d, i);
                EXPECT_EQ(p,
                          QPoint(plot.left() +
                                     int(std::trunc((plot.right() - plot.left()) * graph.GetPoints()[i].x)),
                                 plot.bottom() -
                                     int(std::trunc((plot.bottom() - plot.top()) * graph.GetPoints()[i].y))));
                for (const QPoint off : {QPoint(0, 0), QPoint(-2, -2), QPoint(2, 2), QPoint(2, -2)})
                {
                    if (plot.contains(p + off))
                    {
                        EXPECT_EQ(image.pixel(p + off), Rgb(255, 230, 145));
                    }
                }
            }
            // Point 0 is selected: its ring (smoothed, so blended with the grid) passes 7 px above it
            // and not 3 px above it.
            const QPoint first = PixelOf(d, 0);
            EXPECT_GT(qRed(image.pixel(first.x(), first.y() - 7)), 180);
            EXPECT_EQ(image.pixel(first.x() + 4, first.y() - 3), Rgb(62, 69, 72));
            EXPECT_EQ(referencePixels(image), 0);

            Click(d, CDlgGraph::kIdReference);
            QApplication::processEvents();
            image = d.grab().toImage();
            const int dotted = referencePixels(image);
            EXPECT_GT(dotted, (plot.right() - plot.left()) / 4);     // dots...
            EXPECT_LT(dotted, (plot.right() - plot.left()) * 3 / 4); // ...with gaps
        });
}

// Mouse: a click on an empty spot adds a point and selects it; a drag moves it; the fields follow.
TEST_F(GraphEditorTest, ClickAddsAndDragMoves)
{
    Run(
        [&](CDlgGraph& d)
        {
            Press(d, At(d, 0.5, 0.8));
            ASSERT_EQ(graph.GetPointCount(), 3);
            EXPECT_EQ(d.GetSelected(), 1);
            EXPECT_NEAR(graph.GetPoints()[1].x, 0.5, 0.005);
            EXPECT_NEAR(graph.GetPoints()[1].y, 0.8, 0.005);
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("02:30"));
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue),
                      QString::asprintf("%2.1f", graph.GetPoints()[1].y * 40));
            Move(d, At(d, 0.25, 0.4));
            Release(d, At(d, 0.25, 0.4));
            EXPECT_NEAR(graph.GetPoints()[1].x, 0.25, 0.005);
            EXPECT_NEAR(graph.GetPoints()[1].y, 0.4, 0.005);
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("01:15"));
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue),
                      QString::asprintf("%2.1f", graph.GetPoints()[1].y * 40));
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel),
                      QString::asprintf("%2.1f", (0.5 + graph.GetPoints()[1].y + 0.5) / 3 * 40));

            // After the release, moves no longer drag.
            Move(d, At(d, 0.8, 0.9));
            EXPECT_NEAR(graph.GetPoints()[1].x, 0.25, 0.005);
        });
}

// Dragged more than 10 % beyond the plot, an inner point is deleted and its left neighbour
// selected; an end point only ends the drag and stays at the limit.
TEST_F(GraphEditorTest, DragBeyondThePlotDeletesAnInnerPoint)
{
    SetPoints(graph, {{0, 0.2}, {0.3, 0.5}, {0.6, 0.4}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            const QRect plot = d.GetPlotRect();
            const int height = plot.bottom() - plot.top();
            Press(d, PixelOf(d, 2));
            Move(d, QPoint(PixelOf(d, 2).x(), plot.top() - height * 15 / 100));
            Release(d, QPoint(PixelOf(d, 2).x(), plot.top() - height * 15 / 100));
            ASSERT_EQ(graph.GetPointCount(), 3);
            EXPECT_EQ(graph.GetPoints()[1], (CDPoint{0.3, 0.5}));
            EXPECT_EQ(d.GetSelected(), 1);
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("20.0"));

            const QPoint last = PixelOf(d, 2);
            Press(d, last);
            Move(d, QPoint(last.x(), plot.bottom() + height * 15 / 100));
            Move(d, At(d, 0.5, 0.5)); // the drag has ended
            Release(d, At(d, 0.5, 0.5));
            ASSERT_EQ(graph.GetPointCount(), 3);
            EXPECT_EQ(graph.GetPoints()[2], (CDPoint{1.0, 0.0}));
        });
}

// X deletes the selected inner point and selects its left neighbour; it does nothing to an end.
TEST_F(GraphEditorTest, DeleteButtonSparesTheEnds)
{
    SetPoints(graph, {{0, 0.2}, {0.3, 0.5}, {0.6, 0.4}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            Click(d, CDlgGraph::kIdDelete); // point 0 is selected
            EXPECT_EQ(graph.GetPointCount(), 4);
            Press(d, PixelOf(d, 1));
            Release(d, PixelOf(d, 1));
            Click(d, CDlgGraph::kIdDelete);
            EXPECT_EQ(graph.GetPointCount(), 3);
            EXPECT_EQ(d.GetSelected(), 0);
            Press(d, PixelOf(d, 2));
            Release(d, PixelOf(d, 2));
            Click(d, CDlgGraph::kIdDelete);
            EXPECT_EQ(graph.GetPointCount(), 3);
        });
}

// Beyond the plot's right edge the read-out shows the dragged point's own time, not the cursor's.
TEST_F(GraphEditorTest, ReadOutBeyondTheRightEdgeShowsTheDraggedPoint)
{
    SetPoints(graph, {{0, 0.2}, {0.4, 0.5}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            const QPoint p = PixelOf(d, 1);
            Press(d, p);
            Move(d, QPoint(d.GetPlotRect().right() + 40, p.y()));
            EXPECT_TRUE(Text(d, CDlgGraph::kIdReadOut).startsWith(QStringLiteral("02:00 - ")))
                << Text(d, CDlgGraph::kIdReadOut).toStdString();
            EXPECT_DOUBLE_EQ(graph.GetPoints()[1].x, 0.4);
            Release(d, QPoint(d.GetPlotRect().right() + 40, p.y()));
        });
}

// Clicking adds points up to 251; the next click shows the message and adds nothing.
TEST_F(GraphEditorTest, ClickingStopsAt251Points)
{
    SetPoints(graph, EvenPoints(250));
    Run(
        [&](CDlgGraph& d)
        {
            const QRect plot = d.GetPlotRect();
            Press(d, QPoint(plot.left() + (plot.right() - plot.left()) / 2 + 1, plot.top() + 3));
            Release(d, QPoint(plot.left() + (plot.right() - plot.left()) / 2 + 1, plot.top() + 3));
            EXPECT_EQ(graph.GetPointCount(), 251);
            EXPECT_TRUE(fake.boxes.empty());
            Press(d, QPoint(plot.left() + (plot.right() - plot.left()) / 3, plot.top() + 3));
            Release(d, QPoint(plot.left() + (plot.right() - plot.left()) / 3, plot.top() + 3));
            EXPECT_EQ(graph.GetPointCount(), 251);
            ASSERT_EQ(fake.boxes.size(), 1u);
            EXPECT_EQ(fake.boxes[0].text, QStringLiteral("Cannot add more points to the graph."));
        });
}

// The right border (and the slack past it) is the end of the span: a click there takes the last
// point to the clicked height and drags it, instead of appending a point after it at x = 1 that
// the curve never reaches and X cannot delete. Even a full graph takes such a click. One column
// further in, the click adds an inner point that X deletes again.
TEST_F(GraphEditorTest, ClickOnTheRightBorderSetsTheLastPoint)
{
    for (const int count : {3, 251})
    {
        SCOPED_TRACE(count);
        SetPoints(graph, EvenPoints(count));
        fake.boxes.clear();
        Run(
            [&](CDlgGraph& d)
            {
                const QRect plot = d.GetPlotRect();
                for (const auto& [dx, v] : {std::pair{0, 0.75}, std::pair{1, 0.3}})
                {
                    const QPoint at(plot.right() + dx, At(d, 1.0, v).y());
                    Press(d, at);
                    Release(d, at);
                    ASSERT_EQ(graph.GetPointCount(), count);
                    EXPECT_EQ(d.GetSelected(), count - 1);
                    EXPECT_DOUBLE_EQ(graph.GetPoints().back().x, 1.0);
                    EXPECT_NEAR(graph.GetValueAt(1.0), v, 0.005);
                    EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue),
                              QString::asprintf("%2.1f", graph.GetPoints().back().y * 40));
                }
                // Dragged from the border, the last point follows in height only.
                const QPoint from(plot.right(), At(d, 1.0, 0.2).y());
                Press(d, from);
                Move(d, At(d, 0.5, 0.4));
                Release(d, At(d, 0.5, 0.4));
                ASSERT_EQ(graph.GetPointCount(), count);
                EXPECT_DOUBLE_EQ(graph.GetPoints().back().x, 1.0);
                EXPECT_NEAR(graph.GetPoints().back().y, 0.4, 0.005);
            });
        EXPECT_TRUE(fake.boxes.empty());
    }

    SetPoints(graph, EvenPoints(3));
    Run(
        [&](CDlgGraph& d)
        {
            const QPoint inside(d.GetPlotRect().right() - 1, At(d, 1.0, 0.75).y());
            Press(d, inside);
            Release(d, inside);
            ASSERT_EQ(graph.GetPointCount(), 4);
            EXPECT_EQ(d.GetSelected(), 2);
            EXPECT_LT(graph.GetPoints()[2].x, 1.0);
            Click(d, CDlgGraph::kIdDelete);
            EXPECT_EQ(graph.GetPoints(), EvenPoints(3));
        });
}

// A point on the plot's left column, clicked or dragged there, stays strictly right of the first
// point: the graph still starts at the first point's height (a second point at x = 0 would take the
// start over), also smoothed, and no value is NaN. The bottom margin's clicks stay within 0..1.
TEST_F(GraphEditorTest, NoPointSharesTheFirstPointsTime)
{
    SetPoints(graph, {{0, 0.2}, {0.5, 0.6}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            const QRect plot = d.GetPlotRect();
            Press(d, QPoint(plot.left(), plot.top() + 20));
            Release(d, QPoint(plot.left(), plot.top() + 20));
            ASSERT_EQ(graph.GetPointCount(), 4);
            EXPECT_GT(graph.GetPoints()[1].x, 0.0);
            EXPECT_LT(graph.GetPoints()[1].x, 0.01);
            EXPECT_DOUBLE_EQ(graph.GetValueAt(0.0), 0.2);

            // Drag the next point (0.5) to the left edge too: it stops right of point 1.
            const QPoint p = PixelOf(d, 2);
            Press(d, p);
            Move(d, QPoint(plot.left(), p.y()));
            Release(d, QPoint(plot.left(), p.y()));
            EXPECT_GT(graph.GetPoints()[2].x, graph.GetPoints()[1].x);
            EXPECT_DOUBLE_EQ(graph.GetValueAt(0.0), 0.2);
            Click(d, CDlgGraph::kIdSmooth);
            EXPECT_EQ(graph.GetSmooth(), 1);
            for (double t : {0.0, 1e-7, 1e-6, 0.5, 1.0})
                EXPECT_TRUE(std::isfinite(graph.GetValueAt(t))) << t;
            EXPECT_DOUBLE_EQ(graph.GetValueAt(0.0), 0.2);

            Press(d, QPoint(plot.left() + (plot.right() - plot.left()) * 3 / 4, plot.bottom() + 1));
            Release(d, QPoint(plot.left() + (plot.right() - plot.left()) * 3 / 4, plot.bottom() + 1));
            ASSERT_EQ(graph.GetPointCount(), 5);
            EXPECT_EQ(graph.GetPoints()[3].y, 0.0);
        });
}

// The time field: a time strictly between the neighbours' times is taken, by Enter (the dialog stays
// open) or by leaving the field, typed as on a clock ("0200" is 02:00, not 20:00). A neighbour's
// time, one outside the span or a text that is no time is refused: the point keeps its time and the
// entry stays in the field on the refused colour.
TEST_F(GraphEditorTest, TimeFieldCommitsAndRefusals)
{
    inputs.offset = 60;
    SetPoints(graph, {{0, 0.2}, {0.5, 0.6}, {0.75, 0.5}, {1, 0.3}}); // 1:00, 3:30, 4:45, 6:00
    Run(
        [&](CDlgGraph& d)
        {
            Press(d, PixelOf(d, 1));
            Release(d, PixelOf(d, 1));
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("03:30"));
            struct Case
            {
                const char* typed;
                bool byEnter;
                double x;          // the point's x afterwards
                const char* shown; // the field afterwards
                bool refused;
            };
            const Case cases[] = {
                {"0200", true, 0.2, "02:00", false},       // 120 s: inside
                {"3:00", false, 0.4, "03:00", false},      // 180 s
                {"100", true, 0.4, "100", true},           // the previous point's time (the start)
                {"04:45", false, 0.4, "04:45", true},      // the next point's time
                {"0030", true, 0.4, "0030", true},         // before the span
                {"03:61", true, 0.4, "03:61", true},       // no time
                {"101", false, 1.0 / 300, "01:01", false}, // one second after the start
                {"04:44", true, 224.0 / 300, "04:44", false},
            };
            for (const Case& c : cases)
            {
                SCOPED_TRACE(c.typed);
                Type(d, CDlgGraph::kIdTime, QString::fromLatin1(c.typed));
                if (c.byEnter)
                    QTest::keyClick(Field(d, CDlgGraph::kIdTime), Qt::Key_Return);
                else
                    Field(d, CDlgGraph::kIdLevel)->setFocus();
                EXPECT_TRUE(d.isVisible());
                EXPECT_DOUBLE_EQ(graph.GetPoints()[1].x, c.x);
                EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QString::fromLatin1(c.shown));
                EXPECT_EQ(static_cast<CEditTime*>(Field(d, CDlgGraph::kIdTime))->IsShowingRefused(),
                          c.refused);
            }
            // The first point's time cannot be changed.
            Press(d, PixelOf(d, 0));
            Release(d, PixelOf(d, 0));
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("01:00"));
            Type(d, CDlgGraph::kIdTime, QStringLiteral("0200"));
            QTest::keyClick(Field(d, CDlgGraph::kIdTime), Qt::Key_Return);
            EXPECT_EQ(graph.GetPoints()[0].x, 0.0);
            EXPECT_TRUE(static_cast<CEditTime*>(Field(d, CDlgGraph::kIdTime))->IsShowingRefused());
        });
}

// Sessions may last longer than 99 minutes: the field takes and shows three minute digits.
TEST_F(GraphEditorTest, TimeFieldTakesThreeMinuteDigits)
{
    inputs.sessionLength = 7200;
    inputs.span = 7200;
    SetPoints(graph, {{0, 0.2}, {0.5, 0.6}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            Press(d, PixelOf(d, 1));
            Release(d, PixelOf(d, 1));
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("60:00"));
            Type(d, CDlgGraph::kIdTime, QStringLiteral("10000"));
            QTest::keyClick(Field(d, CDlgGraph::kIdTime), Qt::Key_Return);
            EXPECT_DOUBLE_EQ(graph.GetPoints()[1].x, 6000.0 / 7200);
            EXPECT_EQ(Text(d, CDlgGraph::kIdTime), QStringLiteral("100:00"));
        });
}

// The point-value and level fields: Enter commits and keeps the dialog open; values are limited to
// the range; the level moves the mean.
TEST_F(GraphEditorTest, ValueAndLevelFieldsCommitOnEnter)
{
    SetPoints(graph, {{0, 0.2}, {0.5, 0.6}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            Press(d, PixelOf(d, 1));
            Release(d, PixelOf(d, 1));
            Type(d, CDlgGraph::kIdPointValue, QStringLiteral("30"));
            QTest::keyClick(Field(d, CDlgGraph::kIdPointValue), Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            EXPECT_DOUBLE_EQ(graph.GetPoints()[1].y, 0.75);
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("30.0"));
            EXPECT_EQ(Field(d, CDlgGraph::kIdPointValue)->selectedText(), QStringLiteral("30.0"));

            Type(d, CDlgGraph::kIdPointValue, QStringLiteral("55"));
            Field(d, CDlgGraph::kIdLevel)->setFocus(); // leaving the field commits it
            EXPECT_DOUBLE_EQ(graph.GetPoints()[1].y, 1.0);
            EXPECT_EQ(Text(d, CDlgGraph::kIdPointValue), QStringLiteral("40.0"));

            Type(d, CDlgGraph::kIdLevel, QStringLiteral("10"));
            QTest::keyClick(Field(d, CDlgGraph::kIdLevel), Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            double mean = 0;
            for (const CDPoint& p : graph.GetPoints())
                mean += p.y / graph.GetPointCount();
            EXPECT_NEAR(mean, 0.25, 1e-9);
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QStringLiteral("10.0"));
            EXPECT_NEAR(static_cast<QSlider*>(Control(d, CDlgGraph::kIdSlider))->value(), 300, 1);
        });
}

// Only typed text is committed: passing through the fields without typing leaves the graph exactly
// as it was (committing what a field shows would round the point to the field's precision).
TEST_F(GraphEditorTest, VisitingFieldsChangesNothing)
{
    inputs.oneDecimal = false;
    SetPoints(graph, {{0, 0.2}, {0.4567, 0.4567}, {1, 0.3}});
    const std::vector<CDPoint> before = graph.GetPoints();
    Run(
        [&](CDlgGraph& d)
        {
            Press(d, PixelOf(d, 1));
            Release(d, PixelOf(d, 1));
            for (int id :
                 {CDlgGraph::kIdLevel, CDlgGraph::kIdPointValue, CDlgGraph::kIdTime, CDlgGraph::kIdLevel})
                Field(d, id)->setFocus();
            QTest::keyClick(Field(d, CDlgGraph::kIdLevel), Qt::Key_Return);
            Control(d, CDlgGraph::kIdFlat)->setFocus();
        });
    EXPECT_EQ(graph.GetPoints(), before);
}

// The level slider scales the graph towards the mean it stands for (top = the range's maximum).
TEST_F(GraphEditorTest, LevelSliderScalesTheMean)
{
    SetPoints(graph, {{0, 0.25}, {0.5, 0.5}, {1, 0.375}});
    Run(
        [&](CDlgGraph& d)
        {
            auto* slider = static_cast<QSlider*>(Control(d, CDlgGraph::kIdSlider));
            EXPECT_EQ(slider->value(), 250); // mean 0.375 of 0..40, counted from the top
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_PageUp); // towards the top: a higher mean
            const int pos = slider->value();
            EXPECT_LT(pos, 250);
            double mean = 0;
            for (const CDPoint& p : graph.GetPoints())
                mean += p.y / graph.GetPointCount();
            EXPECT_NEAR(mean, 1.0 - pos / 400.0, 1e-9);
            EXPECT_EQ(Text(d, CDlgGraph::kIdLevel), QString::asprintf("%2.1f", mean * 40));
        });
}

TEST_F(GraphEditorTest, HelpShowsTheGraphEditorTopic)
{
    Run([&](CDlgGraph& d) { Click(d, CDlgGraph::kIdHelp); });
    EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("TheGraphEditor")});
}

// For a reviewer: the editor with a smoothed seven-point graph over a 20-minute segment that starts
// at 5:00, the clipboard's graph as the reference curve, point 4 selected and the mouse on it.
TEST_F(GraphEditorTest, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    inputs.sessionLength = 1800;
    inputs.span = 1200;
    inputs.offset = 300;
    SetPoints(graph, {{0, 0.3}, {0.12, 0.55}, {0.3, 0.8}, {0.45, 0.62}, {0.62, 0.35}, {0.8, 0.5}, {1, 0.2}});
    graph.SetSmooth(1);
    SetPoints(doc.m_graphClipboard, {{0, 0.2}, {0.25, 0.7}, {0.5, 0.45}, {0.75, 0.75}, {1, 0.3}});
    Run(
        [&](CDlgGraph& d)
        {
            Click(d, CDlgGraph::kIdReference);
            Press(d, PixelOf(d, 4));
            Release(d, PixelOf(d, 4));
            Move(d, PixelOf(d, 4));
            QApplication::processEvents();
            QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
            EXPECT_TRUE(d.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/graph-editor.png")));
        });
}
