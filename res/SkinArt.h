#pragma once
/** @brief Our own skin art, drawn by code: the bitmaps, icons and cursors of the program by id.
 *
 * One palette for everything: the workspace's dark grey (70, 70, 70) with darker wells, light-grey
 * lines and glyphs (180, 180, 180), a teal accent for levels and a red for recording; bars and
 * textures of the tracks in the hues of their kinds. Sizes follow the panes that draw them. */

#include <QImage>
#include <QPoint>

#include <vector>

namespace art
{

/** The bitmap @p id, or a null image when there is none. */
QImage PaintBitmap(int id);
/** The 32 x 32 icon @p id, or a null image. */
QImage PaintIcon(int id);
/** The cursor @p id with its hot spot, or a null image. */
QImage PaintCursor(int id, QPoint& hotSpot);

std::vector<int> BitmapIds();
std::vector<int> IconIds();
std::vector<int> CursorIds();

} // namespace art
