#include "controls/CHoverButton.h"

#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace
{
// The mouse counts as resting over the button after this long.
constexpr int kHoverMs = 1;
} // namespace

CHoverButton::CHoverButton(QWidget* parent, int id) : ui::OwnerDrawButton(parent, id)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void CHoverButton::UseStrip(const QPixmap& strip, int frameWidth, int frameHeight)
{
    m_hover = false;
    m_strip = strip;
    m_disabled = QPixmap();
    m_frameWidth = frameWidth;
    m_frameHeight = frameHeight;
    resize(frameWidth, frameHeight);
    update();
}

bool CHoverButton::SetBitmap(int id)
{
    const QPixmap strip = ui::LoadBitmap(id);
    if (strip.isNull())
        return false;
    UseStrip(strip, strip.width() / 3, strip.height());
    return true;
}

bool CHoverButton::SetBitmapFromStrip(int id, int n)
{
    const QPixmap all = ui::LoadBitmap(id);
    const int h = all.height();
    if (all.isNull() || n < 0 || 3 * h * (n + 1) > all.width())
        return false;
    UseStrip(all.copy(3 * h * n, 0, 3 * h, h), h, h);
    return true;
}

int CHoverButton::FrameFor(const ui::DrawItemState& state) const
{
    if (state.disabled)
        return 0;
    if (state.selected)
        return 1;
    return m_hover ? 2 : 0;
}

const QPixmap& CHoverButton::DisabledFrame() const
{
    if (m_disabled.isNull() && !m_strip.isNull())
        m_disabled = DimmedBitmap(m_strip.copy(0, 0, m_frameWidth, m_frameHeight));
    return m_disabled;
}

void CHoverButton::DrawItem(QPainter& painter, const ui::DrawItemState& state)
{
    if (state.disabled)
    {
        painter.drawPixmap(0, 0, DisabledFrame());
        return;
    }
    painter.drawPixmap(0, 0, m_strip, FrameFor(state) * m_frameWidth, 0, m_frameWidth, m_frameHeight);
}

void CHoverButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking)
    {
        m_tracking = true;
        m_hoverTimer.start(kHoverMs, this);
    }
    ui::OwnerDrawButton::mouseMoveEvent(event);
}

void CHoverButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_hoverTimer.timerId())
    {
        ui::OwnerDrawButton::timerEvent(event);
        return;
    }
    m_hoverTimer.stop();
    if (m_tracking)
    {
        m_hover = true;
        update();
    }
}

void CHoverButton::leaveEvent(QEvent* event)
{
    m_hoverTimer.stop();
    m_tracking = false;
    m_hover = false;
    update();
    ui::OwnerDrawButton::leaveEvent(event);
}

void CHoverButton::changeEvent(QEvent* event)
{
    // A button disabled under the mouse must not come back lit when enabled elsewhere.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
    {
        m_hoverTimer.stop();
        m_tracking = false;
        m_hover = false;
        update();
    }
    ui::OwnerDrawButton::changeEvent(event);
}
