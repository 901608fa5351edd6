#include "panes/CPaneTracks.h"

#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "model/CColorHSL.h"
#include "model/CSegmentSuggestions.h"
#include "model/CVornaDoc.h"
#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTest>

#include <functional>
#include <vector>

namespace
{

/** The view's side of the pane's calls: records them by the message each stands for, and
 *  removes the selected segment on DeleteTemporarySegment as the view does. */
class RecordingView : public vtest::IdleView
{
public:
    struct Message
    {
        unsigned id;
        CSegment* segment = nullptr; ///< what SelectSegment carried
    };

    CPaneTracks* pane = nullptr;
    std::vector<Message> messages;
    /** Called on SelectSegment, while the press is still being handled. */
    std::function<void()> onSelect;

    int Count(unsigned id) const
    {
        int n = 0;
        for (const Message& m : messages)
            n += m.id == id ? 1 : 0;
        return n;
    }

    void SelectSegment(CSegment* segment) override
    {
        messages.push_back({WM_APP_SELECT_SEGMENT, segment});
        if (onSelect)
            onSelect();
    }
    void SegmentChanged() override { messages.push_back({WM_APP_SEGMENT_CHANGED}); }
    void DeleteTemporarySegment() override
    {
        messages.push_back({WM_APP_DELETE_SEGMENT});
        if (pane == nullptr)
            return;
        if (CSegments* segments = pane->GetSelectedSegments())
            segments->RemoveSegment(pane->GetSelectedSegmentIndex());
        pane->ClearSelection();
    }
};

constexpr int kWidth = 1000;
constexpr int kHeight = 400; // eight rows of 50 pixels
constexpr int kToneTrack = 4;

/** Row i's bars run from 50 i + 17 to 50 i + 36; this is a pixel row inside them. */
int BarY(int row)
{
    return 50 * row + 26;
}

std::shared_ptr<CSegment> Add(CVornaDoc& doc, int track, double begin, double end, double content = 0.0)
{
    CTrack& t = doc.m_tracks.GetTrack(track);
    auto s = CSegments::CreateSegment(t.m_kind);
    s->m_begin = begin;
    s->m_end = end;
    s->m_contentDuration = content;
    t.m_segments.AddSegment(s);
    return s;
}

std::vector<std::pair<double, double>> Times(const CVornaDoc& doc, int track)
{
    std::vector<std::pair<double, double>> out;
    for (const auto& s : doc.m_tracks.GetTrack(track).m_segments.GetSegments())
        out.emplace_back(s->m_begin, s->m_end);
    return out;
}

/** The model's rule the drags and the engine rely on. */
void ExpectOrderedAndApart(const CVornaDoc& doc, int track)
{
    const auto times = Times(doc, track);
    for (std::size_t i = 0; i < times.size(); ++i)
    {
        EXPECT_LE(0.0, times[i].first) << "segment " << i;
        EXPECT_LE(times[i].first, times[i].second) << "segment " << i;
        EXPECT_LE(times[i].second, 1.0) << "segment " << i;
        if (i + 1 < times.size())
        {
            EXPECT_LE(times[i].second, times[i + 1].first) << "segments " << i << " and " << i + 1;
        }
    }
}

class TracksPane : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(kWidth, kHeight);
        ASSERT_TRUE(pane.Create(&view, ID_PANE_TRACKS, QRect(0, 0, kWidth, kHeight)));
        pane.SetDocument(&doc);
        pane.SetView(&view);
        view.pane = &pane;
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    void Move(int x, int y) { QTest::mouseMove(&pane, QPoint(x, y)); }
    void Press(int x, int y)
    {
        Move(x, y);
        QTest::mousePress(&pane, Qt::LeftButton, {}, QPoint(x, y));
    }
    void Release(int x, int y) { QTest::mouseRelease(&pane, Qt::LeftButton, {}, QPoint(x, y)); }
    /** A press at @p x, moves through @p steps, and a release at the last of them. */
    void Drag(int x, int y, std::initializer_list<int> steps)
    {
        Press(x, y);
        int last = x;
        for (int s : steps)
        {
            Move(s, y);
            last = s;
        }
        Release(last, y);
    }
    QColor Pixel(int x, int y) { return pane.grab().toImage().pixelColor(x, y); }

    vtest::FakeUi fake;
    CVornaDoc doc;
    RecordingView view;
    CPaneTracks pane;
};

// ---------------------------------------------------------------- geometry

TEST(CPaneTracksGeometry, BarsAndSegmentRectangles)
{
    struct BarCase
    {
        int h;
        int bar;
    };
    // Under 50 pixels the bars are relatively taller: (0.4 + 0.27 (50 - h) / 50) h, cut toward zero.
    for (const BarCase& c : {BarCase{25, 13}, BarCase{49, 19}, BarCase{10, 6}, BarCase{50, 20},
                             BarCase{51, 20}, BarCase{101, 40}, BarCase{0, 0}})
        EXPECT_EQ(CPaneTracks::GetBarHeight(c.h), c.bar) << "h = " << c.h;

    using Box = CPaneTracks::Box;
    struct RectCase
    {
        const char* name;
        double begin, end;
        int top, bottom, width;
        Box box;
    };
    const RectCase cases[] = {
        // h = 51: bar 20, gap (50 - 20) / 2 = 15.
        {"row of fifty", 0.1, 0.2, 0, 50, 1000, {100, 17, 200, 36}},
        {"edges are cut toward zero", 0.1005, 0.2999, 0, 50, 1000, {100, 17, 299, 36}},
        {"second row", 0.5, 1.0, 50, 100, 1000, {500, 67, 1000, 86}},
        {"reversed times still give left <= right", 0.4, 0.3, 0, 50, 1000, {300, 17, 400, 36}},
        // h = 26: bar 13, gap (25 - 13) / 2 = 6.
        {"thin row", 0.0, 0.5, 10, 35, 200, {0, 18, 100, 30}},
    };
    for (const RectCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CPaneTracks::GetSegmentRect(c.begin, c.end, c.top, c.bottom, c.width), c.box);
    }

    // A narrow bar is widened to 12 pixels and its edge zones are a third of that.
    const Box narrow = CPaneTracks::Widened(Box{600, 17, 603, 36});
    EXPECT_EQ(narrow.right, 612);
    EXPECT_EQ(CPaneTracks::GetEdgeZone(narrow.right - narrow.left), 4);
    EXPECT_EQ(CPaneTracks::Widened(Box{100, 17, 200, 36}).right, 200);
    EXPECT_EQ(CPaneTracks::GetEdgeZone(17), 5);
    EXPECT_EQ(CPaneTracks::GetEdgeZone(18), 6);
}

TEST_F(TracksPane, SegmentRectangleFollowsTheUnevenRows)
{
    // 403 = 8 x 50 + 3: rows 0..2 are 51 pixels, the others 50.
    pane.resize(kWidth, 403);
    auto s = Add(doc, 3, 0.25, 0.5);
    const CPaneTracks::Box box = pane.GetSegmentRect(3, 0);
    EXPECT_EQ(box, CPaneTracks::GetSegmentRect(0.25, 0.5, 153, 203, kWidth));
    EXPECT_EQ(pane.GetSegmentRect(3, 1), CPaneTracks::Box{});
    EXPECT_EQ(pane.GetSegmentRect(8, 0), CPaneTracks::Box{});

    // The pixel two rows share belongs to the upper one.
    struct RowCase
    {
        int y, row;
    };
    for (const RowCase& c :
         {RowCase{0, 0}, RowCase{51, 0}, RowCase{52, 1}, RowCase{153, 2}, RowCase{154, 3}, RowCase{398, 7}})
    {
        Move(500, c.y);
        EXPECT_EQ(pane.HitTestRow(), c.row) << "y = " << c.y;
    }
}

TEST(CPaneTracksLabel, NamesLiveRecordingAndMutedTracks)
{
    CVornaDoc doc;
    CTracks& tracks = doc.m_tracks;
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 0), QStringLiteral("Voice"));
    tracks.MuteTrack(4);
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 4), QStringLiteral("Tone [Muted]"));

    tracks.AddLiveVoiceSegment();
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 0), QStringLiteral("Voice (Live Recording)"));
    tracks.MuteTrack(0);
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 0), QStringLiteral("Voice (Live Recording) [Muted]"));
    tracks.ActivateTrack(0);

    // Only a track that holds the placeholder alone is the live recording's.
    Add(doc, 0, 0.5, 0.6);
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 0), QStringLiteral("Voice"));
    tracks.RemoveAll();
    tracks.InsertTrack(0, CSegment::kKindVoice);
    Add(doc, 0, 0.1, 0.2);
    EXPECT_EQ(CPaneTracks::GetTrackLabel(tracks, 0), QStringLiteral("Voice"));
}

// ---------------------------------------------------------------- cursor and drag mode

TEST_F(TracksPane, CursorAndDragModeFollowThePlaceInTheBar)
{
    // Tone bar 200..400; a narrow one 600..603 widened to 612 (edge zone 4); a fixed-length
    // segment on the voice track at 200..400.
    Add(doc, kToneTrack, 0.2, 0.4);
    Add(doc, kToneTrack, 0.6, 0.603);
    Add(doc, 0, 0.2, 0.4, 60.0);
    pane.SetSelection(kToneTrack, 0);

    using C = CPaneTracks::CursorKind;
    using M = CPaneTracks::DragMode;
    struct Case
    {
        const char* name;
        int before; // a move on the tone row first, leaving a mode the case must change (or keep)
        int x, y;
        bool selected; // the tone bar 200..400 is the selection
        bool playing;
        C cursor;
        M mode;
    };
    const int tone = BarY(kToneTrack);
    const Case cases[] = {
        {"left edge zone", 395, 203, tone, false, false, C::kCursorResizeStart, M::kDragResizeStart},
        {"last pixel of the left zone", 395, 206, tone, false, false, C::kCursorResizeStart,
         M::kDragResizeStart},
        {"body of another segment", 203, 207, tone, false, false, C::kCursorSelect, M::kDragMove},
        {"body of the selected segment", 203, 300, tone, true, false, C::kCursorMove, M::kDragMove},
        {"first pixel of the right zone", 300, 393, tone, true, false, C::kCursorResizeEnd,
         M::kDragResizeEnd},
        {"before the right zone", 203, 392, tone, true, false, C::kCursorMove, M::kDragMove},
        {"right edge itself", 300, 400, tone, false, false, C::kCursorResizeEnd, M::kDragResizeEnd},
        {"fixed length only moves, even at its edge", 203, 201, BarY(0), false, false, C::kCursorSelect,
         M::kDragMove},
        {"fixed length, selected", 203, 201, BarY(0), true, false, C::kCursorMove, M::kDragMove},
        {"narrow bar near its start", 395, 603, tone, false, false, C::kCursorResizeStart,
         M::kDragResizeStart},
        {"widened part is no hit and keeps the mode", 395, 608, tone, false, false, C::kCursorArrow,
         M::kDragResizeEnd},
        {"empty part of a row", 300, 500, tone, false, false, C::kCursorArrow, M::kDragMove},
        {"above the bar", 395, 300, 50 * kToneTrack + 5, false, false, C::kCursorArrow, M::kDragResizeEnd},
        // While playing: the select cursor over any bar, and the mode stays as it was.
        {"playing over an edge", 395, 203, tone, true, true, C::kCursorSelect, M::kDragResizeEnd},
        {"playing over the selected body", 203, 300, tone, true, true, C::kCursorSelect, M::kDragResizeStart},
        {"playing over nothing", 203, 500, tone, true, true, C::kCursorArrow, M::kDragResizeStart},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const bool voice = c.y == BarY(0);
        pane.SetSelection(voice ? 0 : kToneTrack, c.selected ? 0 : 1);
        doc.m_isPlaying = false;
        // Qt drops a move to where the mouse already is: go through an empty place first.
        Move(800, tone);
        Move(c.before, tone);
        doc.m_isPlaying = c.playing;
        Move(c.x, c.y);
        EXPECT_EQ(pane.GetCursorKind(), c.cursor);
        EXPECT_EQ(pane.GetDragMode(), c.mode);
        // The cursor shown is the role's own art.
        if (c.cursor != C::kCursorArrow)
            EXPECT_FALSE(pane.cursor().pixmap().isNull());
        else
            EXPECT_EQ(pane.cursor().shape(), Qt::ArrowCursor);
    }
}

// ---------------------------------------------------------------- clicks that create

TEST_F(TracksPane, ClickOnAnEmptyRowCreatesAndRemovesASegment)
{
    struct Case
    {
        const char* name;
        int x;
        double begin, end;
    };
    const Case cases[] = {
        {"centred on the click", 500, 0.4975, 0.5025},
        {"held at the session start", 1, 0.0, 0.005},
        {"held at the session end", 999, 0.995, 1.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        view.messages.clear();
        const auto before = Times(doc, kToneTrack);
        std::pair<double, double> seen{-1, -1};
        const CSegment* sent = nullptr;
        view.onSelect = [&]
        {
            sent = view.messages.back().segment;
            if (const CSegment* s = pane.GetSelectedSegment())
                seen = {s->m_begin, s->m_end};
        };
        Press(c.x, BarY(kToneTrack));
        EXPECT_NEAR(seen.first, c.begin, 1e-12);
        EXPECT_NEAR(seen.second, c.end, 1e-12);
        EXPECT_EQ(sent, pane.GetSelectedSegment());
        EXPECT_EQ(pane.GetSelectedTrack(), kToneTrack);
        Release(c.x + 11, BarY(kToneTrack));

        ASSERT_EQ(view.messages.size(), 2u);
        EXPECT_EQ(view.messages[0].id, unsigned(WM_APP_SELECT_SEGMENT));
        EXPECT_EQ(view.messages[1].id, unsigned(WM_APP_DELETE_SEGMENT));
        EXPECT_EQ(Times(doc, kToneTrack), before);
        EXPECT_EQ(pane.GetSelectedSegment(), nullptr);
        EXPECT_EQ(pane.GetHoveredSegment(), -1);
        // Nothing was edited: no save prompt for a click.
        EXPECT_FALSE(doc.IsSessionModified());
        view.onSelect = nullptr;
    }
}

TEST_F(TracksPane, DragFromAnEmptyRowKeepsTheNewSegment)
{
    Drag(300, BarY(kToneTrack), {305, 340, 380});
    ASSERT_EQ(doc.m_tracks.GetTrack(kToneTrack).m_segments.GetCount(), 1);
    const CSegment& s = *doc.m_tracks.GetTrack(kToneTrack).m_segments.GetSegment(0);
    // The first step already stretches the end: the start stays where it was made.
    EXPECT_NEAR(s.m_begin, 0.2975, 1e-12);
    EXPECT_NEAR(s.m_end, 0.3025 + 0.08, 1e-12);
    EXPECT_EQ(view.Count(WM_APP_DELETE_SEGMENT), 0);
    EXPECT_EQ(view.Count(WM_APP_SEGMENT_CHANGED), 3);
    EXPECT_TRUE(doc.IsSessionModified());

    // Leftward, the start follows.
    Drag(700, BarY(kToneTrack), {690, 650});
    ASSERT_EQ(doc.m_tracks.GetTrack(kToneTrack).m_segments.GetCount(), 2);
    const CSegment& left = *doc.m_tracks.GetTrack(kToneTrack).m_segments.GetSegment(1);
    EXPECT_NEAR(left.m_begin, 0.6975 - 0.05, 1e-12);
    EXPECT_NEAR(left.m_end, 0.7025, 1e-12);
    ExpectOrderedAndApart(doc, kToneTrack);
}

// A click near a neighbour used to make a segment reaching into it, which the drags and the
// engine cannot handle.
TEST_F(TracksPane, NewSegmentStaysInTheFreeGap)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<double, double>> existing;
        int x;
        double begin, end;
    };
    const Case cases[] = {
        {"one pixel right of an end", {{0.3, 0.5}}, 501, 0.5, 0.505},
        {"one pixel left of a begin", {{0.3, 0.5}}, 299, 0.295, 0.3},
        {"gap narrower than a new segment", {{0.3, 0.5}, {0.503, 0.6}}, 501, 0.5, 0.503},
        {"widened part of a narrow bar", {{0.6, 0.603}}, 604, 0.603, 0.608},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        doc.m_tracks.GetTrack(kToneTrack).m_segments.RemoveAll();
        for (const auto& [b, e] : c.existing)
            Add(doc, kToneTrack, b, e);
        std::pair<double, double> seen{-1, -1};
        view.onSelect = [&]
        {
            if (const CSegment* s = pane.GetSelectedSegment())
                seen = {s->m_begin, s->m_end};
        };
        Press(c.x, BarY(kToneTrack));
        EXPECT_NEAR(seen.first, c.begin, 1e-12);
        EXPECT_NEAR(seen.second, c.end, 1e-12);
        ExpectOrderedAndApart(doc, kToneTrack);
        // Stretching it keeps it inside the gap too.
        Move(c.x + 60, BarY(kToneTrack));
        Move(c.x - 60, BarY(kToneTrack));
        ExpectOrderedAndApart(doc, kToneTrack);
        Release(c.x - 60, BarY(kToneTrack));
        view.onSelect = nullptr;
    }
}

// ---------------------------------------------------------------- drags

TEST_F(TracksPane, DragsStopAtTheNeighboursAndTheLeastWidth)
{
    struct Case
    {
        const char* name;
        int from;               // press x on the middle segment (300..500)
        std::vector<int> steps; // mouse x of each drag step
        double previousContent; // seconds of content of the segment before it
        double content;         // seconds of content of the middle segment
        double begin, end;      // the middle segment after the drag
    };
    // Neighbours at 0.1..0.2 and 0.6..0.7; a 300-second session.
    const Case cases[] = {
        {"left edge stops at the previous end", 302, {250, 50}, 0, 0, 0.2, 0.5},
        {"left edge stops short of its own end", 302, {450, 650}, 0, 0, 0.495, 0.5},
        {"left edge follows in between", 302, {280, 262}, 0, 0, 0.26, 0.5},
        {"right edge stops at the next begin", 497, {600, 900}, 0, 0, 0.3, 0.6},
        {"right edge stops short of its own begin", 497, {350, 100}, 0, 0, 0.3, 0.305},
        {"move left stops flush with the previous", 400, {300, 100}, 0, 0, 0.2, 0.4},
        {"move right stops flush with the next", 400, {500, 700}, 0, 0, 0.4, 0.6},
        {"move in between", 400, {420, 450}, 0, 0, 0.35, 0.55},
        // 60 s of content is 0.2 of the session: it keeps that length.
        {"fixed length moves left", 400, {350}, 0, 60, 0.25, 0.45},
        {"fixed length pushed into the next does not move", 400, {700}, 0, 60, 0.3, 0.5},
        // 90 s of content from 0.1 reaches 0.4, past the begin at 0.3.
        {"locked by the previous content", 400, {450, 500}, 90, 0, 0.3, 0.5},
        {"locked edge", 302, {250}, 90, 0, 0.3, 0.5},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        doc.m_tracks.GetTrack(kToneTrack).m_segments.RemoveAll();
        Add(doc, kToneTrack, 0.1, 0.2, c.previousContent);
        Add(doc, kToneTrack, 0.3, 0.5, c.content);
        Add(doc, kToneTrack, 0.6, 0.7);
        view.messages.clear();
        Press(c.from, BarY(kToneTrack));
        for (int x : c.steps)
            Move(x, BarY(kToneTrack));
        EXPECT_EQ(view.Count(WM_APP_SEGMENT_CHANGED), int(c.steps.size()));
        Release(c.steps.back(), BarY(kToneTrack));
        EXPECT_EQ(pane.GetSelectedSegmentIndex(), 1);
        const auto times = Times(doc, kToneTrack);
        ASSERT_EQ(times.size(), 3u);
        EXPECT_NEAR(times[1].first, c.begin, 1e-12);
        EXPECT_NEAR(times[1].second, c.end, 1e-12);
        EXPECT_EQ(times[0], std::make_pair(0.1, 0.2));
        EXPECT_EQ(times[2], std::make_pair(0.6, 0.7));
        EXPECT_EQ(view.Count(WM_APP_DELETE_SEGMENT), 0);
    }
}

TEST_F(TracksPane, DragMarksTheSessionModifiedOnlyWhenSomethingMoved)
{
    Add(doc, kToneTrack, 0.3, 0.5);
    Add(doc, kToneTrack, 0.5, 0.7);
    // A press that only selects is no edit; neither is pushing the first segment into its neighbour.
    Drag(302, BarY(kToneTrack), {302});
    Drag(400, BarY(kToneTrack), {450});
    EXPECT_FALSE(doc.IsSessionModified());
    Drag(400, BarY(kToneTrack), {380});
    EXPECT_TRUE(doc.IsSessionModified());
}

TEST_F(TracksPane, WhilePlayingAPressOnlySelects)
{
    auto first = Add(doc, kToneTrack, 0.3, 0.5);
    auto other = Add(doc, 1, 0.1, 0.2);
    doc.m_isPlaying = true;

    Drag(400, BarY(kToneTrack), {450, 600});
    EXPECT_EQ(pane.GetSelectedSegment(), first.get());
    EXPECT_EQ(Times(doc, kToneTrack), (std::vector<std::pair<double, double>>{{0.3, 0.5}}));
    EXPECT_EQ(view.Count(WM_APP_SEGMENT_CHANGED), 0);
    ASSERT_EQ(view.Count(WM_APP_SELECT_SEGMENT), 1);
    EXPECT_EQ(view.messages[0].segment, first.get());

    // A press on an empty part makes nothing and sends the selection again.
    view.messages.clear();
    Drag(800, BarY(kToneTrack), {900});
    EXPECT_EQ(doc.m_tracks.GetTrack(kToneTrack).m_segments.GetCount(), 1);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].id, unsigned(WM_APP_SELECT_SEGMENT));
    EXPECT_EQ(view.messages[0].segment, first.get());

    Drag(150, BarY(1), {});
    EXPECT_EQ(pane.GetSelectedSegment(), other.get());
    EXPECT_FALSE(doc.IsSessionModified());
}

TEST_F(TracksPane, PressAboveABarOrOutsideEveryRowDoesNothing)
{
    Add(doc, kToneTrack, 0.3, 0.5);
    Drag(400, 50 * kToneTrack + 4, {});
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(doc.m_tracks.GetTrack(kToneTrack).m_segments.GetCount(), 1);

    // A session without tracks: nothing to divide by, nothing to hit, nothing drawn over.
    doc.m_tracks.RemoveAll();
    Drag(400, 100, {500});
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(pane.HitTestRow(), -1);
    EXPECT_EQ(pane.GetSelectedSegments(), nullptr);
    EXPECT_EQ(Pixel(400, 100), QColor(70, 70, 70));
}

// ---------------------------------------------------------------- selection

TEST_F(TracksPane, SelectionSurvivesTheModelChangingUnderIt)
{
    auto s = Add(doc, kToneTrack, 0.25, 0.75);
    Press(500, BarY(kToneTrack));
    Release(500, BarY(kToneTrack));
    const ui::SelectionSource& source = pane;
    double begin = -1, end = -1;
    source.GetSelectedRange(begin, end);
    EXPECT_EQ(begin, 0.25);
    EXPECT_EQ(end, 0.75);

    // The segment goes without the view clearing the selection: no dangling read.
    doc.m_tracks.GetTrack(kToneTrack).m_segments.RemoveAll();
    EXPECT_EQ(pane.GetSelectedSegment(), nullptr);
    source.GetSelectedRange(begin, end);
    EXPECT_EQ(begin, 0.0);
    EXPECT_EQ(end, 1.0);
    pane.grab();
    Move(500, BarY(kToneTrack));
    pane.ClearSelection();
    EXPECT_EQ(pane.GetSelectedSegments(), nullptr);
}

TEST(CPaneTracksCreate, FailsWithoutItsTexture)
{
    ui::ScopedResourceFailure missing(ui::ResourceKind::Bitmap, CPaneTracks::kTextureId);
    ui::Window parent;
    CPaneTracks pane;
    EXPECT_FALSE(pane.Create(&parent, ID_PANE_TRACKS, QRect(0, 0, 100, 100)));
}

// ---------------------------------------------------------------- paint

TEST_F(TracksPane, PaintsRowsSegmentsAndThePositionLine)
{
    doc.m_tracks.MuteTrack(2);
    doc.m_tracks.MuteTrack(3);
    Add(doc, kToneTrack, 0.1, 0.3);
    pane.SetSelection(3, -1);

    // A column with no stage line and no segment, in the middle of each row's lower half.
    const int column = 880;
    for (int i = 0; i < doc.m_stages.GetCount(); ++i)
        ASSERT_NE(int(doc.m_stages.GetStage(i).m_start * kWidth), column);
    const QImage image = pane.grab().toImage();
    EXPECT_EQ(image.pixelColor(column, 50 * 1 + 40), QColor(70, 70, 70)) << "active";
    EXPECT_EQ(image.pixelColor(column, 50 * 2 + 40), QColor(90, 60, 60)) << "muted";
    EXPECT_EQ(image.pixelColor(column, 50 * 3 + 40), QColor(110, 80, 80)) << "muted, selected";
    EXPECT_EQ(image.pixelColor(column, 50 * 1 + 1), QColor(120, 120, 120)) << "separator";

    // The bar's ends, outside the texture, in the model's own HSL colour at 0.8 lightness.
    CTracks::TrackInfo info;
    doc.m_tracks.GetTrackInfo(kToneTrack, info);
    CColorHSL hsl = CColorHSL(info.hue, 0.6f, 0.5f).ToRGB().ToHSL();
    hsl.m_lightness *= 0.8f;
    const CColorRGB bar = hsl.ToRGB();
    EXPECT_EQ(image.pixelColor(102, BarY(kToneTrack)), QColor(bar.m_red, bar.m_green, bar.m_blue));
    pane.SetSelection(kToneTrack, 0);
    const CColorRGB selected = CColorHSL(info.hue, 0.6f, 0.5f).ToRGB().ToHSL().ToRGB();
    EXPECT_EQ(Pixel(102, BarY(kToneTrack)), QColor(selected.m_red, selected.m_green, selected.m_blue));
    EXPECT_EQ(Pixel(column, 50 * 4 + 40), QColor(80, 80, 80)) << "active, selected";

    // Playing: the line at the played fraction; idle: at the hover, or none.
    doc.m_isPlaying = true;
    doc.m_cursorPosition = 0.1; // the cursor stays where playback started
    pane.SetPlayPosition(0.375);
    doc.m_hoverPosition = 0.625;
    QImage playing = pane.grab().toImage();
    EXPECT_EQ(playing.pixelColor(375, 50 * 6 + 40), QColor(220, 220, 220));
    EXPECT_EQ(playing.pixelColor(376, 50 * 6 + 40), QColor(70, 70, 70));
    EXPECT_EQ(playing.pixelColor(625, 50 * 6 + 40), QColor(70, 70, 70));
    doc.m_isPlaying = false;
    QImage hover = pane.grab().toImage();
    EXPECT_EQ(hover.pixelColor(625, 50 * 6 + 40), QColor(220, 220, 220));
    EXPECT_EQ(hover.pixelColor(375, 50 * 6 + 40), QColor(70, 70, 70));
    doc.m_hoverPosition = -1;
    EXPECT_EQ(Pixel(625, 50 * 6 + 40), QColor(70, 70, 70));
}

TEST_F(TracksPane, LeavingThePaneClearsTheHover)
{
    Move(300, 30);
    EXPECT_NEAR(doc.m_hoverPosition, 300.0 / (kWidth - 1), 1e-12);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&pane, &leave);
    EXPECT_EQ(doc.m_hoverPosition, -1.0);
}

// ---------------------------------------------------------------- screenshots

void Save(QWidget& w, const char* name)
{
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    ASSERT_TRUE(w.grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
}

TEST_F(TracksPane, Screenshots)
{
    // One segment of each kind, one of them selected, one track muted, the hover line shown.
    const double spans[8][2] = {{0.02, 0.22}, {0.05, 0.6},  {0.3, 0.95},  {0.1, 0.104},
                                {0.12, 0.55}, {0.58, 0.88}, {0.25, 0.45}, {0.65, 0.98}};
    for (int k = 0; k < 8; ++k)
        Add(doc, k, spans[k][0], spans[k][1]);
    Add(doc, 3, 0.5, 0.505);
    Add(doc, 3, 0.9, 0.91);
    doc.m_tracks.MuteTrack(5);
    pane.SetSelection(4, 0);
    Move(640, BarY(2));
    Save(view, "tracks-pane.png");

    // A live recording under way: the placeholder grows with the played position.
    doc.m_tracks.AddLiveVoiceSegment()->m_end = 0.35;
    pane.SetSelection(0, 0);
    doc.m_isPlaying = true;
    pane.SetPlayPosition(0.35);
    doc.m_hoverPosition = -1;
    Save(view, "tracks-pane-live-recording.png");
}

} // namespace
