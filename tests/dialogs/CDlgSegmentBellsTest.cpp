// The bells panel: the instrument list's edits with their selections, through the Add Bells dialog.
#include "dialogs/panels/CDlgSegmentBells.h"

#include "SegmentPanelRig.h"

#include "controls/CUiPropertyEdit.h"
#include "dialogs/panels/SegmentPanelRules.h"
#include "dialogs/session/CDlgAddBells.h"
#include "model/CSegmentBells.h"

namespace
{

using namespace segpanel;
constexpr int kTibetanBowl = 0, kMarimba = 4, kAgogo = 6;

QStringList Items(ui::ListBox& list)
{
    QStringList items;
    for (int i = 0; i < list.GetCount(); ++i)
        items.push_back(list.GetText(i));
    return items;
}

/** The user ticks @p indexes in the Add Bells dialog and closes it with Esc. */
void TickAndEscape(vtest::FakeUi& fake, std::vector<int> indexes)
{
    fake.modalRuns.push_back(
        [indexes](ui::Dialog& dialog)
        {
            dialog.show();
            for (int i : indexes)
                static_cast<QCheckBox*>(ui::FindControl(&dialog, CDlgAddBells::kIdFirstBox + i))->click();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
}

// Marimba, then Tibetan Bowl and Marimba ticked (in the other order, closed with Esc): the ticked
// ones are appended in index order, Marimba a second time, and the last is selected.
TEST(CDlgSegmentBells, AddAppendsTheTickedInstrumentsAfterEsc)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentBells>();
    CSegmentBells bells;
    bells.m_instruments = {kMarimba};
    panel.SetObject(&bells);
    rig.TakeModified();
    TickAndEscape(rig.fake, {kMarimba, kTibetanBowl});

    vtest::ClickControl(panel, kIdAdd);
    EXPECT_EQ(bells.m_instruments, (std::vector<std::int32_t>{kMarimba, kTibetanBowl, kMarimba}));
    EXPECT_EQ(Items(panel.InstrumentList()), (QStringList{"Marimba", "Tibetan Bowl", "Marimba"}));
    EXPECT_EQ(panel.InstrumentList().GetCurSel(), 2);
    EXPECT_TRUE(rig.TakeModified());

    // Nothing ticked: nothing added, nothing to save.
    TickAndEscape(rig.fake, {});
    vtest::ClickControl(panel, kIdAdd);
    EXPECT_EQ(bells.m_instruments.size(), 3u);
    EXPECT_FALSE(rig.TakeModified());
}

// Each edit from a three-item list (Agogo, Marimba, Tibetan Bowl): the list after it, the selection,
// and the session marked modified (which the panel once forgot, losing the edit on close). Edits
// that cannot apply change nothing.
TEST(CDlgSegmentBells, EditsSelectAndMarkModified)
{
    struct Case
    {
        const char* name;
        std::vector<std::int32_t> before;
        int selected;
        int button;
        std::vector<std::int32_t> after;
        int selectedAfter;
        bool modified;
    } cases[] = {
        {"duplicate of the only item selects the second",
         {kAgogo},
         0,
         kIdDuplicate,
         {kAgogo, kAgogo},
         1,
         true},
        {"remove of the first of three selects the new first",
         {kAgogo, kMarimba, kTibetanBowl},
         0,
         kIdRemove,
         {kMarimba, kTibetanBowl},
         0,
         true},
        {"remove of the last of three selects the one before",
         {kAgogo, kMarimba, kTibetanBowl},
         2,
         kIdRemove,
         {kAgogo, kMarimba},
         1,
         true},
        {"remove of the only item leaves an empty list", {kAgogo}, 0, kIdRemove, {}, -1, true},
        {"up of the second",
         {kAgogo, kMarimba, kTibetanBowl},
         1,
         kIdUp,
         {kMarimba, kAgogo, kTibetanBowl},
         0,
         true},
        {"down of the first", {kAgogo, kMarimba}, 0, kIdDown, {kMarimba, kAgogo}, 1, true},
        {"up of the first does nothing", {kAgogo, kMarimba}, 0, kIdUp, {kAgogo, kMarimba}, 0, false},
        {"down of the last does nothing", {kAgogo, kMarimba}, 1, kIdDown, {kAgogo, kMarimba}, 1, false},
        {"duplicate with nothing selected does nothing", {kAgogo}, -1, kIdDuplicate, {kAgogo}, -1, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::PanelRig rig;
        auto& panel = rig.Make<CDlgSegmentBells>();
        CSegmentBells bells;
        bells.m_instruments = c.before;
        panel.SetObject(&bells);
        panel.InstrumentList().SetCurSel(c.selected);
        rig.TakeModified();

        vtest::ClickControl(panel, c.button);
        EXPECT_EQ(bells.m_instruments, c.after);
        EXPECT_EQ(panel.InstrumentList().GetCount(), int(c.after.size()));
        EXPECT_EQ(panel.InstrumentList().GetCurSel(), c.selectedAfter);
        EXPECT_EQ(rig.TakeModified(), c.modified);
    }
}

TEST(CDlgSegmentBells, ToneRangeRowsAndPlaying)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentBells>();
    EXPECT_EQ(vtest::ComboTexts(panel, kIdToneRange),
              (QStringList{"Low tones", "Medium tones", "High tones", "Low + medium tones",
                           "Medium + high tones", "Low + medium + high tones"}));
    EXPECT_EQ(panel.ToneRangeCombo().GetCurSel(), 1);

    CSegmentBells bells;
    bells.m_toneRange = CSegmentBells::kToneRangeAll;
    panel.SetObject(&bells);
    EXPECT_EQ(panel.ToneRangeCombo().GetCurSel(), 5);
    EXPECT_EQ(panel.DensityRow().GetProperty(), &bells.m_density);
    EXPECT_EQ(panel.RangeRow().GetProperty(), &bells.m_range);
    rig.TakeModified();
    vtest::ChooseComboItem(panel, kIdToneRange, 2);
    EXPECT_EQ(bells.m_toneRange, 2);
    EXPECT_TRUE(rig.TakeModified());

    // While playing a constant stays editable but the mode cannot change; the list is locked.
    rig.SetPlaying(true);
    for (CUiProperty* row : {&panel.DensityRow(), &panel.RangeRow()})
    {
        EXPECT_TRUE(row->EditCtrl().isEnabled());
        EXPECT_FALSE(row->ModeButton().isEnabled());
    }
    EXPECT_FALSE(panel.InstrumentList().isEnabled());
    EXPECT_FALSE(ui::FindControl(&panel, kIdAdd)->isEnabled());
    rig.SetPlaying(false);
    EXPECT_TRUE(panel.DensityRow().ModeButton().isEnabled());
}

TEST(SegmentPanelRules, BellsEditsOutsideTheListChangeNothing)
{
    std::vector<std::int32_t> v{1, 2};
    EXPECT_EQ(DuplicateInstrument(v, 2), std::nullopt);
    EXPECT_EQ(RemoveInstrument(v, -1), std::nullopt);
    EXPECT_EQ(MoveInstrument(v, -1, +1), std::nullopt);
    EXPECT_EQ(AppendInstruments(v, {}), std::nullopt);
    EXPECT_EQ(v, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(AppendInstruments(v, {kAgogo}), 2);
}

} // namespace
