#include "controls/CSkinSliderCtrl.h"

#include "controls/Resources.h"

#include <QPainter>

CSkinSliderCtrl::CSkinSliderCtrl(QWidget* parent, int id, Qt::Orientation orientation)
    : ui::Slider(parent, id, orientation)
{
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

bool CSkinSliderCtrl::SetBitmaps(int channelId, int thumbId)
{
    QPixmap channel = ui::LoadBitmap(channelId);
    QPixmap thumb = ui::LoadBitmap(thumbId);
    if (channel.isNull() || thumb.isNull())
        return false;
    m_channel = channel;
    m_channelSize = size();
    m_thumb = thumb;
    update();
    return true;
}

QRect CSkinSliderCtrl::ThumbDrawRect() const
{
    const QRect r = GetThumbRect();
    const int x = r.left() + r.width() / 2 - m_thumb.width() / 2;
    const int y = r.top() + r.height() / 2 - m_thumb.height() / 2;
    return QRect(QPoint(x, y), m_thumb.size());
}

void CSkinSliderCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_channel.isNull() || m_thumb.isNull())
    {
        painter.fillRect(rect(), palette().window());
        return;
    }
    painter.drawPixmap(QRect(QPoint(0, 0), m_channelSize), m_channel);
    painter.drawPixmap(ThumbDrawRect().topLeft(), m_thumb);
}

void CSkinSliderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    update();
    ui::Slider::mouseMoveEvent(event);
}

void CSkinSliderCtrl::keyPressEvent(QKeyEvent* event)
{
    update();
    ui::Slider::keyPressEvent(event);
}

void CSkinSliderCtrl::wheelEvent(QWheelEvent* event)
{
    update();
    ui::Slider::wheelEvent(event);
}
