// The view core: pane layout, the transport's state machine against a recording engine double,
// the timers, engine errors from another thread, help routing, audio start-up and live recording.
#include "AppTestSupport.h"

#include "controls/CommandIds.h"
#include "controls/GraphEditors.h"
#include "model/CSegments.h"
#include "panes/CPaneControlbar.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneStatus.h"
#include "panes/CPaneTracks.h"
#include "platform/Archive.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <functional>
#include <thread>

using apptest::ViewFixture;

namespace
{

void SetStages(CStages& stages, std::vector<std::pair<double, double>> spans)
{
    // Rebuild the list from the default: insert enough, then set every span, then drop the rest.
    while (stages.GetCount() < static_cast<int>(spans.size()))
        stages.InsertStage(QStringLiteral("S"), 0);
    while (stages.GetCount() > static_cast<int>(spans.size()) && stages.GetCount() > 1)
        stages.RemoveStage(stages.GetCount() - 1);
    for (int i = 0; i < static_cast<int>(spans.size()); ++i)
    {
        stages.GetStage(i).m_start = spans[i].first;
        stages.GetStage(i).m_end = spans[i].second;
    }
}

} // namespace

// Catches a pane put at the wrong place or a size formula off by a bar: the seven rectangles at
// three client sizes, with the properties pane's width P.
TEST(CVornaView, LaysOutTheSevenPanes)
{
    struct Case
    {
        int w, h;
    };
    for (const Case c : {Case{1276, 796}, Case{1000, 600}, Case{1920, 1080}})
    {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        ViewFixture f(c.w, c.h);
        const int P = f.view->PropertiesWidth();
        ASSERT_GT(P, 0);
        const int X = c.w - P - 8;
        auto at = [&](int id) { return f.view->GetPane(id)->geometry(); };
        EXPECT_EQ(at(ID_PANE_TOOLBAR), QRect(0, 0, c.w, 73));
        EXPECT_EQ(at(ID_PANE_CONTROLBAR), QRect(0, c.h - 60, c.w, 60));
        EXPECT_EQ(at(ID_PANE_PROPERTIES), QRect(c.w - P, 73, P, c.h - 133));
        EXPECT_EQ(at(ID_PANE_VSPLITTER), QRect(c.w - P - 8, 73, 8, c.h - 133));
        EXPECT_EQ(at(ID_PANE_STAGES), QRect(0, 73, X, 27));
        EXPECT_EQ(at(ID_PANE_TIMELINE), QRect(0, c.h - 87, X, 27));
        EXPECT_EQ(at(ID_PANE_TRACKS), QRect(0, 100, X, c.h - 187));
        for (int id : {ID_PANE_TOOLBAR, ID_PANE_CONTROLBAR, ID_PANE_TIMELINE, ID_PANE_STAGES,
                       ID_PANE_VSPLITTER, ID_PANE_PROPERTIES, ID_PANE_TRACKS})
            EXPECT_EQ(ui::ControlId(f.view->GetPane(id)), id);
    }
}

// Where playback starts: the pause position after Pause, the cursor otherwise; Pause stores
// position / length and stops; Play clears paused.
TEST(CVornaView, PlayStartsAtThePausePositionWhenPausedElseAtTheCursor)
{
    ViewFixture f;
    f.doc.m_sessionLength = 300;
    f.doc.m_cursorPosition = 0.25;

    f.Send(WM_APP_PLAY);
    ASSERT_EQ(f.engine.plays.size(), 1u);
    EXPECT_DOUBLE_EQ(f.engine.plays[0].m_startFraction, 0.25);
    EXPECT_TRUE(f.doc.m_isPlaying);
    EXPECT_TRUE(f.view->HasTimer(CVornaView::kTimerPlayback));

    f.engine.position = 150.0;
    f.Send(WM_APP_PAUSE);
    EXPECT_TRUE(f.doc.m_isPaused);
    EXPECT_DOUBLE_EQ(f.doc.m_pausePosition, 0.5);
    EXPECT_FALSE(f.doc.m_isPlaying);
    EXPECT_EQ(f.engine.stops, 1);
    EXPECT_FALSE(f.view->HasTimer(CVornaView::kTimerPlayback));

    f.Send(WM_APP_PLAY);
    EXPECT_DOUBLE_EQ(f.engine.plays.back().m_startFraction, 0.5);
    EXPECT_FALSE(f.doc.m_isPaused);

    f.Send(WM_APP_STOP);
    f.Send(WM_APP_PLAY);
    EXPECT_DOUBLE_EQ(f.engine.plays.back().m_startFraction, 0.25) << "after Stop, Play starts at the cursor";
}

// The engine keeps the session's looping files decoded for the next Play: the files as they
// stand after each playback (edits may have come before it) at the options' rate, and a new
// session's (none) in place of the old one's.
TEST(CVornaView, EachStopAndANewSessionKeepTheSessionsLoops)
{
    ViewFixture f;
    f.options.m_qualityType = 3; // 48000 Hz
    f.doc.m_sessionLength = 300;
    f.engine.keeps.clear();
    f.Send(WM_APP_PLAY);
    EXPECT_TRUE(f.engine.keeps.empty()) << "the playback holds them itself";
    f.Send(WM_APP_STOP);
    ASSERT_EQ(f.engine.keeps.size(), 1u);
    EXPECT_EQ(f.engine.keeps[0].m_tracks, &f.doc.m_tracks);
    EXPECT_EQ(f.engine.keeps[0].m_rate, 48000u);
    ui::SendCommand(f.view.get(), ID_FILE_NEW, ui::Notify::Menu);
    EXPECT_EQ(f.engine.keeps.size(), 2u);
}

// The request carries the options, the session and the selection; a preview plays the selected
// segment and the level window is the one the sender named.
TEST(CVornaView, PlayFillsTheRequest)
{
    ViewFixture f;
    f.options.m_qualityType = 3; // 48000 Hz
    f.options.m_fadeSegmentSeconds = 2.0;
    f.options.m_fadePlaylistSeconds = 9.0;
    f.doc.m_sessionLength = 420;
    f.view->SetSelection(2, 0);
    apptest::FakeRecorder sink;

    f.view->Play(true, &sink);
    ASSERT_EQ(f.engine.plays.size(), 1u);
    const CPlaybackParams& p = f.engine.plays[0];
    EXPECT_EQ(p.m_tracks, &f.doc.m_tracks);
    EXPECT_EQ(p.m_rate, 48000u);
    EXPECT_EQ(p.m_sessionSeconds, 420u);
    EXPECT_TRUE(p.m_previewOnly);
    EXPECT_EQ(p.m_previewTrack, 2);
    EXPECT_EQ(p.m_previewSegment, 0);
    EXPECT_DOUBLE_EQ(p.m_segmentFadeSeconds, 2.0);
    EXPECT_DOUBLE_EQ(p.m_playlistFadeSeconds, 9.0);
    EXPECT_EQ(p.m_brainwavesGlobal, &f.doc.m_brainwaves);
    EXPECT_EQ(p.m_bilateralGlobal, &f.doc.m_bilateral);
    EXPECT_NE(p.m_notifyWindow, nullptr);
    EXPECT_EQ(f.engine.lastLevelWindow, static_cast<rt::MixerBlockSink*>(&sink));

    // Restart (a timeline click) always plays plainly, without the level window.
    f.view->RestartPlayback();
    ASSERT_EQ(f.engine.plays.size(), 2u);
    EXPECT_FALSE(f.engine.plays[1].m_previewOnly);
    EXPECT_EQ(f.engine.lastLevelWindow, nullptr);
}

// Pause while idle changes nothing; Pause in a session of no length never divides by zero.
TEST(CVornaView, PauseWhenIdleOrWithoutLength)
{
    ViewFixture f;
    f.doc.m_cursorPosition = 0.3;
    f.doc.m_pausePosition = 0.7;
    f.Send(WM_APP_PAUSE);
    EXPECT_FALSE(f.doc.m_isPaused);
    EXPECT_DOUBLE_EQ(f.doc.m_pausePosition, 0.7);
    EXPECT_EQ(f.engine.stops, 0);

    f.doc.m_sessionLength = 0;
    f.Send(WM_APP_PLAY);
    f.engine.position = 12.0;
    f.Send(WM_APP_PAUSE);
    EXPECT_TRUE(f.doc.m_isPaused);
    EXPECT_DOUBLE_EQ(f.doc.m_pausePosition, 0.3) << "no length: no position, resume at the cursor";
}

// The stage jumps: first and last stage, t = 1.0 while playing, a gap, and no stages at all.
TEST(CVornaView, StageJumps)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<double, double>> stages;
        bool playing;
        double cursor;   // when idle
        double position; // seconds of 100, when playing
        bool next;
        double expected;
    };
    const std::vector<std::pair<double, double>> three = {{0.0, 0.2}, {0.2, 0.6}, {0.6, 1.0}};
    const Case cases[] = {
        {"next from the middle", three, false, 0.3, 0, true, 0.6},
        {"previous from the middle", three, false, 0.3, 0, false, 0.0},
        {"next in the last stage stays", three, false, 0.8, 0, true, 0.6},
        {"previous in the first stage stays", three, false, 0.1, 0, false, 0.0},
        {"next at the very end goes to the start", three, true, 0, 100.0, true, 0.0},
        {"previous at the very end goes to the last stage", three, true, 0, 100.0, false, 0.6},
        {"playing: whole seconds of the position", three, true, 0, 59.9, true, 0.6},
        {"previous in a gap goes to the first stage", {{0.0, 0.2}, {0.5, 1.0}}, false, 0.3, 0, false, 0.0},
        {"next in a gap goes to the first stage", {{0.0, 0.2}, {0.5, 1.0}}, false, 0.3, 0, true, 0.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ViewFixture f;
        f.doc.m_sessionLength = 100;
        SetStages(f.doc.m_stages, c.stages);
        f.doc.m_cursorPosition = c.cursor;
        f.doc.m_isPaused = true;
        if (c.playing)
        {
            f.Send(WM_APP_PLAY);
            f.engine.position = c.position;
        }
        f.Send(c.next ? WM_APP_NEXT_STAGE : WM_APP_PREVIOUS_STAGE);
        EXPECT_DOUBLE_EQ(f.doc.m_cursorPosition, c.expected);
        EXPECT_FALSE(f.doc.m_isPaused);
        if (c.playing)
        {
            ASSERT_EQ(f.engine.plays.size(), 2u) << "a jump while playing restarts there";
            EXPECT_DOUBLE_EQ(f.engine.plays[1].m_startFraction, c.expected);
        }
    }
}

// A session file may hold no stages: both jumps then do nothing (never index a missing stage).
TEST(CVornaView, StageJumpsWithoutStagesDoNothing)
{
    ViewFixture f;
    const std::vector<std::uint8_t> noStages = {0, 0, 0, 0}; // a stage list of count 0
    plat::Archive ar = plat::Archive::ForLoading(noStages, CVornaDoc::kFileVersion);
    f.doc.m_stages.Serialize(ar);
    ASSERT_EQ(f.doc.m_stages.GetCount(), 0);
    f.doc.m_cursorPosition = 0.4;
    f.Send(WM_APP_NEXT_STAGE);
    f.Send(WM_APP_PREVIOUS_STAGE);
    EXPECT_DOUBLE_EQ(f.doc.m_cursorPosition, 0.4);
    EXPECT_TRUE(f.fakeUi.boxes.empty());
}

// Go to start: cursor 0 and, while playing, a restart from there.
TEST(CVornaView, GoToStartRestartsFromZero)
{
    ViewFixture f;
    f.doc.m_cursorPosition = 0.5;
    f.Send(WM_APP_PLAY);
    f.Send(WM_APP_GO_TO_START);
    EXPECT_DOUBLE_EQ(f.doc.m_cursorPosition, 0.0);
    ASSERT_EQ(f.engine.plays.size(), 2u);
    EXPECT_DOUBLE_EQ(f.engine.plays[1].m_startFraction, 0.0);
}

// The keys P, S and Space reach the same transport: P restarts while playing, Space pauses only
// while playing.
TEST(CVornaView, TransportKeys)
{
    ViewFixture f;
    ui::SendCommand(f.view.get(), ID_ACCEL_PAUSE, ui::Notify::Accelerator);
    EXPECT_FALSE(f.doc.m_isPaused) << "Space while stopped does nothing";
    ui::SendCommand(f.view.get(), ID_ACCEL_PLAY, ui::Notify::Accelerator);
    ui::SendCommand(f.view.get(), ID_ACCEL_PLAY, ui::Notify::Accelerator);
    EXPECT_EQ(f.engine.plays.size(), 2u);
    EXPECT_EQ(f.engine.stops, 1);
    ui::SendCommand(f.view.get(), ID_ACCEL_PAUSE, ui::Notify::Accelerator);
    EXPECT_TRUE(f.doc.m_isPaused);
    ui::SendCommand(f.view.get(), ID_ACCEL_STOP, ui::Notify::Accelerator);
    EXPECT_FALSE(f.doc.m_isPaused);
}

// Timer 4 ends a session the engine has finished: flags cleared, engine stopped, timer gone.
TEST(CVornaView, PlaybackTimerStopsAFinishedSession)
{
    ViewFixture f;
    f.Send(WM_APP_PLAY);
    f.doc.m_isPaused = true;
    f.engine.playing = false; // the end of the session
    EXPECT_TRUE(vtest::WaitFor([&] { return !f.doc.m_isPlaying; }, 2000));
    EXPECT_FALSE(f.doc.m_isPaused);
    EXPECT_EQ(f.engine.stops, 1);
    EXPECT_FALSE(f.view->HasTimer(CVornaView::kTimerPlayback));
}

// An engine error posted from another thread stops the playback and shows its text once; an
// error without text stops without a box.
TEST(CVornaView, MixerErrorFromAnotherThreadStopsAndShowsOnce)
{
    ViewFixture f;
    f.Send(WM_APP_PLAY);
    std::thread worker([&] { f.view->PostMixerError(QStringLiteral("Failed to open the voice file.")); });
    worker.join();
    EXPECT_TRUE(vtest::WaitFor([&] { return !f.fakeUi.boxes.empty(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.doc.m_isPlaying);
    ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(f.fakeUi.boxes[0].text, QStringLiteral("Failed to open the voice file."));

    f.Send(WM_APP_PLAY);
    f.view->PostMixerError(QString());
    EXPECT_TRUE(vtest::WaitFor([&] { return !f.doc.m_isPlaying; }, 2000));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.fakeUi.boxes.size(), 1u);
}

// An error of a playback that already ended arrives while the next one plays: it is shown, and
// the new playback goes on.
TEST(CVornaView, LateMixerErrorStopsOnlyItsOwnPlayback)
{
    ViewFixture f;
    f.Send(WM_APP_PLAY);
    const std::uint64_t first = f.view->PlaybackNumber();
    // Queued while the first plays, handled after the second has started.
    f.view->PostMixerError(QStringLiteral("old error"));
    f.Send(WM_APP_STOP);
    f.Send(WM_APP_PLAY);
    ASSERT_NE(f.view->PlaybackNumber(), first);
    ASSERT_TRUE(f.fakeUi.boxes.empty());

    EXPECT_TRUE(vtest::WaitFor([&] { return !f.fakeUi.boxes.empty(); }, 2000));
    EXPECT_TRUE(f.doc.m_isPlaying);
    EXPECT_EQ(f.engine.stops, 1);
}

// Timer 3: the help at "index" on the first start only, remembered as "1"; the update check runs
// only when it is due.
TEST(CVornaView, StartupTimerShowsFirstRunHelpOnceAndChecksWhenDue)
{
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("MsgHelp"), QStringLiteral("0"));
    {
        ViewFixture f;
        f.view->OnInitialUpdate();
        EXPECT_TRUE(vtest::WaitFor([&] { return f.help->shows > 0; }, 2000));
        EXPECT_EQ(f.help->topics, std::vector<QString>{QStringLiteral("index")});
        EXPECT_EQ(f.updates.runs, 0) << "not due";
        QString stored;
        EXPECT_TRUE(GetRegString(plat::RegRoot::CurrentUser, QStringLiteral("MsgHelp"), stored));
        EXPECT_EQ(stored, QStringLiteral("1"));
        EXPECT_FALSE(f.view->HasTimer(CVornaView::kTimerStartup));
    }
    {
        ViewFixture f;
        f.updates.due = true;
        f.view->OnInitialUpdate();
        EXPECT_TRUE(vtest::WaitFor([&] { return f.updates.runs > 0; }, 2000));
        QCoreApplication::processEvents();
        EXPECT_EQ(f.help->shows, 0) << "second start: no help";
        EXPECT_EQ(f.updates.runs, 1);
    }
}

// Help topics: a topic that follows the selection shows only while the help is open; any other
// opens it.
TEST(CVornaView, HelpTopicRouting)
{
    ViewFixture f;
    f.view->ShowHelpTopic(QStringLiteral("TheTracks"), ui::HelpFollow::WhileOpenOnly);
    EXPECT_EQ(f.help->shows, 0);
    EXPECT_TRUE(f.help->topics.empty());
    f.view->ShowHelpTopic(QStringLiteral("TheTracks"), ui::HelpFollow::Always);
    EXPECT_TRUE(f.help->visible);
    ASSERT_EQ(f.help->topics.size(), 1u);
    f.view->ShowHelpTopic(QStringLiteral("Options"), ui::HelpFollow::WhileOpenOnly);
    EXPECT_EQ(f.help->topics.back(), QStringLiteral("Options"));
}

// The output level: the larger absolute channel while playing, else 0.
TEST(CVornaView, OutputLevel)
{
    ViewFixture f;
    f.engine.left = -0.8;
    f.engine.right = 0.5;
    EXPECT_EQ(f.view->OutputLevel(), 0.0);
    f.Send(WM_APP_PLAY);
    EXPECT_DOUBLE_EQ(f.view->OutputLevel(), 0.8);
}

// Audio start-up: each library's version problem is shown as it is, a device that does not open
// shows the start-up failure, and the stored device maps to the layer's number.
TEST(CVornaView, AudioStartupTextsAndDevice)
{
    for (const char* text : {"Found a problem in the BASS driver (unexpected version).",
                             "Found a problem in the BASS driver (unexpected fx version).",
                             "Found a problem in the BASS driver (unexpected encoder version).",
                             "Found a problem in the BASS driver (unexpected mixer version)."})
    {
        ViewFixture f;
        f.audio.versionProblem = QString::fromLatin1(text);
        EXPECT_FALSE(f.view->InitAudio());
        ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
        EXPECT_EQ(f.fakeUi.boxes[0].text, QString::fromLatin1(text));
        EXPECT_TRUE(f.audio.devices.empty()) << "no device is opened after a version problem";
    }
    ViewFixture f;
    f.audio.initializes = false;
    EXPECT_FALSE(f.view->InitAudio());
    ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(f.fakeUi.boxes[0].text, QStringLiteral("Audio driver initialization failed."));
    f.audio.initializes = true;
    f.options.m_playbackDevice = 2;
    EXPECT_TRUE(f.view->InitAudio());
    f.options.m_playbackDevice = -1;
    EXPECT_TRUE(f.view->InitAudio());
    EXPECT_EQ(f.audio.devices, (std::vector<int>{-1, 3, -1}));
}

// Selecting a segment, changing one and changing the length mark the session modified; a length
// change while playing stops.
TEST(CVornaView, SelectionAndChangesMarkModified)
{
    struct Case
    {
        const char* name;
        std::function<void(CVornaView&)> change;
        bool stops;
    };
    const Case cases[] = {
        {"select none", [](CVornaView& v) { v.SelectSegment(nullptr); }, false},
        {"segment changed", [](CVornaView& v) { v.SegmentChanged(); }, false},
        {"property changed", [](CVornaView& v) { v.PropertyChanged(); }, false},
        {"session length", [](CVornaView& v) { v.SessionLengthChanged(); }, true},
    };
    for (const Case& c : cases)
    {
        ViewFixture f;
        f.Send(WM_APP_PLAY);
        c.change(*f.view);
        EXPECT_TRUE(f.doc.IsSessionModified()) << c.name;
        EXPECT_EQ(f.doc.m_isPlaying, !c.stops) << c.name;
    }
}

// The live-recording sequence: the one-time notice, the countdown, the placeholder at track 0
// that grows with the engine's position, and nothing of it left after Stop.
TEST(CVornaView, LiveRecordingAddsGrowsAndRemovesThePlaceholder)
{
    ViewFixture f;
    f.doc.m_sessionLength = 200;
    const int tracksBefore = f.doc.m_tracks.GetCount();
    const int segmentsBefore = f.doc.m_tracks.GetTrack(0).m_segments.GetCount();

    f.Send(WM_APP_LIVE_RECORDING);
    ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(
        f.fakeUi.boxes[0].text,
        QStringLiteral("You are about to start a live recording session.\n\nIf you want to cancel the live "
                       "recording before it completes, please press the stop button at the bottom "
                       "panel.\n\nThis is a one-time message and it will not be shown again."));
    EXPECT_EQ(f.countdowns, 1);
    ASSERT_EQ(f.recorder->setups, 1);
    EXPECT_TRUE(f.recorder->live);
    EXPECT_DOUBLE_EQ(f.recorder->sessionSeconds, 200.0);
    ASSERT_NE(f.recorder->source, nullptr);
    EXPECT_EQ(f.recorder->source, f.doc.m_tracks.GetTrack(0).m_segments.GetSegment(0).get());
    EXPECT_TRUE(f.doc.m_isLive);
    EXPECT_TRUE(f.doc.m_isPlaying);
    EXPECT_DOUBLE_EQ(f.engine.plays.back().m_startFraction, 0.0);
    EXPECT_EQ(f.engine.lastLevelWindow, static_cast<rt::MixerBlockSink*>(f.recorder));
    EXPECT_TRUE(f.doc.IsSessionModified());

    f.engine.position = 50.0;
    f.view->UpdateRecordingLength();
    const CSegment& placeholder = *f.doc.m_tracks.GetTrack(0).m_segments.GetSegment(0);
    EXPECT_DOUBLE_EQ(placeholder.m_begin, 0.0);
    EXPECT_DOUBLE_EQ(placeholder.m_end, 0.25);
    f.engine.position = 100.0;
    EXPECT_TRUE(vtest::WaitFor([&] { return placeholder.m_end == 0.5; }, 2000)) << "timer 4 grows it";

    f.Send(WM_APP_STOP);
    EXPECT_FALSE(f.doc.m_isLive);
    EXPECT_EQ(f.recorder->stops, 1);
    EXPECT_EQ(f.recorder->source, nullptr) << "the recorder lets go of the placeholder";
    EXPECT_EQ(f.doc.m_tracks.GetCount(), tracksBefore);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), segmentsBefore);
    int track = 0;
    int segment = 0;
    f.view->GetSelection(track, segment);
    EXPECT_EQ(track, -1);
    EXPECT_EQ(segment, -1);

    // The notice is shown once; a cancelled countdown leaves the session as it was.
    f.countdownAnswer = ui::IDCANCEL;
    f.Send(WM_APP_LIVE_RECORDING);
    EXPECT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(f.recorder->setups, 1);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), segmentsBefore);
}

// A recorder that cannot start leaves no placeholder behind.
TEST(CVornaView, LiveRecordingThatCannotPrepareRemovesThePlaceholder)
{
    ViewFixture f;
    const int segmentsBefore = f.doc.m_tracks.GetTrack(0).m_segments.GetCount();
    f.recorder->prepares = false;
    f.Send(WM_APP_LIVE_RECORDING);
    EXPECT_EQ(f.recorder->setups, 1);
    EXPECT_FALSE(f.doc.m_isLive);
    EXPECT_EQ(f.recorder->source, nullptr);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), segmentsBefore);
}

// The playback timer hands the engine's read-outs to the transport bar and the play line to the
// tracks pane; a session of no length has no play line (no division by zero).
TEST(CVornaView, PlaybackTimerHandsTheReadoutsToThePanes)
{
    ViewFixture f;
    f.doc.m_sessionLength = 300;
    f.doc.m_cursorPosition = 0.1;
    f.Send(WM_APP_PLAY);
    f.engine.position = 75.0;
    f.engine.left = 0.4;
    f.engine.right = 0.6;
    auto* bar = static_cast<CPaneControlbar*>(f.view->GetPane(ID_PANE_CONTROLBAR));
    auto* tracks = static_cast<CPaneTracks*>(f.view->GetPane(ID_PANE_TRACKS));
    EXPECT_TRUE(vtest::WaitFor([&] { return bar->Status()->GetPosition() == 75.0; }, 2000));
    EXPECT_DOUBLE_EQ(tracks->GetPlayPosition(), 0.25);
    EXPECT_DOUBLE_EQ(bar->MeterLevels()->GetLoad(), 0.1);
    EXPECT_DOUBLE_EQ(f.doc.m_cursorPosition, 0.1) << "playing never moves the cursor";

    f.doc.m_sessionLength = 0;
    EXPECT_TRUE(vtest::WaitFor([&] { return tracks->GetPlayPosition() == -1.0; }, 2000));

    // The tracks pane is what the windows below the view get as its selection.
    EXPECT_EQ(f.view->TracksPane(), static_cast<ui::SelectionSource*>(tracks));
}
