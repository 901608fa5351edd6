#include "app/StandIns.h"

#include "controls/AppMessages.h"

#include <QPainter>

namespace shell
{

PlaceholderPane::PlaceholderPane(const QString& name, QWidget* parent) : CAppPane(parent), m_name(name)
{
    SetOpaquePaint(true);
    setFocusPolicy(Qt::NoFocus);
}

void PlaceholderPane::OnPaint(QPainter& painter)
{
    const QRect r = rect();
    painter.fillRect(r, QColor(58, 58, 58));
    painter.setPen(QColor(40, 40, 40));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(150, 150, 150));
    painter.drawText(r, Qt::AlignCenter, m_name);
}

} // namespace shell
