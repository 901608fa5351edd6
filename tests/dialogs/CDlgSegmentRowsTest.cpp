// The tone, noise and breathwork panels: their lists, their rows' bindings and enable states.
#include "dialogs/panels/CDlgSegmentBreathwork.h"
#include "dialogs/panels/CDlgSegmentNoise.h"
#include "dialogs/panels/CDlgSegmentTone.h"

#include "SegmentPanelRig.h"

#include "controls/CUiPropertyEdit.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentTone.h"

namespace
{

using namespace segpanel;

// The exact texts (the breathwork items with their two blanks before the name), what each stores,
// the rows bound in their order, and while playing: the list disabled, the rows in the playing state.
TEST(CDlgSegmentRows, CombosRowsAndPlayingStates)
{
    vtest::PanelRig rig;

    auto& noisePanel = rig.Make<CDlgSegmentNoise>();
    EXPECT_EQ(vtest::ComboTexts(noisePanel, kIdNoiseColour), (QStringList{"Pink noise", "White noise"}));
    EXPECT_EQ(noisePanel.Combo()->GetCurSel(), 0);
    CSegmentNoise noise;
    noise.m_color = CSegmentNoise::kColorWhite;
    noisePanel.SetObject(&noise);
    EXPECT_EQ(noisePanel.Combo()->GetCurSel(), 1);
    ASSERT_EQ(noisePanel.RowCount(), 4);
    const CSmartProperty* noiseRows[] = {&noise.m_smoothness, &noise.m_filter, &noise.m_frequency,
                                         &noise.m_sharpness};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(noisePanel.Row(i).GetProperty(), noiseRows[i]) << i;
    rig.TakeModified();
    vtest::ChooseComboItem(noisePanel, kIdNoiseColour, 0);
    EXPECT_EQ(noise.m_color, 0);
    EXPECT_TRUE(rig.TakeModified());
    rig.SetPlaying(true);
    EXPECT_FALSE(noisePanel.Combo()->isEnabled());
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_TRUE(noisePanel.Row(i).EditCtrl().isEnabled()) << i;
        EXPECT_FALSE(noisePanel.Row(i).ModeButton().isEnabled()) << i;
    }
    rig.SetPlaying(false);
    EXPECT_TRUE(noisePanel.Combo()->isEnabled());

    vtest::PanelRig breathRig;
    auto& breathPanel = breathRig.Make<CDlgSegmentBreathwork>();
    EXPECT_EQ(vtest::ComboTexts(breathPanel, kIdBreathPattern),
              (QStringList{"1 : 0 : 1 : 0  In and Out", "2 : 1 : 2 : 1  Short Pauses",
                           "1 : 0 : 2 : 0  Practice Stage 1", "1 : 1 : 2 : 0  Practice Stage 2",
                           "1 : 2 : 2 : 0  Practice Stage 3", "1 : 3 : 2 : 0  Practice Stage 4",
                           "1 : 4 : 2 : 0  Classic Pranayama", "1 : 4 : 2 : 1  Pause at the End",
                           "1 : 1 : 1 : 0  Triangle Breath", "1 : 1 : 1 : 1  Square Breath"}));
    CSegmentBreathwork breath;
    breath.m_pattern = 42; // a stored code outside the table plays as pattern 0
    breathPanel.SetObject(&breath);
    EXPECT_EQ(breathPanel.Combo()->GetCurSel(), 0);
    EXPECT_EQ(breathPanel.Row(0).GetProperty(), &breath.m_cycle);
    EXPECT_EQ(breathPanel.Row(1).GetProperty(), &breath.m_breathing);
    vtest::ChooseComboItem(breathPanel, kIdBreathPattern, 9);
    EXPECT_EQ(breath.m_pattern, 9);
    EXPECT_TRUE(breathRig.TakeModified());

    vtest::PanelRig toneRig;
    auto& tonePanel = toneRig.Make<CDlgSegmentTone>();
    EXPECT_EQ(tonePanel.Combo(), nullptr);
    CSegmentTone tone;
    tonePanel.SetObject(&tone);
    EXPECT_EQ(tonePanel.Row(0).GetProperty(), &tone.m_carrier);
    EXPECT_EQ(tonePanel.Row(1).GetProperty(), &tone.m_overtones);
    toneRig.SetPlaying(true);
    EXPECT_TRUE(tonePanel.Row(0).EditCtrl().isEnabled());
    EXPECT_FALSE(tonePanel.Row(0).ModeButton().isEnabled());
}

// A panel bound to a segment of another kind, or unbound because its segment went away, holds no
// row bound to anything.
TEST(CDlgSegmentRows, UnbindsForNoSegmentOrAnotherKind)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentNoise>();
    auto noise = std::make_unique<CSegmentNoise>();
    panel.SetObject(noise.get());
    CSegmentTone tone;
    panel.SetObject(&tone);
    for (int i = 0; i < panel.RowCount(); ++i)
        EXPECT_EQ(panel.Row(i).GetProperty(), nullptr) << i;
    panel.SetObject(noise.get());
    panel.SetObject(nullptr);
    noise.reset();
    for (int i = 0; i < panel.RowCount(); ++i)
        EXPECT_EQ(panel.Row(i).GetProperty(), nullptr) << i;
    vtest::ChooseComboItem(panel, kIdNoiseColour, 1);
    panel.repaint();
}

} // namespace
