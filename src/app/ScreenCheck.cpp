#include "app/ScreenCheck.h"

#include <algorithm>

namespace shell
{

bool ScreenMeetsMinimum(int width, int height, int bitsPerPixel, int dpiX, int dpiY)
{
    return width >= kMinScreenWidth && height >= kMinScreenHeight && bitsPerPixel >= kMinColourBits &&
           std::max(dpiX, dpiY) <= kMaxDpi;
}

QSize MinimumFrameSize(int dpi, int screenWidth, int screenHeight)
{
    const int w = kMinScreenWidth * dpi / 96;
    const int h = kMinScreenHeight * dpi / 96;
    return QSize(std::min(w, screenWidth), std::min(h, screenHeight));
}

} // namespace shell
