#include "dialogs/looptool/CDlgTrim.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "messages/AppMessage.h"
#include "model/DisplayTime.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace
{

const QColor kBackground(39, 54, 61);
const QColor kSelection(100, 110, 120);
const QColor kWave(200, 210, 220);
const QColor kRuler(182, 187, 189);
const QColor kMarkerLine(195, 200, 210);
const QColor kMarkerFill(240, 245, 250);
const QColor kMarkerBorder(56, 66, 76);

constexpr int kTicks = 25;
constexpr std::int64_t kPeakReach = 500; // frames either side of a column's frame
constexpr std::int64_t kPeakStep = 100;

int Trunc(double v)
{
    return std::isfinite(v) ? static_cast<int>(std::trunc(v)) : 0;
}

} // namespace

CDlgTrim::CDlgTrim(QWidget* parent, dlg::TrimEvents* events) : ui::Window(parent), m_events(events)
{
    SetOpaquePaint(true);
    m_rulerCursor = ui::LoadCursor(324).value_or(QCursor(Qt::PointingHandCursor));
    m_boundCursor = ui::LoadCursor(323).value_or(QCursor(Qt::SizeHorCursor));
}

void CDlgTrim::SetSource(double start, double end, int rate, std::span<const CStereoFrame> frames)
{
    m_selStart = start;
    m_selEnd = end;
    m_rate = rate;
    m_frames = frames;
    m_hasSource = true;
    Invalidate();
}

void CDlgTrim::Clear()
{
    m_hasSource = false;
    m_frames = {};
    m_playPos = 0;
    Invalidate();
}

void CDlgTrim::SetPlayPosition(double x)
{
    m_playPos = Trunc(RulerRect().width() * x);
    Invalidate();
}

QRect CDlgTrim::WaveRect() const
{
    const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
    return QRect(inner.x(), inner.y(), inner.width(), std::max(0, inner.height() - kRulerHeight));
}

QRect CDlgTrim::RulerRect() const
{
    const QRect wave = WaveRect();
    return QRect(wave.x(), wave.y() + wave.height(), wave.width(), kRulerHeight);
}

void CDlgTrim::PeakNear(std::span<const CStereoFrame> frames, std::int64_t centre, float& left, float& right)
{
    left = 0.0f;
    right = 0.0f;
    const std::int64_t last = std::min<std::int64_t>(centre + kPeakReach, std::int64_t(frames.size()) - 1);
    for (std::int64_t i = std::max<std::int64_t>(0, centre - kPeakReach); i <= last; i += kPeakStep)
    {
        left = std::max(left, std::fabs(frames[std::size_t(i)].left));
        right = std::max(right, std::fabs(frames[std::size_t(i)].right));
    }
}

void CDlgTrim::OnPaint(QPainter& painter)
{
    ui::Dc dc(painter);
    dc.FillSolidRect(rect(), palette().color(QPalette::Window));
    const QRect wave = WaveRect();
    const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
    dc.FillSolidRect(inner, kBackground);
    const int W = wave.width();
    const int Hw = wave.height();
    // One column leaves no span to spread the source over.
    if (!m_hasSource || W < 2)
        return;

    painter.save();
    painter.translate(inner.topLeft());

    dc.FillSolidRect(ui::Ltrb(Trunc(W * m_selStart), 0, Trunc(W * m_selEnd), Hw), kSelection);

    const auto count = static_cast<std::uint32_t>(m_frames.size());
    const int half = Hw / 2;
    const int centre = Trunc(Hw * 0.5);
    std::vector<int> v(static_cast<std::size_t>(W), 0);
    int largest = 0;
    if (count > 0)
    {
        for (int i = 0; i < W; ++i)
        {
            const std::int64_t frame =
                static_cast<std::int64_t>(std::trunc(double(i) / (W - 1) * (double(count) - 1)));
            float pl = 0.0f;
            float pr = 0.0f;
            PeakNear(m_frames, frame, pl, pr);
            v[i] = (Trunc(half * double(pl)) + Trunc(half * double(pr))) / 2;
            largest = std::max(largest, v[i]);
        }
    }
    for (int i = 0; i < W; ++i)
    {
        const int h = largest > 0 ? v[i] * half / largest : 0;
        dc.Line(QPoint(i, centre - h), QPoint(i, centre + h + 1), kWave);
    }

    dc.Line(QPoint(0, Hw + 1), QPoint(W, Hw + 1), QColor(0, 0, 0));
    dc.Line(QPoint(0, centre), QPoint(W, centre), kWave);

    dc.SetFont(ui::MakeFont(ui::PointsToPixels(9), 400));
    dc.SetTextColor(kRuler);
    dc.Line(QPoint(0, Hw + 4), QPoint(W, Hw + 4), kRuler);
    const int total = m_rate > 0 ? int(count / std::uint32_t(m_rate)) : 0;
    for (int i = 0; i < kTicks; ++i)
    {
        const int x = Trunc(double(i) * W / kTicks) + 1;
        const int length = i % 5 == 0 ? 4 : 2;
        dc.Line(QPoint(x, Hw + 5), QPoint(x, Hw + 5 + length), kRuler);
        if (i % 5 == 0 && i > 0)
        {
            const QString text = TickLabel(i, total);
            dc.TextOut(x - dc.GetTextExtent(text).width() / 2, Hw + 9, text);
        }
    }
    const QString length = LengthLabel(total);
    dc.TextOut(W - dc.GetTextExtent(length).width() - 3, Hw + 9, length);

    dc.Line(QPoint(m_playPos, 0), QPoint(m_playPos, Hw), kMarkerLine);
    dc.Rectangle(ui::Ltrb(m_playPos - 4, Hw + 3, m_playPos + 4, Hw + 25), QPen(kMarkerBorder),
                 QBrush(kMarkerFill));
    painter.restore();
}

QString CDlgTrim::TickLabel(int tick, int totalSeconds)
{
    const int t = model::DisplaySeconds(double(tick) / kTicks * totalSeconds);
    return QString::asprintf("%2.2d:%2.2d", t / 60, t % 60);
}

QString CDlgTrim::LengthLabel(int totalSeconds)
{
    return QString::asprintf("[%2.2d:%2.2d]", totalSeconds / 60, totalSeconds % 60);
}

bool CDlgTrim::OnBound(const QPoint& point, double bound) const
{
    const QRect wave = WaveRect();
    return wave.contains(point) &&
           std::abs(point.x() - wave.x() - Trunc(wave.width() * bound)) <= kGrabPixels;
}

bool CDlgTrim::OnSetCursor()
{
    const QPoint p = GetCursorClientPos();
    if (OnBound(p, m_selStart) || OnBound(p, m_selEnd) || m_draggingStart || m_draggingEnd)
        setCursor(m_boundCursor);
    else if (RulerRect().contains(p))
        setCursor(m_rulerCursor);
    else
        unsetCursor();
    return true;
}

void CDlgTrim::MoveBound()
{
    const QRect wave = WaveRect();
    if (wave.width() < 2)
        return;
    const double x = double(std::clamp(m_mouse.x() - wave.x(), 0, wave.width() - 1)) / (wave.width() - 1);
    (m_draggingStart ? m_selStart : m_selEnd) = x;
    if (m_selEnd < m_selStart)
    {
        // The user keeps dragging the same edge, which is now the other bound.
        std::swap(m_selStart, m_selEnd);
        std::swap(m_draggingStart, m_draggingEnd);
    }
    setCursor(m_boundCursor);
    if (m_events != nullptr)
        m_events->TrimSelection(m_selStart, m_selEnd);
}

void CDlgTrim::Seek()
{
    const QRect ruler = RulerRect();
    if (ruler.width() < 1)
        return;
    const int d = std::clamp(m_mouse.x() - ruler.x(), 0, ruler.width() - 1);
    m_playPos = d;
    if (m_events != nullptr)
        m_events->TrimPosition(float(d) / float(ruler.width()));
}

void CDlgTrim::OnLButtonDown(const QPoint& point)
{
    m_mouse = point;
    if (WaveRect().contains(point))
    {
        m_dragging = true;
        m_draggingStart = OnBound(point, m_selStart);
        m_draggingEnd = !m_draggingStart && OnBound(point, m_selEnd);
        if (m_draggingStart || m_draggingEnd)
            MoveBound();
    }
    else if (RulerRect().contains(point))
    {
        m_seeking = true;
        Seek();
    }
    else
        return;
    Invalidate();
}

void CDlgTrim::OnMouseMove(const QPoint& point)
{
    m_mouse = point;
    if (!m_leaveTracked)
        m_leaveTracked = TrackMouseEvent(true);
    if (m_dragging && (m_draggingStart || m_draggingEnd))
    {
        MoveBound();
        Invalidate();
    }
    else if (m_seeking)
    {
        Seek();
        Invalidate();
    }
}

void CDlgTrim::OnLButtonUp(const QPoint&)
{
    m_dragging = false;
    m_seeking = false;
    m_draggingStart = false;
    m_draggingEnd = false;
}
