// The whole main window with a demo session (one track of each kind), idle and while playing on
// the real engine, at the two screen sizes a reviewer looks at, as the window system holds it:
// every segment's bar shows, and while playing the play line; and the real engine's main path:
// a session plays, its position advances and timer 4 ends it by itself.
#include "AppTestSupport.h"

#include "app/CMainFrame.h"
#include "audio/CMixer.h"
#include "controls/CommandIds.h"
#include "model/CSegments.h"
#include "panes/CPaneTracks.h"
#include "platform/audio/AudioSystem.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace
{

/** One segment on each of the eight tracks of a new session, spread over its length. */
void FillDemoSession(CVornaDoc& doc)
{
    doc.m_sessionLength = 600;
    for (int i = 0; i < doc.m_tracks.GetCount(); ++i)
    {
        CTrack& track = doc.m_tracks.GetTrack(i);
        CSegments::SegmentPtr segment = CSegments::CreateSegment(track.m_kind);
        segment->m_begin = 0.05 + 0.04 * i;
        segment->m_end = 0.55 + 0.05 * i;
        track.m_segments.AddSegment(segment);
    }
}

/** A frame with the real engine (the null device) over a demo session, at @p size. */
struct RealWorkspace
{
    explicit RealWorkspace(QSize size)
    {
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
        doc.SetOptions(&options);
        doc.SetMixer(&mixer);
        FillDemoSession(doc);
        shell::ViewServices services;
        services.audio = &audio;
        services.makeHelpWindow = [](QWidget*) { return std::make_unique<apptest::FakeHelp>(); };
        frame = std::make_unique<CMainFrame>();
        auto* view = new CVornaView(&doc, services);
        view->Create(frame.get(), 0xE900, QRect());
        frame->SetView(view);
        frame->setMinimumSize(0, 0);
        frame->resize(size);
        frame->show();
        vtest::WaitFor([&] { return view->size() == size; }, 2000);
        vtest::WaitFor([&] { return frame->windowHandle() != nullptr && frame->windowHandle()->isExposed(); },
                       2000);
    }
    ~RealWorkspace()
    {
        frame.reset();
        mixer.Stop();
    }
    CVornaView* View() const { return frame->GetActiveView(); }

    vtest::FakeUi fakeUi;
    apptest::FakeAudio audio;
    COptions options;
    CMixer mixer;
    CVornaDoc doc;
    std::unique_ptr<CMainFrame> frame;
};

/** What the window system holds for @p window (not a fresh paint: grab() would hide a pane that
 *  was never repainted), saved as @p name. */
QImage Save(QWidget& window, const QString& name)
{
    // Every repaint asked for so far reaches the backing store before it is read.
    QCoreApplication::sendPostedEvents();
    vtest::WaitFor([] { return false; }, 30);
    QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
    const QImage image = window.screen()->grabWindow(window.winId()).toImage();
    EXPECT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/") + name)) << name.toStdString();
    return image;
}

/** The tracks pane's rectangle in the frame. */
QRect TracksRect(const RealWorkspace& w)
{
    QWidget* tracks = w.View()->GetPane(ID_PANE_TRACKS);
    return QRect(tracks->mapTo(w.frame.get(), QPoint(0, 0)), tracks->size());
}

/** Each demo segment's bar shows in the middle of its row, in its track's colour rather than the
 *  row's grey. */
void ExpectSegmentsShown(const RealWorkspace& w, const QImage& shot)
{
    auto* tracks = dynamic_cast<CPaneTracks*>(w.View()->GetPane(ID_PANE_TRACKS));
    ASSERT_NE(tracks, nullptr);
    const QPoint origin = TracksRect(w).topLeft();
    for (int i = 0; i < w.doc.m_tracks.GetCount(); ++i)
    {
        const CPaneTracks::Box box = tracks->GetSegmentRect(i, 0);
        const QPoint centre = origin + QPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        const QColor seen = shot.pixelColor(centre);
        EXPECT_GT(std::max({seen.red(), seen.green(), seen.blue()}) -
                      std::min({seen.red(), seen.green(), seen.blue()}),
                  40)
            << "track " << i << " at " << centre.x() << "," << centre.y();
    }
}

/** The play line (220, 220, 220) stands within a few columns of the engine's position. */
void ExpectPlayLineShown(const RealWorkspace& w, const QImage& shot)
{
    auto* tracks = dynamic_cast<CPaneTracks*>(w.View()->GetPane(ID_PANE_TRACKS));
    ASSERT_NE(tracks, nullptr);
    const QRect r = TracksRect(w);
    const int x = r.left() + static_cast<int>(tracks->GetPlayPosition() * r.width());
    // Between two rows' bars, where only the line can be light.
    int top = 0, bottom = 0;
    tracks->GetTrackRowRect(0, top, bottom);
    const int y = r.top() + top + 2;
    bool found = false;
    for (int dx = -4; dx <= 4 && !found; ++dx)
        found = shot.pixelColor(x + dx, y) == QColor(220, 220, 220);
    EXPECT_TRUE(found) << "no play line near x " << x;
}

TEST(Workspace, ScreenshotsIdleAndPlaying)
{
    for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)})
    {
        RealWorkspace w(size);
        const QString stem = QStringLiteral("app-main-window-%1x%2").arg(size.width()).arg(size.height());
        ExpectSegmentsShown(w, Save(*w.frame, stem + "-idle.png"));

        w.doc.m_cursorPosition = 0.3;
        ui::SendMessage(w.View(), WM_APP_PLAY);
        ASSERT_TRUE(w.doc.m_isPlaying);
        // Long enough for the meters to have something and the play line to move off the cursor.
        vtest::WaitFor([&] { return w.mixer.GetPosition() > 0.3 * 600 + 1.0; }, 5000);
        vtest::WaitFor([] { return false; }, 300);
        const QImage playing = Save(*w.frame, stem + "-playing.png");
        ExpectSegmentsShown(w, playing);
        ExpectPlayLineShown(w, playing);
        ui::SendMessage(w.View(), WM_APP_STOP);
    }
}

// The real engine on the null device: the position advances, and at the session's end timer 4
// stops the playback by itself.
TEST(Workspace, RealEnginePlaysToTheEndAndStops)
{
    RealWorkspace w(QSize(1280, 800));
    w.doc.m_sessionLength = 2;
    ui::SendMessage(w.View(), WM_APP_PLAY);
    ASSERT_TRUE(w.doc.m_isPlaying);
    EXPECT_TRUE(vtest::WaitFor([&] { return w.mixer.GetPosition() > 0.5; }, 3000));
    EXPECT_TRUE(vtest::WaitFor([&] { return !w.doc.m_isPlaying; }, 6000)) << "timer 4 ends the session";
    EXPECT_FALSE(w.mixer.IsPlaying());
    EXPECT_FALSE(w.View()->HasTimer(CVornaView::kTimerPlayback));
    EXPECT_TRUE(w.fakeUi.boxes.empty())
        << (w.fakeUi.boxes.empty() ? "" : w.fakeUi.boxes[0].text.toStdString());
}

} // namespace
