#include "dialogs/panels/CDlgPropertiesBase.h"

#include "controls/Accelerators.h"
#include "controls/CUiProperty.h"
#include "controls/CUiPropertyEdit.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "dialogs/panels/PreviewPlayer.h"
#include "dialogs/panels/PropertyRows.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QTest>

#include <set>

namespace
{

/** A player that plays nothing: it records what it was asked and ends when told to. */
class FakePlayer : public PreviewPlayer
{
public:
    struct State
    {
        std::vector<QString> opened;
        int closes = 0;
        bool playing = false;
        bool failOpen = false;
        double length = 12.5;
    };
    explicit FakePlayer(State& s) : s(s) {}
    bool OpenFile(const QString& path) override
    {
        if (s.failOpen)
            return false;
        s.opened.push_back(path);
        return true;
    }
    double GetLength() const override { return s.length; }
    bool Play() override
    {
        s.playing = true;
        return true;
    }
    bool IsPlaying() const override { return s.playing; }
    void Close() override
    {
        ++s.closes;
        s.playing = false;
    }

private:
    State& s;
};

/** A panel with two rows, a button and a Play button, whose timers a test can drive. */
class TestPanel : public CDlgPropertiesBase
{
public:
    TestPanel() : CDlgPropertiesBase(170, 60) {}
    CUiProperty gap;
    CUiProperty carrier;
    ui::Button* play = nullptr;
    ui::Button* other = nullptr;

    using CDlgPropertiesBase::HasTimer;
    void Tick(int id) { OnTimer(id); }

protected:
    bool OnInitDialog() override
    {
        CDlgPropertiesBase::OnInitDialog();
        CreateRow(gap, props::kRowVoiceGap, CreatePlaceholder(1, 7, 0, 155, 21));
        CreateRow(carrier, props::kRowToneCarrier, CreatePlaceholder(2, 7, 21, 155, 21));
        play = new ui::Button(this, 1080, QStringLiteral("Play"));
        play->setGeometry(MapDialogRect(7, 44, 30, 14));
        other = new ui::Button(this, 1081, QStringLiteral("Other"));
        other->setGeometry(MapDialogRect(40, 44, 30, 14));
        return true;
    }

public:
    void SetObject(CSegment* segment) override
    {
        CDlgPropertiesBase::SetObject(segment);
        if (segment == nullptr)
            return;
        gap.SetProperty(&segment->m_volume);
        carrier.SetProperty(&segment->m_balance);
    }
};

/** The main frame's accelerators over a frame that records the commands it gets. */
class Frame : public ui::Window
{
public:
    std::vector<int> commands;

protected:
    bool OnCommand(int id, ui::Notify code, QWidget*) override
    {
        if (code == ui::Notify::Accelerator)
            commands.push_back(id);
        return true;
    }
};

struct PanelRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    CVornaDoc doc;
    Frame frame;
    TestPanel* panel = new TestPanel;
    FakePlayer::State player;
    CSegments::SegmentPtr segment = CSegments::CreateSegment(CSegment::kKindVoice);

    PanelRig()
    {
        frame.resize(300, 200);
        panel->SetDocument(&doc);
        panel->Create(&frame, true);
        panel->SetPreviewPlayer(std::make_unique<FakePlayer>(player));
        panel->move(0, 0);
        panel->show();
        panel->SetObject(segment.get());
    }
};

TEST(PropertyRows, TheTableHoldsEveryRowOnceWithTenthsOnlyForTheTwoBeatFrequencies)
{
    std::set<int> ids;
    for (const props::RowSpec& row : props::RowTable())
    {
        SCOPED_TRACE(row.id);
        EXPECT_TRUE(ids.insert(row.id).second);
        EXPECT_EQ(row.oneDecimal, row.id == 20075 || row.id == 20079);
        EXPECT_EQ(QString::fromLatin1(row.format), row.oneDecimal ? "%.2f" : "%.0f");
        // "Set AutoGraph" is offered only where the graph can be switched at all.
        EXPECT_TRUE(row.modeButton || !row.autoGraph);
    }
    EXPECT_EQ(ids.size(), 25u) << "20059 to 20084 but 20061";
    EXPECT_EQ(props::FindRow(20061), nullptr);
    EXPECT_EQ(*ids.begin(), 20059);
    EXPECT_EQ(*ids.rbegin(), 20084);

    struct Case
    {
        int id;
        const char* label;
        const char* unit;
        double labelFraction, editFraction;
        bool modeButton, autoGraph;
    };
    const Case cases[] = {
        {20059, "Gap", "seconds", 0.35, 0.12, false, false},
        {20060, "Change", "minutes", 0.4, 0.12, false, false},
        {20063, "Overtones", "", 0.28, 0.15, false, false},
        {20066, "Frequency", "Hz", 0.38, 0.15, true, true},
        {20072, "Volume", "%", 0.28, 0.12, true, true},
        {20075, "Frequency", "Hz", 0.35, 0.18, true, false},
        {20077, "Delay", "1/10 sec", 0.38, 0.15, false, false},
        {20078, "Rate", "CPM", 0.38, 0.15, true, false},
        {20079, "Global Brainwave Entrainment", "Hz", 0.5, 0.12, true, false},
        {20083, "", "", 0.0, 0.2, true, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.id);
        const props::RowSpec* row = props::FindRow(c.id);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->label, c.label);
        EXPECT_STREQ(row->unit, c.unit);
        EXPECT_EQ(row->labelFraction, c.labelFraction);
        EXPECT_EQ(row->editFraction, c.editFraction);
        EXPECT_EQ(row->modeButton, c.modeButton);
        EXPECT_EQ(row->autoGraph, c.autoGraph);
    }
}

// A row of the table over its placeholder, with the label and the unit of the table.
TEST(CDlgPropertiesBase, BuildsRowsOverTheirPlaceholders)
{
    PanelRig rig;
    EXPECT_EQ(rig.panel->PanelSize(), QSize(255, 97));
    EXPECT_EQ(rig.panel->gap.geometry(), ui::Dialog::MapDialogRect(7, 0, 155, 21));
    EXPECT_EQ(rig.panel->gap.LabelCtrl().text(), "Gap (seconds)");
    EXPECT_EQ(rig.panel->gap.GetDlgCtrlID(), 20059);
    EXPECT_FALSE(rig.panel->gap.ModeButton().isVisibleTo(&rig.panel->gap));
    EXPECT_EQ(rig.panel->carrier.LabelCtrl().text(), "Carrier (Hz)");
    EXPECT_EQ(rig.panel->gap.GetProperty(), &rig.segment->m_volume);
}

// The segment went away: every row lets go of it, and refreshing reads nothing (ASan).
TEST(CDlgPropertiesBase, UnbindingTheSegmentLetsGoOfEveryRow)
{
    PanelRig rig;
    rig.panel->SetObject(nullptr);
    rig.segment.reset();
    EXPECT_EQ(rig.panel->GetObject(), nullptr);
    EXPECT_EQ(rig.panel->gap.GetProperty(), nullptr);
    EXPECT_EQ(rig.panel->carrier.GetProperty(), nullptr);
    rig.doc.m_isPlaying = true;
    rig.panel->UpdateControls();
    rig.panel->grab();
}

TEST(CDlgPropertiesBase, PlayingDisablesEveryChildAndStoppingEnablesThem)
{
    PanelRig rig;
    rig.doc.m_isPlaying = true;
    rig.panel->UpdateControls();
    EXPECT_FALSE(rig.panel->play->isEnabled());
    EXPECT_FALSE(rig.panel->gap.isEnabled());
    rig.doc.m_isPlaying = false;
    rig.panel->UpdateControls();
    EXPECT_TRUE(rig.panel->play->isEnabled());
    EXPECT_TRUE(rig.panel->gap.isEnabled());
}

TEST(CDlgPropertiesBase, EnterAndEscDoNothing)
{
    PanelRig rig;
    rig.frame.show();
    rig.panel->other->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
    {
        QTest::keyClick(rig.panel, key);
        EXPECT_TRUE(rig.panel->isVisible()) << key;
    }
    EXPECT_EQ(rig.view.messages.size(), 0u);
}

// Delete edits a row's text; anywhere else in the panel it is the workspace's delete-segment key,
// and the other workspace keys work too.
TEST(CDlgPropertiesBase, WorkspaceKeysWorkFromAPanelButDeleteEditsText)
{
    PanelRig rig;
    ui::SetMainFrame(&rig.frame, ui::MainFrameAccelerators());
    rig.frame.show();
    rig.frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.frame));

    CUiPropertyEdit& edit = rig.panel->gap.EditCtrl();
    edit.setFocus();
    edit.setCursorPosition(0);
    const QString before = edit.text();
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), before.mid(1));
    EXPECT_TRUE(rig.frame.commands.empty());

    rig.panel->other->setFocus();
    QTest::keyClick(rig.panel->other, Qt::Key_Delete);
    QTest::keyClick(rig.panel->other, Qt::Key_Space);
    EXPECT_EQ(rig.frame.commands, (std::vector<int>{ID_ACCEL_DELETE_SEGMENT, ID_ACCEL_PAUSE}));
    ui::SetMainFrame(nullptr, {});
}

TEST(CDlgPropertiesBase, APressWhilePreviewingStopsInsteadOfStartingTheNextFile)
{
    PanelRig rig;
    TestPanel& p = *rig.panel;
    p.PlayFile("/sounds/a.ogg", p.play);
    EXPECT_TRUE(p.IsPreviewing());
    EXPECT_EQ(p.play->text(), "Stop");
    EXPECT_TRUE(p.HasTimer(CDlgPropertiesBase::kTimerPreviewEnd));
    EXPECT_TRUE(p.HasTimer(CDlgPropertiesBase::kTimerSessionPoll));

    p.PlayFile("/sounds/b.ogg", p.other);
    EXPECT_FALSE(p.IsPreviewing());
    EXPECT_EQ(p.play->text(), "Play") << "the button of the running preview";
    EXPECT_EQ(rig.player.opened, (std::vector<QString>{"/sounds/a.ogg"}));
    EXPECT_EQ(rig.player.closes, 1);

    p.PlayFile("/sounds/b.ogg", p.other);
    EXPECT_EQ(rig.player.opened.back(), "/sounds/b.ogg");
    EXPECT_EQ(p.other->text(), "Stop");
}

// How a preview ends: the file's end (timer 0), the session starting (the 100 ms poll), the end
// of a stream whose length was not known; and a session already playing starts none.
TEST(CDlgPropertiesBase, ThePreviewEndsByItself)
{
    struct Case
    {
        const char* name;
        double length;
        int tick;
        bool sessionPlays;
        bool streamEnds;
        bool ends;
    };
    const Case cases[] = {
        {"the file's end", 12.5, CDlgPropertiesBase::kTimerPreviewEnd, false, false, true},
        {"the session starts", 12.5, CDlgPropertiesBase::kTimerSessionPoll, true, false, true},
        {"the poll while nothing changed", 12.5, CDlgPropertiesBase::kTimerSessionPoll, false, false, false},
        {"the stream's end of a file of unknown length", -1.0, CDlgPropertiesBase::kTimerSessionPoll, false,
         true, true},
        {"a stream of no length plays on", 0.0, CDlgPropertiesBase::kTimerSessionPoll, false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        PanelRig rig;
        TestPanel& p = *rig.panel;
        rig.player.length = c.length;
        p.PlayFile("/sounds/a.ogg", p.play);
        ASSERT_TRUE(p.IsPreviewing());
        // No end timer from a length that is not positive: it would fire at once or never.
        EXPECT_EQ(p.HasTimer(CDlgPropertiesBase::kTimerPreviewEnd), c.length > 0);
        rig.doc.m_isPlaying = c.sessionPlays;
        if (c.streamEnds)
            rig.player.playing = false;
        p.Tick(c.tick);
        EXPECT_EQ(p.IsPreviewing(), !c.ends);
        EXPECT_EQ(p.play->text(), c.ends ? "Play" : "Stop");
        EXPECT_EQ(p.HasTimer(CDlgPropertiesBase::kTimerSessionPoll), !c.ends);
    }

    PanelRig rig;
    rig.doc.m_isPlaying = true;
    rig.panel->PlayFile("/sounds/a.ogg", rig.panel->play);
    EXPECT_FALSE(rig.panel->IsPreviewing());
    EXPECT_TRUE(rig.player.opened.empty());
}

TEST(CDlgPropertiesBase, StartingTheSessionStopsThePreviewWithinAPoll)
{
    PanelRig rig;
    rig.panel->PlayFile("/sounds/a.ogg", rig.panel->play);
    rig.doc.m_isPlaying = true;
    EXPECT_TRUE(
        vtest::WaitFor([&] { return !rig.panel->IsPreviewing(); }, CDlgPropertiesBase::kSessionPollMs * 5));
    EXPECT_EQ(rig.panel->play->text(), "Play");
}

TEST(CDlgPropertiesBase, AFileThatCannotBePlayedIsSaidSoAndNothingRuns)
{
    PanelRig rig;
    rig.player.failOpen = true;
    rig.panel->PlayFile("/sounds/broken.ogg", rig.panel->play);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, "Failed to play the sound file.");
    EXPECT_FALSE(rig.panel->IsPreviewing());
    EXPECT_EQ(rig.panel->play->text(), "Play");
    EXPECT_FALSE(rig.panel->HasTimer(CDlgPropertiesBase::kTimerSessionPoll));
}

} // namespace
