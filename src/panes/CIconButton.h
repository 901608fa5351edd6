#pragma once
/** @brief A toolbar button: a 32 x 32 icon above a one- or two-line caption (split at the line
 *  feed). Its normal face shows the toolbar's background behind it; while the mouse rests over it
 *  the highlighted face shows; pressed, the normal face; disabled, a dimmed face.
 *
 * The faces are painted once, at Create, into pixmaps of the button's size. A click sends
 * Notify::Clicked to the parent; a quick second click counts as a click too. UI thread only. */

#include "controls/Controls.h"

#include <QBasicTimer>
#include <QFont>
#include <QPixmap>
#include <QString>

#include <optional>

class CIconButton : public ui::OwnerDrawButton
{
public:
    static constexpr int kIconTop = 5;
    /** The caption font's cell height as made; a caption too wide for its button is drawn smaller. */
    static constexpr int kCaptionHeight = 12;
    /** The narrowest cell height a caption is shrunk to. */
    static constexpr int kSmallestCaptionHeight = 8;
    /** Pixels kept free on each side of a caption, so captions of neighbouring buttons never touch. */
    static constexpr int kCaptionMargin = 2;

    /** Where the caption's lines go in a face @p faceWidth x @p faceHeight. */
    struct CaptionLayout
    {
        QString line1;
        QString line2;
        QPoint at1;
        QPoint at2; ///< unused when line2 is empty
    };
    /** Splits @p caption at its first line feed and places the lines: line 1 at
     *  y = h - (line height) - 22, 5 lower when there is no second line; line 2 right under it; each
     *  centred on w / 2 - 1. */
    static CaptionLayout LayoutCaption(const QString& caption, int faceWidth, int faceHeight,
                                       const QFontMetrics& metrics);
    /** The caption font, shrunk until each line of @p caption fits @p faceWidth with the margins. */
    static QFont CaptionFont(const QString& caption, int faceWidth);

    CIconButton();

    /** Creates the button over @p rect of @p parent with @p id, icon @p iconId and @p caption; the
     *  normal face shows @p background as the parent draws it (tiled from the parent's origin).
     *  The caption is drawn in @p font, or without one in CaptionFont(caption, width). False when
     *  the icon does not load. */
    bool Create(int iconId, const QRect& rect, QWidget* parent, int id, const QPixmap& background,
                const QString& caption, int iconSize = 32, const std::optional<QFont>& font = std::nullopt);

    bool IsHovering() const { return m_hover; }
    const QString& Caption() const { return m_caption; }
    const QFont& Font() const { return m_font; }

protected:
    void DrawItem(QPainter& painter, const ui::DrawItemState& state) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void BuildFaces(const QPixmap& background);
    void DrawCaption(QPainter& painter, const QColor& colour) const;

    QPixmap m_icon;
    QPixmap m_normal;
    QPixmap m_highlighted;
    QPixmap m_disabled;
    QFont m_font;
    QString m_caption;
    int m_iconSize = 32;
    bool m_hover = false;
    bool m_tracking = false;
    QBasicTimer m_hoverTimer;
};
