#include "dialogs/session/CDlgAddBells.h"

#include "controls/Controls.h"
#include "controls/Style.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace
{

QCheckBox* Box(CDlgAddBells& d, int index)
{
    return dynamic_cast<QCheckBox*>(ui::FindControl(&d, CDlgAddBells::kIdFirstBox + index));
}

// A click on the box's indicator (the box takes clicks on its indicator and text only).
void Tick(CDlgAddBells& d, int index)
{
    QCheckBox* box = Box(d, index);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

TEST(CDlgAddBells, TwelveInstrumentBoxesAlwaysOnTop)
{
    CDlgAddBells d;
    const char* names[] = {"Tibetan Bowl", "Uniform Bar", "Tuned Bar", "Glass Harmonica",
                           "Marimba",      "Vibraphone",  "Agogo",     "Wood 1",
                           "Wood 2",       "Beats",       "Two Fixed", "Clump"};
    for (int i = 0; i < 12; ++i)
    {
        ASSERT_NE(Box(d, i), nullptr) << i;
        EXPECT_EQ(Box(d, i)->text(), names[i]);
        EXPECT_TRUE(d.rect().contains(Box(d, i)->geometry())) << i;
    }
    EXPECT_EQ(d.windowTitle(), "Add Bells");
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
}

// The ticks count however the dialog closes: Esc returns Cancel, yet Marimba and Agogo come back
// in index order whatever order they were ticked in; a box ticked twice is not ticked.
TEST(CDlgAddBells, TickedIndexesInOrderAlsoAfterEsc)
{
    vtest::FakeUi fake;
    CDlgAddBells d;
    fake.modalRuns.push_back(
        [](ui::Dialog& dialog)
        {
            auto& bells = static_cast<CDlgAddBells&>(dialog);
            dialog.show();
            Tick(bells, 6);
            Tick(bells, 4);
            Tick(bells, 0);
            Tick(bells, 0);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_FALSE(dialog.isVisible());
            return dialog.result();
        });
    EXPECT_EQ(d.DoModal(), ui::IDCANCEL);
    EXPECT_EQ(d.GetTicked(), (std::vector<int>{4, 6}));
    EXPECT_TRUE(d.IsTicked(4));
    EXPECT_FALSE(d.IsTicked(0));
}

// The dialog holds only check boxes: Enter on the ticked box must end it (it did nothing, the box
// keeping the key and the dialog having no default button).
TEST(CDlgAddBells, EnterEndsTheDialogWithTheTicks)
{
    for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter})
    {
        SCOPED_TRACE(enter == Qt::Key_Return ? "Return" : "keypad Enter");
        vtest::FakeUi fake;
        CDlgAddBells d;
        bool open = true;
        fake.modalRuns.push_back(
            [&](ui::Dialog& dialog)
            {
                dialog.show();
                dialog.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
                Tick(d, 9);
                EXPECT_TRUE(Box(d, 9)->hasFocus());
                QTest::keyClick(Box(d, 9), enter,
                                enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
                open = dialog.isVisible();
                return dialog.result();
            });
        EXPECT_EQ(d.DoModal(), ui::IDOK);
        EXPECT_FALSE(open);
        EXPECT_EQ(d.GetTicked(), std::vector<int>{9});
    }
}

TEST(CDlgAddBells, PlacedBesideTheCursorAndKeptOnTheScreen)
{
    const QRect screen(0, 0, 1280, 800);
    const QSize size(168, 366);
    // Right edge 50 px left of the cursor, top 50 px below it.
    const QRect beside = CDlgAddBells::PlaceBesideCursor({600, 100}, size, screen);
    EXPECT_EQ(beside.right() + 1, 550);
    EXPECT_EQ(beside.top(), 150);
    // Near the left and bottom edges it moves inside.
    const QRect corner = CDlgAddBells::PlaceBesideCursor({20, 790}, size, screen);
    EXPECT_TRUE(screen.contains(corner));
    EXPECT_EQ(corner.size(), size);

    // The real run places it so on the test screen.
    vtest::FakeUi fake;
    ui::SetCursorPos({700, 200});
    CDlgAddBells d;
    d.DoModal();
    EXPECT_EQ(d.geometry().right() + 1, 650);
    EXPECT_EQ(d.y(), 250);
}

TEST(CDlgAddBells, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    CDlgAddBells d;
    d.show();
    Box(d, 4)->setChecked(true);
    Box(d, 0)->setChecked(true);
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    EXPECT_TRUE(d.grab().save(dir + "/add-bells.png"));
}

} // namespace
