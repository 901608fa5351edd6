#include "panes/CIconButton.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace
{
const QColor kCaption(130, 130, 130);
const QColor kHighlightBackground(120, 120, 120);
const QColor kHighlightCaption(250, 250, 250);
const QColor kDisabledCaption(96, 96, 96);
// The mouse counts as resting over the button after this long.
constexpr int kHoverMs = 1;
// The caption face was made narrow (about 5 pixels a character at 12 pixels high); the free face is
// wider, so it is asked for condensed.
constexpr int kCaptionStretch = QFont::SemiCondensed;

QImage Greyed(const QPixmap& icon)
{
    QImage image = icon.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
    {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
        {
            const int grey = qGray(row[x]);
            row[x] = qRgba(grey, grey, grey, qAlpha(row[x]) * 2 / 5);
        }
    }
    return image;
}
} // namespace

CIconButton::CaptionLayout CIconButton::LayoutCaption(const QString& caption, int faceWidth, int faceHeight,
                                                      const QFontMetrics& metrics)
{
    CaptionLayout layout;
    const qsizetype feed = caption.indexOf(QLatin1Char('\n'));
    layout.line1 = feed < 0 ? caption : caption.left(feed);
    layout.line2 = feed < 0 ? QString() : caption.mid(feed + 1);
    const int cy = metrics.ascent() + metrics.descent();
    int y = faceHeight - cy - 22;
    if (layout.line2.isEmpty())
        y += 5;
    layout.at1 = QPoint(faceWidth / 2 - metrics.horizontalAdvance(layout.line1) / 2 - 1, y);
    layout.at2 = QPoint(faceWidth / 2 - metrics.horizontalAdvance(layout.line2) / 2 - 1, y + cy);
    return layout;
}

QFont CIconButton::CaptionFont(const QString& caption, int faceWidth)
{
    const QStringList lines = caption.split(QLatin1Char('\n'));
    const int room = faceWidth - 2 * kCaptionMargin;
    QFont font;
    for (int height = kCaptionHeight; height >= kSmallestCaptionHeight; --height)
    {
        font = ui::MakeFont(height, 700);
        font.setStretch(kCaptionStretch);
        const QFontMetrics metrics(font);
        const bool fits =
            std::all_of(lines.begin(), lines.end(),
                        [&](const QString& line) { return metrics.horizontalAdvance(line) <= room; });
        if (fits)
            break;
    }
    return font;
}

CIconButton::CIconButton() : ui::OwnerDrawButton(nullptr, 0)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

bool CIconButton::Create(int iconId, const QRect& rect, QWidget* parent, int id, const QPixmap& background,
                         const QString& caption, int iconSize, const std::optional<QFont>& font)
{
    m_hover = false;
    m_iconSize = iconSize;
    m_caption = caption;
    m_icon = ui::LoadIcon(iconId);
    if (m_icon.isNull())
        return false;
    setParent(parent);
    ui::SetControlId(this, id);
    setGeometry(rect);
    m_font = font ? *font : CaptionFont(caption, rect.width());
    BuildFaces(background);
    show();
    return true;
}

void CIconButton::DrawCaption(QPainter& painter, const QColor& colour) const
{
    ui::Dc dc(painter);
    dc.SetFont(m_font);
    dc.SetTextColor(colour);
    const CaptionLayout layout = LayoutCaption(m_caption, width(), height(), QFontMetrics(m_font));
    dc.TextOut(layout.at1.x(), layout.at1.y(), layout.line1);
    if (!layout.line2.isEmpty())
        dc.TextOut(layout.at2.x(), layout.at2.y(), layout.line2);
}

void CIconButton::BuildFaces(const QPixmap& background)
{
    const QSize size = this->size();
    const QPoint iconAt((size.width() - m_iconSize) / 2, kIconTop);
    const QRect iconRect(iconAt, QSize(m_iconSize, m_iconSize));

    // The normal face: the toolbar's background as it lies behind the button.
    m_normal = QPixmap(size);
    m_normal.fill(kHighlightBackground);
    {
        QPainter p(&m_normal);
        if (!background.isNull())
        {
            p.translate(-(x() % background.width()), -y());
            TileBitmap(p, QRect(0, 0, size.width() + background.width(), size.height() + y()), background);
            p.resetTransform();
        }
        p.drawPixmap(iconRect, m_icon);
        DrawCaption(p, kCaption);
    }

    m_highlighted = QPixmap(size);
    m_highlighted.fill(kHighlightBackground);
    {
        QPainter p(&m_highlighted);
        p.drawPixmap(iconRect, m_icon);
        DrawCaption(p, kHighlightCaption);
    }

    // Disabled: the background, the icon grey and faint, the caption darker than the normal one.
    m_disabled = QPixmap(size);
    m_disabled.fill(kHighlightBackground);
    {
        QPainter p(&m_disabled);
        if (!background.isNull())
        {
            p.translate(-(x() % background.width()), -y());
            TileBitmap(p, QRect(0, 0, size.width() + background.width(), size.height() + y()), background);
            p.resetTransform();
        }
        p.drawImage(iconRect, Greyed(m_icon));
        DrawCaption(p, kDisabledCaption);
    }
}

void CIconButton::DrawItem(QPainter& painter, const ui::DrawItemState& state)
{
    const QPixmap& face = state.disabled                 ? m_disabled
                          : (state.selected || !m_hover) ? m_normal
                                                         : m_highlighted;
    DrawBitmapAt(painter, QPoint(0, 0), face);
}

void CIconButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking)
    {
        m_tracking = true;
        m_hoverTimer.start(kHoverMs, this);
    }
    ui::OwnerDrawButton::mouseMoveEvent(event);
}

void CIconButton::timerEvent(QTimerEvent* event)
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

void CIconButton::leaveEvent(QEvent* event)
{
    m_hoverTimer.stop();
    m_tracking = false;
    m_hover = false;
    update();
    ui::OwnerDrawButton::leaveEvent(event);
}
