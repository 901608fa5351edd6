// The three pages every segment has: brainwaves, bilateral and effects.
#include "dialogs/panels/CDlgPropertiesBilateral.h"
#include "dialogs/panels/CDlgPropertiesBrainwaves.h"
#include "dialogs/panels/CDlgPropertiesEffects.h"

#include "controls/CUiPropertyEdit.h"
#include "controls/Controls.h"
#include "dialogs/editors/CDlgGraph.h"
#include "dialogs/editors/GraphEditorRunner.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

namespace
{

template <class Panel> struct PageRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    CVornaDoc doc;
    ui::Window pane;
    Panel* panel = new Panel;
    CSegments::SegmentPtr segment;

    explicit PageRig(int kind = CSegment::kKindNoise)
    {
        segment = CSegments::CreateSegment(kind);
        pane.resize(260, 200);
        panel->SetDocument(&doc);
        panel->Create(&pane, true);
        panel->show();
        pane.show();
    }
    void Bind() { panel->SetObject(segment.get()); }
    void Choose(ui::ComboBox& combo, int index)
    {
        combo.setCurrentIndex(index);
        emit combo.activated(index);
    }
    void SetPlaying(bool playing)
    {
        doc.m_isPlaying = playing;
        panel->UpdateControls();
    }
};

/** What a row shows of its state: its label, its value edit and its mode button. */
struct RowLook
{
    bool label, value, mode;
    bool operator==(const RowLook&) const = default;
};
RowLook Look(CUiProperty& row)
{
    return {row.LabelCtrl().isEnabled(), row.EditCtrl().isEnabled(), row.ModeButton().isEnabled()};
}
constexpr RowLook kState0{true, true, true};
constexpr RowLook kState1{false, false, false};
constexpr RowLook kState2{true, true, false};
const char* Name(const RowLook& l)
{
    return l == kState0 ? "0" : l == kState1 ? "1" : l == kState2 ? "2" : "?";
}

// Every control of the brainwave page over (source) x (playing) x (tone with the binaural method,
// or another segment).
TEST(CDlgPropertiesBrainwaves, EnableStatesOverSourcePlayingAndKind)
{
    struct Case
    {
        int source;
        bool playing;
        bool toneBinaural;
        bool combo, method, global;
        RowLook frequency, strength;
    };
    const Case cases[] = {
        {0, false, false, true, false, false, kState1, kState1},
        {0, false, true, true, false, false, kState1, kState1},
        {0, true, false, false, false, false, kState1, kState1},
        {0, true, true, false, false, false, kState1, kState1},
        {1, false, false, true, true, true, kState1, kState0},
        {1, false, true, true, true, true, kState1, kState1},
        {1, true, false, false, false, false, kState1, kState2},
        {1, true, true, false, false, false, kState1, kState1},
        {2, false, false, true, true, false, kState0, kState0},
        {2, false, true, true, true, false, kState0, kState1},
        {2, true, false, false, false, false, kState2, kState2},
        {2, true, true, false, false, false, kState2, kState1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.source) + (c.playing ? " playing" : " idle") +
                     (c.toneBinaural ? " tone binaural" : " noise"));
        PageRig<CDlgPropertiesBrainwaves> rig(c.toneBinaural ? CSegment::kKindTone : CSegment::kKindNoise);
        rig.segment->m_brainwaves.m_method = CBrainwavesLocal::kMethodBinaural;
        rig.Bind();
        CDlgPropertiesBrainwaves& p = *rig.panel;
        rig.Choose(p.SourceCtrl(), c.source);
        rig.SetPlaying(c.playing);
        EXPECT_EQ(p.SourceCtrl().isEnabled(), c.combo);
        EXPECT_EQ(p.MethodCtrl().isEnabled(), c.method);
        EXPECT_EQ(p.GlobalButton().isEnabled(), c.global);
        EXPECT_EQ(Look(p.FrequencyRow()), c.frequency) << Name(Look(p.FrequencyRow()));
        EXPECT_EQ(Look(p.StrengthRow()), c.strength) << Name(Look(p.StrengthRow()));
    }
}

TEST(CDlgPropertiesBrainwaves, TheSourceChoiceSetsTheFlagsAndNoneKeepsTheOwnFrequency)
{
    PageRig<CDlgPropertiesBrainwaves> rig(CSegment::kKindTone);
    CBrainwavesLocal& b = rig.segment->m_brainwaves;
    b.m_frequency.SetConstant(7.5);
    rig.Bind();
    EXPECT_EQ(rig.panel->MethodCtrl().count(), 5);
    EXPECT_EQ(rig.panel->MethodCtrl().itemText(4), "Isochronic Beat (narrow)");
    EXPECT_EQ(rig.panel->FrequencyRow().EditCtrl().text(), "7.50");

    rig.Choose(rig.panel->SourceCtrl(), 2);
    EXPECT_TRUE(b.m_enabled);
    EXPECT_TRUE(b.m_ownFrequency);
    EXPECT_TRUE(rig.doc.IsSessionModified());
    rig.Choose(rig.panel->SourceCtrl(), 0);
    EXPECT_FALSE(b.m_enabled);
    EXPECT_TRUE(b.m_ownFrequency) << "No keeps the own flag";
    rig.Choose(rig.panel->SourceCtrl(), 2);
    EXPECT_EQ(Look(rig.panel->FrequencyRow()), kState0);
    EXPECT_EQ(b.m_frequency.GetValue(), 7.5);
    rig.Choose(rig.panel->SourceCtrl(), 1);
    EXPECT_FALSE(b.m_ownFrequency);

    // "Monaural Beat" frees the tone's Strength row.
    EXPECT_EQ(Look(rig.panel->StrengthRow()), kState1);
    rig.Choose(rig.panel->MethodCtrl(), 1);
    EXPECT_EQ(b.m_method, CBrainwavesLocal::kMethodMonaural);
    EXPECT_EQ(Look(rig.panel->StrengthRow()), kState0);

    // The shown choice follows a bound segment.
    auto other = CSegments::CreateSegment(CSegment::kKindNoise);
    other->m_brainwaves.m_enabled = true;
    rig.panel->SetObject(other.get());
    EXPECT_EQ(rig.panel->SourceCtrl().currentIndex(), 1);

    QTest::mouseClick(&rig.panel->GlobalButton(), Qt::LeftButton);
    EXPECT_EQ(rig.view.Count(WM_APP_SHOW_GLOBALS), 1);
}

TEST(CDlgPropertiesBilateral, EnableStatesOverSourceAndPlaying)
{
    struct Case
    {
        int source;
        bool playing;
        bool combo, boxes, global;
        RowLook rate, strength, delay;
    };
    const Case cases[] = {
        {0, false, true, false, false, kState1, kState1, kState1},
        {0, true, false, false, false, kState1, kState1, kState1},
        {1, false, true, true, true, kState1, kState0, kState0},
        {1, true, false, false, false, kState1, kState2, kState2},
        {2, false, true, true, false, kState0, kState0, kState0},
        {2, true, false, false, false, kState2, kState2, kState2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.source) + (c.playing ? " playing" : " idle"));
        PageRig<CDlgPropertiesBilateral> rig;
        rig.Bind();
        CDlgPropertiesBilateral& p = *rig.panel;
        rig.Choose(p.SourceCtrl(), c.source);
        rig.SetPlaying(c.playing);
        EXPECT_EQ(p.SourceCtrl().isEnabled(), c.combo);
        EXPECT_EQ(p.InvertBox().isEnabled(), c.boxes);
        EXPECT_EQ(p.CubicBox().isEnabled(), c.boxes);
        EXPECT_EQ(p.GlobalButton().isEnabled(), c.global);
        EXPECT_EQ(Look(p.RateRow()), c.rate) << Name(Look(p.RateRow()));
        EXPECT_EQ(Look(p.StrengthRow()), c.strength) << Name(Look(p.StrengthRow()));
        EXPECT_EQ(Look(p.DelayRow()), c.delay) << Name(Look(p.DelayRow()));
    }
}

TEST(CDlgPropertiesBilateral, BoxesSetTheirFlagsAndTheDelayIsAConstant)
{
    PageRig<CDlgPropertiesBilateral> rig;
    CBilateralLocal& b = rig.segment->m_bilateral;
    b.m_enabled = true;
    b.m_cubic = true;
    rig.Bind();
    CDlgPropertiesBilateral& p = *rig.panel;
    EXPECT_TRUE(p.CubicBox().isChecked());
    EXPECT_FALSE(p.InvertBox().isChecked());
    EXPECT_FALSE(p.DelayRow().ModeButton().isVisibleTo(&p.DelayRow()));
    EXPECT_EQ(p.DelayRow().LabelCtrl().text(), "Delay (1/10 sec)");

    QTest::mouseClick(&p.InvertBox(), Qt::LeftButton);
    EXPECT_TRUE(b.m_invert);
    EXPECT_TRUE(rig.doc.IsSessionModified());
    QTest::mouseClick(&p.CubicBox(), Qt::LeftButton);
    EXPECT_FALSE(b.m_cubic);
    EXPECT_EQ(p.InvertBox().text(), "Inverse direction");
    EXPECT_EQ(p.CubicBox().text(), "Alternate stereo left and right");
}

// An effect's row has no label of its own (its label stands beside it), yet its graph editor names
// the effect and its unit like every other row's: title, unit label and read-out.
TEST(CDlgPropertiesEffects, EachGraphEditorNamesItsEffectAndUnit)
{
    PageRig<CDlgPropertiesEffects> rig;
    // The program's own editors, as the application installs them.
    struct RealEditors : dlg::GraphEditorRunner
    {
        RealEditors() { ui::SetGraphEditors(this); }
        ~RealEditors() override { ui::SetGraphEditors(nullptr); }
    } editors;
    rig.doc.m_sessionLength = 300;
    for (auto& on : rig.segment->m_effects.m_switch)
        on = true;
    rig.Bind();
    const char* titles[] = {"Graph: Enhance (%)", "Graph: Reverb (%)", "Graph: Echo (%)",
                            "Graph: Chorus (%)"};
    for (std::size_t i = 0; i < CDlgPropertiesEffects::kCount; ++i)
    {
        SCOPED_TRACE(titles[i]);
        QString title, unit, readOut;
        rig.ui.modalRuns.push_back(
            [&](ui::Dialog& d)
            {
                d.show();
                d.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
                title = d.windowTitle();
                unit = static_cast<QLabel*>(ui::FindControl(&d, CDlgGraph::kIdUnit))->text();
                const QRect plot = static_cast<CDlgGraph&>(d).GetPlotRect();
                QTest::mouseMove(&d, plot.center() + QPoint(int(i) * 5, 0)); // a new spot each time
                readOut = static_cast<QLabel*>(ui::FindControl(&d, CDlgGraph::kIdReadOut))->text();
                d.hide();
                return int(ui::IDCANCEL);
            });
        rig.ui.menuChoices.push_back(CUiProperty::kIdSetGraph);
        QTest::mouseClick(&rig.panel->Row(i).ModeButton(), Qt::LeftButton);
        EXPECT_EQ(title, titles[i]);
        EXPECT_EQ(unit, "%");
        EXPECT_TRUE(readOut.endsWith(" %")) << readOut.toStdString();
        EXPECT_EQ(rig.panel->Row(i).LabelCtrl().text(), "");
    }
}

TEST(CDlgPropertiesEffects, ASwitchedOffEffectLocksItsRowButNotItsLabel)
{
    PageRig<CDlgPropertiesEffects> rig;
    rig.segment->m_effects.m_switch[CEffectsLocal::kEcho] = true;
    rig.Bind();
    CDlgPropertiesEffects& p = *rig.panel;
    const char* labels[] = {"Enhance (%)", "Reverb (%)", "Echo (%)", "Chorus (%)"};
    for (std::size_t i = 0; i < CDlgPropertiesEffects::kCount; ++i)
    {
        SCOPED_TRACE(labels[i]);
        EXPECT_EQ(p.Label(i).text(), labels[i]);
        EXPECT_TRUE(p.Label(i).isEnabled());
        EXPECT_EQ(p.Row(i).GetProperty(), &rig.segment->m_effects.m_level[i]);
        EXPECT_EQ(Look(p.Row(i)), i == CEffectsLocal::kEcho ? kState0 : kState1);
    }

    QTest::mouseClick(&p.Box(CEffectsLocal::kReverb), Qt::LeftButton);
    EXPECT_TRUE(rig.segment->m_effects.m_switch[CEffectsLocal::kReverb]);
    EXPECT_EQ(Look(p.Row(CEffectsLocal::kReverb)), kState0);
    EXPECT_TRUE(rig.doc.IsSessionModified());
    QTest::mouseClick(&p.Box(CEffectsLocal::kEcho), Qt::LeftButton);
    EXPECT_FALSE(rig.segment->m_effects.m_switch[CEffectsLocal::kEcho]);
    EXPECT_EQ(Look(p.Row(CEffectsLocal::kEcho)), kState1);
    EXPECT_TRUE(p.Label(CEffectsLocal::kEcho).isEnabled());

    rig.SetPlaying(true);
    EXPECT_FALSE(p.Box(CEffectsLocal::kReverb).isEnabled());
    EXPECT_EQ(Look(p.Row(CEffectsLocal::kReverb)), kState2);
    EXPECT_EQ(Look(p.Row(CEffectsLocal::kEcho)), kState1);
    EXPECT_TRUE(p.Label(CEffectsLocal::kEcho).isEnabled());
}

} // namespace
