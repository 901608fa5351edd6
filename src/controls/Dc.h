#pragma once
/** @brief Drawing with the old device-context rules, on a QPainter.
 *
 * The rules the panes' geometry relies on:
 * - Rectangles are given as left, top, right, bottom (Ltrb); fills cover left .. right - 1 and
 *   top .. bottom - 1: the right and bottom edges are excluded.
 * - A line from a to b draws a but not b (1-pixel pens), so joined lines do not overlap.
 * - Text is anchored at the top-left corner of its cell, not at its baseline; its height is the
 *   font's cell height (ascent + descent).
 * - Shapes (rectangle, rounded rectangle, ellipse) fit inside left .. right - 1 and top .. bottom - 1
 *   with their outline on the outermost pixels.
 * Nothing is antialiased unless asked for, so pixel tests can rely on these rules. */

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace ui
{

/** A rectangle from its four edges; right and bottom are the excluded edges. */
inline QRect Ltrb(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

/** The face the panes use. Missing on a free desktop; Qt then takes the substitute set by
 *  InstallFontSubstitutes (a free face of the same family look). */
inline constexpr const char* kPaneFace = "Verdana";

/** Registers free faces for "Verdana" and "Arial"; done once by the window layer. */
void InstallFontSubstitutes();

/** A font of @p height pixels (positive: cell height, ascent + descent; negative: character height)
 *  and @p weight (400 normal, 700 bold). */
QFont MakeFont(int height, int weight = 400, const QString& face = QString::fromLatin1(kPaneFace));

/** Pixels for a size in points at the screen's 96 DPI (the old MulDiv(points, 96, 72)). */
int PointsToPixels(int points);

class Dc
{
public:
    explicit Dc(QPainter& painter);

    void SetFont(const QFont& font);
    void SetTextColor(const QColor& colour) { m_text = colour; }
    const QFont& Font() const { return m_font; }

    /** Fills left .. right - 1 by top .. bottom - 1. */
    void FillSolidRect(const QRect& rect, const QColor& colour);
    /** A line from @p from up to but not including @p to. */
    void Line(const QPoint& from, const QPoint& to, const QColor& colour, int width = 1,
              Qt::PenStyle style = Qt::SolidLine);
    /** An outline one pixel inside the rectangle's edges; nothing filled. */
    void FrameRect(const QRect& rect, const QColor& colour);
    /** A rectangle with an outline of @p pen (or none) filled with @p brush (or not). */
    void Rectangle(const QRect& rect, const QPen& pen, const QBrush& brush);
    /** A rectangle with rounded corners of @p cornerWidth x @p cornerHeight. */
    void RoundRect(const QRect& rect, int cornerWidth, int cornerHeight, const QPen& pen,
                   const QBrush& brush);
    void Ellipse(const QRect& rect, const QPen& pen, const QBrush& brush);

    /** Text with its cell's top-left corner at (x, y), transparent background. */
    void TextOut(int x, int y, const QString& text);
    /** The same, clipped to @p clip. */
    void TextOutClipped(const QRect& clip, int x, int y, const QString& text);
    /** Width and cell height of @p text in the current font. */
    QSize GetTextExtent(const QString& text) const;

private:
    QPainter& m_p;
    QFont m_font;
    QColor m_text{0, 0, 0};
};

} // namespace ui
