#include "panes/CMenuPopup.h"

#include "controls/Dc.h"
#include "controls/Resources.h"

#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace
{
const QColor kBackground(70, 70, 70);
const QColor kBackgroundSelected(110, 110, 110);
const QColor kText(180, 180, 180);
const QColor kTextSelected(255, 255, 255);
const QColor kTextDisabled(115, 115, 115);
// The gap kept between the end of the label and the start of the shortcut.
constexpr int kLabelShortcutGap = 16;
} // namespace

CMenuPopup::ItemText CMenuPopup::SplitItemText(const QString& text)
{
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {text, {}};
    return {text.left(tab), QStringLiteral("[ ") + text.mid(tab + 1) + QStringLiteral(" ]")};
}

CMenuPopup::ItemLayout CMenuPopup::LayoutItem(const QRect& rect, int labelHeight, int shortcutWidth)
{
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width(); // the excluded edge
    const int height = rect.height();
    ItemLayout layout;
    layout.icon = QPoint(left + kIconLeft, top + (height - kIconSize) / 2);
    const int y = top + (height - labelHeight) / 2;
    layout.label = QPoint(left + kLabelLeft, y);
    // From the item's own right edge: the item rectangle need not start at x = 0.
    layout.shortcut = QPoint(right - shortcutWidth - kShortcutRight, y);
    return layout;
}

CMenuPopup::CMenuPopup()
{
    Init();
}

CMenuPopup::~CMenuPopup() = default;

void CMenuPopup::Init()
{
    m_menu = std::make_unique<ui::PopupMenu>();
    m_icons.clear();
    m_menu->SetOwnerDraw([this](const ui::PopupMenu::Item& item) { return MeasureItem(item.text); },
                         [this](QPainter& painter, const QRect& rect, const ui::PopupMenu::Item& item,
                                bool selected) { DrawItem(painter, rect, item, selected); });
}

void CMenuPopup::AppendItem(int id, const QString& text, int iconId)
{
    m_menu->AppendItem(id, text);
    m_icons[id] = ui::LoadIcon(iconId);
}

QPixmap CMenuPopup::Icon(int id) const
{
    const auto it = m_icons.find(id);
    return it != m_icons.end() ? it->second : QPixmap();
}

QFont CMenuPopup::Font() const
{
    return m_menu->Menu().font();
}

QSize CMenuPopup::MeasureItem(const QString& text) const
{
    const QFontMetrics metrics(Font());
    const ItemText parts = SplitItemText(text);
    // The whole text and 40 pixels, as the menu was laid out; but never narrower than the icon
    // column, the label, a gap and the bracketed shortcut need, so the label never runs into the
    // shortcut or past the menu's edge.
    int width = metrics.horizontalAdvance(text) + 40;
    int needed = kLabelLeft + metrics.horizontalAdvance(parts.label) + kLabelShortcutGap;
    if (!parts.shortcut.isEmpty())
        needed += metrics.horizontalAdvance(parts.shortcut) + kShortcutRight;
    width = std::max(width, needed);
    return {width, kItemHeight};
}

void CMenuPopup::DrawItem(QPainter& painter, const QRect& rect, const ui::PopupMenu::Item& item,
                          bool selected) const
{
    painter.save();
    ui::Dc dc(painter);
    dc.SetFont(Font());
    const bool highlighted = selected && item.enabled;
    dc.FillSolidRect(rect, highlighted ? kBackgroundSelected : kBackground);
    dc.SetTextColor(!item.enabled ? kTextDisabled : highlighted ? kTextSelected : kText);

    const ItemText parts = SplitItemText(item.text);
    const QSize label = dc.GetTextExtent(parts.label);
    const int shortcutWidth = parts.shortcut.isEmpty() ? 0 : dc.GetTextExtent(parts.shortcut).width();
    const ItemLayout layout = LayoutItem(rect, label.height(), shortcutWidth);

    const QPixmap icon = Icon(item.id);
    if (!icon.isNull())
    {
        if (!item.enabled)
            painter.setOpacity(0.35);
        painter.drawPixmap(QRect(layout.icon, QSize(kIconSize, kIconSize)), icon);
        painter.setOpacity(1.0);
    }
    dc.TextOut(layout.label.x(), layout.label.y(), parts.label);
    if (!parts.shortcut.isEmpty())
        dc.TextOut(layout.shortcut.x(), layout.shortcut.y(), parts.shortcut);
    painter.restore();
}

int CMenuPopup::Track(const QPoint& at, QWidget* owner)
{
    return m_menu->Track(at, owner);
}
