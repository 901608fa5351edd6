#pragma once
/** @brief Where the view puts its seven panes. */

#include <QRect>

namespace shell
{

/** The panes' rectangles in a client area of @p width x @p height, with the properties pane
 *  @p propertiesWidth wide on the right. */
struct ViewLayout
{
    static constexpr int kToolbarHeight = 73;
    static constexpr int kControlbarHeight = 60;
    static constexpr int kSplitterWidth = 8;
    static constexpr int kStagesHeight = 27;
    static constexpr int kTimelineHeight = 27;

    QRect toolbar;
    QRect controlbar;
    QRect properties;
    QRect splitter;
    QRect stages;
    QRect timeline;
    QRect tracks;

    static ViewLayout Compute(int width, int height, int propertiesWidth);
};

} // namespace shell
