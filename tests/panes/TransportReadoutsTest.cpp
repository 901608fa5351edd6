// The transport bar's read-outs, by pixels and by strings: the load meter, the level bars and the
// spectrum, the status texts and the blinking record mark.
#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "model/CVornaDoc.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneMeterSound.h"
#include "panes/CPaneStatus.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QTest>

namespace
{

const QRgb kGrey = qRgb(100, 100, 100);

QImage Grab(QWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

/** A pane created inside a plain parent over a document. */
template <typename Pane> struct Fixture
{
    Fixture(int id, const QRect& rect)
    {
        parent.resize(rect.right() + 10, rect.bottom() + 10);
        EXPECT_TRUE(pane->Create(&parent, id, rect));
        pane->SetDocument(&doc);
        parent.show();
    }
    CVornaDoc doc;
    ui::Window parent;
    Pane* pane = new Pane();
};

/** The x of every run of grey pixels on row @p y from @p from on, with its width. */
std::vector<std::pair<int, int>> GreyRuns(const QImage& image, int y, int from)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = from; x < image.width(); ++x)
        if (image.pixel(x, y) == kGrey)
        {
            const int start = x;
            while (x < image.width() && image.pixel(x, y) == kGrey)
                ++x;
            runs.emplace_back(start, x - start);
        }
    return runs;
}

} // namespace

// A load of 0.25 on the 160-pixel meter leaves 105 of the 140 bar pixels grey, from x = 45; not
// playing, the whole bar is grey and the text says 0 %.
TEST(CPaneMeterLevels, GreyCoverStartsWhereTheLoadEnds)
{
    Fixture<CPaneMeterLevels> t(ID_PANE_METER_LEVELS, QRect(0, 0, 160, 40));
    t.doc.m_isPlaying = true;
    t.pane->SetLoad(0.25);
    EXPECT_EQ(CPaneMeterLevels::UnfilledLeft(0.25, 160), 45);
    QImage shot = Grab(*t.pane);
    EXPECT_NE(shot.pixel(44, 27), kGrey); // bar art
    EXPECT_EQ(shot.pixel(45, 27), kGrey);
    EXPECT_EQ(shot.pixel(46, 27), kGrey);
    EXPECT_EQ(shot.pixel(149, 27), kGrey);
    EXPECT_NE(shot.pixel(150, 27), kGrey); // the cover ends 10 pixels before the edge
    EXPECT_EQ(CPaneMeterLevels::LoadText(0.25), QStringLiteral("Playback overload    25%"));
    EXPECT_EQ(CPaneMeterLevels::LoadText(0.999), QStringLiteral("Playback overload    99%"));
    EXPECT_EQ(CPaneMeterLevels::LoadText(1.0), QStringLiteral("Playback overload    100%"));

    t.doc.m_isPlaying = false;
    EXPECT_EQ(t.pane->ShownLoad(), 0.0);
    shot = Grab(*t.pane);
    EXPECT_EQ(shot.pixel(10, 27), kGrey);
    EXPECT_NE(shot.pixel(9, 27), kGrey);
}

// Left level 0.5 greys the top half of the left bar; the spectrum draws 16 bars from
// x = (W - 48) mod 16 + 38, each (W - 48) / 16 - 2 wide, grey down to its value; all zeros
// (all grey) when not playing.
TEST(CPaneMeterSound, LevelBarsAndSpectrumByPixels)
{
    const int w = 254, h = 40;
    Fixture<CPaneMeterSound> t(ID_PANE_METER_SOUND, QRect(0, 0, w, h));
    std::array<double, 16> bands{};
    bands[0] = 1.0;
    bands[1] = 0.5;
    t.pane->SetLevels(0.5, 0.0);
    t.pane->SetSpectrum(bands);

    // Not playing: zeros everywhere, whatever was handed in.
    QImage shot = Grab(*t.pane);
    EXPECT_EQ(shot.pixel(15, 31), kGrey);
    const int first = CPaneMeterSound::SpectrumFirstX(w), barWidth = CPaneMeterSound::SpectrumBarWidth(w);
    EXPECT_EQ(first, (w - 48) % 16 + 38);
    EXPECT_EQ(barWidth, 10);
    auto runs = GreyRuns(shot, 20, 34);
    ASSERT_EQ(runs.size(), 16u);
    for (int i = 0; i < 16; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i], std::make_pair(first + i * (barWidth + 2), barWidth));
    }

    t.doc.m_isPlaying = true;
    shot = Grab(*t.pane);
    // Left bar (10, 8)-(20, 32): rows 8..19 grey, 20..31 the bar; the right one all grey.
    EXPECT_EQ(shot.pixel(15, 8), kGrey);
    EXPECT_EQ(shot.pixel(15, 19), kGrey);
    EXPECT_NE(shot.pixel(15, 20), kGrey);
    EXPECT_NE(shot.pixel(15, 31), kGrey);
    EXPECT_EQ(shot.pixel(27, 31), kGrey);
    // Band 0 full, band 1 half (12 of 24 rows: grey down to y = 20), the others empty.
    EXPECT_NE(shot.pixel(first, 8), kGrey);
    EXPECT_EQ(shot.pixel(first + 12, 19), kGrey);
    EXPECT_NE(shot.pixel(first + 12, 20), kGrey);
    EXPECT_EQ(shot.pixel(first + 24, 31), kGrey);
    EXPECT_EQ(GreyRuns(shot, 10, 34).size(), 15u);

    // Too narrow or too low for a spectrum: drawn without one, and without a fault.
    t.pane->resize(40, 40);
    Grab(*t.pane);
    t.pane->resize(w, 10);
    Grab(*t.pane);
}

// The strings of the status pane: two-digit minutes and seconds, the beat with two decimals, and
// the band names exactly at their thresholds.
TEST(CPaneStatus, FormatsTimeBeatBandAndRate)
{
    struct Case
    {
        int seconds;
        double beat, rate;
        const char *time, *beatText, *band, *rateText;
    };
    const Case cases[] = {
        {0, 4.0, 60.0, "00:00", "4.00", "Theta", "60"},
        {61, 14.0, 60.9, "01:01", "14.00", "Beta", "60"},
        {3599, 13.99, 1200.0, "59:59", "13.99", "Alpha", "1200"},
        {6000, 8.0, 1.0, "100:00", "8.00", "Alpha", "1"},
        {5, 7.99, 30.5, "00:05", "7.99", "Theta", "30"},
        {5, 3.99, 30.0, "00:05", "3.99", "Delta", "30"},
        {5, 0.0, 30.0, "00:05", "0.00", "Delta", "30"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.time);
        const CPaneStatus::Text text = CPaneStatus::FormatStatus(c.seconds, c.beat, c.rate);
        EXPECT_EQ(text.time, QString::fromLatin1(c.time));
        EXPECT_EQ(text.beat, QString::fromLatin1(c.beatText));
        EXPECT_EQ(text.band, QString::fromLatin1(c.band));
        EXPECT_EQ(text.rate, QString::fromLatin1(c.rateText));
    }
}

// Idle, the status reads the point under the mouse (or the start); playing, the position handed
// in; an automatic walk is shown as it stands, never stepped by the read-out.
TEST(CPaneStatus, ShowsHoverWhenIdleAndThePositionWhilePlaying)
{
    Fixture<CPaneStatus> t(ID_PANE_STATUS, QRect(0, 0, 226, 40));
    CVornaDoc& doc = t.doc;
    EXPECT_EQ(t.pane->CurrentText().time, QStringLiteral("00:00"));
    EXPECT_EQ(t.pane->CurrentText().beat, QStringLiteral("4.00")); // the default constant
    EXPECT_EQ(t.pane->CurrentText().rate, QStringLiteral("60"));

    // A graph over the session: 0 Hz at the start to 40 Hz at the end.
    CGraph ramp;
    ramp.Reset();
    ramp.MovePoint(1, 1.0, 1.0);
    doc.m_brainwaves.m_property.SetGraph(ramp);
    doc.m_hoverPosition = 0.5;
    EXPECT_EQ(t.pane->CurrentText().time, QStringLiteral("02:30"));
    EXPECT_EQ(t.pane->CurrentText().beat, QStringLiteral("20.00"));
    EXPECT_EQ(t.pane->CurrentText().band, QStringLiteral("Beta"));

    doc.m_isPlaying = true;
    t.pane->SetPosition(75.6);
    EXPECT_EQ(t.pane->CurrentText().time, QStringLiteral("01:15"));
    EXPECT_EQ(t.pane->CurrentText().beat, QString::asprintf("%04.2f", 75.6 / 300 * 40));

    CSmartProperty& beat = doc.m_brainwaves.m_property;
    beat.GetAutoGraph().m_lowerLimit = 2;
    beat.GetAutoGraph().m_upperLimit = 12;
    beat.SetMode(CSmartProperty::kModeAutoGraph);
    beat.StartAutoGraph(3);
    double engine = 0.0;
    for (int i = 0; i < 7; ++i)
        engine = beat.GetValueAt(0.0); // the engine's evaluations
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(t.pane->CurrentText().beat, QString::asprintf("%04.2f", engine));
    EXPECT_DOUBLE_EQ(beat.GetAutoGraph().LastValue(), engine);

    // A session of no length divides nothing.
    doc.m_sessionLength = 0;
    EXPECT_EQ(t.pane->CurrentText().time, QStringLiteral("01:15"));
    doc.m_isPlaying = false;
    EXPECT_EQ(t.pane->CurrentText().time, QStringLiteral("00:00"));
    Grab(*t.pane);
}

/** The status counting its paints. */
class CountingStatus : public CPaneStatus
{
public:
    int paints = 0;

protected:
    void OnPaint(QPainter& painter) override
    {
        ++paints;
        CPaneStatus::OnPaint(painter);
    }
};

// While playing, the engine's position moves on every tick of the view's timer; the status repaints
// only when what it shows changes (the whole second, or the beat or rate of a graph).
TEST(CPaneStatus, RepaintsOnlyWhenItsTextChanges)
{
    Fixture<CountingStatus> t(ID_PANE_STATUS, QRect(0, 0, 226, 40));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.parent));
    t.doc.m_sessionLength = 1000;
    t.doc.m_isPlaying = true;
    auto paintsAfter = [&](double seconds)
    {
        const int before = t.pane->paints;
        t.pane->SetPosition(seconds);
        QTest::qWait(20);
        return t.pane->paints - before;
    };
    paintsAfter(75.05);
    EXPECT_EQ(paintsAfter(75.4), 0) << "same second, constant beat and rate";
    EXPECT_EQ(paintsAfter(75.9), 0);
    EXPECT_EQ(paintsAfter(76.0), 1) << "the next second";

    // A beat rising by 0.04 Hz a second changes its two decimals within a second.
    CGraph ramp;
    ramp.Reset();
    ramp.MovePoint(1, 1.0, 1.0);
    t.doc.m_brainwaves.m_property.SetGraph(ramp);
    paintsAfter(100.0);
    EXPECT_EQ(paintsAfter(100.5), 1);
}

// The record mark shows for the last 750 ms of every second of a live recording: at tick
// mod 1000 = 250, not at 249; never without a live recording.
TEST(CPaneStatus, RecordMarkBlinksWithTheClock)
{
    vtest::FakeUi fake;
    Fixture<CPaneStatus> t(ID_PANE_STATUS, QRect(0, 0, 226, 40));
    EXPECT_TRUE(CPaneStatus::RecordMarkVisible(250));
    EXPECT_FALSE(CPaneStatus::RecordMarkVisible(249));
    EXPECT_TRUE(CPaneStatus::RecordMarkVisible(999));
    EXPECT_FALSE(CPaneStatus::RecordMarkVisible(1000));

    const QImage mark = ui::LoadBitmap(CPaneStatus::kRecordMark).toImage();
    const QPoint centre(82 + mark.width() / 2, 2 + mark.height() / 2);
    const QRgb markPixel = mark.pixel(mark.width() / 2, mark.height() / 2);
    t.doc.m_isPlaying = t.doc.m_isLive = true;
    fake.tickCount = 7250;
    EXPECT_TRUE(t.pane->IsRecordMarkShown());
    EXPECT_EQ(Grab(*t.pane).pixel(centre), markPixel);
    fake.tickCount = 7249;
    EXPECT_FALSE(t.pane->IsRecordMarkShown());
    EXPECT_NE(Grab(*t.pane).pixel(centre), markPixel);
    fake.tickCount = 7250;
    t.doc.m_isLive = false;
    EXPECT_FALSE(t.pane->IsRecordMarkShown());
}

TEST(CPaneStatus, CreationFailsWithoutItsPictures)
{
    for (int id : {CPaneStatus::kBackground, CPaneStatus::kRecordMark})
    {
        SCOPED_TRACE(id);
        ui::Window parent;
        ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, id);
        CPaneStatus status;
        EXPECT_FALSE(status.Create(&parent, ID_PANE_STATUS, QRect(0, 0, 226, 40)));
    }
}
