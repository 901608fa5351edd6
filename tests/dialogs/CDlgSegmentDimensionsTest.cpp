#include "dialogs/CDlgSegmentDimensions.h"

#include "controls/CEditTime.h"
#include "controls/Controls.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

namespace
{

/** The panel that opened the dialog: it counts the dialog's notifications. */
class Owner : public ui::Window
{
public:
    int changes = 0;

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        if (m.Message() == WM_APP_SEGMENT_CHANGED)
            ++changes;
        return 0;
    }
};

/** A 600 s session with a segment from 100 s to 200 s that may use 60 s to 300 s. */
struct DimRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    CVornaDoc doc;
    Owner owner;
    CSegments::SegmentPtr segment = CSegments::CreateSegment(CSegment::kKindTone);
    CDlgSegmentDimensions dialog{&owner};

    DimRig()
    {
        doc.m_sessionLength = 600;
        segment->m_begin = 100.0 / 600;
        segment->m_end = 200.0 / 600;
        dialog.m_rangeFrom = 0.1;
        dialog.m_rangeTo = 0.5;
        dialog.m_segment = segment.get();
        dialog.m_doc = &doc;
    }

    /** Runs the dialog; @p during works on it while it is open. */
    int Run(const std::function<void(CDlgSegmentDimensions&)>& during, int result = ui::IDOK)
    {
        ui.modalRuns.push_back(
            [&, during, result](ui::Dialog&)
            {
                during(dialog);
                return result;
            });
        return dialog.DoModal();
    }

    double Begin() const { return segment->m_begin * 600; }
    double End() const { return segment->m_end * 600; }
};

void Type(CEditTime& field, const char* text)
{
    field.setText(QString::fromLatin1(text));
}

TEST(CDlgSegmentDimensions, ShowsTheTimesTheLengthAndTheRange)
{
    DimRig rig;
    rig.Run(
        [](CDlgSegmentDimensions& d)
        {
            EXPECT_EQ(d.BeginField().text(), "01:40");
            EXPECT_EQ(d.EndField().text(), "03:20");
            EXPECT_EQ(d.LengthLabel().text(), "01:40");
            EXPECT_EQ(d.RangeLabel().text(), "From 01:00 To 05:00");
            int b = 0, e = 0;
            d.GetTimes(b, e);
            EXPECT_EQ(b, 100);
            EXPECT_EQ(e, 200);
        });
    EXPECT_EQ(rig.dialog.windowTitle(), "Segment Dimensions");
    EXPECT_EQ(CDlgSegmentDimensions::FieldText(6000), "100:00");
}

// Every refusal puts the segment's own time back into the field and changes nothing.
TEST(CDlgSegmentDimensions, RefusesTimesOutsideTheRangeOrOfNoLength)
{
    struct Case
    {
        const char* name;
        bool beginField;
        const char* begin;
        const char* end;
        double content;
    };
    const Case cases[] = {
        {"begin after end", true, " 03:30", " 03:20", 0.0},
        {"begin equal to end", true, " 03:20", " 03:20", 0.0},
        {"begin before the range", true, " 00:59", " 03:20", 0.0},
        {"begin plus the content beyond the range", true, " 03:00", " 03:20", 150.0},
        {"end before begin", false, " 01:40", " 01:30", 0.0},
        {"end equal to begin", false, " 01:40", " 01:40", 0.0},
        {"end after the range", false, " 01:40", " 05:01", 0.0},
        {"end minus the content before the range", false, " 01:40", " 02:00", 90.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DimRig rig;
        rig.segment->m_contentDuration = c.content;
        rig.Run(
            [&](CDlgSegmentDimensions& d)
            {
                Type(d.BeginField(), c.begin);
                Type(d.EndField(), c.end);
                if (c.beginField)
                {
                    d.CommitBegin();
                    EXPECT_EQ(d.BeginField().text(), "01:40");
                }
                else
                {
                    d.CommitEnd();
                    EXPECT_EQ(d.EndField().text(), "03:20");
                }
            });
        EXPECT_DOUBLE_EQ(rig.Begin(), 100);
        EXPECT_DOUBLE_EQ(rig.End(), 200);
        EXPECT_EQ(rig.owner.changes, 0);
    }
}

TEST(CDlgSegmentDimensions, AnAcceptedEndMovesTheBeginOfASegmentWithContent)
{
    DimRig rig;
    rig.segment->m_contentDuration = 95.7;
    rig.Run(
        [](CDlgSegmentDimensions& d)
        {
            Type(d.EndField(), " 04:00");
            d.CommitEnd();
            // 240 - 95.7 = 144.3, cut to the second.
            EXPECT_EQ(d.BeginField().text(), "02:24");
        });
    EXPECT_DOUBLE_EQ(rig.Begin(), 144);
    EXPECT_DOUBLE_EQ(rig.End(), 240);
    EXPECT_EQ(rig.owner.changes, 1);
}

// Leaving a field that was not edited keeps the segment where it is, fractions of seconds and all.
TEST(CDlgSegmentDimensions, LeavingAnUntouchedFieldMovesNothing)
{
    DimRig rig;
    rig.segment->m_begin = 100.4 / 600;
    rig.segment->m_end = 200.7 / 600;
    rig.Run(
        [](CDlgSegmentDimensions& d)
        {
            d.CommitBegin();
            d.CommitEnd();
        });
    EXPECT_DOUBLE_EQ(rig.Begin(), 100.4);
    EXPECT_DOUBLE_EQ(rig.End(), 200.7);
    EXPECT_EQ(rig.owner.changes, 0);
}

TEST(CDlgSegmentDimensions, CancelAfterSeveralCommitsRestoresTheOpeningTimes)
{
    DimRig rig;
    const int result = rig.Run(
        [&](CDlgSegmentDimensions& d)
        {
            Type(d.BeginField(), " 01:10");
            d.CommitBegin();
            EXPECT_DOUBLE_EQ(rig.Begin(), 70);
            Type(d.EndField(), " 04:30");
            d.CommitEnd();
            EXPECT_DOUBLE_EQ(rig.End(), 270);
            EXPECT_EQ(rig.owner.changes, 2) << "the owner is told on each commit";
            d.reject();
        },
        ui::IDCANCEL);
    EXPECT_EQ(result, ui::IDCANCEL);
    EXPECT_DOUBLE_EQ(rig.Begin(), 100);
    EXPECT_DOUBLE_EQ(rig.End(), 200);
    EXPECT_EQ(rig.owner.changes, 3);
}

TEST(CDlgSegmentDimensions, HelpShowsItsTopic)
{
    DimRig rig;
    rig.Run([](CDlgSegmentDimensions& d)
            { ui::SendCommand(&d, CDlgSegmentDimensions::kIdHelp, ui::Notify::Clicked); });
    const auto sent = rig.view.Of(WM_APP_HELP_TOPIC);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].topic, "EditSegmentDimensions");
}

} // namespace
