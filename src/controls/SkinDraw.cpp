#include "controls/SkinDraw.h"

#include "controls/Dc.h"

#include <QImage>

#include <algorithm>

void DrawBitmapAt(QPainter& dc, const QPoint& at, const QPixmap& bitmap)
{
    if (!bitmap.isNull())
        dc.drawPixmap(at, bitmap);
}

void DrawBitmapAtOffset(QPainter& dc, const QPoint& at, const QPixmap& bitmap, const QPoint& source)
{
    if (bitmap.isNull())
        return;
    const QRect wanted(source, bitmap.size());
    const QRect available = wanted.intersected(bitmap.rect());
    if (available.isEmpty())
        return;
    dc.drawPixmap(at + (available.topLeft() - source), bitmap, available);
}

void TileBitmap(QPainter& dc, const QRect& rect, const QPixmap& bitmap)
{
    const int bw = bitmap.width();
    const int bh = bitmap.height();
    if (bitmap.isNull() || bw <= 0 || bh <= 0 || rect.width() <= 0 || rect.height() <= 0)
        return;
    for (int y = rect.top(); y <= rect.bottom(); y += bh)
    {
        const int h = std::min(bh, rect.bottom() - y + 1);
        for (int x = rect.left(); x <= rect.right(); x += bw)
        {
            const int w = std::min(bw, rect.right() - x + 1);
            dc.drawPixmap(QPoint(x, y), bitmap, QRect(0, 0, w, h));
        }
    }
}

void DrawBitmapThreeSlice(QPainter& dc, const QPoint& at, const QPixmap& bitmap, int leftCap, int rightCap,
                          int totalWidth, int height)
{
    if (bitmap.isNull())
        return;
    const int bw = bitmap.width();
    const int bh = bitmap.height();
    leftCap = std::clamp(leftCap, 0, bw);
    rightCap = std::clamp(rightCap, 0, bw - leftCap);
    dc.drawPixmap(at, bitmap, QRect(0, 0, leftCap, bh));
    const int middleWidth = totalWidth - leftCap - rightCap;
    const int sourceMiddle = bw - leftCap - rightCap;
    if (middleWidth > 0 && sourceMiddle > 0 && height > 0)
        dc.drawPixmap(QRect(at.x() + leftCap, at.y(), middleWidth, height), bitmap,
                      QRect(leftCap, 0, sourceMiddle, bh));
    dc.drawPixmap(QPoint(at.x() + totalWidth - rightCap, at.y()), bitmap,
                  QRect(bw - rightCap, 0, rightCap, bh));
}

void DrawLine(QPainter& dc, const QPoint& from, const QPoint& to, const QColor& colour)
{
    ui::Dc(dc).Line(from, to, colour);
}

QPixmap DimmedBitmap(const QPixmap& bitmap, double contrast)
{
    if (bitmap.isNull())
        return bitmap;
    QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const QRgb ground = line[0];
        const int groundGrey = qGray(ground);
        for (int x = 0; x < image.width(); ++x)
        {
            const double shift = (qGray(line[x]) - groundGrey) * contrast;
            auto channel = [shift](int c) { return std::clamp(int(c + shift + 0.5), 0, 255); };
            line[x] = qRgba(channel(qRed(ground)), channel(qGreen(ground)), channel(qBlue(ground)),
                            qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}
