#include "controls/Dc.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPolygon>

#include <cmath>
#include <cstdlib>

namespace ui
{

void InstallFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans"),
                                QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

QFont MakeFont(int height, int weight, const QString& face)
{
    InstallFontSubstitutes();
    QFont font(face);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight == 0 ? 400 : weight, 100, 900)));
    if (height < 0)
        font.setPixelSize(-height);
    else if (height > 0)
    {
        // A positive height is the whole cell; Qt's pixel size is the character (em) height.
        QFont probe = font;
        probe.setPixelSize(100);
        const QFontMetricsF m(probe);
        const double cell = m.ascent() + m.descent();
        font.setPixelSize(std::max(1, int(std::lround(height * 100.0 / (cell > 0 ? cell : 100.0)))));
    }
    return font;
}

int PointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}

Dc::Dc(QPainter& painter) : m_p(painter), m_font(painter.font()) {}

void Dc::SetFont(const QFont& font)
{
    m_font = font;
    m_p.setFont(font);
}

void Dc::FillSolidRect(const QRect& rect, const QColor& colour)
{
    if (rect.width() > 0 && rect.height() > 0)
        m_p.fillRect(rect, colour);
}

void Dc::Line(const QPoint& from, const QPoint& to, const QColor& colour, int width, Qt::PenStyle style)
{
    if (from == to)
        return;
    if (width > 1 || style != Qt::SolidLine)
    {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing, false);
        m_p.setPen(QPen(colour, width, style, Qt::FlatCap));
        m_p.drawLine(from, to);
        m_p.restore();
        return;
    }
    // Bresenham with the end point left out, as the old line drawing did.
    QPolygon points;
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1, sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    while (x != to.x() || y != to.y())
    {
        points << QPoint(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy)
        {
            err += dy;
            x += sx;
        }
        if (e2 <= dx)
        {
            err += dx;
            y += sy;
        }
    }
    m_p.save();
    m_p.setRenderHint(QPainter::Antialiasing, false);
    m_p.setPen(QPen(colour, 1));
    m_p.drawPoints(points);
    m_p.restore();
}

void Dc::FrameRect(const QRect& rect, const QColor& colour)
{
    Rectangle(rect, QPen(colour, 1), Qt::NoBrush);
}

void Dc::Rectangle(const QRect& rect, const QPen& pen, const QBrush& brush)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    m_p.save();
    m_p.setRenderHint(QPainter::Antialiasing, false);
    if (brush.style() != Qt::NoBrush)
        m_p.fillRect(rect, brush);
    if (pen.style() != Qt::NoPen)
    {
        QPen p = pen;
        p.setJoinStyle(Qt::MiterJoin);
        m_p.setPen(p);
        m_p.setBrush(Qt::NoBrush);
        // The outline lies inside the rectangle: a pen of width w covers its outermost w pixels.
        const int w = std::max(1, pen.width());
        const int in = w / 2;
        m_p.drawRect(rect.adjusted(in, in, -1 - (w - 1 - in), -1 - (w - 1 - in)));
    }
    m_p.restore();
}

void Dc::RoundRect(const QRect& rect, int cornerWidth, int cornerHeight, const QPen& pen, const QBrush& brush)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    m_p.save();
    m_p.setRenderHint(QPainter::Antialiasing, true);
    m_p.setPen(pen);
    m_p.setBrush(brush);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    m_p.drawRoundedRect(r, cornerWidth / 2.0, cornerHeight / 2.0);
    m_p.restore();
}

void Dc::Ellipse(const QRect& rect, const QPen& pen, const QBrush& brush)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    m_p.save();
    m_p.setRenderHint(QPainter::Antialiasing, true);
    m_p.setPen(pen);
    m_p.setBrush(brush);
    m_p.drawEllipse(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
    m_p.restore();
}

void Dc::TextOut(int x, int y, const QString& text)
{
    const QFontMetrics m(m_font);
    m_p.setFont(m_font);
    m_p.setPen(m_text);
    m_p.drawText(QPoint(x, y + m.ascent()), text);
}

void Dc::TextOutClipped(const QRect& clip, int x, int y, const QString& text)
{
    m_p.save();
    m_p.setClipRect(clip, Qt::IntersectClip);
    TextOut(x, y, text);
    m_p.restore();
}

QSize Dc::GetTextExtent(const QString& text) const
{
    const QFontMetrics m(m_font);
    return QSize(m.horizontalAdvance(text), m.ascent() + m.descent());
}

} // namespace ui
