#pragma once
/** @brief A drop-down menu of owner-drawn items: an icon, a label and, for items whose text holds a
 *  tab, the shortcut letter after it shown as "[ x ]" at the right. Rows are kItemHeight high.
 *
 * The menu is a plain object: its items, their measure and their drawing can be read and tried
 * without showing it. Track shows it through ui::Behaviour (a test chooses the item) and sends the
 * chosen item's id to the owner as a menu command. UI thread only. */

#include "controls/Controls.h"

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class CMenuPopup
{
public:
    static constexpr int kItemHeight = 44;
    static constexpr int kIconSize = 32;
    static constexpr int kIconLeft = 8;
    static constexpr int kLabelLeft = 52;
    static constexpr int kShortcutRight = 10;

    /** An item's text split at its first tab: the label, and the shortcut as "[ x ]" (empty when
     *  the text has no tab). */
    struct ItemText
    {
        QString label;
        QString shortcut;
    };
    static ItemText SplitItemText(const QString& text);

    /** Where DrawItem puts an item's parts in the rectangle @p rect. */
    struct ItemLayout
    {
        QPoint icon;     ///< top-left of the 32 x 32 icon
        QPoint label;    ///< top-left of the label's text cell
        QPoint shortcut; ///< top-left of the shortcut's text cell (when there is one)
    };
    /** @p rect is the item's rectangle; @p labelHeight the text cell height and @p shortcutWidth
     *  the shortcut's text width. */
    static ItemLayout LayoutItem(const QRect& rect, int labelHeight, int shortcutWidth);

    CMenuPopup();
    ~CMenuPopup();
    CMenuPopup(const CMenuPopup&) = delete;
    CMenuPopup& operator=(const CMenuPopup&) = delete;

    /** Empties the menu. */
    void Init();
    /** Appends an item sending @p id, showing @p text and icon @p iconId. */
    void AppendItem(int id, const QString& text, int iconId);

    std::vector<ui::PopupMenu::Item> Items() const { return m_menu->Items(); }
    /** The icon item @p id shows (null when its icon did not load). */
    QPixmap Icon(int id) const;

    /** The size of an item's row. */
    QSize MeasureItem(const QString& text) const;
    /** Draws @p item in @p rect, highlighted when @p selected. */
    void DrawItem(QPainter& painter, const QRect& rect, const ui::PopupMenu::Item& item, bool selected) const;

    /** The font the items are measured and drawn with (the menu's own). */
    QFont Font() const;

    /** Shows the menu at the screen point @p at; the chosen id (0 for none) is sent to @p owner as a
     *  command and returned. */
    int Track(const QPoint& at, QWidget* owner);

    QMenu& Menu() { return m_menu->Menu(); }

private:
    std::unique_ptr<ui::PopupMenu> m_menu;
    std::map<int, QPixmap> m_icons;
};
