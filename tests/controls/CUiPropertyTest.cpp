#include "controls/CUiProperty.h"
#include "controls/CUiPropertyEdit.h"
#include "controls/Style.h"

#include "model/CSmartProperty.h"
#include "model/CStages.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace
{

/** A bare parent with one row over a 300 x 32 placeholder, a recording active view and recording
 *  graph editors. */
struct RowRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    vtest::RecordingGraphEditors editors;
    ui::Window parent;
    QWidget* placeholder = nullptr;
    CUiProperty row;
    CSmartProperty property;
    std::int32_t sessionLength = 600;
    CStages stages;
    QPoint editorPos{10, 20};
    QSize editorSize{400, 300};
    CGraph clipboard;

    explicit RowRig(const QString& label = QStringLiteral("Frequency"),
                    const QString& unit = QStringLiteral("Hz"),
                    const QString& format = QStringLiteral("%.0f"), bool modeButton = true,
                    bool autoGraph = false)
    {
        parent.resize(340, 60);
        placeholder = new QWidget(&parent);
        placeholder->setGeometry(10, 12, 300, 32);
        placeholder->hide();
        CPropertyInfo info;
        info.m_placeholder = placeholder;
        info.m_label = label;
        info.m_unit = unit;
        info.m_labelFraction = 0.35;
        info.m_editFraction = 0.15;
        info.m_format = format;
        info.m_modeButton = modeButton;
        info.m_autoGraph = autoGraph;
        info.m_parent = &parent;
        info.m_id = 20075;
        info.m_stages = &stages;
        info.m_editorPos = &editorPos;
        info.m_editorSize = &editorSize;
        info.m_graphClipboard = &clipboard;
        info.m_sessionLength = &sessionLength;
        EXPECT_TRUE(row.Create(info));
        parent.show();
        property.Init(CSmartProperty::kModeConstant, 0.0, 40.0);
    }

    void Bind(double value)
    {
        property.SetValue(value);
        row.SetProperty(&property);
        view.Clear();
    }
    /** The user replaces the edit's text by typing @p keys. */
    void Type(const QString& keys)
    {
        row.EditCtrl().setFocus();
        row.EditCtrl().selectAll();
        QTest::keyClicks(&row.EditCtrl(), keys);
    }
    QColor EditBase() const
    {
        return const_cast<CUiProperty&>(row).EditCtrl().palette().color(QPalette::Active, QPalette::Base);
    }
    int Changes() const { return view.Count(WM_APP_PROPERTY_CHANGED); }
};

TEST(CUiProperty, BuildsOverThePlaceholderWithTheUnitInTheLabel)
{
    RowRig rig;
    EXPECT_EQ(rig.row.geometry(), QRect(10, 12, 300, 32));
    EXPECT_EQ(rig.row.parentWidget(), &rig.parent);
    EXPECT_EQ(ui::ControlId(&rig.row), 20075);
    EXPECT_FALSE(rig.placeholder->isVisible()) << "the placeholder stays hidden";
    EXPECT_EQ(rig.row.LabelCtrl().text(), "Frequency (Hz)");

    RowRig bare(QStringLiteral("Overtones"), QString());
    EXPECT_EQ(bare.row.LabelCtrl().text(), "Overtones");
}

// The typed value is stored limited to the range, while the edit keeps what was typed on the
// warning colour; a value back in range restores the normal colour.
TEST(CUiProperty, TypingStoresTheLimitedValueAndWarnsOutOfRange)
{
    RowRig rig;
    rig.Bind(20.0);
    const QColor normal = rig.EditBase();

    rig.Type(QStringLiteral("45"));
    EXPECT_EQ(rig.row.EditCtrl().text(), "45");
    EXPECT_FALSE(rig.row.IsInRange());
    EXPECT_EQ(rig.EditBase(), QColor(255, 200, 200));
    EXPECT_DOUBLE_EQ(rig.property.GetValue(), 40.0);
    EXPECT_EQ(rig.row.SliderCtrl().value(), 40);
    EXPECT_EQ(rig.property.GetMode(), CSmartProperty::kModeConstant);
    EXPECT_GE(rig.Changes(), 1);

    QTest::keyClick(&rig.row.EditCtrl(), Qt::Key_Backspace);
    EXPECT_EQ(rig.row.EditCtrl().text(), "4");
    EXPECT_TRUE(rig.row.IsInRange());
    EXPECT_EQ(rig.EditBase(), normal);
    EXPECT_DOUBLE_EQ(rig.property.GetValue(), 4.0);
    EXPECT_EQ(rig.row.SliderCtrl().value(), 4);
}

// Text that is no number is refused where the user sees it: dropping what did not fit turned
// "1e9" into 19 and "-5" into 5, and an emptied edit stored 0. The edit keeps what was typed on
// the warning colour, the property the value from before the entry; leaving shows that value.
TEST(CUiProperty, TextThatIsNoNumberIsRefusedVisibly)
{
    struct Case
    {
        const char* typed;
        bool refused;
        bool warned; // the warning colour while it stands
        double stored;
    };
    const Case cases[] = {
        {"1e9", true, true, 20.0},  {"-5", true, true, 20.0},  {"", true, true, 20.0},
        {"4.5.", true, true, 20.0}, {"abc", true, true, 20.0}, {"4.5", false, false, 4.5},
        {"7.", false, false, 7.0},  {"45", false, true, 40.0}, // out of range: stored limited
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        RowRig rig(QStringLiteral("Frequency"), QStringLiteral("Hz"), QStringLiteral("%.2f"));
        rig.parent.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.parent));
        rig.Bind(20.0);
        const QColor normal = rig.EditBase();
        rig.Type(QString::fromLatin1(c.typed));
        if (*c.typed == 0)
            QTest::keyClick(&rig.row.EditCtrl(), Qt::Key_Backspace); // the selected text deleted
        EXPECT_EQ(rig.row.EditCtrl().text(), QString::fromLatin1(c.typed)) << "nothing typed is dropped";
        EXPECT_DOUBLE_EQ(rig.property.GetValue(), c.stored);
        EXPECT_EQ(rig.row.SliderCtrl().value(), static_cast<int>(c.stored));
        EXPECT_EQ(rig.EditBase() == QColor(255, 200, 200), c.warned);
        EXPECT_EQ(rig.ui.beeps, 0);

        rig.parent.setFocus(); // leaving the edit
        if (c.refused)
        {
            EXPECT_EQ(rig.row.EditCtrl().text(), QStringLiteral("20.00"));
            EXPECT_EQ(rig.EditBase(), normal);
            EXPECT_TRUE(rig.row.IsInRange());
        }
        else
        {
            EXPECT_EQ(rig.row.EditCtrl().text(), QString::fromLatin1(c.typed));
        }
        EXPECT_DOUBLE_EQ(rig.property.GetValue(), c.stored);
    }
}

// A disabled row greyed its spin but left the slider looking enabled (the accent fill up to a
// normal thumb). Disabled, no accent is left and the thumb stands out less from the groove.
TEST(CUiProperty, ADisabledSliderLooksDisabled)
{
    ui::ApplyWorkspaceStyle(*qApp);
    RowRig rig;
    rig.Bind(25.0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.parent));
    auto grab = [&] { return rig.row.SliderCtrl().grab().toImage().convertToFormat(QImage::Format_RGB32); };
    // Pixels of the accent: clearly more blue and green than red.
    auto accent = [](const QImage& image)
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
            {
                const QRgb p = image.pixel(x, y);
                n += qGreen(p) - qRed(p) > 30 && qBlue(p) - qRed(p) > 30;
            }
        return n;
    };
    // How far the thumb stands out from the row's background: the mean over its pixels, above
    // the groove as over it.
    auto thumbContrast = [&](const QImage& image)
    {
        const QRect thumb = rig.row.SliderCtrl().GetThumbRect().intersected(image.rect());
        const int background = qGray(image.pixel(image.width() - 1, 0));
        double sum = 0.0;
        for (int y = thumb.top(); y <= thumb.bottom(); ++y)
            for (int x = thumb.left(); x <= thumb.right(); ++x)
                sum += std::abs(qGray(image.pixel(x, y)) - background);
        return sum / (thumb.width() * thumb.height());
    };
    const QImage enabled = grab();
    rig.row.EnableControls(1);
    ASSERT_FALSE(rig.row.SliderCtrl().isEnabled());
    const QImage disabled = grab();
    EXPECT_GT(accent(enabled), 10);
    EXPECT_EQ(accent(disabled), 0);
    EXPECT_LT(thumbContrast(disabled), thumbContrast(enabled) * 0.5);
    rig.row.EnableControls(0);
    EXPECT_EQ(grab(), enabled);
}

// Showing a value must neither rewrite it (a "%.0f" row would round 4.75 to 5) nor report a
// change nobody made.
TEST(CUiProperty, BindingShowsTheValueWithoutRewritingIt)
{
    {
        RowRig rig(QStringLiteral("Frequency"), QStringLiteral("Hz"), QStringLiteral("%.2f"));
        rig.Bind(4.75);
        EXPECT_EQ(rig.row.EditCtrl().text(), "4.75");
        EXPECT_EQ(rig.row.SliderCtrl().value(), 4);
        EXPECT_EQ(rig.row.SpinCtrl().GetPos(), 4);
    }
    {
        RowRig rig;
        rig.property.SetValue(4.75);
        rig.view.Clear();
        rig.row.SetProperty(&rig.property);
        EXPECT_EQ(rig.row.EditCtrl().text(), "5");
        EXPECT_DOUBLE_EQ(rig.property.GetValue(), 4.75);
        EXPECT_EQ(rig.Changes(), 0);
    }
    {
        // A stored value outside the range is shown, not clamped.
        RowRig rig;
        rig.property.SetValue(55.0);
        rig.row.SetProperty(&rig.property);
        EXPECT_DOUBLE_EQ(rig.property.GetValue(), 55.0);
        EXPECT_TRUE(rig.row.IsInRange());
        EXPECT_EQ(rig.Changes(), 0);
    }
}

TEST(CUiProperty, SliderAndSpinWriteTheValueAndKeepEachOtherInStep)
{
    RowRig rig(QStringLiteral("Frequency"), QStringLiteral("Hz"), QStringLiteral("%.2f"));
    rig.Bind(4.75);
    rig.row.SliderCtrl().setFocus();
    QTest::keyClick(&rig.row.SliderCtrl(), Qt::Key_Right); // the user moves the slider to 5
    EXPECT_EQ(rig.row.SliderCtrl().value(), 5);
    EXPECT_DOUBLE_EQ(rig.property.GetValue(), 5.0);
    EXPECT_EQ(rig.row.EditCtrl().text(), "5.00");
    EXPECT_EQ(rig.row.SpinCtrl().GetPos(), 5);
    EXPECT_GE(rig.Changes(), 1);

    rig.view.Clear();
    ui::SpinButton& spin = rig.row.SpinCtrl();
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(spin.width() / 2, 2)); // upper arrow
    EXPECT_EQ(spin.GetPos(), 6);
    EXPECT_DOUBLE_EQ(rig.property.GetValue(), 6.0);
    EXPECT_EQ(rig.row.EditCtrl().text(), "6.00");
    EXPECT_EQ(rig.row.SliderCtrl().value(), 6);
    EXPECT_GE(rig.Changes(), 1);
}

TEST(CUiProperty, SetValueKeepsGraphAndValueAndShowsThreeDashes)
{
    RowRig rig;
    rig.Bind(12.0);
    CGraph drawn;
    drawn.AddPoint({0.5, 0.9});
    rig.property.SetGraph(drawn);
    rig.row.SetProperty(&rig.property);
    EXPECT_EQ(rig.row.ModeButton().text(), "G");
    EXPECT_FALSE(rig.row.EditCtrl().isEnabled()) << "a graph's value is not typed";
    rig.view.Clear();

    rig.ui.menuChoices = {CUiProperty::kIdSetValue};
    QTest::mouseClick(&rig.row.ModeButton(), Qt::LeftButton);
    EXPECT_EQ(rig.property.GetMode(), CSmartProperty::kModeConstant);
    EXPECT_DOUBLE_EQ(rig.property.GetValue(), 12.0);
    EXPECT_EQ(rig.property.GetGraph().GetPointCount(), 3);
    EXPECT_EQ(rig.row.ModeButton().text(), "---");
    EXPECT_TRUE(rig.row.EditCtrl().isEnabled());
    EXPECT_EQ(rig.Changes(), 1);
}

TEST(CUiProperty, TheMenuChecksTheCurrentModeAndLocksAutoGraphWhereNotAllowed)
{
    RowRig rig;
    rig.Bind(12.0);
    rig.property.SetMode(CSmartProperty::kModeGraph);
    QTest::mouseClick(&rig.row.ModeButton(), Qt::LeftButton); // closed without a choice
    const auto items = rig.row.ModeMenu().Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "Set value");
    EXPECT_EQ(items[1].text, "Set Graph");
    EXPECT_EQ(items[2].text, "Set AutoGraph");
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(items[1].checked);
    EXPECT_FALSE(items[2].enabled);
    EXPECT_EQ(rig.Changes(), 0);

    RowRig allowed(QStringLiteral("Smoothness"), QStringLiteral("%"), QStringLiteral("%.0f"), true, true);
    allowed.Bind(30.0);
    EXPECT_TRUE(allowed.row.ModeMenu().Items()[2].enabled);
    allowed.ui.menuChoices = {CUiProperty::kIdSetAutoGraph};
    QTest::mouseClick(&allowed.row.ModeButton(), Qt::LeftButton);
    EXPECT_EQ(allowed.property.GetMode(), CSmartProperty::kModeAutoGraph);
    EXPECT_EQ(allowed.row.ModeButton().text(), "A");
    ASSERT_EQ(allowed.editors.autoRuns.size(), 1u);
    EXPECT_EQ(allowed.editors.autoRuns[0].graph, &allowed.property.GetAutoGraph());
    EXPECT_EQ(allowed.editors.autoRuns[0].name, "Smoothness");
    EXPECT_EQ(allowed.editors.autoRuns[0].unit, "%");
    EXPECT_EQ(allowed.Changes(), 1);
}

// The graph starts flat at the constant, and the editor's time axis is the selected segment's
// stretch of the session (the whole session without a selection).
TEST(CUiProperty, SetGraphFlattensAtTheConstantAndMapsTheSelection)
{
    struct Case
    {
        const char* name;
        bool hasPane;
        double begin, end;
        int span, offset;
    };
    const Case cases[] = {
        {"no tracks pane", false, 0.0, 1.0, 600, 0},
        {"nothing selected", true, 0.0, 1.0, 600, 0},
        {"a quarter to three quarters", true, 0.25, 0.75, 300, 150},
        // 74.04 s to 300 s: the axis runs from the From to the To the panel shows (01:14 to 05:00).
        {"ends cut toward zero, span between them", true, 0.1234, 0.5, 226, 74},
        {"ends a hair below their seconds", true, 0.41, 0.57, 96,
         246}, // 245.99999999999997 s, 341.99999999999994 s
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RowRig rig;
        rig.Bind(20.0);
        rig.view.hasTracksPane = c.hasPane;
        rig.view.selection.begin = c.begin;
        rig.view.selection.end = c.end;
        rig.ui.menuChoices = {CUiProperty::kIdSetGraph};
        QTest::mouseClick(&rig.row.ModeButton(), Qt::LeftButton);

        EXPECT_EQ(rig.property.GetMode(), CSmartProperty::kModeGraph);
        EXPECT_NEAR(rig.property.GetGraph().GetValueAt(0.3), 0.5001, 1e-12);
        EXPECT_EQ(rig.row.ModeButton().text(), "G");
        ASSERT_EQ(rig.editors.graphRuns.size(), 1u);
        const ui::GraphEditorInputs& in = rig.editors.graphRuns[0];
        EXPECT_EQ(in.title, "Graph: Frequency (Hz)");
        EXPECT_EQ(in.min, 0);
        EXPECT_EQ(in.max, 40);
        EXPECT_EQ(in.unit, "Hz");
        EXPECT_EQ(in.graph, &rig.property.GetGraph());
        EXPECT_EQ(in.stages, &rig.stages);
        EXPECT_EQ(in.editorPos, &rig.editorPos);
        EXPECT_EQ(in.editorSize, &rig.editorSize);
        EXPECT_EQ(in.clipboard, &rig.clipboard);
        EXPECT_EQ(in.sessionLength, 600);
        EXPECT_EQ(in.span, c.span);
        EXPECT_EQ(in.offset, c.offset);
        EXPECT_EQ(rig.Changes(), 1);
        EXPECT_FALSE(rig.row.EditCtrl().isEnabled());
        EXPECT_TRUE(rig.row.ModeButton().isEnabled());
    }
}

TEST(CUiProperty, SetGraphOnAGraphKeepsItsPoints)
{
    RowRig rig;
    rig.Bind(20.0);
    CGraph drawn;
    drawn.AddPoint({0.5, 0.9});
    rig.property.SetGraph(drawn);
    rig.row.SetProperty(&rig.property);
    rig.ui.menuChoices = {CUiProperty::kIdSetGraph};
    QTest::mouseClick(&rig.row.ModeButton(), Qt::LeftButton);
    EXPECT_EQ(rig.property.GetGraph().GetPointCount(), 3);
}

TEST(CUiProperty, EnableStatesByStateAndMode)
{
    struct Case
    {
        int state;
        bool constant;
        bool label, value, mode;
    };
    // "other" leaves the children as state 1 put them.
    const Case cases[] = {
        {0, true, true, true, true},     {0, false, true, false, true},    {1, true, false, false, false},
        {1, false, false, false, false}, {2, true, true, true, false},     {2, false, false, false, false},
        {7, true, false, false, false},  {-1, false, false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "state " << c.state << (c.constant ? " constant" : " graph"));
        RowRig rig;
        rig.Bind(10.0);
        rig.property.SetMode(c.constant ? CSmartProperty::kModeConstant : CSmartProperty::kModeGraph);
        rig.row.EnableControls(1);
        rig.row.EnableControls(c.state);
        EXPECT_TRUE(rig.row.isEnabled());
        EXPECT_EQ(rig.row.LabelCtrl().isEnabled(), c.label);
        EXPECT_EQ(rig.row.EditCtrl().isEnabled(), c.value);
        EXPECT_EQ(rig.row.SpinCtrl().isEnabled(), c.value);
        EXPECT_EQ(rig.row.SliderCtrl().isEnabled(), c.value);
        EXPECT_EQ(rig.row.ModeButton().isEnabled(), c.mode);
    }
}

TEST(CUiProperty, LayoutSharesTheWidth)
{
    // w 300, h 32, f 20: label 105, edit 45, spin 14, mode button 22 square at 278.
    const auto l = CUiProperty::ComputeLayout(300, 32, 20, 0.35, 0.15, true);
    EXPECT_EQ(l.label, QRect(0, 6, 105, 20));
    EXPECT_EQ(l.edit, QRect(105, 6, 45, 20));
    EXPECT_EQ(l.spin, QRect(150, 6, 14, 20));
    EXPECT_EQ(l.modeButton, QRect(278, 5, 22, 22));
    EXPECT_EQ(l.slider, QRect(164, 5, 278 - 164, 22));

    // Without the mode button the slider runs to two pixels before the right edge; fractions and
    // the centring are cut toward zero.
    const auto n = CUiProperty::ComputeLayout(233, 31, 19, 0.38, 0.15, false);
    EXPECT_EQ(n.label.width(), 88);
    EXPECT_EQ(n.edit, QRect(88, 6, 34, 19));
    EXPECT_EQ(n.spin.width(), 13);
    EXPECT_EQ(n.slider.left() + n.slider.width(), 233 - 2);

    // The real row lays its children out from its font.
    RowRig rig(QStringLiteral("Delay"), QStringLiteral("1/10 sec"), QStringLiteral("%.0f"), false);
    const int f = QFontMetrics(rig.row.font()).height() + 6;
    const auto expect = CUiProperty::ComputeLayout(300, 32, f, 0.35, 0.15, false);
    EXPECT_EQ(rig.row.SliderCtrl().geometry(), expect.slider);
    EXPECT_EQ(rig.row.EditCtrl().geometry(), expect.edit);
    EXPECT_FALSE(rig.row.ModeButton().isVisible());
}

// A row whose segment went away must neither read nor write anything.
TEST(CUiProperty, AnUnboundRowReadsNothing)
{
    RowRig rig;
    auto* doomed = new CSmartProperty;
    doomed->Init(CSmartProperty::kModeConstant, 0.0, 40.0);
    rig.row.SetProperty(doomed);
    rig.row.SetProperty(nullptr);
    delete doomed; // under ASan any later read would be reported
    rig.view.Clear();
    rig.row.EnableControls(0);
    rig.row.EnableControls(2);
    EXPECT_EQ(rig.row.GetProperty(), nullptr);
    EXPECT_TRUE(rig.row.EditCtrl().text().isEmpty());
    EXPECT_FALSE(rig.row.EditCtrl().isEnabled());
    EXPECT_FALSE(rig.row.ModeButton().isEnabled());
    QTest::keyClicks(&rig.row.EditCtrl(), QStringLiteral("12"));
    EXPECT_EQ(rig.Changes(), 0);
}

} // namespace
