#pragma once
/** @brief The program's icon, drawn by code (our own art): a teal wave on a dark rounded square. */

#include <QImage>

namespace shell
{

/** The icon at @p size x @p size pixels, transparent around the square. */
QImage DrawAppIcon(int size);

} // namespace shell
