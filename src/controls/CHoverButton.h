#pragma once
/** @brief A skinned button of three frames: normal, pressed and hover, from one image strip.
 *
 * Frame 1 shows while the button is pressed, frame 2 while the mouse rests over it, frame 0
 * otherwise. A click sends Notify::Clicked to the parent; a quick second click is a click too.
 * A disabled button shows frame 0 faded into its surface (DimmedBitmap) and never the hover
 * frame, so that a disabled transport button plainly looks disabled. */

#include "controls/Controls.h"

#include <QPixmap>

class CHoverButton : public ui::OwnerDrawButton
{
public:
    CHoverButton(QWidget* parent, int id);

    /** The strip becomes bitmap @p id (three frames side by side); the button takes the size of one
     *  frame. False, and the button stays as it was, when the bitmap does not load. */
    bool SetBitmap(int id);
    /** Bitmap @p id holds a row of square three-frame images (each 3h x h, h its height); the strip
     *  becomes image @p n and the button h x h. False when the bitmap does not load or holds no
     *  image @p n. */
    bool SetBitmapFromStrip(int id, int n);

    bool IsHovering() const { return m_hover; }
    QSize FrameSize() const { return {m_frameWidth, m_frameHeight}; }
    const QPixmap& Strip() const { return m_strip; }

    /** The frame DrawItem shows for @p state: 0 disabled (drawn dimmed), else 1 pressed, else 2
     *  hovering, else 0. */
    int FrameFor(const ui::DrawItemState& state) const;
    /** What a disabled button shows: frame 0, dimmed. */
    const QPixmap& DisabledFrame() const;

protected:
    void DrawItem(QPainter& painter, const ui::DrawItemState& state) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UseStrip(const QPixmap& strip, int frameWidth, int frameHeight);

    bool m_hover = false;
    bool m_tracking = false;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    QPixmap m_strip;
    mutable QPixmap m_disabled; // made from frame 0 when first needed
    QBasicTimer m_hoverTimer;
};
