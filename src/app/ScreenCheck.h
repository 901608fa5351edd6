#pragma once
/** @brief The screen the program needs and the main window's smallest size.
 *
 * Pure functions of the screen's figures, so that every boundary can be checked without a screen
 * of that kind. Qt scales for high DPI by itself, so the DPI seen here is the logical DPI
 * (normally 96 on Qt 6) and the sizes are logical pixels. */

#include <QSize>

namespace shell
{

/** The message shown when the screen is below the minimum (tabs and line feeds are part of it). */
inline constexpr const char* kScreenMessage =
    "VORNA requires the following minimal screen setting:\n\n\tScreen width\t1024 pixels\n\tScreen "
    "height\t600 pixels\n\tColor quality\t16/24/32 bits\n\tMaximum DPI\t150\n\nPlease change your screen "
    "setting and run VORNA again.\n";

inline constexpr int kMinScreenWidth = 1000; ///< the message names 1024; 1000 is what is tested
inline constexpr int kMinScreenHeight = 600;
inline constexpr int kMinColourBits = 15;
inline constexpr int kMaxDpi = 150;

/** True when a screen of @p width x @p height pixels, @p bitsPerPixel deep, at @p dpiX x @p dpiY
 *  can show the workspace: at least 1000 x 600, 15 bits, and at most 150 DPI on either axis. */
bool ScreenMeetsMinimum(int width, int height, int bitsPerPixel, int dpiX, int dpiY);

/** The main window's smallest size: 1000 x 600 scaled by @p dpi / 96 (truncated; the horizontal
 *  DPI serves both axes), each held to the screen's @p screenWidth and @p screenHeight. */
QSize MinimumFrameSize(int dpi, int screenWidth, int screenHeight);

} // namespace shell
