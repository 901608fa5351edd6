#include "dialogs/recorder/CDlgCountdown.h"

#include "controls/Dc.h"

#include <QPainter>

CDlgCountdown::CDlgCountdown(QWidget* parent)
    : ui::Dialog(parent), m_font(ui::MakeFont(144, 400, QStringLiteral("Arial")))
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(MapDialogRect(0, 0, 240, 154).size());
    SetOpaquePaint(true);
}

bool CDlgCountdown::OnInitDialog()
{
    m_count = kStart;
    SetTimer(kTimerId, kTickMs);
    return true;
}

void CDlgCountdown::OnTimer(int id)
{
    if (id != kTimerId)
        return;
    if (--m_count <= 0)
    {
        m_count = 0;
        KillTimer(kTimerId);
        EndDialog(ui::IDOK);
        return;
    }
    Invalidate();
}

void CDlgCountdown::OnPaint(QPainter& painter)
{
    ui::Dc dc(painter);
    const QRect client = GetClientRect();
    dc.FillSolidRect(client, QColor(50, 50, 50));
    dc.FrameRect(client, QColor(180, 180, 180));
    painter.setFont(m_font);
    painter.setPen(QColor(255, 96, 96));
    painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, QString::number(m_count));
}
