#include "dialogs/session/CDlgGlobals.h"

#include "controls/CUiPropertyEdit.h"
#include "controls/Controls.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

namespace
{

struct GlobalsRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    vtest::RecordingGraphEditors editors;
    CVornaDoc doc;
    CDlgGlobals dialog;

    GlobalsRig()
    {
        doc.m_sessionLength = 1200;
        dialog.m_doc = &doc;
    }
    int Run(const std::function<void(CDlgGlobals&)>& during)
    {
        ui.modalRuns.push_back(
            [&, during](ui::Dialog&)
            {
                during(dialog);
                return int(ui::IDOK);
            });
        return dialog.DoModal();
    }
};

TEST(CDlgGlobals, BindsTheSessionWideBeatAndRate)
{
    GlobalsRig rig;
    rig.doc.m_brainwaves.m_property.SetConstant(6.25);
    rig.Run(
        [&](CDlgGlobals& d)
        {
            EXPECT_EQ(d.BrainwavesRow().GetProperty(), &rig.doc.m_brainwaves.m_property);
            EXPECT_EQ(d.BilateralRow().GetProperty(), &rig.doc.m_bilateral.m_property);
            EXPECT_EQ(d.BrainwavesRow().LabelCtrl().text(), "Global Brainwave Entrainment (Hz)");
            EXPECT_EQ(d.BilateralRow().LabelCtrl().text(), "Global Bilateral Sound (CPM)");
            EXPECT_EQ(d.BrainwavesRow().EditCtrl().text(), "6.25");
            EXPECT_EQ(d.BilateralRow().EditCtrl().text(), "60");
        });
    EXPECT_EQ(rig.dialog.windowTitle(), "Global Properties");
}

// The session-wide graphs run over the whole session: the editor's axis is the session even with
// a segment selected in the tracks pane.
TEST(CDlgGlobals, TheGraphEditorSpansTheWholeSessionWhateverIsSelected)
{
    GlobalsRig rig;
    rig.view.selection.begin = 0.25;
    rig.view.selection.end = 0.5;
    rig.view.selection.track = 2;
    rig.ui.menuChoices.push_back(CUiProperty::kIdSetGraph);
    rig.Run([](CDlgGlobals& d)
            { ui::SendCommand(&d.BrainwavesRow(), CUiProperty::kIdModeButton, ui::Notify::Clicked); });
    ASSERT_EQ(rig.editors.graphRuns.size(), 1u);
    const ui::GraphEditorInputs& in = rig.editors.graphRuns[0];
    EXPECT_EQ(in.span, 1200);
    EXPECT_EQ(in.offset, 0);
    EXPECT_EQ(in.sessionLength, 1200);
    EXPECT_TRUE(in.oneDecimal);
    EXPECT_EQ(in.title, "Graph: Global Brainwave Entrainment (Hz)");
    EXPECT_EQ(rig.doc.m_brainwaves.m_property.GetMode(), CSmartProperty::kModeGraph);
}

TEST(CDlgGlobals, HelpShowsTheBrainwaveTopic)
{
    GlobalsRig rig;
    rig.Run([](CDlgGlobals& d) { ui::SendCommand(&d, CDlgGlobals::kIdHelp, ui::Notify::Clicked); });
    const auto sent = rig.view.Of(WM_APP_HELP_TOPIC);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].topic, "BrainwaveEntrainment");
    EXPECT_EQ(sent[0].follow, ui::HelpFollow::Always);
}

} // namespace
