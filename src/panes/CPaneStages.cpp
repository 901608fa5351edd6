#include "panes/CPaneStages.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
const QColor kText(180, 180, 180);
const QColor kLowerEdge(140, 140, 140);
const QColor kSeparator(200, 200, 200);
} // namespace

CPaneStages::CPaneStages(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneStages::HitTestBoundary(const CStages& stages, double t)
{
    for (int i = 0; i < stages.GetCount(); ++i)
        if (std::abs(t - stages.GetStage(i).m_start) <= kGrabDistance)
            return i == 0 ? -1 : i;
    return -1;
}

bool CPaneStages::DragBoundary(CStages& stages, int i, double t)
{
    if (i <= 0 || i >= stages.GetCount())
        return false;
    CStage& p = stages.GetStage(i - 1);
    CStage& s = stages.GetStage(i);
    const double d = std::clamp(t, p.m_start, s.m_end);
    if (d - p.m_start < kMinStage || s.m_end - d < kMinStage)
        return false;
    if (d == s.m_start)
        return false;
    s.m_start = d;
    p.m_end = d;
    return true;
}

int CPaneStages::OnCreate()
{
    CAppPane::OnCreate();
    m_background = ui::LoadBitmap(kBackgroundBitmap);
    if (m_background.isNull())
        return -1;
    m_font = ui::MakeFont(13, 700);
    m_boundaryCursor = ui::LoadCursor(kBoundaryCursor);
    return 0;
}

bool CPaneStages::OnSetCursor()
{
    if (m_grabbed != -1 && m_boundaryCursor)
        setCursor(*m_boundaryCursor);
    else
        setCursor(Qt::ArrowCursor);
    return true;
}

void CPaneStages::OnMouseMove(const QPoint&)
{
    if (m_pDoc == nullptr)
        return;
    const double t = GetCursorFraction();
    bool moved = false;
    if (!m_dragging)
        m_grabbed = HitTestBoundary(m_pDoc->m_stages, t);
    else if (m_grabbed != -1 && DragBoundary(m_pDoc->m_stages, m_grabbed, t))
        moved = m_moved = true;
    OnSetCursor();
    // A moved boundary repaints this pane and the tracks pane's stage lines at once, while the
    // drag goes on; a move that moved nothing changes nothing that is drawn.
    if (moved)
        NotifyChange(PaneChange::Stages);
}

void CPaneStages::OnLButtonDown(const QPoint&)
{
    m_dragging = true;
    m_moved = false;
    Invalidate();
}

void CPaneStages::OnLButtonUp(const QPoint&)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    // The drag edits the session like any other edit: without this the save prompt would not
    // know of it and the new stage lengths could be lost.
    if (m_moved && m_pDoc != nullptr)
        m_pDoc->SetSessionModified();
    m_moved = false;
    Invalidate();
}

void CPaneStages::OnPaint(QPainter& painter)
{
    const QRect client = GetClientRect();
    const int w = client.width();
    const int h = client.height();
    if (w <= 0 || h <= 0)
        return;
    TileBitmap(painter, client, m_background);
    ui::Dc dc(painter);
    dc.Line({0, h - 2}, {w, h - 2}, kText);
    dc.Line({0, h - 1}, {w, h - 1}, kLowerEdge);
    if (m_pDoc == nullptr)
        return;

    dc.SetFont(m_font);
    dc.SetTextColor(kText);
    for (int i = 0; i < m_pDoc->m_stages.GetCount(); ++i)
    {
        int x0 = 0, x1 = 0;
        GetStageExtent(i, x0, x1);
        const QString& name = m_pDoc->m_stages.GetStage(i).m_name;
        const QSize extent = dc.GetTextExtent(name);
        const QRect box = ui::Ltrb(x0 + 4, 0, x1 - 4, h - 2);
        int x = box.left();
        // Centred when the name fits inside the margins; otherwise from the left margin, so that a
        // name too long for its stage loses its end, not its start.
        if (box.width() >= extent.width())
            x = box.left() + (box.width() - extent.width()) / 2;
        const int y = (h - extent.height() - 2) / 2 + 1;
        if (box.width() > 0)
            dc.TextOutClipped(box, x, y, name);
        const int sx = i == 0 ? x0 - 2 : x0;
        dc.Line({sx, 3}, {sx, h - 5}, kSeparator);
    }
}
