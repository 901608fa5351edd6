#pragma once
// Checks on pictures of widgets that hold whatever font the machine has: text is asserted as
// marks inside a widget's rectangle, never as pixels.

#include <QAbstractButton>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace vtest
{

/** Whether @p area of @p image holds at least @p atLeast pixels other than its most common colour
 *  (text, lines or art drawn on a flat ground). */
inline bool HasMarks(const QImage& image, const QRect& area, int atLeast = 6)
{
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return false;
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y)];
    int most = 0;
    for (int n : counts)
        most = std::max(most, n);
    return r.width() * r.height() - most >= atLeast;
}

/** The texts of the visible labels, line edits and buttons under @p root that hold text but whose
 *  rectangle in @p shot (a picture of @p root at its own size) shows nothing. */
inline QStringList BlankTexts(QWidget* root, const QImage& shot)
{
    QStringList blank;
    for (QWidget* w : root->findChildren<QWidget*>())
    {
        if (!w->isVisibleTo(root) || w->width() <= 2 || w->height() <= 2)
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && label->pixmap().isNull())
            text = label->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        if (text.trimmed().isEmpty())
            continue;
        const QRect area(w->mapTo(root, QPoint(0, 0)), w->size());
        if (!HasMarks(shot, area))
            blank << text;
    }
    return blank;
}

/** How many pixels of @p a and @p b (the same size) differ. */
inline int DifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

} // namespace vtest
