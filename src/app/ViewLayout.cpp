#include "app/ViewLayout.h"

namespace shell
{

ViewLayout ViewLayout::Compute(int W, int H, int P)
{
    // Negative sizes (a client area smaller than the fixed bars) are shown as empty panes.
    auto r = [](int x, int y, int w, int h) { return QRect(x, y, w < 0 ? 0 : w, h < 0 ? 0 : h); };
    const int X = W - P - kSplitterWidth;
    ViewLayout l;
    l.toolbar = r(0, 0, W, kToolbarHeight);
    l.controlbar = r(0, H - kControlbarHeight, W, kControlbarHeight);
    l.properties = r(W - P, kToolbarHeight, P, H - 133);
    l.splitter = r(W - P - kSplitterWidth, kToolbarHeight, kSplitterWidth, H - 133);
    l.stages = r(0, kToolbarHeight, X, kStagesHeight);
    l.timeline = r(0, H - 87, X, kTimelineHeight);
    l.tracks = r(0, 100, X, H - 187);
    return l;
}

} // namespace shell
