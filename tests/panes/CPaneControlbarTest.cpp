// The transport bar: its layout around the anchor, the buttons' messages and enabled states, and
// the session-length slider.
#include "panes/CPaneControlbar.h"

#include "controls/CHoverButton.h"
#include "controls/CSkinSliderCtrl.h"
#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "model/CVornaDoc.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneMeterSound.h"
#include "panes/CPaneSessionLength.h"
#include "panes/CPaneStatus.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QTest>

namespace
{

/** Stands in for the view: records every application message its children send, and the
 *  session-length pane's calls by the message they stand for. */
class View : public vtest::IdleView
{
public:
    View() { resize(1600, 200); }
    std::vector<unsigned> messages;

    void SessionLengthChanged() override { messages.push_back(WM_APP_SESSION_LENGTH_CHANGED); }

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        messages.push_back(m.Message());
        return 0;
    }
};

/** A transport bar made as the view makes it, over a document. */
struct Bar
{
    explicit Bar(int width = 1280)
    {
        view.resize(width, 200);
        EXPECT_TRUE(bar->Create(&view, ID_PANE_CONTROLBAR, QRect(0, 100, width, 60)));
        bar->SetDocument(&doc);
        bar->SetView(&view);
        view.show();
    }
    CVornaDoc doc;
    View view;
    CPaneControlbar* bar = new CPaneControlbar();
};

struct LayoutCase
{
    int width;
    int anchor;
    int soundX;
    int soundWidth;
};

} // namespace

// The anchor is fixed at 321 below 1118 pixels and centres the group from there on (321 at 1118
// itself, 322 at 1120); the sound meter takes what lies between the centre group and the load
// meter.
TEST(CPaneControlbar, LayoutFollowsTheAnchorRule)
{
    const LayoutCase cases[] = {
        {1000, 321, 692, 136}, {1117, 321, 692, 253},  {1118, 321, 692, 254},
        {1120, 322, 694, 254}, {1600, 562, 1174, 254},
    };
    for (const LayoutCase& c : cases)
    {
        SCOPED_TRACE(c.width);
        const auto layout = CPaneControlbar::ComputeLayout(c.width, 60);
        ASSERT_TRUE(layout);
        const int b = c.anchor, y = 10;
        EXPECT_EQ(layout->anchor, b);
        EXPECT_EQ(layout->sessionLength, QRect(6, y, 170, 40));
        EXPECT_EQ(layout->play, QRect(b - 138, y, 40, 40));
        EXPECT_EQ(layout->stop, QRect(b - 92, y, 40, 40));
        EXPECT_EQ(layout->pause, QRect(b - 46, y, 40, 40));
        EXPECT_EQ(layout->status, QRect(b, y, 226, 40));
        EXPECT_EQ(layout->goToStart, QRect(b + 232, y, 40, 40));
        EXPECT_EQ(layout->previousStage, QRect(b + 278, y, 40, 40));
        EXPECT_EQ(layout->nextStage, QRect(b + 324, y, 40, 40));
        EXPECT_EQ(layout->loadMeter, QRect(c.width - 166, y, 160, 40));
        EXPECT_EQ(layout->soundMeter, QRect(c.soundX, y, c.soundWidth, 40));
    }
    EXPECT_FALSE(CPaneControlbar::ComputeLayout(0, 60));
    EXPECT_FALSE(CPaneControlbar::ComputeLayout(1280, 0));
    // Too narrow for the sound meter: it gets no width rather than a negative one.
    EXPECT_EQ(CPaneControlbar::ComputeLayout(700, 60)->soundMeter.width(), 0);
}

// The real children sit where the layout says, and a bar sized to nothing moves nothing.
TEST(CPaneControlbar, ChildrenFollowTheLayoutAndStayAtZeroSize)
{
    Bar t(1600);
    const auto layout = CPaneControlbar::ComputeLayout(1600, 60);
    EXPECT_EQ(t.bar->Button(ID_TRANSPORT_PLAY)->geometry(), layout->play);
    EXPECT_EQ(t.bar->Button(ID_TRANSPORT_NEXT_STAGE)->geometry(), layout->nextStage);
    EXPECT_EQ(t.bar->Status()->geometry(), layout->status);
    EXPECT_EQ(t.bar->SessionLength()->geometry(), layout->sessionLength);
    EXPECT_EQ(t.bar->MeterSound()->geometry(), layout->soundMeter);
    EXPECT_EQ(t.bar->MeterLevels()->geometry(), layout->loadMeter);
    EXPECT_EQ(ui::FindControl(t.bar, ID_PANE_STATUS), t.bar->Status());
    EXPECT_EQ(ui::FindControl(t.bar, ID_PANE_METER_LEVELS), t.bar->MeterLevels());

    t.bar->resize(0, 60);
    t.bar->resize(1600, 0);
    t.bar->grab(); // painting at no height must not fail either
    EXPECT_EQ(t.bar->Status()->geometry(), layout->status);
    EXPECT_EQ(t.bar->MeterSound()->geometry(), layout->soundMeter);
    t.bar->resize(1000, 60);
    EXPECT_EQ(t.bar->Status()->x(), 321);
}

// Each button sends exactly its own message, once; while a session plays too (Pause and Stop
// are what one presses then).
TEST(CPaneControlbar, EachButtonSendsItsMessageOnce)
{
    Bar t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.view));
    for (bool playing : {false, true})
        for (const CPaneControlbar::ButtonSpec& spec : CPaneControlbar::Buttons())
        {
            SCOPED_TRACE(spec.id);
            t.doc.m_isPlaying = playing;
            t.bar->RefreshState();
            t.view.messages.clear();
            QTest::mouseClick(t.bar->Button(spec.id), Qt::LeftButton, {}, QPoint(20, 20));
            EXPECT_EQ(t.view.messages, std::vector<unsigned>{spec.message});
        }
}

// During a live recording only Stop works, and the others look disabled; without a document
// likewise.
TEST(CPaneControlbar, LiveRecordingLeavesOnlyStop)
{
    Bar t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.view));
    t.doc.m_isPlaying = t.doc.m_isLive = true;
    t.bar->grab(); // the paint refreshes the states, as when the view repaints
    for (const CPaneControlbar::ButtonSpec& spec : CPaneControlbar::Buttons())
    {
        SCOPED_TRACE(spec.id);
        CHoverButton* button = t.bar->Button(spec.id);
        const bool stop = spec.id == ID_TRANSPORT_STOP;
        EXPECT_EQ(button->isEnabled(), stop);
        const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPixmap strip = ui::LoadBitmap(spec.bitmap);
        const QImage normal = strip.copy(0, 0, 40, 40).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shot == normal, stop);
        t.view.messages.clear();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(t.view.messages.size(), stop ? 1u : 0u);
    }
    t.doc.m_isPlaying = t.doc.m_isLive = false;
    t.bar->RefreshState();
    EXPECT_TRUE(t.bar->Button(ID_TRANSPORT_PLAY)->isEnabled());
    t.bar->SetDocument(nullptr);
    EXPECT_FALSE(t.bar->Button(ID_TRANSPORT_PLAY)->isEnabled());
    EXPECT_TRUE(t.bar->Button(ID_TRANSPORT_STOP)->isEnabled());
}

TEST(CPaneControlbar, CreationFailsWithoutItsBackground)
{
    View view;
    ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, CPaneControlbar::kBackground);
    CPaneControlbar bar;
    EXPECT_FALSE(bar.Create(&view, ID_PANE_CONTROLBAR, QRect(0, 0, 1280, 60)));
}

// A user's step to p minutes sets 60 p seconds and tells the view once; code that puts the slider
// at the document's length tells nobody; a playing session locks the slider.
TEST(CPaneSessionLength, UserStepSetsTheLengthAndNotifiesOnce)
{
    Bar t;
    CSkinSliderCtrl* slider = t.bar->SessionLength()->Slider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->geometry(), QRect(170 - 127, 10, 123, 20));
    EXPECT_EQ(slider->GetPos(), 5); // the new session's 300 s
    EXPECT_EQ(t.bar->SessionLength()->ShownMinutes(), 5);

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(t.doc.m_sessionLength, 360);
    EXPECT_EQ(t.view.messages, std::vector<unsigned>{WM_APP_SESSION_LENGTH_CHANGED});
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(t.doc.m_sessionLength, 60 * slider->GetPos());
    EXPECT_EQ(t.view.messages.size(), 2u);
    QTest::keyClick(slider, Qt::Key_Home); // the shortest session is one minute, never zero
    EXPECT_EQ(t.doc.m_sessionLength, 60);
    QTest::keyClick(slider, Qt::Key_Home); // already there: no change, no message
    EXPECT_EQ(t.view.messages.size(), 3u);

    // A drag reports each step it makes, and its end nothing more.
    t.view.messages.clear();
    const QPoint thumb = slider->ThumbDrawRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(slider, thumb + QPoint(30, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumb + QPoint(30, 0));
    EXPECT_GT(slider->GetPos(), 1);
    EXPECT_EQ(t.doc.m_sessionLength, 60 * slider->GetPos());
    EXPECT_FALSE(t.view.messages.empty());
    EXPECT_LE(int(t.view.messages.size()), slider->GetPos() - 1);

    t.view.messages.clear();
    const struct
    {
        int seconds, minutes;
    } updates[] = {{1200, 20}, {1259, 20}, {30, 1}, {7200, 99}, {0, 1}};
    for (const auto& u : updates)
    {
        SCOPED_TRACE(u.seconds);
        t.doc.m_sessionLength = u.seconds;
        t.bar->UpdateSessionLength();
        EXPECT_EQ(slider->GetPos(), u.minutes);
        EXPECT_EQ(t.doc.m_sessionLength, u.seconds); // a longer session keeps its true length
    }
    EXPECT_TRUE(t.view.messages.empty());

    t.doc.m_sessionLength = 300;
    t.bar->UpdateSessionLength();
    t.doc.m_isPlaying = true;
    t.bar->grab();
    EXPECT_FALSE(slider->isEnabled());
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(t.doc.m_sessionLength, 300);
    EXPECT_TRUE(t.view.messages.empty());
    t.doc.m_isPlaying = false;
    t.bar->grab();
    EXPECT_TRUE(slider->isEnabled());
}
