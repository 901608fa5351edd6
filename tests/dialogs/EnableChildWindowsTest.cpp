#include "dialogs/panels/EnableChildWindows.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace
{

// Only the direct children change (a row's own controls follow their row), the window itself
// stays enabled, and a child that an earlier one's change deletes is skipped.
TEST(EnableChildWindows, LocksAndUnlocksTheDirectChildren)
{
    QWidget panel;
    auto* row = new QWidget(&panel);
    auto* inRow = new QLineEdit(row);
    auto* button = new QPushButton(&panel);
    EnableChildWindows(&panel, false);
    EXPECT_TRUE(panel.isEnabled());
    EXPECT_FALSE(row->isEnabled());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(inRow->testAttribute(Qt::WA_ForceDisabled)); // greyed through its row only
    EXPECT_FALSE(inRow->isEnabled());
    EnableChildWindows(&panel, true);
    EXPECT_TRUE(row->isEnabled());
    EXPECT_TRUE(inRow->isEnabled());
    EXPECT_TRUE(button->isEnabled());

    // The first child's change of state deletes the second.
    struct Deleting : QWidget
    {
        using QWidget::QWidget;
        QWidget* victim = nullptr;
        void changeEvent(QEvent* event) override
        {
            if (event->type() == QEvent::EnabledChange && victim != nullptr)
            {
                delete victim;
                victim = nullptr;
            }
            QWidget::changeEvent(event);
        }
    };
    QWidget dialog;
    auto* first = new Deleting(&dialog);
    first->victim = new QWidget(&dialog);
    auto* third = new QWidget(&dialog);
    EnableChildWindows(&dialog, false);
    EXPECT_FALSE(first->isEnabled());
    EXPECT_FALSE(third->isEnabled());
    EnableChildWindows(nullptr, false);
}

} // namespace
