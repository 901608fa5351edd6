#include "dialogs/panels/EnableChildWindows.h"

#include <QPointer>
#include <QWidget>

#include <vector>

void EnableChildWindows(QWidget* window, bool enable)
{
    if (window == nullptr)
        return;
    std::vector<QPointer<QWidget>> children;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        children.emplace_back(child);
    for (const QPointer<QWidget>& child : children)
        if (child != nullptr)
            child->setEnabled(enable);
}
