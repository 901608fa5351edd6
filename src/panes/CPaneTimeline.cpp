#include "panes/CPaneTimeline.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"
#include "model/DisplayTime.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
const QColor kText(180, 180, 180);
const QColor kLowerEdge(140, 140, 140);
const QColor kCursorFrame(220, 220, 220);
const QColor kBubbleFill(70, 70, 70);
} // namespace

CPaneTimeline::CPaneTimeline(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

QString CPaneTimeline::FormatTime(double seconds)
{
    const int whole = model::DisplaySeconds(seconds);
    return QString::asprintf("%2.2d:%2.2d", whole / 60, whole % 60);
}

QString CPaneTimeline::TickLabel(int i, int sessionLength)
{
    if (i <= 0 || i >= kTickCount || i % kLabelEvery != 0)
        return {};
    // i * L / 50 rather than i / 50 * L: the product of integers is exact, so a label on a whole
    // second never reads one second early.
    return FormatTime(double(i) * sessionLength / kTickCount);
}

QString CPaneTimeline::EndLabel(int sessionLength)
{
    return QString::asprintf("%2.2d:%2.2d", sessionLength / 60, sessionLength % 60);
}

int CPaneTimeline::TickX(int i, int width)
{
    const double step = width / double(kTickCount);
    return static_cast<int>(i * step) + 1;
}

int CPaneTimeline::CursorFrameCentre(double cursor, int width)
{
    return std::max(static_cast<int>((width - 1) * cursor), 5);
}

int CPaneTimeline::OnCreate()
{
    CAppPane::OnCreate();
    m_background = ui::LoadBitmap(kBackgroundBitmap);
    if (m_background.isNull())
        return -1;
    m_font = ui::MakeFont(12, 700);
    m_seekCursor = ui::LoadCursor(kSeekCursor);
    return 0;
}

void CPaneTimeline::OnSize(int, int)
{
    Invalidate();
}

bool CPaneTimeline::OnSetCursor()
{
    if (!m_seekCursor)
        return false;
    setCursor(*m_seekCursor);
    return true;
}

double CPaneTimeline::FractionAt(int x) const
{
    const int width = GetClientRect().width();
    if (width <= 0)
        return 0.0;
    return double(std::clamp(x, 0, width - 1)) / width;
}

void CPaneTimeline::OnLButtonDown(const QPoint& point)
{
    if (m_pDoc == nullptr || m_pDoc->m_isLive)
        return;
    m_seeking = true;
    m_pDoc->m_cursorPosition = FractionAt(point.x());
    m_pressCursor = m_pDoc->m_cursorPosition;
    if (m_pDoc->m_isPlaying && m_view != nullptr)
        m_view->RestartPlayback();
    // Only this pane draws the cursor (a restart has repainted the others).
    Invalidate();
}

void CPaneTimeline::OnMouseMove(const QPoint& point)
{
    if (!m_leaveTracking)
        m_leaveTracking = TrackMouseEvent(true);
    UpdateHoverPosition();
    if (m_seeking && m_pDoc != nullptr)
    {
        const double cursor = FractionAt(point.x());
        if (cursor != m_pDoc->m_cursorPosition)
        {
            m_pDoc->m_cursorPosition = cursor;
            Invalidate();
        }
    }
}

void CPaneTimeline::OnLButtonUp(const QPoint&)
{
    // Only a press this pane took ends a seek: a release after a press that a live recording
    // refused must not restart anything.
    if (!m_seeking)
        return;
    m_seeking = false;
    if (m_pDoc != nullptr && m_pDoc->m_isPlaying && m_pDoc->m_cursorPosition != m_pressCursor &&
        m_view != nullptr)
        m_view->RestartPlayback();
}

void CPaneTimeline::OnMouseLeave()
{
    m_leaveTracking = false;
    ClearHoverPosition();
    Invalidate();
}

void CPaneTimeline::OnPaint(QPainter& painter)
{
    const QRect client = GetClientRect();
    const int w = client.width();
    const int h = client.height();
    if (w <= 0 || h <= 0)
        return;
    TileBitmap(painter, client, m_background);
    if (m_pDoc == nullptr)
        return;

    ui::Dc dc(painter);
    dc.SetFont(m_font);
    dc.SetTextColor(kText);
    const int length = m_pDoc->m_sessionLength;

    // The ruler: its top edge, the lower edge, and the start's bracket with "00:00".
    dc.Line({0, 0}, {w, 0}, kText);
    dc.Line({0, h - 1}, {w, h - 1}, kLowerEdge);
    dc.Line({0, 0}, {0, 16}, kText);
    dc.Line({0, 16}, {4, 16}, kText);
    dc.TextOut(8, 10, QStringLiteral("00:00"));

    for (int i = 0; i < kTickCount; ++i)
    {
        const int x = TickX(i, w);
        const int len = i % kLabelEvery == 0 ? 4 : 2;
        dc.Line({x, 1}, {x, 1 + len}, kText);
        const QString label = TickLabel(i, length);
        if (!label.isEmpty())
            dc.TextOut(x - dc.GetTextExtent(label).width() / 2, 5, label);
    }

    const QString end = EndLabel(length);
    dc.TextOut(w - dc.GetTextExtent(end).width() - 7, 10, end);
    dc.Line({w - 4, 16}, {w, 16}, kText);

    const int c = CursorFrameCentre(m_pDoc->m_cursorPosition, w);
    dc.Rectangle(ui::Ltrb(c - 5, 2, c + 5, h - 2), QPen(kCursorFrame, 3), Qt::NoBrush);

    if (m_pDoc->m_isPaused)
    {
        const int x = static_cast<int>((w - 1) * m_pDoc->m_pausePosition);
        dc.Line({x, 0}, {x, h}, kCursorFrame, 1, Qt::DotLine);
        dc.Line({x + 1, 0}, {x + 1, h}, kCursorFrame, 1, Qt::DotLine);
    }

    if (m_pDoc->m_hoverPosition != -1.0)
    {
        const int hc = static_cast<int>(w * m_pDoc->m_hoverPosition);
        const QString time = FormatTime(length * m_pDoc->m_hoverPosition);
        const int textWidth = dc.GetTextExtent(time).width();
        // 19 each side holds the time in the face it was made for; a wider free face widens the
        // bubble so that the time never runs into its outline.
        const int half = std::max(19, textWidth / 2 + 4);
        dc.RoundRect(ui::Ltrb(hc - half, 4, hc + half, h - 5), 10, 10, QPen(kText, 1), kBubbleFill);
        dc.TextOut(hc - textWidth / 2, 5, time);
    }
}
