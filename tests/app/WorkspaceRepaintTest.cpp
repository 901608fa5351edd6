// What the screen shows is what the session holds. The real program's window (CVornaApp with its
// frame, view, panes and dialogs; only the engine, the audio layer, the recorder and the help
// window are doubles, since no sound card exists here) runs a table of the workspace's commands.
// After each, with events processed and the mouse left where it is, the picture the window system
// holds for the window (its backing store: on the offscreen platform QScreen::grabWindow reads
// it) must equal a fresh paint of every widget, pane by pane. QWidget::grab() could not see a
// stale pane: it paints every widget afresh.
#include "AppTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CVornaApp.h"
#include "app/UpdateCheck.h"
#include "controls/CEditTime.h"
#include "controls/CHoverButton.h"
#include "controls/CSkinSliderCtrl.h"
#include "controls/CUiProperty.h"
#include "controls/CUiPropertyEdit.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesTop.h"
#include "dialogs/session/CDlgGlobals.h"
#include "dialogs/session/CDlgSegmentDimensions.h"
#include "dialogs/session/CDlgStages.h"
#include "model/RichSession.h"
#include "panes/CPaneControlbar.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneMeterSound.h"
#include "panes/CPaneProperties.h"
#include "panes/CPaneSessionLength.h"
#include "panes/CPaneStages.h"
#include "panes/CPaneStatus.h"
#include "panes/CPaneToolbar.h"
#include "panes/CPaneTracks.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <sstream>

namespace
{

/** Runs the event loop long enough for every pending repaint to reach the backing store. */
void Settle()
{
    for (int i = 0; i < 3; ++i)
        QTest::qWait(10);
}

/** The program as it starts, over a new session. */
struct Workspace
{
    Workspace()
    {
        shell::ViewServices services;
        services.engine = &engine;
        services.audio = &audio;
        services.updateCheck = &updates;
        services.makeHelpWindow = [](QWidget*) { return std::make_unique<apptest::FakeHelp>(); };
        services.makeRecorder = [this](QWidget*) -> std::unique_ptr<shell::LiveRecorder>
        {
            auto made = std::make_unique<apptest::FakeRecorder>();
            recorder = made.get();
            return made;
        };
        app.SetViewServices(services);
        // A blinking caret would differ between the two pictures without anything being stale.
        QApplication::setCursorFlashTime(0);
        started = app.InitInstance({QStringLiteral("vorna")});
        if (!started)
            return;
        frame = app.GetMainFrame();
        view = app.GetView();
        doc = app.GetDocument();
        vtest::WaitFor([&]
                       { return frame->windowHandle() != nullptr && frame->windowHandle()->isExposed(); });
        Settle();
    }
    ~Workspace()
    {
        app.ExitInstance();
        QApplication::setCursorFlashTime(flashTime);
    }

    template <class T = QWidget> T* Pane(int id) const { return dynamic_cast<T*>(view->GetPane(id)); }
    CPaneControlbar* Bar() const { return Pane<CPaneControlbar>(ID_PANE_CONTROLBAR); }
    CPaneTracks* Tracks() const { return Pane<CPaneTracks>(ID_PANE_TRACKS); }
    CPaneToolbar* Toolbar() const { return Pane<CPaneToolbar>(ID_PANE_TOOLBAR); }
    CDlgPropertiesTop* Top() const { return Pane<CPaneProperties>(ID_PANE_PROPERTIES)->Top(); }

    /** A click on the toolbar button with command id @p id. */
    void ClickToolbar(int id) const
    {
        for (int i = 0; i < CPaneToolbar::kButtonCount; ++i)
            if (CPaneToolbar::ButtonTable()[std::size_t(i)].id == id)
            {
                QWidget* button = Toolbar()->Button(i);
                QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
                return;
            }
        ADD_FAILURE() << "no toolbar button " << id;
    }
    /** Item @p item of the toolbar menu behind button @p menuButton. */
    void ChooseMenuItem(int menuButton, int item)
    {
        fakeUi.menuChoices.push_back(item);
        ClickToolbar(menuButton);
    }
    void ClickTransport(int id) const
    {
        QWidget* button = Bar()->Button(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    /** A key as the user types it: to the focused widget, else the view. */
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) const
    {
        QWidget* to = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : view;
        QTest::keyClick(to, key, modifiers);
    }
    void Char(char c) const
    {
        QWidget* to = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : view;
        QTest::keyClick(to, c);
    }
    /** The middle of segment @p segment of track @p track in the tracks pane. */
    QPoint SegmentCentre(int track, int segment) const
    {
        const CPaneTracks::Box box = CPaneTracks::Widened(Tracks()->GetSegmentRect(track, segment));
        return QPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    }
    void ClickSegment(int track, int segment) const
    {
        QTest::mouseClick(Tracks(), Qt::LeftButton, {}, SegmentCentre(track, segment));
    }

    vtest::FakeUi fakeUi;
    apptest::FakeEngine engine;
    apptest::FakeAudio audio;
    apptest::FakeUpdateCheck updates;
    apptest::FakeRecorder* recorder = nullptr; // owned by the view
    int flashTime = QApplication::cursorFlashTime();
    CVornaApp app;
    bool started = false;
    CMainFrame* frame = nullptr;
    CVornaView* view = nullptr;
    CVornaDoc* doc = nullptr;
};

/** A named part of the window, in the frame's coordinates. */
struct Region
{
    std::string name;
    QRect rect;
};

/** The panes, inner ones first: a pixel counts for the first region that holds it. */
std::vector<Region> Regions(const Workspace& w)
{
    std::vector<Region> regions;
    auto add = [&](const char* name, QWidget* pane)
    {
        if (pane != nullptr && pane->isVisible())
            regions.push_back({name, QRect(pane->mapTo(w.frame, QPoint(0, 0)), pane->size())});
    };
    CPaneControlbar* bar = w.Bar();
    add("status", bar->Status());
    add("session length", bar->SessionLength());
    add("sound meter", bar->MeterSound());
    add("load meter", bar->MeterLevels());
    add("transport bar", bar);
    add("toolbar", w.Toolbar());
    add("timeline", w.Pane(ID_PANE_TIMELINE));
    add("stages", w.Pane(ID_PANE_STAGES));
    add("tracks", w.Tracks());
    add("splitter", w.Pane(ID_PANE_VSPLITTER));
    add("properties", w.Pane(ID_PANE_PROPERTIES));
    return regions;
}

QImage Held(const Workspace& w)
{
    return w.frame->screen()->grabWindow(w.frame->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

/** Every widget of the window repainted whole, then the picture held. */
QImage Fresh(const Workspace& w)
{
    w.frame->update();
    for (QWidget* child : w.frame->findChildren<QWidget*>())
        if (!child->isWindow() && child->isVisible())
            child->update();
    Settle();
    return Held(w);
}

/** Whether two pixels are the same picture. A scaled texture repainted through a narrow clip
 *  (the play line's columns) may come out one step off in a channel; what is stale differs by far
 *  more. */
bool Near(QRgb a, QRgb b)
{
    constexpr int kTolerance = 8;
    return std::abs(qRed(a) - qRed(b)) <= kTolerance && std::abs(qGreen(a) - qGreen(b)) <= kTolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= kTolerance;
}

/** The regions where @p held differs from @p fresh, with the pixel count and the box of each;
 *  empty when the pictures are equal. */
std::string StaleRegions(const QImage& held, const QImage& fresh, const std::vector<Region>& regions)
{
    if (held.size() != fresh.size() || held.isNull())
        return "the pictures differ in size";
    struct Found
    {
        int pixels = 0;
        QRect box;
        QRgb held = 0;
        QRgb fresh = 0;
    };
    std::vector<Found> found(regions.size() + 1);
    for (int y = 0; y < held.height(); ++y)
    {
        const auto* a = reinterpret_cast<const QRgb*>(held.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(fresh.constScanLine(y));
        for (int x = 0; x < held.width(); ++x)
        {
            if (Near(a[x], b[x]))
                continue;
            std::size_t r = 0;
            while (r < regions.size() && !regions[r].rect.contains(x, y))
                ++r;
            if (found[r].pixels++ == 0)
            {
                found[r].held = a[x];
                found[r].fresh = b[x];
            }
            found[r].box |= QRect(x, y, 1, 1);
        }
    }
    std::ostringstream out;
    for (std::size_t r = 0; r < found.size(); ++r)
        if (found[r].pixels > 0)
        {
            const QRect& b = found[r].box;
            out << (r < regions.size() ? regions[r].name : std::string("outside the panes")) << " ("
                << found[r].pixels << " px in " << b.width() << "x" << b.height() << " at " << b.x() << ","
                << b.y() << ", first " << std::hex << (found[r].held & 0xFFFFFF) << " held, "
                << (found[r].fresh & 0xFFFFFF) << " fresh" << std::dec << ") ";
        }
    return out.str();
}

/** The check after each command: the held picture equals a fresh paint. A failure names the
 *  command and the stale panes and leaves both pictures for a look. */
void ExpectShown(const Workspace& w, const std::string& command)
{
    Settle();
    const QImage held = Held(w);
    const QImage fresh = Fresh(w);
    const std::string stale = StaleRegions(held, fresh, Regions(w));
    EXPECT_EQ(stale, "") << "stale after: " << command;
    if (!stale.empty())
    {
        QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
        QString stem = QString::fromStdString(command);
        stem.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        held.save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/stale-%1-held.png").arg(stem));
        fresh.save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/stale-%1-fresh.png").arg(stem));
    }
}

/** A rich session saved where the Open command's file dialog answers. */
QString SaveRichSession()
{
    CVornaDoc rich;
    vtest::FillRichSession(rich);
    const QString path = vtest::TestHome() + QStringLiteral("/rich.vrx");
    EXPECT_TRUE(rich.OnSaveDocument(path));
    return path;
}

struct Step
{
    std::string command;
    std::function<void(Workspace&)> run;
};

/** Runs @p steps in order on one workspace, checking the picture after each. */
void RunSteps(Workspace& w, const std::vector<Step>& steps)
{
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.command);
        step.run(w);
        ExpectShown(w, step.command);
    }
}

/** The first track of @p kind. */
int TrackOfKind(const CVornaDoc& doc, int kind)
{
    for (int i = 0; i < doc.m_tracks.GetCount(); ++i)
        if (doc.m_tracks.GetTrack(i).m_kind == kind)
            return i;
    ADD_FAILURE() << "no track of kind " << kind;
    return 0;
}

/** The x in the stages pane of stage @p i's start. */
int StageStartX(const Workspace& w, int i)
{
    int left = 0, right = 0;
    w.Pane<CPaneStages>(ID_PANE_STAGES)->GetStageExtent(i, left, right);
    return left;
}

// Files, the tracks, the mouse over the panes and the drags: every command's picture is the
// session's.
TEST(WorkspaceRepaint, EditingCommandsShowTheSession)
{
    const QString rich = SaveRichSession();
    Workspace w;
    ASSERT_TRUE(w.started);
    ExpectShown(w, "start-up");

    const int toolbarTracks = ID_TOOLBAR_TRACKS;
    RunSteps(
        w,
        {
            {"Open Session button: a rich session",
             [&](Workspace& w)
             {
                 w.fakeUi.fileAnswers.push_back(QStringList{rich});
                 w.ClickToolbar(ID_TOOLBAR_OPEN_SESSION);
                 ASSERT_EQ(w.doc->m_sessionLength, 1200);
             }},
            {"hover over the tracks", [](Workspace& w) { QTest::mouseMove(w.Tracks(), QPoint(300, 20)); }},
            {"hover moves over the tracks",
             [](Workspace& w) { QTest::mouseMove(w.Tracks(), QPoint(420, 60)); }},
            {"hover over the timeline",
             [](Workspace& w) { QTest::mouseMove(w.Pane(ID_PANE_TIMELINE), QPoint(500, 12)); }},
            {"mouse leaves the timeline for the transport bar",
             [](Workspace& w)
             {
                 QTest::mouseMove(w.Bar(), QPoint(300, 4));
                 // Under X the pointer's events arrive a little later.
                 EXPECT_TRUE(vtest::WaitFor([&] { return w.doc->m_hoverPosition == -1.0; }, 1000));
             }},
            {"timeline click while stopped",
             [](Workspace& w)
             {
                 QWidget* timeline = w.Pane(ID_PANE_TIMELINE);
                 QTest::mouseMove(timeline, QPoint(700, 12));
                 QTest::mouseClick(timeline, Qt::LeftButton, {}, QPoint(700, 12));
                 EXPECT_GT(w.doc->m_cursorPosition, 0.0);
             }},
            {"click on a segment",
             [](Workspace& w)
             {
                 w.ClickSegment(0, 0);
                 ASSERT_EQ(w.Tracks()->GetSelectedSegmentIndex(), 0);
             }},
            {"segment drag, while the button is held",
             [](Workspace& w)
             {
                 const QPoint at = w.SegmentCentre(0, 0);
                 QTest::mouseMove(w.Tracks(), at);
                 QTest::mousePress(w.Tracks(), Qt::LeftButton, {}, at);
                 QTest::mouseMove(w.Tracks(), at + QPoint(40, 0));
             }},
            {"segment drag, released", [](Workspace& w)
             { QTest::mouseRelease(w.Tracks(), Qt::LeftButton, {}, w.SegmentCentre(0, 0)); }},
            {"Tracks menu: Mute Track",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_MUTE); }},
            {"Tracks menu: Activate Track",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_ACTIVATE); }},
            {"Tracks menu: Duplicate Track",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_DUPLICATE); }},
            {"Tracks menu: Add Track", [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_ADD); }},
            {"Tracks menu: Mute All Tracks",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_MUTE_ALL); }},
            {"Tracks menu: Activate All Tracks",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_ACTIVATE_ALL); }},
            {"Tracks menu: Clean Empty Tracks",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_CLEAN_EMPTY); }},
            {"Tracks menu: Remove Track",
             [&](Workspace& w) { w.ChooseMenuItem(toolbarTracks, ID_TRACKS_REMOVE); }},
            {"click on a segment again", [](Workspace& w) { w.ClickSegment(0, 0); }},
            {"key M", [](Workspace& w) { w.Key(Qt::Key_M); }},
            {"key A", [](Workspace& w) { w.Key(Qt::Key_A); }},
            {"key D", [](Workspace& w) { w.Key(Qt::Key_D); }},
            {"key +", [](Workspace& w) { w.Char('+'); }},
            {"key C", [](Workspace& w) { w.Key(Qt::Key_C); }},
            {"key Ctrl+C", [](Workspace& w) { w.Key(Qt::Key_C, Qt::ControlModifier); }},
            {"click on the track's other segment", [](Workspace& w) { w.ClickSegment(0, 1); }},
            {"key Ctrl+V", [](Workspace& w) { w.Key(Qt::Key_V, Qt::ControlModifier); }},
            {"key Delete", [](Workspace& w) { w.Key(Qt::Key_Delete); }},
            {"click on a segment of the second track", [](Workspace& w) { w.ClickSegment(1, 0); }},
            {"key R", [](Workspace& w) { w.Key(Qt::Key_R); }},
            {"click on an empty place of a row: a segment made and taken back",
             [](Workspace& w)
             {
                 int top = 0, bottom = 0;
                 w.Tracks()->GetTrackRowRect(0, top, bottom);
                 const QPoint at(w.Tracks()->width() - 30, (top + bottom) / 2);
                 QTest::mouseMove(w.Tracks(), at);
                 QTest::mouseClick(w.Tracks(), Qt::LeftButton, {}, at);
             }},
            {"click on a segment, then Copy Segment button",
             [](Workspace& w)
             {
                 w.ClickSegment(0, 0);
                 w.ClickToolbar(ID_TOOLBAR_COPY_SEGMENT);
             }},
            {"Paste Segment button onto itself",
             [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_PASTE_SEGMENT); }},
            {"Delete Segment button", [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_DELETE_SEGMENT); }},
            {"stage boundary drag, while the button is held",
             [](Workspace& w)
             {
                 QWidget* stages = w.Pane(ID_PANE_STAGES);
                 const QPoint at(StageStartX(w, 2), 12);
                 QTest::mouseMove(stages, at);
                 QTest::mousePress(stages, Qt::LeftButton, {}, at);
                 QTest::mouseMove(stages, at + QPoint(-45, 0));
                 EXPECT_TRUE(vtest::WaitFor([&] { return StageStartX(w, 2) != at.x(); }, 1000));
             }},
            {"stage boundary drag, released",
             [](Workspace& w)
             {
                 QWidget* stages = w.Pane(ID_PANE_STAGES);
                 QTest::mouseRelease(stages, Qt::LeftButton, {}, QPoint(StageStartX(w, 2), 12));
             }},
            {"Save Session button", [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_SAVE_SESSION); }},
            {"Save As Session button, cancelled",
             [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_SAVE_SESSION_AS); }},
            {"New Session button (a rich session open)",
             [](Workspace& w)
             {
                 w.fakeUi.boxAnswers.push_back(ui::IDNO);
                 w.ClickToolbar(ID_TOOLBAR_NEW_SESSION);
                 ASSERT_EQ(w.doc->m_sessionLength, 300);
             }},
            {"key Ctrl+O, a rich session",
             [&](Workspace& w)
             {
                 w.fakeUi.fileAnswers.push_back(QStringList{rich});
                 w.Key(Qt::Key_O, Qt::ControlModifier);
                 ASSERT_EQ(w.doc->m_sessionLength, 1200);
             }},
            {"key Ctrl+N",
             [](Workspace& w)
             {
                 w.fakeUi.boxAnswers.push_back(ui::IDNO);
                 w.Key(Qt::Key_N, Qt::ControlModifier);
                 ASSERT_EQ(w.doc->m_sessionLength, 300);
             }},
        });
}

// The transport and the session length: the cursor, the pause mark, the play line, the read-outs
// and the ruler follow every change.
TEST(WorkspaceRepaint, TransportCommandsShowTheSession)
{
    const QString rich = SaveRichSession();
    Workspace w;
    ASSERT_TRUE(w.started);
    w.fakeUi.fileAnswers.push_back(QStringList{rich});
    w.ClickToolbar(ID_TOOLBAR_OPEN_SESSION);
    ASSERT_EQ(w.doc->m_sessionLength, 1200);
    // The engine stands at 5:00 whenever it plays.
    w.engine.position = 300.0;

    RunSteps(
        w,
        {
            {"Next stage button", [](Workspace& w) { w.ClickTransport(ID_TRANSPORT_NEXT_STAGE); }},
            {"Next stage button again", [](Workspace& w) { w.ClickTransport(ID_TRANSPORT_NEXT_STAGE); }},
            {"Previous stage button", [](Workspace& w) { w.ClickTransport(ID_TRANSPORT_PREVIOUS_STAGE); }},
            {"Go to start button", [](Workspace& w) { w.ClickTransport(ID_TRANSPORT_GO_TO_START); }},
            {"Play button",
             [](Workspace& w)
             {
                 w.ClickTransport(ID_TRANSPORT_PLAY);
                 ASSERT_TRUE(w.doc->m_isPlaying);
                 QTest::qWait(250); // the playback timer ticks
             }},
            {"the play line moves on",
             [](Workspace& w)
             {
                 w.engine.position = 420.0;
                 QTest::qWait(250);
             }},
            {"hover over the tracks while playing",
             [](Workspace& w) { QTest::mouseMove(w.Tracks(), QPoint(200, 30)); }},
            {"timeline click while playing: a restart",
             [](Workspace& w)
             {
                 QWidget* timeline = w.Pane(ID_PANE_TIMELINE);
                 QTest::mouseMove(timeline, QPoint(900, 12));
                 QTest::mouseClick(timeline, Qt::LeftButton, {}, QPoint(900, 12));
             }},
            {"Pause button",
             [](Workspace& w)
             {
                 w.ClickTransport(ID_TRANSPORT_PAUSE);
                 ASSERT_TRUE(w.doc->m_isPaused);
             }},
            {"Play button while paused", [](Workspace& w) { w.ClickTransport(ID_TRANSPORT_PLAY); }},
            {"Stop button",
             [](Workspace& w)
             {
                 w.ClickTransport(ID_TRANSPORT_STOP);
                 ASSERT_FALSE(w.doc->m_isPlaying);
             }},
            {"key P", [](Workspace& w) { w.Key(Qt::Key_P); }},
            {"key Space", [](Workspace& w) { w.Key(Qt::Key_Space); }},
            {"key S", [](Workspace& w) { w.Key(Qt::Key_S); }},
            {"the engine reaches the end by itself",
             [](Workspace& w)
             {
                 w.ClickTransport(ID_TRANSPORT_PLAY);
                 w.engine.playing = false;
                 EXPECT_TRUE(vtest::WaitFor([&] { return !w.doc->m_isPlaying; }, 1000));
             }},
            {"session length slider, one step up",
             [](Workspace& w)
             {
                 CSkinSliderCtrl* slider = w.Bar()->SessionLength()->Slider();
                 slider->setFocus();
                 QTest::keyClick(slider, Qt::Key_Right);
                 EXPECT_EQ(w.doc->m_sessionLength, 1260);
                 w.view->SetFocus();
             }},
            {"Live Recording button",
             [](Workspace& w)
             {
                 w.fakeUi.modalRuns.push_back([](ui::Dialog&) { return int(ui::IDOK); }); // the countdown
                 w.ClickToolbar(ID_TOOLBAR_LIVE_RECORDING);
                 ASSERT_TRUE(w.doc->m_isLive);
                 QTest::qWait(250); // the playback timer grows the recorded stretch
             }},
            {"Stop button ends the live recording",
             [](Workspace& w)
             {
                 w.ClickTransport(ID_TRANSPORT_STOP);
                 ASSERT_FALSE(w.doc->m_isLive);
             }},
        });
}

// The session dialogs and the tools: the workspace behind a dialog follows each of its changes
// while it is open, and what it changed shows once it closes.
TEST(WorkspaceRepaint, DialogsShowTheSession)
{
    const QString rich = SaveRichSession();
    Workspace w;
    ASSERT_TRUE(w.started);
    w.fakeUi.fileAnswers.push_back(QStringList{rich});
    w.ClickToolbar(ID_TOOLBAR_OPEN_SESSION);
    ASSERT_EQ(w.doc->m_sessionLength, 1200);
    const std::string during = "Edit Stages: a stage added, the dialog still open";

    RunSteps(w,
             {
                 {"Tools menu: Edit Stages, a stage added",
                  [&](Workspace& w)
                  {
                      const int before = w.doc->m_stages.GetCount();
                      w.fakeUi.modalRuns.push_back(
                          [&](ui::Dialog& d)
                          {
                              d.show();
                              static_cast<QListWidget*>(ui::FindControl(&d, CDlgStages::kIdList))
                                  ->setCurrentRow(1);
                              ui::SendCommand(&d, CDlgStages::kIdAdd, ui::Notify::Clicked);
                              ExpectShown(w, during);
                              return int(ui::IDOK);
                          });
                      w.fakeUi.modalRuns.push_back([](ui::Dialog&) { return int(ui::IDOK); }); // the name
                      w.ChooseMenuItem(ID_TOOLBAR_TOOLS, ID_TOOLS_EDIT_STAGES);
                      EXPECT_EQ(w.doc->m_stages.GetCount(), before + 1);
                  }},
                 {"Tools menu: Global Entrainment & Bilateral, a new beat",
                  [](Workspace& w)
                  {
                      // A constant beat, so that the row takes a typed value.
                      w.doc->m_brainwaves.m_property.SetValue(2.0);
                      w.doc->m_brainwaves.m_property.SetMode(CSmartProperty::kModeConstant);
                      w.fakeUi.modalRuns.push_back(
                          [](ui::Dialog& d)
                          {
                              d.show();
                              CUiPropertyEdit& edit = static_cast<CDlgGlobals&>(d).BrainwavesRow().EditCtrl();
                              edit.setFocus();
                              edit.selectAll();
                              QTest::keyClicks(&edit, QStringLiteral("9.5"));
                              return int(ui::IDOK);
                          });
                      w.ChooseMenuItem(ID_TOOLBAR_TOOLS, ID_TOOLS_GLOBALS);
                      EXPECT_DOUBLE_EQ(w.doc->m_brainwaves.m_property.PeekValueAt(0.5), 9.5);
                  }},
                 {"Tools menu: Edit Notes",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_TOOLS, ID_TOOLS_EDIT_NOTES); }},
                 {"Tools menu: Transcript",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_TOOLS, ID_TOOLS_TRANSCRIPT); }},
                 {"Tools menu: Create Ambient Music Loops",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_TOOLS, ID_TOOLS_AMBIENT_MUSIC); }},
                 {"Options button", [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_OPTIONS); }},
                 {"Help button", [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_HELP); }},
                 {"Record Voice button", [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_RECORD_VOICE); }},
                 {"Export Session button, cancelled",
                  [](Workspace& w) { w.ClickToolbar(ID_TOOLBAR_EXPORT_SESSION); }},
                 {"Support menu: web site",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_SUPPORT, ID_SUPPORT_WEB_SITE); }},
                 {"Support menu: videos",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_SUPPORT, ID_SUPPORT_VIDEOS); }},
                 {"Support menu: contact",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_SUPPORT, ID_SUPPORT_CONTACT); }},
                 {"Support menu: About",
                  [](Workspace& w) { w.ChooseMenuItem(ID_TOOLBAR_SUPPORT, ID_SUPPORT_ABOUT); }},
                 {"Support menu: Check for Updates",
                  [](Workspace& w)
                  {
                      const shell::PageFetch saved = shell::ManualUpdateFetch();
                      shell::ManualUpdateFetch() = [](const QUrl&) { return std::optional<QByteArray>(); };
                      w.ChooseMenuItem(ID_TOOLBAR_SUPPORT, ID_SUPPORT_CHECK_UPDATES);
                      shell::ManualUpdateFetch() = saved;
                  }},
                 {"Segment Dimensions of a selected segment, a new begin",
                  [&](Workspace& w)
                  {
                      // The tone segment: no content of its own length.
                      const int tone = TrackOfKind(*w.doc, CSegment::kKindTone);
                      w.ClickSegment(tone, 0);
                      ASSERT_EQ(w.Tracks()->GetSelectedTrack(), tone);
                      const CSegments::SegmentPtr segment =
                          w.doc->m_tracks.GetTrack(tone).m_segments.GetSegment(0);
                      const double begin = segment->m_begin;
                      w.fakeUi.modalRuns.push_back(
                          [&](ui::Dialog& d)
                          {
                              auto& dimensions = static_cast<CDlgSegmentDimensions&>(d);
                              dimensions.BeginField().setText(QStringLiteral(" 05:00"));
                              dimensions.CommitBegin();
                              ExpectShown(w, "Segment Dimensions: a new begin, the dialog still open");
                              return int(ui::IDOK);
                          });
                      QWidget* button = &w.Top()->DimensionsButton();
                      QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
                      EXPECT_NE(segment->m_begin, begin);
                  }},
             });
}

} // namespace
