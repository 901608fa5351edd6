// The view with its real properties pane: a segment that goes away is never read by the rows
// that showed it (run under ASan in CI).
#include "AppTestSupport.h"

#include "app/CVornaView.h"
#include "controls/CUiProperty.h"
#include "controls/CommandIds.h"
#include "dialogs/panels/CDlgPropertiesTop.h"
#include "model/CSegments.h"
#include "panes/CPaneProperties.h"

#include <gtest/gtest.h>

using apptest::ViewFixture;

TEST(PropertiesPaneView, SelectDeleteThenPlayAndStopReadNothingFreed)
{
    for (bool temporary : {false, true})
    {
        SCOPED_TRACE(temporary ? "the empty-row click's segment" : "Delete segment");
        ViewFixture f;
        f.doc.OnNewDocument();
        auto* pane = dynamic_cast<CPaneProperties*>(f.view->GetPane(ID_PANE_PROPERTIES));
        ASSERT_NE(pane, nullptr);
        {
            auto tone = CSegments::CreateSegment(CSegment::kKindTone);
            tone->m_begin = 0.2;
            tone->m_end = 0.6;
            f.doc.m_tracks.GetTrack(CSegment::kKindTone).m_segments.AddSegment(tone);
            f.view->SetSelection(CSegment::kKindTone, 0);
            f.view->SelectSegment(tone.get());
            // A second page of the segment bound as well.
            pane->ShowPropertyTab(1);
            ASSERT_EQ(pane->Top()->VolumeRow().GetProperty(), &tone->m_volume);
        }
        if (temporary)
            f.view->DeleteTemporarySegment();
        else
            f.Send(WM_APP_DELETE_SEGMENT);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(CSegment::kKindTone).m_segments.GetCount(), 0);
        EXPECT_EQ(pane->Top()->VolumeRow().GetProperty(), nullptr);
        EXPECT_EQ(pane->Top()->StereoRow().GetProperty(), nullptr);
        f.Send(WM_APP_PLAY);
        f.Send(WM_APP_STOP);
        pane->grab();
    }
}

// A panel that changes a segment's content length (a voice gap, files added, an external file
// chosen) and a new session length move the segment's end; the top panel shows the moved end, not
// the one before (the times are fitted before the panel rewrites them).
TEST(PropertiesPaneView, TopPanelShowsTheTimesAfterTheContentIsFitted)
{
    ViewFixture f;
    f.doc.OnNewDocument(); // 300 s
    auto* pane = dynamic_cast<CPaneProperties*>(f.view->GetPane(ID_PANE_PROPERTIES));
    ASSERT_NE(pane, nullptr);
    auto voice = CSegments::CreateSegment(CSegment::kKindVoice);
    voice->m_begin = 0.2;
    voice->m_end = 0.6;
    f.doc.m_tracks.GetTrack(CSegment::kKindVoice).m_segments.AddSegment(voice);
    f.view->SetSelection(CSegment::kKindVoice, 0);
    f.view->SelectSegment(voice.get());
    ASSERT_EQ(pane->Top()->ToCtrl().text(), "03:00");

    const auto segmentChanged = [](ViewFixture& v) { v.view->SegmentChanged(); };
    const auto lengthChanged = [](ViewFixture& v) { v.view->SessionLengthChanged(); };
    struct Case
    {
        const char* name;
        double content;
        int sessionLength;
        void (*change)(ViewFixture&);
        const char* to;
        const char* length;
    };
    const Case cases[] = {
        {"a panel gives the segment 30 s of content", 30.0, 300, segmentChanged, "01:30", "00:30"},
        {"the session grows to 600 s", 30.0, 600, lengthChanged, "02:30", "00:30"},
        {"a panel gives it 90 s", 90.0, 600, segmentChanged, "03:30", "01:30"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        voice->m_contentDuration = c.content;
        f.doc.m_sessionLength = c.sessionLength;
        c.change(f);
        EXPECT_EQ(pane->Top()->ToCtrl().text().toStdString(), c.to);
        EXPECT_EQ(pane->Top()->LengthCtrl().text().toStdString(), c.length);
    }
}
