#pragma once
/** @brief A slider drawn from two bitmaps: the channel over the whole control and the thumb centred
 *  in the thumb's rectangle. Disabled, the channel is drawn dimmed (DimmedBitmap) and the thumb
 *  faded, so that a locked slider plainly looks locked. */

#include "controls/Controls.h"

#include <QPixmap>

class CSkinSliderCtrl : public ui::Slider
{
public:
    CSkinSliderCtrl(QWidget* parent, int id, Qt::Orientation orientation = Qt::Horizontal);

    /** Loads the channel and the thumb. The channel is drawn in the control's size at this moment,
     *  the thumb in its own size. False when either bitmap does not load. */
    bool SetBitmaps(int channelId, int thumbId);

    /** Where the thumb bitmap is drawn: centred on the thumb rectangle. */
    QRect ThumbDrawRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QPixmap m_channel;
    QPixmap m_channelDimmed;
    QSize m_channelSize;
    QPixmap m_thumb;
};
