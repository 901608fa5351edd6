#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace shell
{

QImage DrawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF square(s * 0.04, s * 0.04, s * 0.92, s * 0.92);

    QLinearGradient face(square.topLeft(), square.bottomLeft());
    face.setColorAt(0.0, QColor(74, 74, 74));
    face.setColorAt(1.0, QColor(38, 38, 38));
    p.setPen(QPen(QColor(20, 20, 20), std::max(1.0, s / 64)));
    p.setBrush(face);
    p.drawRoundedRect(square, s * 0.18, s * 0.18);

    // Two waves that drift apart: the beat between two tones.
    auto wave = [&](double cycles, double amplitude, double phase)
    {
        QPainterPath path;
        const int steps = 96;
        for (int i = 0; i <= steps; ++i)
        {
            const double x = square.left() + square.width() * (0.12 + 0.76 * i / steps);
            const double envelope = std::sin(M_PI * i / steps);
            const double y =
                s * 0.5 - amplitude * s * envelope * std::sin(2 * M_PI * cycles * i / steps + phase);
            if (i == 0)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        return path;
    };
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 150, 150, 150), std::max(1.0, s * 0.035), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave(2.5, 0.22, 0.9));
    p.setPen(QPen(QColor(64, 208, 200), std::max(1.5, s * 0.06), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave(2.0, 0.26, 0.0));
    return image;
}

} // namespace shell
