#include "res/SkinArt.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace art
{

namespace
{

// ---------------------------------------------------------------- palette

const QColor kWorkspace(70, 70, 70);
const QColor kLine(180, 180, 180);
const QColor kGlyph(200, 200, 200);
const QColor kBright(245, 245, 245);
const QColor kWell(44, 44, 44);
const QColor kWellEdge(98, 98, 98);
const QColor kTeal(86, 186, 202);
const QColor kRed(226, 92, 84);
const QColor kAmber(232, 182, 84);
const QColor kGreen(124, 200, 122);

QColor Mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(
        float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
        float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

/** Row y (0..59) of the transport bar: a soft vertical sheen with a light top and a dark bottom edge. */
QColor TransportRow(int y)
{
    y = std::clamp(y, 0, 59);
    if (y == 0)
        return QColor(104, 104, 104);
    if (y == 59)
        return QColor(38, 38, 38);
    return Mix(QColor(82, 82, 82), QColor(60, 60, 60), (y - 1) / 57.0);
}

/** Row y (0..69) of the recorder's top bar: the transport bar's rows where its panels sit (16..56),
 *  so that the panels and buttons made for the transport bar sit on it seamlessly. */
QColor RecorderRow(int y)
{
    if (y == 0)
        return TransportRow(0);
    if (y >= 69)
        return TransportRow(59);
    return TransportRow(std::clamp(y - 6, 1, 58));
}

/** Row y (0..74) of the toolbar strip. */
QColor ToolbarRow(int y)
{
    y = std::clamp(y, 0, 74);
    if (y >= 73)
        return y == 73 ? QColor(40, 40, 40) : QColor(96, 96, 96);
    return Mix(QColor(86, 86, 86), QColor(66, 66, 66), y / 72.0);
}

QImage Blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

/** An image whose every row is the colour @p row(y + offset). */
QImage Rows(int w, int h, const std::function<QColor(int)>& row, int offset = 0)
{
    QImage image = Blank(w, h);
    QPainter p(&image);
    for (int y = 0; y < h; ++y)
        p.fillRect(0, y, w, 1, row(y + offset));
    return image;
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

/** A sunken well with rounded corners, drawn over the given background rows. */
void Well(QPainter& p, const QRectF& r, double radius)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(36, 36, 36));
    fill.setColorAt(0.12, kWell);
    fill.setColorAt(1, QColor(50, 50, 50));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 26));
    p.drawRoundedRect(r.adjusted(0, 1, 0, 1), radius, radius);
    p.setBrush(fill);
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.drawRoundedRect(r, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

/** A panel the size of a transport-bar child, over the bar's rows at @p barTop. */
QImage Panel(int w, int h, int barTop, const std::function<void(QPainter&)>& extra = {})
{
    QImage image = Rows(w, h, TransportRow, barTop);
    QPainter p(&image);
    Begin(p);
    Well(p, QRectF(0.5, 0.5, w - 1.0, h - 2.0), 6);
    if (extra)
        extra(p);
    return image;
}

QImage HGradientBar(int w, int h)
{
    QImage image = Blank(w, h);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, kTeal.darker(115));
    g.setColorAt(0.55, kTeal);
    g.setColorAt(0.78, kAmber);
    g.setColorAt(1, kRed);
    p.fillRect(0, 0, w, h, g);
    QLinearGradient gloss(0, 0, 0, h);
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 15));
    gloss.setColorAt(0.51, QColor(0, 0, 0, 0));
    gloss.setColorAt(1, QColor(0, 0, 0, 50));
    p.fillRect(0, 0, w, h, gloss);
    return image;
}

QImage VGradientBar(int w, int h, bool levels)
{
    QImage image = Blank(w, h);
    QPainter p(&image);
    QLinearGradient g(0, h, 0, 0);
    if (levels)
    {
        g.setColorAt(0, kTeal.darker(120));
        g.setColorAt(0.6, kTeal);
        g.setColorAt(0.82, kAmber);
        g.setColorAt(1, kRed);
    }
    else
    {
        g.setColorAt(0, QColor(48, 128, 146));
        g.setColorAt(1, QColor(140, 220, 230));
    }
    p.fillRect(0, 0, w, h, g);
    QLinearGradient gloss(0, 0, w, 0);
    gloss.setColorAt(0, QColor(255, 255, 255, 60));
    gloss.setColorAt(0.45, QColor(255, 255, 255, 10));
    gloss.setColorAt(1, QColor(0, 0, 0, 50));
    p.fillRect(0, 0, w, h, gloss);
    return image;
}

// ---------------------------------------------------------------- glyphs

using Glyph = std::function<void(QPainter&, const QColor&)>;

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& colour)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, colour);
}

/** The glyphs of the transport buttons, drawn about the centre of a 40 x 40 frame. */
Glyph TransportGlyph(int id)
{
    switch (id)
    {
    case 362: // play
        return [](QPainter& p, const QColor& c) { Triangle(p, {15.5, 11.5}, {15.5, 28.5}, {29, 20}, c); };
    case 361: // pause
        return [](QPainter& p, const QColor& c)
        {
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawRoundedRect(QRectF(13.5, 12, 4.5, 16), 1, 1);
            p.drawRoundedRect(QRectF(22, 12, 4.5, 16), 1, 1);
        };
    case 366: // stop
        return [](QPainter& p, const QColor& c)
        {
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawRoundedRect(QRectF(13.5, 13.5, 13, 13), 1.5, 1.5);
        };
    case 364: // record
        return [](QPainter& p, const QColor& c)
        {
            QRadialGradient g(QPointF(18, 18), 9);
            g.setColorAt(0, kRed.lighter(135));
            g.setColorAt(1, kRed.darker(110));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(QPointF(20, 20), 7.5, 7.5);
            p.setPen(QPen(Mix(c, kRed, 0.3), 1));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(20, 20), 8.5, 8.5);
        };
    case 365: // go to start
        return [](QPainter& p, const QColor& c)
        {
            p.fillRect(QRectF(12.5, 12.5, 3, 15), c);
            Triangle(p, {28, 12.5}, {28, 27.5}, {16.5, 20}, c);
        };
    case 363: // previous stage
        return [](QPainter& p, const QColor& c)
        {
            Triangle(p, {20.5, 12.5}, {20.5, 27.5}, {10.5, 20}, c);
            Triangle(p, {30, 12.5}, {30, 27.5}, {20, 20}, c);
        };
    case 360: // next stage
        return [](QPainter& p, const QColor& c)
        {
            Triangle(p, {10, 12.5}, {10, 27.5}, {20, 20}, c);
            Triangle(p, {19.5, 12.5}, {19.5, 27.5}, {29.5, 20}, c);
        };
    default:
        return {};
    }
}

/** A strip of three square frames side by side: normal, pressed, hover. */
QImage ButtonStrip(int size, const std::function<QColor(int)>& background, int top, const Glyph& glyph,
                   double radius)
{
    const int w = size * 3;
    QImage image = Rows(w, size, background, top);
    QPainter p(&image);
    Begin(p);
    for (int frame = 0; frame < 3; ++frame)
    {
        p.save();
        p.translate(frame * size, 0);
        const bool pressed = frame == 1, hover = frame == 2;
        const QRectF face(1.5, 1.5, size - 3.0, size - 3.0);
        QLinearGradient g(0, 1, 0, size - 1);
        if (pressed)
        {
            g.setColorAt(0, QColor(44, 44, 44));
            g.setColorAt(1, QColor(62, 62, 62));
        }
        else if (hover)
        {
            g.setColorAt(0, QColor(120, 120, 120));
            g.setColorAt(1, QColor(84, 84, 84));
        }
        else
        {
            g.setColorAt(0, QColor(98, 98, 98));
            g.setColorAt(1, QColor(66, 66, 66));
        }
        // Drop shadow, face, rim.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, pressed ? 20 : 60));
        p.drawRoundedRect(face.translated(0, 1), radius, radius);
        p.setBrush(g);
        p.setPen(QPen(QColor(34, 34, 34), 1));
        p.drawRoundedRect(face, radius, radius);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, pressed ? 12 : 40), 1));
        p.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
        if (hover)
        {
            p.setPen(QPen(QColor(kTeal.red(), kTeal.green(), kTeal.blue(), 150), 1));
            p.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        }
        const double scale = size / 40.0;
        p.translate(pressed ? 0.5 : 0, pressed ? 1 : 0);
        p.scale(scale, scale);
        glyph(p, hover ? kBright : (pressed ? kLine.darker(110) : kLine));
        p.restore();
    }
    return image;
}

Glyph HelpGlyph(int image)
{
    switch (image)
    {
    case 0: // back
        return [](QPainter& p, const QColor& c)
        {
            p.setPen(QPen(c, 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(28, 20), QPointF(13, 20));
            p.drawPolyline(QPolygonF({QPointF(19, 13.5), QPointF(12.5, 20), QPointF(19, 26.5)}));
        };
    case 1: // forward
        return [](QPainter& p, const QColor& c)
        {
            p.setPen(QPen(c, 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(12, 20), QPointF(27, 20));
            p.drawPolyline(QPolygonF({QPointF(21, 13.5), QPointF(27.5, 20), QPointF(21, 26.5)}));
        };
    default: // home
        return [](QPainter& p, const QColor& c)
        {
            p.setPen(QPen(c, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(10.5, 20.5), QPointF(20, 11.5), QPointF(29.5, 20.5)}));
            p.drawPolyline(
                QPolygonF({QPointF(14, 18), QPointF(14, 28.5), QPointF(26, 28.5), QPointF(26, 18)}));
            p.fillRect(QRectF(18, 22, 4, 6.5), c);
        };
    }
}

QImage HelpStrip()
{
    // Three images of three 28 x 28 frames each, on the toolbar rows where the help toolbar
    // (40 pixels high) places its buttons.
    QImage image = Blank(252, 28);
    QPainter p(&image);
    for (int i = 0; i < 3; ++i)
        p.drawImage(84 * i, 0, ButtonStrip(28, ToolbarRow, 6, HelpGlyph(i), 5));
    return image;
}

// ---------------------------------------------------------------- track textures

const double kHues[8] = {0.52, 0.62, 0.79, 0.97, 0.06, 0.17, 0.23, 0.37};

QImage SegmentTexture()
{
    constexpr int kW = 64, kRow = 12;
    QImage image = Blank(kW, kRow * 16);
    QPainter p(&image);
    Begin(p);
    for (int row = 0; row < 16; ++row)
    {
        const int kind = row % 8;
        const bool selected = row >= 8;
        const QColor base = QColor::fromHslF(float(kHues[kind]), 0.6f, selected ? 0.5f : 0.4f);
        const QRectF r(0, row * kRow, kW, kRow);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, base.lighter(selected ? 135 : 125));
        g.setColorAt(0.45, base);
        g.setColorAt(1, base.darker(125));
        p.fillRect(r, g);
        // A faint wave across the bar: the texture reads as sound, not as a flat block.
        p.setClipRect(r);
        p.setPen(QPen(QColor(255, 255, 255, selected ? 70 : 45), 1));
        QPainterPath wave;
        for (int x = 0; x <= kW; ++x)
        {
            const double y = r.center().y() + std::sin(x / double(kW) * 2 * M_PI * 2 + kind) * kRow * 0.22;
            if (x == 0)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        p.drawPath(wave);
        p.setClipping(false);
        p.fillRect(QRectF(0, row * kRow, kW, 1), QColor(255, 255, 255, selected ? 60 : 35));
    }
    return image;
}

// ---------------------------------------------------------------- other bitmaps

QImage Thumb()
{
    QImage image = Blank(11, 18);
    QPainter p(&image);
    Begin(p);
    QLinearGradient g(0, 0, 11, 0);
    g.setColorAt(0, QColor(224, 224, 224));
    g.setColorAt(1, QColor(150, 150, 150));
    p.setPen(QPen(QColor(36, 36, 36), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 10, 17), 3, 3);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    for (int y : {6, 9, 12})
        p.drawLine(QPointF(3.5, y + 0.5), QPointF(7.5, y + 0.5));
    return image;
}

QImage Channel()
{
    // The slider sits at (43, 10) of the session-length panel, inside its well.
    QImage image(123, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(kWell);
    QPainter p(&image);
    Begin(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawRoundedRect(QRectF(5, 9, 113, 5), 2.5, 2.5);
    p.setBrush(QColor(24, 24, 24));
    p.drawRoundedRect(QRectF(5, 8, 113, 4), 2, 2);
    QLinearGradient g(5, 0, 118, 0);
    g.setColorAt(0, kTeal.darker(160));
    g.setColorAt(1, kTeal.darker(115));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(5.5, 8.5, 112, 3), 1.5, 1.5);
    return image;
}

QImage RecordMark()
{
    QImage image = Blank(12, 12);
    QPainter p(&image);
    Begin(p);
    QRadialGradient g(QPointF(5, 5), 7);
    g.setColorAt(0, QColor(255, 170, 160));
    g.setColorAt(0.5, kRed);
    g.setColorAt(1, kRed.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, 10, 10));
    return image;
}

QImage Splitter()
{
    QImage image(8, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(58, 58, 58));
    QPainter p(&image);
    p.fillRect(0, 0, 1, 32, QColor(40, 40, 40));
    p.fillRect(1, 0, 1, 32, QColor(86, 86, 86));
    p.fillRect(7, 0, 1, 32, QColor(36, 36, 36));
    p.fillRect(3, 14, 2, 2, QColor(120, 120, 120));
    p.fillRect(3, 18, 2, 2, QColor(120, 120, 120));
    return image;
}

QImage PropertiesBackground()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(64, 64, 64));
    return image;
}

QImage TimelineBackground()
{
    return Rows(16, 27, [](int y) { return Mix(QColor(62, 62, 62), QColor(52, 52, 52), y / 26.0); });
}

QImage About()
{
    constexpr int kW = 460, kH = 150;
    QImage image(kW, kH, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    Begin(p);
    QLinearGradient g(0, 0, 0, kH);
    g.setColorAt(0, QColor(78, 78, 78));
    g.setColorAt(1, QColor(48, 48, 48));
    p.fillRect(image.rect(), g);
    // Beating waves: two sines whose sum swells and fades, in the track hues.
    for (int k = 0; k < 5; ++k)
    {
        QPainterPath wave;
        for (int x = 0; x <= kW; x += 2)
        {
            const double t = x / double(kW);
            const double y =
                kH * 0.62 + std::sin(t * 2 * M_PI * 1.5 + k * 0.6) * (14 + 4 * k) * std::sin(t * M_PI);
            if (x == 0)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        QColor c = QColor::fromHslF(float(kHues[k]), 0.55f, 0.55f);
        c.setAlpha(110);
        p.setPen(QPen(c, 2));
        p.drawPath(wave);
    }
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(44);
    font.setWeight(QFont::Bold);
    font.setLetterSpacing(QFont::PercentageSpacing, 118);
    p.setFont(font);
    p.setPen(QColor(215, 215, 215));
    p.drawText(QRect(0, 14, kW, 60), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("VORNA"));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    p.setFont(font);
    p.setPen(kLine);
    p.drawText(QRect(0, 66, kW, 20), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("brainwave entrainment sessions"));
    p.fillRect(0, kH - 1, kW, 1, QColor(30, 30, 30));
    return image;
}

// ---------------------------------------------------------------- icons

/** A stroked and filled icon of 32 x 32 in light grey with one accent colour. */
QImage Icon(const std::function<void(QPainter&, const QPen&, const QPen&)>& draw,
            const QColor& accent = kTeal)
{
    QImage image = Blank(32, 32);
    QPainter p(&image);
    Begin(p);
    const QPen pen(kGlyph, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QPen accentPen(accent, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    draw(p, pen, accentPen);
    return image;
}

void Sheet(QPainter& p, const QPen& pen, const QRectF& r, double fold = 6)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                              QPointF(r.right(), r.top() + fold)}));
}

void Plus(QPainter& p, const QPen& pen, QPointF c, double s)
{
    p.setPen(pen);
    p.drawLine(QPointF(c.x() - s, c.y()), QPointF(c.x() + s, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - s), QPointF(c.x(), c.y() + s));
}

void Folder(QPainter& p, const QPen& pen)
{
    QPainterPath path;
    path.moveTo(4, 9);
    path.lineTo(12, 9);
    path.lineTo(15, 12);
    path.lineTo(27, 12);
    path.lineTo(27, 26);
    path.lineTo(4, 26);
    path.closeSubpath();
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawPath(path);
}

void Disk(QPainter& p, const QPen& pen, const QPen& accent)
{
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 28));
    QPainterPath body;
    body.moveTo(5, 5);
    body.lineTo(23, 5);
    body.lineTo(27, 9);
    body.lineTo(27, 27);
    body.lineTo(5, 27);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(10, 5, 11, 7));
    p.setPen(accent);
    p.drawRect(QRectF(9.5, 17, 13, 6));
}

void Bars(QPainter& p, const QPen& pen, int count = 3)
{
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 28));
    for (int i = 0; i < count; ++i)
        p.drawRoundedRect(QRectF(4, 6 + i * 7.5, 17 - (i % 2) * 5, 5), 2, 2);
}

void Speaker(QPainter& p, const QPen& pen)
{
    QPainterPath path;
    path.moveTo(4, 12);
    path.lineTo(9, 12);
    path.lineTo(15, 6.5);
    path.lineTo(15, 25.5);
    path.lineTo(9, 20);
    path.lineTo(4, 20);
    path.closeSubpath();
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawPath(path);
}

void Waves(QPainter& p, const QPen& pen, int count)
{
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i)
    {
        const double r = 5 + i * 4.5;
        p.drawArc(QRectF(15 - r, 16 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
}

void Microphone(QPainter& p, const QPen& pen)
{
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 30));
    p.drawRoundedRect(QRectF(11, 3.5, 10, 15), 5, 5);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7, 8, 18, 15), 200 * 16, 140 * 16);
    p.drawLine(QPointF(16, 23), QPointF(16, 27.5));
    p.drawLine(QPointF(11, 27.5), QPointF(21, 27.5));
}

void Circle(QPainter& p, const QPen& pen, QPointF c, double r, const QBrush& fill = QColor(255, 255, 255, 28))
{
    p.setPen(pen);
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
}

void Globe(QPainter& p, const QPen& pen, const QPen& accent)
{
    Circle(p, pen, {16, 16}, 11.5);
    p.setPen(accent);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 5, 11.5);
    p.setPen(pen);
    p.drawLine(QPointF(4.5, 16), QPointF(27.5, 16));
    p.drawLine(QPointF(7, 9.5), QPointF(25, 9.5));
    p.drawLine(QPointF(7, 22.5), QPointF(25, 22.5));
}

void Text(QPainter& p, const QPen& pen, double x, double y, double w, int lines)
{
    p.setPen(pen);
    for (int i = 0; i < lines; ++i)
        p.drawLine(QPointF(x, y + i * 4.5), QPointF(x + w - (i % 2) * 4, y + i * 4.5));
}

void Gear(QPainter& p, const QPen& pen, const QPen& accent)
{
    QPainterPath gear;
    for (int i = 0; i < 16; ++i)
    {
        const double a = i * M_PI / 8;
        const double r = (i % 2 == 0) ? 12.0 : 9.0;
        const double a1 = a - M_PI / 16, a2 = a + M_PI / 16;
        const QPointF p1(16 + r * std::cos(a1), 16 + r * std::sin(a1)),
            p2(16 + r * std::cos(a2), 16 + r * std::sin(a2));
        if (i == 0)
            gear.moveTo(p1);
        else
            gear.lineTo(p1);
        gear.lineTo(p2);
    }
    gear.closeSubpath();
    p.setPen(pen);
    p.setBrush(QColor(255, 255, 255, 30));
    p.drawPath(gear);
    Circle(p, accent, {16, 16}, 3.8, Qt::NoBrush);
}

const std::map<int, std::function<QImage()>>& Icons()
{
    static const std::map<int, std::function<QImage()>> icons = {
        // The application.
        {128,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Circle(p, QPen(kTeal, 2), {16, 16}, 13, QColor(40, 40, 40));
                     QPainterPath w;
                     for (int x = 0; x <= 20; ++x)
                     {
                         const double y =
                             16 + std::sin(x / 20.0 * 2 * M_PI * 1.5) * 6 * std::sin(x / 20.0 * M_PI);
                         if (x == 0)
                             w.moveTo(6 + x, y);
                         else
                             w.lineTo(6 + x, y);
                     }
                     p.setPen(QPen(kBright, 2.2, Qt::SolidLine, Qt::RoundCap));
                     p.setBrush(Qt::NoBrush);
                     p.drawPath(w);
                 });
         }},
        // Toolbar.
        {382,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Sheet(p, pen, {7, 4, 18, 24});
                     Plus(p, a, {21, 22}, 5);
                 },
                 kGreen);
         }},
        {384,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Folder(p, pen);
                     p.setPen(a);
                     p.drawLine(QPointF(9, 20), QPointF(22, 20));
                     p.drawPolyline(QPolygonF({QPointF(18, 16), QPointF(22, 20), QPointF(18, 24)}));
                 },
                 kAmber);
         }},
        {386, [] { return Icon([](QPainter& p, const QPen& pen, const QPen& a) { Disk(p, pen, a); }); }},
        {387,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Disk(p, pen, QPen(kGlyph, 1.5));
                     p.setPen(QPen(kAmber, 3, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(17, 25), QPointF(28, 14));
                 },
                 kAmber);
         }},
        {437, [] { return Icon([](QPainter& p, const QPen& pen, const QPen& a) { Microphone(p, pen); }); }},
        {459,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Microphone(p, pen);
                     p.setPen(Qt::NoPen);
                     p.setBrush(kRed);
                     p.drawEllipse(QPointF(25, 7), 4.5, 4.5);
                 },
                 kRed);
         }},
        {378,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     p.drawRoundedRect(QRectF(4, 12, 18, 15), 2, 2);
                     p.setPen(a);
                     p.drawLine(QPointF(13, 19), QPointF(27, 6));
                     p.drawPolyline(QPolygonF({QPointF(20, 6), QPointF(27, 6), QPointF(27, 13)}));
                 });
         }},
        {377,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     QPainterPath bin;
                     bin.moveTo(8, 9);
                     bin.lineTo(24, 9);
                     bin.lineTo(22.5, 27.5);
                     bin.lineTo(9.5, 27.5);
                     bin.closeSubpath();
                     p.drawPath(bin);
                     p.drawLine(QPointF(5, 8), QPointF(27, 8));
                     p.drawLine(QPointF(13, 4.5), QPointF(19, 4.5));
                     p.setPen(a);
                     p.drawLine(QPointF(13, 13), QPointF(13.5, 23.5));
                     p.drawLine(QPointF(19, 13), QPointF(18.5, 23.5));
                 },
                 kRed);
         }},
        {414,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Sheet(p, pen, {5, 4, 14, 18}, 4);
                     Sheet(p, a, {13, 10, 14, 18}, 4);
                 });
         }},
        {415,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     p.drawRoundedRect(QRectF(6, 6, 20, 22), 2, 2);
                     p.setBrush(QColor(70, 70, 70));
                     p.drawRoundedRect(QRectF(11, 3.5, 10, 5), 1.5, 1.5);
                     Text(p, a, 10.5, 14, 11, 3);
                 });
         }},
        {407,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, pen);
                     p.setPen(a);
                     p.drawLine(QPointF(25, 6), QPointF(25, 26));
                 });
         }},
        {438,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     // A wrench: a round head with an open jaw, on a handle with an amber grip.
                     p.setPen(QPen(kGlyph, 4.5, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(8, 24), QPointF(18.5, 13.5));
                     p.setPen(Qt::NoPen);
                     p.setBrush(kGlyph);
                     p.drawEllipse(QPointF(21.5, 10.5), 7, 7);
                     p.setCompositionMode(QPainter::CompositionMode_Clear);
                     p.save();
                     p.translate(21.5, 10.5);
                     p.rotate(45);
                     p.drawRect(QRectF(-2.6, -9, 5.2, 8.5));
                     p.restore();
                     p.drawEllipse(QPointF(21.5, 10.5), 2.2, 2.2);
                     p.setCompositionMode(QPainter::CompositionMode_SourceOver);
                     p.setPen(QPen(kAmber, 5, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(6, 26), QPointF(10, 22));
                 },
                 kAmber);
         }},
        {385, [] { return Icon([](QPainter& p, const QPen& pen, const QPen& a) { Gear(p, pen, a); }); }},
        {379,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Circle(p, pen, {16, 16}, 12);
                     p.setPen(QPen(kTeal, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                     p.setBrush(Qt::NoBrush);
                     p.drawArc(QRectF(11.5, 8, 9, 9), 0, 180 * 16);
                     p.drawArc(QRectF(11.5, 8, 9, 9), -90 * 16, 90 * 16);
                     p.drawLine(QPointF(16, 17), QPointF(16, 19));
                     p.setPen(Qt::NoPen);
                     p.setBrush(kTeal);
                     p.drawEllipse(QPointF(16, 23.5), 1.8, 1.8);
                 });
         }},
        {391,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Circle(p, pen, {16, 16}, 12);
                     Circle(p, pen, {16, 16}, 5, QColor(70, 70, 70));
                     p.setPen(QPen(kRed, 4.2, Qt::SolidLine, Qt::FlatCap));
                     p.setBrush(Qt::NoBrush);
                     for (int i = 0; i < 4; ++i)
                         p.drawArc(QRectF(7.5, 7.5, 17, 17), (i * 90 + 25) * 16, 40 * 16);
                 },
                 kRed);
         }},
        // Tracks menu.
        {451,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, pen);
                     Plus(p, a, {24, 22}, 5);
                 },
                 kGreen);
         }},
        {453,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, pen, 2);
                     p.setPen(a);
                     p.setBrush(Qt::NoBrush);
                     p.drawRoundedRect(QRectF(10, 21, 17, 5), 2, 2);
                 });
         }},
        {456,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, pen);
                     p.setPen(a);
                     p.drawLine(QPointF(19, 22), QPointF(29, 22));
                 },
                 kRed);
         }},
        {452,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, pen, 2);
                     p.setPen(a);
                     for (int i = 0; i < 3; ++i)
                         p.drawLine(QPointF(14 + i * 5, 27), QPointF(17 + i * 5, 21));
                     p.setPen(QPen(kGlyph, 2, Qt::DotLine));
                     p.setBrush(Qt::NoBrush);
                     p.drawRoundedRect(QRectF(4, 20, 9, 6), 2, 2);
                 },
                 kAmber);
         }},
        {454,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Speaker(p, pen);
                     p.setPen(a);
                     p.drawLine(QPointF(19, 12), QPointF(27, 20));
                     p.drawLine(QPointF(27, 12), QPointF(19, 20));
                 },
                 kRed);
         }},
        {449,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Speaker(p, pen);
                     Waves(p, a, 2);
                 },
                 kGreen);
         }},
        {455,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, QPen(kGlyph, 1.6), 3);
                     p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(18, 16), QPointF(28, 26));
                     p.drawLine(QPointF(28, 16), QPointF(18, 26));
                 },
                 kRed);
         }},
        {450,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Bars(p, QPen(kGlyph, 1.6), 3);
                     p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                     p.drawPolyline(QPolygonF({QPointF(17, 21), QPointF(21, 25.5), QPointF(28.5, 15)}));
                 },
                 kGreen);
         }},
        // Tools menu.
        {436,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(Qt::NoBrush);
                     p.drawArc(QRectF(4, 4, 24, 24), 40 * 16, 300 * 16);
                     Triangle(p, {24.5, 3.5}, {27.5, 11}, {20, 10}, kGlyph);
                     p.setPen(a);
                     p.drawLine(QPointF(18, 10), QPointF(18, 20));
                     p.setBrush(kTeal);
                     p.drawEllipse(QPointF(15, 20.5), 3.2, 2.6);
                 });
         }},
        {441,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     p.drawRoundedRect(QRectF(3.5, 11, 25, 10), 2, 2);
                     p.setPen(a);
                     p.drawLine(QPointF(12, 8), QPointF(12, 24));
                     p.drawLine(QPointF(20, 8), QPointF(20, 24));
                 });
         }},
        {440,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Sheet(p, pen, {5, 4, 18, 24});
                     Text(p, QPen(kGlyph, 1.6), 9, 12, 10, 3);
                     p.setPen(QPen(kAmber, 3, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(18, 27), QPointF(28, 15));
                 },
                 kAmber);
         }},
        {439,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Circle(p, pen, {16, 16}, 12);
                     QPainterPath w;
                     for (int x = 0; x <= 18; ++x)
                     {
                         const double y = 16 + std::sin(x / 18.0 * 2 * M_PI * 1.5) * 5;
                         if (x == 0)
                             w.moveTo(7 + x, y);
                         else
                             w.lineTo(7 + x, y);
                     }
                     p.setPen(a);
                     p.setBrush(Qt::NoBrush);
                     p.drawPath(w);
                 });
         }},
        {442,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Sheet(p, pen, {6, 3.5, 20, 25});
                     Text(p, a, 10, 11, 12, 4);
                 });
         }},
        // Support menu.
        {447, [] { return Icon([](QPainter& p, const QPen& pen, const QPen& a) { Globe(p, pen, a); }); }},
        {460,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     p.drawRoundedRect(QRectF(3.5, 7, 25, 18), 3, 3);
                     Triangle(p, {13, 11}, {13, 21}, {21.5, 16}, kRed);
                 },
                 kRed);
         }},
        {444,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(QColor(255, 255, 255, 28));
                     p.drawRoundedRect(QRectF(4, 8, 24, 17), 2, 2);
                     p.setPen(a);
                     p.drawPolyline(QPolygonF({QPointF(5, 9.5), QPointF(16, 18), QPointF(27, 9.5)}));
                 });
         }},
        {443,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     Circle(p, pen, {16, 16}, 12);
                     p.setPen(QPen(kTeal, 3.2, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(16, 14.5), QPointF(16, 22.5));
                     p.setPen(Qt::NoPen);
                     p.setBrush(kTeal);
                     p.drawEllipse(QPointF(16, 9.5), 2, 2);
                 });
         }},
        // Check for Updates: a circular arrow around a downward arrow into a tray.
        {461,
         []
         {
             return Icon(
                 [](QPainter& p, const QPen& pen, const QPen& a)
                 {
                     p.setPen(pen);
                     p.setBrush(Qt::NoBrush);
                     p.drawArc(QRectF(4, 4, 24, 24), 40 * 16, 280 * 16);
                     // The arrow head at the arc's open end (40 degrees, upper right).
                     const QPointF tip(16 + 12 * std::cos(40 * M_PI / 180),
                                       16 - 12 * std::sin(40 * M_PI / 180));
                     p.drawPolyline(QPolygonF({tip + QPointF(-5.5, -1.5), tip, tip + QPointF(0.5, -5.5)}));
                     p.setPen(a);
                     p.drawLine(QPointF(16, 10), QPointF(16, 20));
                     p.drawPolyline(QPolygonF({QPointF(12, 16.5), QPointF(16, 20.5), QPointF(20, 16.5)}));
                     p.drawLine(QPointF(11.5, 23), QPointF(20.5, 23));
                 });
         }},
    };
    return icons;
}

const std::map<int, std::function<QImage()>>& Bitmaps()
{
    static const std::map<int, std::function<QImage()>> bitmaps = {
        {313, [] { return Rows(16, 60, TransportRow); }},
        {315, [] { return HGradientBar(120, 10); }},
        {317,
         []
         {
             return Panel(226, 40, 10,
                          [](QPainter& p)
                          {
                              p.setPen(QPen(QColor(255, 255, 255, 20), 1));
                              p.drawLine(QPointF(112.5, 7), QPointF(112.5, 32));
                              p.drawLine(QPointF(171.5, 7), QPointF(171.5, 32));
                              p.setPen(QPen(QColor(0, 0, 0, 90), 1));
                              p.drawLine(QPointF(111.5, 7), QPointF(111.5, 32));
                              p.drawLine(QPointF(170.5, 7), QPointF(170.5, 32));
                          });
         }},
        {337, [] { return HelpStrip(); }},
        {338, [] { return Rows(64, 75, ToolbarRow); }},
        {355, [] { return VGradientBar(10, 48, true); }},
        {356, [] { return VGradientBar(10, 48, false); }},
        {359, [] { return Panel(120, 40, 10); }},
        {360, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(360), 7); }},
        {361, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(361), 7); }},
        {362, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(362), 7); }},
        {363, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(363), 7); }},
        {364, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(364), 7); }},
        {365, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(365), 7); }},
        {366, [] { return ButtonStrip(40, TransportRow, 10, TransportGlyph(366), 7); }},
        {370,
         []
         {
             return Panel(170, 40, 10,
                          [](QPainter& p)
                          {
                              p.setPen(QPen(QColor(0, 0, 0, 90), 1));
                              p.drawLine(QPointF(39.5, 7), QPointF(39.5, 32));
                              p.setPen(QPen(QColor(255, 255, 255, 20), 1));
                              p.drawLine(QPointF(40.5, 7), QPointF(40.5, 32));
                          });
         }},
        {371, [] { return Channel(); }},
        {372, [] { return Thumb(); }},
        {374, [] { return SegmentTexture(); }},
        {375, [] { return TimelineBackground(); }},
        {377, [] { return Panel(160, 40, 10); }},
        {412, [] { return Panel(40, 40, 10); }},
        {415, [] { return Rows(16, 70, RecorderRow); }},
        {430, [] { return RecordMark(); }},
        {432, [] { return Splitter(); }},
        {433, [] { return PropertiesBackground(); }},
        {434, [] { return About(); }},
    };
    return bitmaps;
}

// ---------------------------------------------------------------- cursors

QImage CursorImage(const std::function<void(QPainter&)>& draw)
{
    QImage image = Blank(32, 32);
    QPainter p(&image);
    Begin(p);
    draw(p);
    return image;
}

/** Draws @p path with a dark outline and a white body, so it shows on light and dark alike. */
void Outlined(QPainter& p, const QPainterPath& path)
{
    p.setPen(QPen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPainterPath DoubleArrow(double cx, double cy, double half, bool bar)
{
    QPainterPath path;
    path.moveTo(cx - half, cy);
    path.lineTo(cx + half, cy);
    path.moveTo(cx - half + 4, cy - 4);
    path.lineTo(cx - half, cy);
    path.lineTo(cx - half + 4, cy + 4);
    path.moveTo(cx + half - 4, cy - 4);
    path.lineTo(cx + half, cy);
    path.lineTo(cx + half - 4, cy + 4);
    if (bar)
    {
        path.moveTo(cx, cy - 8);
        path.lineTo(cx, cy + 8);
    }
    return path;
}

} // namespace

QImage PaintBitmap(int id)
{
    const auto& all = Bitmaps();
    const auto it = all.find(id);
    return it != all.end() ? it->second() : QImage();
}

QImage PaintIcon(int id)
{
    const auto& all = Icons();
    const auto it = all.find(id);
    return it != all.end() ? it->second() : QImage();
}

QImage PaintCursor(int id, QPoint& hotSpot)
{
    hotSpot = QPoint(16, 16);
    switch (id)
    {
    case 320: // select, seek and grab: a hand pointing up
        hotSpot = QPoint(12, 4);
        return CursorImage(
            [](QPainter& p)
            {
                QPainterPath hand;
                hand.moveTo(10.5, 15);
                hand.lineTo(10.5, 5);
                hand.arcTo(QRectF(10.5, 2.5, 3, 3), 180, -180);
                hand.lineTo(13.5, 13);
                hand.lineTo(15.5, 12.5);
                hand.lineTo(17.5, 13);
                hand.lineTo(19.5, 13.5);
                hand.lineTo(21.5, 14.5);
                hand.lineTo(21.5, 21);
                hand.lineTo(19, 25.5);
                hand.lineTo(12.5, 25.5);
                hand.lineTo(7.5, 19.5);
                hand.lineTo(7, 16.5);
                hand.closeSubpath();
                p.setPen(QPen(QColor(20, 20, 20), 1.5));
                p.setBrush(Qt::white);
                p.drawPath(hand);
            });
    case 321: // resize the end: a bracket with an arrow to the right
        return CursorImage(
            [](QPainter& p)
            {
                QPainterPath path = DoubleArrow(20, 16, 0, false);
                path = QPainterPath();
                path.moveTo(13, 8);
                path.lineTo(13, 24);
                path.moveTo(13, 16);
                path.lineTo(27, 16);
                path.moveTo(23, 12);
                path.lineTo(27, 16);
                path.lineTo(23, 20);
                path.moveTo(9, 8);
                path.lineTo(13, 8);
                path.moveTo(9, 24);
                path.lineTo(13, 24);
                Outlined(p, path);
            });
    case 322: // resize the start: an arrow to the left with a bracket
        return CursorImage(
            [](QPainter& p)
            {
                QPainterPath path;
                path.moveTo(19, 8);
                path.lineTo(19, 24);
                path.moveTo(19, 16);
                path.lineTo(5, 16);
                path.moveTo(9, 12);
                path.lineTo(5, 16);
                path.lineTo(9, 20);
                path.moveTo(19, 8);
                path.lineTo(23, 8);
                path.moveTo(19, 24);
                path.lineTo(23, 24);
                Outlined(p, path);
            });
    case 323: // move and boundary: a double arrow across a bar
        return CursorImage([](QPainter& p) { Outlined(p, DoubleArrow(16, 16, 11, true)); });
    case 324: // the ruler: a play marker pointing down
        hotSpot = QPoint(16, 26);
        return CursorImage(
            [](QPainter& p)
            {
                QPainterPath path;
                path.moveTo(16, 10);
                path.lineTo(16, 26);
                path.moveTo(11, 5);
                path.lineTo(21, 5);
                path.lineTo(16, 11);
                path.closeSubpath();
                Outlined(p, path);
            });
    default:
        return {};
    }
}

std::vector<int> BitmapIds()
{
    std::vector<int> ids;
    for (const auto& [id, paint] : Bitmaps())
        ids.push_back(id);
    return ids;
}

std::vector<int> IconIds()
{
    std::vector<int> ids;
    for (const auto& [id, paint] : Icons())
        ids.push_back(id);
    return ids;
}

std::vector<int> CursorIds()
{
    return {320, 321, 322, 323, 324};
}

} // namespace art
