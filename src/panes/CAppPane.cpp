#include "panes/CAppPane.h"

#include "model/CVornaDoc.h"

#include <algorithm>

CAppPane::CAppPane(QWidget* parent) : ui::Window(parent)
{
    // Hover read-outs, cursors and hit tests need moves without a button held.
    setMouseTracking(true);
}

int CAppPane::OnCreate()
{
    m_pDoc = nullptr;
    return 0;
}

void CAppPane::InvalidateParent()
{
    // Through the parent's own Invalidate: a parent's update() alone repaints none of its panes.
    if (QWidget* parent = parentWidget())
        ui::InvalidateWindow(parent);
    else
        Invalidate();
}

void CAppPane::NotifyChange(PaneChange change)
{
    if (auto* host = dynamic_cast<PaneHost*>(parentWidget()))
        host->OnPaneChange(change);
    else
        InvalidateParent();
}

void CAppPane::UpdateHoverPosition()
{
    if (m_pDoc == nullptr)
        return;
    const double before = m_pDoc->m_hoverPosition;
    m_pDoc->m_hoverPosition = -1.0;
    const QPoint p = GetCursorClientPos();
    const QRect client = GetClientRect();
    if (client.contains(p))
    {
        // x / (width - 1): the last column is the session's end. A pane one pixel wide has only
        // the start.
        const int span = client.width() - 1;
        m_pDoc->m_hoverPosition = span > 0 ? std::clamp(double(p.x()) / span, 0.0, 1.0) : 0.0;
    }
    if (m_pDoc->m_hoverPosition != before)
        NotifyChange(PaneChange::Hover);
}

void CAppPane::ClearHoverPosition()
{
    if (m_pDoc == nullptr || m_pDoc->m_hoverPosition == -1.0)
        return;
    m_pDoc->m_hoverPosition = -1.0;
    NotifyChange(PaneChange::Hover);
}

void CAppPane::TrackRowRect(int height, int count, int i, int& top, int& bottom)
{
    if (count <= 0 || height <= 0 || i < 0)
    {
        top = bottom = 0;
        return;
    }
    const int d = height / count;
    const int r = height % count;
    top = i * d + std::min(i, r);
    bottom = top + d + (i < r ? 1 : 0);
}

void CAppPane::GetTrackRowRect(int i, int& top, int& bottom) const
{
    const int count = m_pDoc != nullptr ? m_pDoc->m_tracks.GetCount() : 0;
    TrackRowRect(GetClientRect().height(), count, i, top, bottom);
}

void CAppPane::GetStageExtent(int i, int& left, int& right) const
{
    left = right = 0;
    if (m_pDoc == nullptr || i < 0 || i >= m_pDoc->m_stages.GetCount())
        return;
    const CStage& stage = m_pDoc->m_stages.GetStage(i);
    const int width = GetClientRect().width();
    left = static_cast<int>(stage.m_start * width);
    right = static_cast<int>(stage.m_end * width);
}

double CAppPane::GetCursorFraction() const
{
    const int width = GetClientRect().width();
    if (width <= 0)
        return 0.0;
    return std::clamp(double(GetCursorClientPos().x()) / width, 0.0, 1.0);
}
