#include "panes/CPaneStatus.h"

#include "controls/Behaviour.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"
#include "model/DisplayTime.h"

#include <cmath>

namespace
{
const QColor kText(180, 180, 180);
constexpr int kBeatCentre = 145;
constexpr int kRateCentre = 196;
constexpr int kBandCentre = 146;
const QPoint kMarkAt(82, 2);
} // namespace

CPaneStatus::CPaneStatus(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneStatus::OnCreate()
{
    m_timeFont = ui::MakeFont(25, 700);
    m_numberFont = ui::MakeFont(18, 700);
    m_smallFont = ui::MakeFont(13, 400);
    m_background = ui::LoadBitmap(kBackground);
    m_mark = ui::LoadBitmap(kRecordMark);
    if (m_background.isNull() || m_mark.isNull())
        return -1;
    const int created = CAppPane::OnCreate();
    // The blinking record mark; the rest is repainted through the transport bar.
    SetTimer(kBlinkTimer, kBlinkMs);
    return created;
}

QString CPaneStatus::BandName(double beat)
{
    if (beat >= 14.0)
        return QStringLiteral("Beta");
    if (beat >= 8.0)
        return QStringLiteral("Alpha");
    if (beat >= 4.0)
        return QStringLiteral("Theta");
    return QStringLiteral("Delta");
}

CPaneStatus::Text CPaneStatus::FormatStatus(int seconds, double beat, double rate)
{
    const int t = std::max(0, seconds);
    Text text;
    text.time = QString::asprintf("%2.2d:%2.2d", t / 60, t % 60);
    text.beat = QString::asprintf("%04.2f", beat);
    text.band = BandName(beat);
    text.rate = QString::asprintf("%d", std::isfinite(rate) ? static_cast<int>(rate) : 0);
    return text;
}

void CPaneStatus::SetPosition(double seconds)
{
    if (seconds == m_position)
        return;
    // The engine's position moves on every tick of the view's timer; the read-out shows whole
    // seconds and two decimals of the beat, so most ticks change nothing on screen.
    const Text before = CurrentText();
    m_position = seconds;
    if (CurrentText() != before)
        update();
}

CPaneStatus::Text CPaneStatus::CurrentText() const
{
    if (m_pDoc == nullptr)
        return FormatStatus(0, 0.0, 0.0);
    const CVornaDoc& doc = *m_pDoc;
    const double length = doc.m_sessionLength;
    int seconds = 0;
    double fraction = doc.m_hoverPosition;
    if (doc.m_isPlaying)
    {
        seconds = model::DisplaySeconds(m_position);
        // A session of no length has no fractions; read it at its start.
        fraction = length > 0 ? m_position / length : 0.0;
    }
    else if (doc.m_hoverPosition != -1.0)
        seconds = model::DisplaySeconds(doc.m_hoverPosition * length);
    const double beat = doc.m_brainwaves.m_property.PeekValueAt(fraction);
    const double rate = doc.m_bilateral.m_property.PeekValueAt(fraction);
    return FormatStatus(seconds, beat, rate);
}

bool CPaneStatus::IsRecordMarkShown() const
{
    return m_pDoc != nullptr && m_pDoc->m_isLive && RecordMarkVisible(ui::CurrentBehaviour().TickCount());
}

void CPaneStatus::OnSize(int, int)
{
    Invalidate();
}

void CPaneStatus::OnTimer(int id)
{
    if (id == kBlinkTimer && m_pDoc != nullptr && m_pDoc->m_isLive)
        Invalidate();
}

void CPaneStatus::OnPaint(QPainter& painter)
{
    DrawBitmapAt(painter, {0, 0}, m_background);
    const Text text = CurrentText();
    ui::Dc dc(painter);
    dc.SetTextColor(kText);
    dc.SetFont(m_timeFont);
    dc.TextOut(9, 6, text.time);
    dc.SetFont(m_numberFont);
    dc.TextOut(kBeatCentre - dc.GetTextExtent(text.beat).width() / 2, 4, text.beat);
    dc.TextOut(kRateCentre - dc.GetTextExtent(text.rate).width() / 2, 4, text.rate);
    dc.SetFont(m_smallFont);
    dc.TextOut(kBandCentre - dc.GetTextExtent(text.band).width() / 2, 22, text.band);
    dc.TextOut(185, 22, QStringLiteral("CPM"));
    if (IsRecordMarkShown())
        DrawBitmapAt(painter, kMarkAt, m_mark);
}
