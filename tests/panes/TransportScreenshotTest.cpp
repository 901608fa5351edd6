// Pictures of the real transport bar for a reviewer, under test-output/: idle with the mouse over
// the timeline, three successive ticks while playing (the meters and the time move), and during a
// live recording (only Stop enabled, the record mark on). Each picture shows what changed: the
// hover values in the status, moving meters and time, the dimmed buttons of a live recording.
#include "panes/CPaneControlbar.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneMeterSound.h"
#include "panes/CPaneStatus.h"

#include "controls/CHoverButton.h"
#include "controls/CommandIds.h"
#include "controls/Style.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <utility>

namespace
{

QString OutputPath(const char* name)
{
    const QString folder = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder + QLatin1Char('/') + QString::fromLatin1(name);
}

/** Engine read-outs of a session at @p seconds: a beat in the lower bands, music above. */
PlaybackReadouts Readouts(double seconds, int tick)
{
    PlaybackReadouts r;
    r.positionSeconds = seconds;
    r.levelLeft = 0.62 + 0.2 * std::sin(tick * 1.3);
    r.levelRight = 0.55 + 0.2 * std::cos(tick * 1.7);
    for (int i = 0; i < PlaybackReadouts::kBands; ++i)
    {
        const double shape = std::exp(-0.5 * std::pow((i - 4.0) / 3.5, 2.0)) * 0.8 + 0.12;
        r.spectrum[i] = std::clamp(shape * (0.8 + 0.25 * std::sin(tick * 0.9 + i * 0.7)), 0.0, 1.0);
    }
    r.load = 0.11 + 0.03 * tick;
    return r;
}

} // namespace

TEST(Screenshot, TransportBarIdlePlayingAndRecording)
{
    const QPalette previousPalette = QApplication::palette();
    const QFont previousFont = QApplication::font();
    ui::ApplyWorkspaceStyle(*qApp);
    vtest::FakeUi fake;
    const int width = 1280;
    CVornaDoc doc;
    doc.m_sessionLength = 1200;
    CGraph descent;
    descent.Reset();
    descent.MovePoint(0, 0.0, 10.0 / 40.0);
    descent.MovePoint(1, 1.0, 2.5 / 40.0);
    doc.m_brainwaves.m_property.SetGraph(descent);
    doc.m_bilateral.m_property.SetValue(45);

    ui::Window view;
    view.resize(width, 60);
    auto* bar = new CPaneControlbar();
    ASSERT_TRUE(bar->Create(&view, ID_PANE_CONTROLBAR, QRect(0, 0, width, 60)));
    bar->SetDocument(&doc);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto grab = [&] { return view.grab().toImage(); };
    auto rectOf = [&](QWidget* w) { return QRect(w->mapTo(&view, QPoint(0, 0)), w->size()); };
    const QRect status = rectOf(bar->Status());
    const QRect sound = rectOf(bar->MeterSound());
    const QRect levels = rectOf(bar->MeterLevels());

    doc.m_hoverPosition = -1;
    const QImage noHover = grab();

    // Idle: the read-out follows the mouse over the timeline, at a third of the session.
    doc.m_hoverPosition = 1.0 / 3.0;
    const QImage idle = grab();
    ASSERT_TRUE(idle.save(OutputPath("transport-idle.png")));
    EXPECT_NE(idle.copy(status), noHover.copy(status)) << "the status shows the hover's values";
    EXPECT_EQ(idle.copy(sound), noHover.copy(sound));

    // Playing: three ticks of the view's timer, stacked.
    doc.m_hoverPosition = -1;
    doc.m_isPlaying = true;
    QImage playing(width, 3 * 60 + 2 * 4, QImage::Format_RGB32);
    playing.fill(QColor(30, 30, 30));
    {
        QPainter p(&playing);
        QImage previous = idle;
        for (int tick = 0; tick < 3; ++tick)
        {
            bar->SetReadouts(Readouts(534.0 + tick * 0.1 * 7, tick));
            const QImage now = grab();
            p.drawImage(0, tick * 64, now);
            // The spectrum and the level bars follow every tick, the time each new second.
            for (const auto& [area, what] :
                 {std::pair{sound, "sound meter"}, std::pair{levels, "level meter"}})
            {
                EXPECT_NE(now.copy(area), previous.copy(area)) << what << " at tick " << tick;
            }
            if (tick != 1) // 534.7 s still shows 08:54
            {
                EXPECT_NE(now.copy(status), previous.copy(status)) << "status at tick " << tick;
            }
            previous = now;
        }
    }
    ASSERT_TRUE(playing.save(OutputPath("transport-playing.png")));

    // A live recording: only Stop stays enabled; the record mark is in its visible 750 ms.
    doc.m_isLive = true;
    fake.tickCount = 400;
    bar->SetReadouts(Readouts(42.0, 5));
    const QImage live = grab();
    ASSERT_TRUE(live.save(OutputPath("transport-live-recording.png")));
    EXPECT_NE(live, playing.copy(0, 128, width, 60));
    // Only Stop stays enabled, and the others show it: each looks other than while playing.
    const QImage lastTick = playing.copy(0, 128, width, 60);
    for (const CPaneControlbar::ButtonSpec& spec : CPaneControlbar::Buttons())
    {
        QWidget* button = bar->Button(spec.id);
        const bool stop = spec.id == ID_TRANSPORT_STOP;
        EXPECT_EQ(button->isEnabled(), stop) << spec.id;
        if (stop)
        {
            EXPECT_EQ(live.copy(rectOf(button)), lastTick.copy(rectOf(button)));
        }
        else
        {
            EXPECT_NE(live.copy(rectOf(button)), lastTick.copy(rectOf(button))) << spec.id;
        }
    }

    std::printf("transport bar: %s\n", qPrintable(OutputPath("transport-*.png")));
    QApplication::setPalette(previousPalette);
    QApplication::setFont(previousFont);
}
