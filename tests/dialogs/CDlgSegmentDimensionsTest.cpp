#include "dialogs/session/CDlgSegmentDimensions.h"

#include "controls/CEditTime.h"
#include "controls/Controls.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

namespace
{

/** The panel that opened the dialog: it counts the dialog's notifications. */
class Owner : public ui::Window
{
public:
    int changes = 0;
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
        dialog.m_segmentChanged = [this] { ++owner.changes; };
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

    /** Runs the dialog shown and active, so that keys, focus and the close box act as for a user;
     *  returns the result and whether the dialog was still open after @p during. */
    std::pair<int, bool> RunShown(const std::function<void(CDlgSegmentDimensions&)>& during)
    {
        bool open = false;
        ui.modalRuns.push_back(
            [&, during](ui::Dialog&)
            {
                dialog.show();
                dialog.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
                during(dialog);
                open = dialog.isVisible();
                if (open)
                    dialog.reject();
                return dialog.result();
            });
        const int result = dialog.DoModal();
        return {result, open};
    }

    double Begin() const { return segment->m_begin * doc.m_sessionLength; }
    double End() const { return segment->m_end * doc.m_sessionLength; }
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

// Every refusal changes nothing and leaves the entry in the field on the refused colour.
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
                CEditTime& field = c.beginField ? d.BeginField() : d.EndField();
                if (c.beginField)
                    d.CommitBegin();
                else
                    d.CommitEnd();
                EXPECT_EQ(field.text(), QString::fromLatin1(c.beginField ? c.begin : c.end));
                EXPECT_TRUE(field.IsShowingRefused());
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

// Esc and the close box once applied a time typed but not committed: closing took the focus from
// the field, and its focus-out committed after the saved times had been put back.
TEST(CDlgSegmentDimensions, EveryWayOutButOkPutsTheSavedTimesBack)
{
    struct Case
    {
        const char* name;
        std::function<void(CDlgSegmentDimensions&)> leave;
    };
    const Case cases[] = {
        {"Esc", [](CDlgSegmentDimensions& d) { QTest::keyClick(&d.EndField(), Qt::Key_Escape); }},
        {"close box", [](CDlgSegmentDimensions& d) { d.close(); }},
        {"Cancel",
         [](CDlgSegmentDimensions& d) {
             QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, ui::IDCANCEL)), Qt::LeftButton);
         }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DimRig rig;
        const auto [result, open] = rig.RunShown(
            [&](CDlgSegmentDimensions& d)
            {
                ASSERT_TRUE(d.BeginField().hasFocus());
                QTest::keyClicks(&d.BeginField(), "0110");
                QTest::keyClick(&d.BeginField(), Qt::Key_Tab); // commits 01:10
                EXPECT_DOUBLE_EQ(rig.Begin(), 70);
                ASSERT_TRUE(d.EndField().hasFocus());
                QTest::keyClicks(&d.EndField(), "0430"); // typed, not committed
                c.leave(d);
            });
        EXPECT_FALSE(open);
        EXPECT_EQ(result, ui::IDCANCEL);
        EXPECT_DOUBLE_EQ(rig.Begin(), 100);
        EXPECT_DOUBLE_EQ(rig.End(), 200);
        EXPECT_GE(rig.owner.changes, 2) << "the owner hears of the commit and of the restore";
    }
}

// Typed as a user types: the field reached by the keys holds its time selected, the keys replace
// it, Enter commits and, OK being the default, closes. A text that is no time, or a time the
// segment cannot take, keeps the dialog open with the entry on the refused colour.
TEST(CDlgSegmentDimensions, TypedTimesAndEnter)
{
    struct Case
    {
        const char* name;
        bool endField;
        bool home; // Home first: the digits go before the time shown
        const char* typed;
        bool closes;
        double begin, end; // the segment afterwards
    };
    const Case cases[] = {
        {"clock text", false, false, "02:00", true, 120, 200},
        {"digits alone", false, false, "0200", true, 120, 200},
        {"one minute digit", false, false, "2:00", true, 120, 200},
        {"three digits", false, false, "130", true, 90, 200},
        {"past 99 minutes", true, false, "125:30", true, 100, 7530},
        {"past 99 minutes, digits alone", true, false, "12530", true, 100, 7530},
        {"Home then digits", false, true, "1000", false, 100, 200},
        {"seconds past 59", false, false, "02:75", false, 100, 200},
        {"one seconds digit", false, false, "2:5", false, 100, 200},
        {"emptied", false, false, "", false, 100, 200},
        {"begin after the end", false, false, "0400", false, 100, 200},
        {"end after the session", true, false, "200:00", false, 100, 200},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DimRig rig;
        rig.doc.m_sessionLength = 3 * 3600;
        rig.segment->m_begin = 100.0 / rig.doc.m_sessionLength;
        rig.segment->m_end = 200.0 / rig.doc.m_sessionLength;
        rig.dialog.m_rangeFrom = 0.0;
        rig.dialog.m_rangeTo = 1.0;
        const auto [result, open] = rig.RunShown(
            [&](CDlgSegmentDimensions& d)
            {
                if (c.endField)
                    QTest::keyClick(&d.BeginField(), Qt::Key_Tab);
                CEditTime& field = c.endField ? d.EndField() : d.BeginField();
                ASSERT_TRUE(field.hasFocus());
                EXPECT_EQ(field.selectedText(), field.text());
                if (c.home)
                    QTest::keyClick(&field, Qt::Key_Home);
                if (*c.typed == 0) // the selected time deleted
                    QTest::keyClick(&field, Qt::Key_Backspace);
                else
                    QTest::keyClicks(&field, c.typed);
                QTest::keyClick(&field, Qt::Key_Return);
                if (!c.closes)
                {
                    EXPECT_TRUE(field.hasFocus());
                    EXPECT_TRUE(field.IsShowingRefused());
                    EXPECT_EQ(field.GetBackgroundColor(), ui::Edit::kRefusedColour);
                    // OK cannot close over the refused entry either.
                    QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, ui::IDOK)),
                                      Qt::LeftButton);
                    EXPECT_TRUE(d.isVisible());
                }
            });
        EXPECT_EQ(!open, c.closes);
        if (c.closes)
        {
            EXPECT_EQ(result, ui::IDOK);
        }
        EXPECT_DOUBLE_EQ(rig.Begin(), c.begin);
        EXPECT_DOUBLE_EQ(rig.End(), c.end);
    }
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
