#pragma once
/** @brief The blitting helpers every pane's paint code uses to draw its bitmap skin.
 *
 * Stretching follows the painter's SmoothPixmapTransform hint: off copies the nearest pixels (the
 * plain stretch), on blends them (the halftone stretch some panes ask for). */

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QRect>

/** Copies the whole bitmap with its top-left corner at @p at. */
void DrawBitmapAt(QPainter& dc, const QPoint& at, const QPixmap& bitmap);

/** Copies a bitmap-sized area of @p bitmap, starting at @p source, to @p at (what lies beyond the
 *  bitmap's edge is not drawn). */
void DrawBitmapAtOffset(QPainter& dc, const QPoint& at, const QPixmap& bitmap, const QPoint& source);

/** Fills @p rect with copies of @p bitmap from its top-left corner: rows while a row's top is not
 *  below rect.bottom(), tiles while a tile's left is not right of rect.right(); the last row and the
 *  last tile of each row are cut so that they end exactly on rect.right() and rect.bottom(), which
 *  are filled (QRect's right and bottom are its last pixels). */
void TileBitmap(QPainter& dc, const QRect& rect, const QPixmap& bitmap);

/** Draws @p bitmap @p totalWidth wide at @p at: its first @p leftCap columns unscaled, its last
 *  @p rightCap columns unscaled at at.x + totalWidth - rightCap, and the columns between them
 *  stretched to the width left over and to @p height. The caps keep the bitmap's own height. */
void DrawBitmapThreeSlice(QPainter& dc, const QPoint& at, const QPixmap& bitmap, int leftCap, int rightCap,
                          int totalWidth, int height);

/** A solid one-pixel line from @p from up to, but not including, @p to. */
void DrawLine(QPainter& dc, const QPoint& from, const QPoint& to, const QColor& colour);

/** The disabled look of a skin picture: every pixel turns grey and keeps only @p contrast of its
 *  difference in brightness from the picture's left column on the same row, which is the surface
 *  the picture sits on (the face of a button strip starts inside it). So the glyph and the face
 *  fade into the surface while the surface itself stays as it is. Alpha is kept. */
QPixmap DimmedBitmap(const QPixmap& bitmap, double contrast = 0.35);
