// The automatic-graph editor driven through its real sliders, combo box and buttons.
#include "dialogs/editors/CDlgAutoGraph.h"
#include "dialogs/editors/GraphEditorRunner.h"

#include "GraphEditorRig.h"
#include "controls/Style.h"
#include "model/CAutoGraph.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTest>

namespace
{

class AutoGraphEditorTest : public ::testing::Test
{
protected:
    AutoGraphEditorTest()
    {
        graph.m_min = 0;
        graph.m_max = 100;
        graph.m_lowerLimit = 20;
        graph.m_upperLimit = 80;
        graph.m_changeRate = 3;
    }

    void Run(std::function<void(CDlgAutoGraph&)> script)
    {
        vtest::ScriptModalRun<CDlgAutoGraph>(fake, std::move(script));
        runner.RunAutoGraphEditor(&frame, &graph, QStringLiteral("Volume"), QStringLiteral("%"));
    }

    static QString Label(CDlgAutoGraph& d, int id)
    {
        return static_cast<QLabel*>(ui::FindControl(&d, id))->text();
    }
    static QSlider* Slider(CDlgAutoGraph& d, int id)
    {
        return static_cast<QSlider*>(ui::FindControl(&d, id));
    }

    /** Drags @p slider's handle with the mouse to where @p value lies. */
    static void DragTo(QSlider* slider, int value)
    {
        const QRect handle = static_cast<ui::Slider*>(slider)->GetThumbRect();
        const int span = slider->width() - handle.width();
        const int from = handle.center().x();
        const int to = handle.width() / 2 +
                       QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value, span);
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(from, handle.center().y()));
        for (int step = 1; step <= 8; ++step)
            QTest::mouseMove(slider, QPoint(from + (to - from) * step / 8, handle.center().y()));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(to, handle.center().y()));
    }

    vtest::FakeUi fake;
    vtest::HelpView view;
    CAutoGraph graph;
    QWidget frame;
    dlg::GraphEditorRunner runner;
};

} // namespace

// A slider pushed past the other one stops at the other one's value; both limits are written at
// once, as whole numbers, and the labels read "%d %s".
TEST_F(AutoGraphEditorTest, SlidersStopAtEachOther)
{
    Run(
        [&](CDlgAutoGraph& d)
        {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("AutoGraph"));
            EXPECT_EQ(d.windowModality(), Qt::WindowModal);
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdTitle),
                      QStringLiteral("Set AutoGraph for property: Volume (%)"));
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdLowerLabel), QStringLiteral("20 %"));
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdUpperLabel), QStringLiteral("80 %"));

            DragTo(Slider(d, CDlgAutoGraph::kIdLowerSlider), 90);
            EXPECT_EQ(graph.m_lowerLimit, 80.0);
            EXPECT_EQ(graph.m_upperLimit, 80.0);
            EXPECT_EQ(Slider(d, CDlgAutoGraph::kIdLowerSlider)->value(), 80);
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdLowerLabel), QStringLiteral("80 %"));

            DragTo(Slider(d, CDlgAutoGraph::kIdUpperSlider), 10);
            EXPECT_EQ(graph.m_upperLimit, 80.0);
            EXPECT_EQ(Slider(d, CDlgAutoGraph::kIdUpperSlider)->value(), 80);
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdUpperLabel), QStringLiteral("80 %"));

            DragTo(Slider(d, CDlgAutoGraph::kIdLowerSlider), 35);
            EXPECT_NEAR(graph.m_lowerLimit, 35.0, 1.0);
            EXPECT_EQ(graph.m_lowerLimit, std::trunc(graph.m_lowerLimit));
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdLowerLabel),
                      QStringLiteral("%1 %").arg(int(graph.m_lowerLimit)));
        });
}

// Limits stored with fractions are shown cut toward zero and stay as stored until their own slider
// moves.
TEST_F(AutoGraphEditorTest, FractionalLimitsAreShownTruncatedAndKept)
{
    graph.m_lowerLimit = 20.7;
    graph.m_upperLimit = 80.4;
    Run(
        [&](CDlgAutoGraph& d)
        {
            EXPECT_EQ(Slider(d, CDlgAutoGraph::kIdLowerSlider)->value(), 20);
            EXPECT_EQ(Slider(d, CDlgAutoGraph::kIdUpperSlider)->value(), 80);
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdLowerLabel), QStringLiteral("20 %"));
            EXPECT_EQ(Label(d, CDlgAutoGraph::kIdUpperLabel), QStringLiteral("80 %"));
            EXPECT_EQ(graph.m_lowerLimit, 20.7);
            EXPECT_EQ(graph.m_upperLimit, 80.4);

            DragTo(Slider(d, CDlgAutoGraph::kIdUpperSlider), 60);
            EXPECT_EQ(graph.m_upperLimit, Slider(d, CDlgAutoGraph::kIdUpperSlider)->value());
            EXPECT_EQ(graph.m_lowerLimit, 20.7);
        });
}

// The change-rate list in index order; the user's choice is stored at once; Help and Close.
TEST_F(AutoGraphEditorTest, ChangeRateHelpAndClose)
{
    int result = 0;
    fake.modalRuns.push_back(
        [&](ui::Dialog& dialog)
        {
            auto& d = static_cast<CDlgAutoGraph&>(dialog);
            d.show();
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            auto* combo = static_cast<QComboBox*>(ui::FindControl(&d, CDlgAutoGraph::kIdRate));
            const QStringList expected = {
                "Fastest change rate", "Faster change rate", "Fast change rate",    "Moderate change rate",
                "Slow change rate",    "Slower change rate", "Slowest change rate",
            };
            QStringList texts;
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
            EXPECT_EQ(texts, expected);
            EXPECT_EQ(combo->currentIndex(), 3);

            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_End); // the user's choice: "Slowest change rate"
            EXPECT_EQ(combo->currentText(), QStringLiteral("Slowest change rate"));
            EXPECT_EQ(graph.m_changeRate, 6);

            QTest::mouseClick(ui::FindControl(&d, CDlgAutoGraph::kIdHelp), Qt::LeftButton);
            EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("AutoGraphProperty")});
            QTest::mouseClick(ui::FindControl(&d, CDlgAutoGraph::kIdClose), Qt::LeftButton);
            EXPECT_FALSE(d.isVisible());
            return d.result();
        });
    result = runner.RunAutoGraphEditor(&frame, &graph, QStringLiteral("Volume"), QStringLiteral("%"));
    EXPECT_EQ(result, ui::IDOK);
}

// For a reviewer: the editor over a property with limits 25..70 % at a slow change rate.
TEST_F(AutoGraphEditorTest, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    graph.m_lowerLimit = 25;
    graph.m_upperLimit = 70;
    graph.m_changeRate = 4;
    Run(
        [&](CDlgAutoGraph& d)
        {
            QApplication::processEvents();
            QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
            EXPECT_TRUE(d.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/autograph-editor.png")));
        });
}
