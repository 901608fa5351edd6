#include "controls/CSkinSliderCtrl.h"

#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include <QPainter>

namespace
{
// A disabled thumb shows this much of itself over the dimmed channel.
constexpr double kDisabledThumbOpacity = 0.3;
} // namespace

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
    m_channelDimmed = DimmedBitmap(channel);
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
    if (!isEnabled())
    {
        painter.drawPixmap(QRect(QPoint(0, 0), m_channelSize), m_channelDimmed);
        painter.setOpacity(kDisabledThumbOpacity);
        painter.drawPixmap(ThumbDrawRect().topLeft(), m_thumb);
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
