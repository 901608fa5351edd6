// The view with its real properties pane: a segment that goes away is never read by the rows
// that showed it (run under ASan in CI).
#include "AppTestSupport.h"

#include "app/CVornaView.h"
#include "controls/CUiProperty.h"
#include "controls/CommandIds.h"
#include "dialogs/CDlgPropertiesTop.h"
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
            f.Send(WM_APP_SELECT_SEGMENT, reinterpret_cast<ui::WParam>(tone.get()));
            // A second page of the segment bound as well.
            ui::SendMessage(pane, WM_APP_SHOW_PROPERTY_TAB, 1);
            ASSERT_EQ(pane->Top()->VolumeRow().GetProperty(), &tone->m_volume);
        }
        f.Send(WM_APP_DELETE_SEGMENT, temporary ? kDeleteTemporarySegment : 0);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(CSegment::kKindTone).m_segments.GetCount(), 0);
        EXPECT_EQ(pane->Top()->VolumeRow().GetProperty(), nullptr);
        EXPECT_EQ(pane->Top()->StereoRow().GetProperty(), nullptr);
        f.Send(WM_APP_PLAY);
        f.Send(WM_APP_STOP);
        pane->grab();
    }
}
