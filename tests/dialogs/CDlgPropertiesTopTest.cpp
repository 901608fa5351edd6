#include "dialogs/panels/CDlgPropertiesTop.h"

#include "controls/CEditTime.h"
#include "controls/CUiPropertyEdit.h"
#include "controls/Controls.h"
#include "dialogs/session/CDlgSegmentDimensions.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QTest>

namespace
{

/** The pane a top panel sits in: it records the panel's calls by the message each stands for,
 *  with the tab it carried. */
class PaneSink : public ui::Window, public PropertyPaneHost
{
public:
    std::vector<std::pair<unsigned, int>> messages;

    void ShowPropertyTab(int tab) override { messages.emplace_back(WM_APP_SHOW_PROPERTY_TAB, tab); }
    void ResetSoundFolder() override { messages.emplace_back(WM_APP_RESET_SOUND_FOLDER, 0); }
};

struct TopRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    CVornaDoc doc;
    PaneSink pane;
    CDlgPropertiesTop* top = new CDlgPropertiesTop;
    CSegments::SegmentPtr segment;

    explicit TopRig(int kind = CSegment::kKindTone)
    {
        doc.m_sessionLength = 600;
        segment = CSegments::CreateSegment(kind);
        segment->m_begin = 0.25;
        segment->m_end = 0.5;
        doc.m_tracks.GetTrack(kind).m_segments.AddSegment(segment);
        view.selection.track = kind;
        pane.resize(260, 200);
        top->SetDocument(&doc);
        top->Create(&pane, true);
        top->SetHost(&pane);
        top->show();
        pane.show();
        top->SetObject(segment.get());
    }

    void ClickTab(int index)
    {
        ui::TabBar& tabs = top->TabCtrl();
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(index).center());
    }
};

TEST(CDlgPropertiesTop, WritesTheTimesAsMinutesAndSeconds)
{
    struct Case
    {
        const char* name;
        int length;
        double begin, end, content;
        const char *from, *to, *span;
    };
    const Case cases[] = {
        {"a quarter to a half of ten minutes", 600, 0.25, 0.5, 0.0, "02:30", "05:00", "02:30"},
        {"the content's duration, cut to the second", 600, 0.25, 0.5, 95.7, "02:30", "05:00", "01:35"},
        {"times in reverse order", 600, 0.5, 0.25, 0.0, "02:30", "05:00", "02:30"},
        {"a hundred minutes and more", 7200, 0.0, 1.0, 0.0, "00:00", "120:00", "120:00"},
        {"exactly 6000 s", 6000, 0.0, 1.0, 0.0, "00:00", "100:00", "100:00"},
        {"fractions of a second are cut", 601, 0.1, 0.2, 0.0, "01:00", "02:00", "01:00"},
    };
    TopRig rig;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        rig.doc.m_sessionLength = c.length;
        rig.segment->m_begin = c.begin;
        rig.segment->m_end = c.end;
        rig.segment->m_contentDuration = c.content;
        rig.top->UpdateTimes();
        EXPECT_EQ(rig.top->FromCtrl().text(), c.from);
        EXPECT_EQ(rig.top->ToCtrl().text(), c.to);
        EXPECT_EQ(rig.top->LengthCtrl().text(), c.span);
    }
    // The segment-times dialog the panel opens tells the panel of each change.
    rig.ui.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto& dims = static_cast<CDlgSegmentDimensions&>(d);
            rig.doc.m_sessionLength = 7200;
            rig.segment->m_end = 0.75;
            EXPECT_TRUE(dims.m_segmentChanged);
            if (dims.m_segmentChanged)
                dims.m_segmentChanged();
            return int(ui::IDCANCEL);
        });
    QTest::mouseClick(&rig.top->DimensionsButton(), Qt::LeftButton);
    EXPECT_EQ(rig.top->ToCtrl().text(), "90:00");
}

// A time set on a whole second comes back from fraction x length a hair below it (0.7 x 2700 =
// 1889.9999999999998): every screen shows that second, and From + Length = To on each of them:
// the panel's three times, Segment Dimensions' fields and length, and the graph editor's axis
// for the segment's Volume row.
TEST(CDlgPropertiesTop, ExactTimesReadTheSameOnEveryScreen)
{
    struct Case
    {
        const char* name;
        int length;
        double begin, end;
        const char *from, *to, *span;
    };
    const Case cases[] = {
        {"0.7 of 2700 s", 2700, 0.7, 1.0, "31:30", "45:00", "13:30"},
        {"55 s typed into a 300 s session", 300, 55.0 / 300, 120.0 / 300, "00:55", "02:00", "01:05"},
        {"a length below its whole second", 300, 10.0 / 300, 55.0 / 300, "00:10", "00:55", "00:45"},
        {"within half a millisecond of the second", 300, 10.0 / 300, 289.9996 / 300, "00:10", "04:50",
         "04:40"},
        {"a fraction of a second is still cut", 601, 0.1, 0.2, "01:00", "02:00", "01:00"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TopRig rig;
        vtest::RecordingGraphEditors editors;
        rig.doc.m_sessionLength = c.length;
        rig.segment->m_begin = c.begin;
        rig.segment->m_end = c.end;
        rig.view.selection.begin = c.begin;
        rig.view.selection.end = c.end;
        rig.top->UpdateTimes();
        EXPECT_EQ(rig.top->FromCtrl().text(), c.from);
        EXPECT_EQ(rig.top->ToCtrl().text(), c.to);
        EXPECT_EQ(rig.top->LengthCtrl().text(), c.span);

        // The real Segment Dimensions dialog, opened by the panel's button.
        QString begin, end, span;
        rig.ui.modalRuns.push_back(
            [&](ui::Dialog& d)
            {
                auto& dims = static_cast<CDlgSegmentDimensions&>(d);
                begin = dims.BeginField().text().trimmed();
                end = dims.EndField().text().trimmed();
                span = dims.LengthLabel().text();
                return int(ui::IDCANCEL);
            });
        QTest::mouseClick(&rig.top->DimensionsButton(), Qt::LeftButton);
        EXPECT_EQ(begin, c.from);
        EXPECT_EQ(end, c.to);
        EXPECT_EQ(span, c.span);

        rig.ui.menuChoices.push_back(CUiProperty::kIdSetGraph);
        ui::SendCommand(&rig.top->VolumeRow(), CUiProperty::kIdModeButton, ui::Notify::Clicked);
        ASSERT_EQ(editors.graphRuns.size(), 1u);
        const int from =
            QString(c.from).section(':', 0, 0).toInt() * 60 + QString(c.from).section(':', 1).toInt();
        const int seconds =
            QString(c.span).section(':', 0, 0).toInt() * 60 + QString(c.span).section(':', 1).toInt();
        EXPECT_EQ(editors.graphRuns[0].offset, from);
        EXPECT_EQ(editors.graphRuns[0].span, seconds);
    }
}

TEST(CDlgPropertiesTop, BindsNameAndRowsAndLetsGoOfThemWithoutASegment)
{
    TopRig rig;
    EXPECT_EQ(rig.top->NameCtrl().toolTip(), "Tone");
    EXPECT_EQ(rig.top->VolumeRow().GetProperty(), &rig.segment->m_volume);
    EXPECT_EQ(rig.top->StereoRow().GetProperty(), &rig.segment->m_balance);
    EXPECT_EQ(rig.top->VolumeRow().LabelCtrl().text(), "Volume (%)");
    EXPECT_EQ(rig.top->StereoRow().LabelCtrl().text(), "Stereo (%)");
    rig.top->SetObject(nullptr);
    EXPECT_EQ(rig.top->VolumeRow().GetProperty(), nullptr);
    EXPECT_EQ(rig.top->StereoRow().GetProperty(), nullptr);
}

// While playing: Reset, Help and "--" are disabled, Test reads "Stop", the rows are in state 2
// (a constant stays editable, the mode button is off); idle everything is back.
TEST(CDlgPropertiesTop, EnableStatesFollowThePlayingFlag)
{
    TopRig rig;
    CDlgPropertiesTop& t = *rig.top;
    for (bool playing : {true, false})
    {
        SCOPED_TRACE(playing);
        rig.doc.m_isPlaying = playing;
        t.UpdateControls();
        EXPECT_EQ(t.TestButton().text(), playing ? "Stop" : "Test");
        EXPECT_TRUE(t.TestButton().isEnabled());
        EXPECT_TRUE(t.NameCtrl().isEnabled());
        EXPECT_TRUE(t.TabCtrl().isEnabled());
        EXPECT_EQ(t.ResetButton().isEnabled(), !playing);
        EXPECT_EQ(t.HelpButton().isEnabled(), !playing);
        EXPECT_EQ(t.DimensionsButton().isEnabled(), !playing);
        EXPECT_TRUE(t.VolumeRow().EditCtrl().isEnabled());
        EXPECT_EQ(t.VolumeRow().ModeButton().isEnabled(), !playing);
        EXPECT_EQ(t.StereoRow().ModeButton().isEnabled(), !playing);
    }
}

TEST(CDlgPropertiesTop, TestPlaysTheSegmentOrStops)
{
    TopRig rig;
    QTest::mouseClick(&rig.top->TestButton(), Qt::LeftButton);
    rig.doc.m_isPlaying = true;
    QTest::mouseClick(&rig.top->TestButton(), Qt::LeftButton);
    ASSERT_EQ(rig.view.messages.size(), 2u);
    EXPECT_EQ(rig.view.messages[0].id, WM_APP_PLAY);
    EXPECT_TRUE(rig.view.messages[0].preview);
    EXPECT_EQ(rig.view.messages[1].id, WM_APP_STOP);
}

TEST(CDlgPropertiesTop, ResetRestoresTheDefaultsAndShowsTheSegmentAgain)
{
    TopRig rig;
    rig.segment->m_volume.SetConstant(90);
    rig.segment->m_name = "Mine";
    QTest::mouseClick(&rig.top->ResetButton(), Qt::LeftButton);
    EXPECT_EQ(rig.segment->m_volume.GetValue(), 50);
    EXPECT_EQ(rig.segment->m_name, "Tone");
    ASSERT_EQ(rig.pane.messages.size(), 1u);
    EXPECT_EQ(rig.pane.messages[0].first, WM_APP_RESET_SOUND_FOLDER);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].id, WM_APP_SELECT_SEGMENT);
    EXPECT_EQ(rig.view.messages[0].segment, rig.segment.get());
    EXPECT_TRUE(rig.doc.IsSessionModified());
}

TEST(CDlgPropertiesTop, HelpSendsTheTopicOfTheTab)
{
    struct Case
    {
        int kind;
        int tab;
        int selectedTrack;
        const char* topic; ///< null: nothing is sent
    };
    const Case cases[] = {
        {CSegment::kKindTone, 0, CSegment::kKindTone, "Tone"},
        {CSegment::kKindAmbientMusic, 0, CSegment::kKindAmbientMusic, "AmbientMusic"},
        {CSegment::kKindExternalAudio, 0, CSegment::kKindExternalAudio, "ExternalAudio"},
        {CSegment::kKindVoice, 0, CSegment::kKindVoice, "Voice"},
        {CSegment::kKindTone, 0, -1, nullptr},
        {CSegment::kKindTone, 1, -1, "Effects"},
        {CSegment::kKindTone, 2, CSegment::kKindTone, "BrainwaveEntrainment"},
        {CSegment::kKindTone, 3, CSegment::kKindTone, "BilateralSound"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.kind) + " tab " + std::to_string(c.tab));
        TopRig rig(c.kind);
        rig.view.selection.track = c.selectedTrack;
        rig.top->SelectTab(c.tab);
        QTest::mouseClick(&rig.top->HelpButton(), Qt::LeftButton);
        const auto sent = rig.view.Of(WM_APP_HELP_TOPIC);
        if (c.topic == nullptr)
        {
            EXPECT_TRUE(sent.empty());
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].topic, c.topic);
        EXPECT_EQ(sent[0].follow, ui::HelpFollow::Always) << "the Help button shows the help window";
    }
}

TEST(CDlgPropertiesTop, AUserTabSwitchNotifiesAndMarksButOneByCodeDoesNeither)
{
    TopRig rig;
    EXPECT_EQ(rig.top->TabCtrl().count(), 4);
    EXPECT_EQ(rig.top->TabCtrl().tabText(0), "Sound");
    EXPECT_EQ(rig.top->TabCtrl().tabText(1), "Effects");
    EXPECT_EQ(rig.top->TabCtrl().tabText(2), "Brainwaves");
    EXPECT_EQ(rig.top->TabCtrl().tabText(3), "Bilateral");
    EXPECT_TRUE(rig.pane.messages.empty()) << "making the tabs chose none";

    rig.top->SelectTab(3);
    EXPECT_EQ(rig.top->GetTab(), 3);
    EXPECT_TRUE(rig.pane.messages.empty());
    EXPECT_FALSE(rig.doc.IsSessionModified());

    rig.ClickTab(1);
    ASSERT_EQ(rig.pane.messages.size(), 1u);
    EXPECT_EQ(rig.pane.messages[0], std::make_pair(unsigned(WM_APP_SHOW_PROPERTY_TAB), 1));
    EXPECT_TRUE(rig.doc.IsSessionModified());
}

// The neighbours come from the segment's place in its track's list, also around a segment of no
// length, where comparing times found the wrong ones.
TEST(CDlgPropertiesTop, TheSegmentTimesDialogGetsTheNeighboursLimits)
{
    TopRig rig(CSegment::kKindNoise);
    CSegments& list = rig.doc.m_tracks.GetTrack(CSegment::kKindNoise).m_segments;
    auto add = [&](double b, double e)
    {
        auto s = CSegments::CreateSegment(CSegment::kKindNoise);
        s->m_begin = b;
        s->m_end = e;
        list.AddSegment(s);
        return s;
    };
    // The rig's segment is 0.25..0.5.
    auto first = add(0.0, 0.1);
    auto zero = add(0.6, 0.6);
    auto last = add(0.8, 0.9);

    struct Case
    {
        const char* name;
        CSegment* segment;
        double from, to;
    };
    const Case cases[] = {
        {"the first segment starts at 0", first.get(), 0.0, 0.25},
        {"a middle one between its neighbours", rig.segment.get(), 0.1, 0.6},
        {"a segment of no length", zero.get(), 0.5, 0.8},
        {"the last one ends at 1", last.get(), 0.6, 1.0},
    };
    std::vector<std::pair<double, double>> runs;
    rig.top->SetDimensionsRunner(
        [&](CDlgPropertiesTop&, double from, double to)
        {
            runs.emplace_back(from, to);
            return ui::IDOK;
        });
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        rig.top->SetObject(c.segment);
        runs.clear();
        QTest::mouseClick(&rig.top->DimensionsButton(), Qt::LeftButton);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].first, c.from);
        EXPECT_EQ(runs[0].second, c.to);
    }
    EXPECT_TRUE(rig.doc.IsSessionModified());
}

} // namespace
