#include "controls/SkinDraw.h"
#include "controls/Dc.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace
{

const QRgb kUntouched = qRgb(1, 2, 3);

/** A bitmap whose every pixel has its own colour, so a copied pixel tells where it came from. */
QPixmap Numbered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(10 + x * 10, 10 + y * 10, 200));
    return QPixmap::fromImage(image);
}

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kUntouched);
    return image;
}

} // namespace

// Every pixel of the rectangle, its right and bottom edge included, shows the bitmap pixel at its
// offset modulo the bitmap size; nothing outside is touched. The rows name the faults of a tiler
// that stops one tile early, overruns the edge or restarts the pattern wrongly.
TEST(TileBitmap, FillsTheRectangleWithCutLastTiles)
{
    struct Case
    {
        const char* name;
        QRect rect;
    };
    const Case cases[] = {
        {"narrower and lower than the bitmap: one cut tile", QRect(2, 3, 3, 2)},
        {"width not a multiple of the bitmap", QRect(0, 0, 11, 3)},
        {"height not a multiple of the bitmap", QRect(1, 1, 4, 7)},
        {"exact multiple", QRect(0, 0, 8, 6)},
        {"offset and cut on both axes", QRect(5, 4, 9, 5)},
        {"one pixel", QRect(6, 6, 1, 1)},
    };
    const QPixmap bitmap = Numbered(4, 3);
    const QImage source = bitmap.toImage();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        QImage canvas = Canvas(20, 16);
        {
            QPainter p(&canvas);
            TileBitmap(p, c.rect, bitmap);
        }
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
            {
                const QRgb got = canvas.pixel(x, y);
                if (c.rect.contains(x, y))
                    ASSERT_EQ(got, source.pixel((x - c.rect.left()) % 4, (y - c.rect.top()) % 3))
                        << x << "," << y;
                else
                    ASSERT_EQ(got, kUntouched) << x << "," << y;
            }
    }
}

TEST(TileBitmap, EmptyRectangleOrBitmapDrawsNothing)
{
    QImage canvas = Canvas(8, 8);
    {
        QPainter p(&canvas);
        TileBitmap(p, QRect(2, 2, 0, 5), Numbered(4, 3));
        TileBitmap(p, QRect(0, 0, 8, 8), QPixmap());
    }
    EXPECT_EQ(canvas, Canvas(8, 8));
}

// The caps are copied unscaled in the bitmap's own height; only the middle is stretched, to the
// requested height. A three-slice that stretched the caps would blur the panels' rounded ends.
TEST(DrawBitmapThreeSlice, CopiesCapsAndStretchesTheMiddle)
{
    const QPixmap bitmap = Numbered(10, 4);
    const QImage source = bitmap.toImage();
    QImage canvas = Canvas(30, 10);
    {
        QPainter p(&canvas);
        DrawBitmapThreeSlice(p, QPoint(3, 1), bitmap, 2, 3, 20, 6);
    }
    // Left cap: columns 0..1 at x 3..4, rows 1..4 only.
    for (int y = 1; y < 5; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(canvas.pixel(3 + x, 1 + y - 1), source.pixel(x, y - 1));
    EXPECT_EQ(canvas.pixel(3, 5), kUntouched);
    // Right cap: the last three columns at x = 3 + 20 - 3.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(canvas.pixel(20 + x, 1 + y), source.pixel(7 + x, y));
    EXPECT_EQ(canvas.pixel(20, 5), kUntouched);
    EXPECT_EQ(canvas.pixel(23, 1), kUntouched);
    // Middle: x 5..19 (15 columns) from source columns 2..6, all six rows, by nearest pixel.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 15; ++x)
        {
            const QRgb got = canvas.pixel(5 + x, 1 + y);
            const int column = qRed(got) / 10 - 1;
            EXPECT_GE(column, 2);
            EXPECT_LE(column, 6);
        }
    EXPECT_EQ(qRed(canvas.pixel(5, 1)) / 10 - 1, 2);
    EXPECT_EQ(qRed(canvas.pixel(19, 1)) / 10 - 1, 6);
}

TEST(DrawBitmapAt, CopiesWholeOrFromAnOffset)
{
    const QPixmap bitmap = Numbered(4, 3);
    const QImage source = bitmap.toImage();
    QImage canvas = Canvas(10, 10);
    {
        QPainter p(&canvas);
        DrawBitmapAt(p, QPoint(1, 1), bitmap);
        DrawBitmapAtOffset(p, QPoint(6, 6), bitmap, QPoint(2, 1));
    }
    EXPECT_EQ(canvas.pixel(1, 1), source.pixel(0, 0));
    EXPECT_EQ(canvas.pixel(4, 3), source.pixel(3, 2));
    EXPECT_EQ(canvas.pixel(6, 6), source.pixel(2, 1));
    EXPECT_EQ(canvas.pixel(7, 7), source.pixel(3, 2));
    EXPECT_EQ(canvas.pixel(8, 6), kUntouched); // beyond the bitmap's right edge
}

// The old drawing rules the panes' arithmetic assumes: lines leave out their end point, fills leave
// out their right and bottom edges, text hangs from its top.
TEST(Dc, EdgesFollowTheOldRules)
{
    QImage canvas = Canvas(20, 20);
    const QColor ink(250, 250, 250);
    {
        QPainter p(&canvas);
        ui::Dc dc(p);
        dc.Line(QPoint(0, 0), QPoint(5, 0), ink);
        dc.Line(QPoint(0, 2), QPoint(0, 6), ink);
        dc.Line(QPoint(10, 10), QPoint(13, 13), ink);
        dc.FillSolidRect(ui::Ltrb(2, 8, 5, 10), ink);
        DrawLine(p, QPoint(15, 15), QPoint(15, 15), ink); // from a point to itself: nothing
        dc.FrameRect(ui::Ltrb(2, 12, 6, 16), ink);
    }
    // The outline lies on the outermost pixels inside the rectangle and leaves its middle alone.
    EXPECT_EQ(canvas.pixel(2, 12), ink.rgb());
    EXPECT_EQ(canvas.pixel(5, 15), ink.rgb());
    EXPECT_EQ(canvas.pixel(6, 12), kUntouched);
    EXPECT_EQ(canvas.pixel(2, 16), kUntouched);
    EXPECT_EQ(canvas.pixel(3, 13), kUntouched);
    for (int x = 0; x <= 5; ++x)
        EXPECT_EQ(canvas.pixel(x, 0) == ink.rgb(), x < 5) << x;
    EXPECT_EQ(canvas.pixel(0, 5), ink.rgb());
    EXPECT_EQ(canvas.pixel(0, 6), kUntouched);
    EXPECT_EQ(canvas.pixel(12, 12), ink.rgb());
    EXPECT_EQ(canvas.pixel(13, 13), kUntouched);
    EXPECT_EQ(canvas.pixel(4, 9), ink.rgb());
    EXPECT_EQ(canvas.pixel(5, 9), kUntouched);
    EXPECT_EQ(canvas.pixel(4, 10), kUntouched);
    EXPECT_EQ(canvas.pixel(15, 15), kUntouched);
}

TEST(Dc, TextHangsFromItsTop)
{
    QImage canvas = Canvas(120, 60);
    QSize extent;
    {
        QPainter p(&canvas);
        ui::Dc dc(p);
        dc.SetFont(ui::MakeFont(18, 700));
        dc.SetTextColor(QColor(255, 255, 255));
        dc.TextOut(5, 20, QStringLiteral("Theta"));
        extent = dc.GetTextExtent(QStringLiteral("Theta"));
    }
    int top = -1, bottom = -1;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != kUntouched)
            {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0);
    EXPECT_GE(top, 20);
    EXPECT_LT(bottom, 20 + extent.height());
    EXPECT_NEAR(extent.height(), 18, 1); // a positive height is the cell height
}
