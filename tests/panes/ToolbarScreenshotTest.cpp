// Screenshots of the toolbar for a reviewer: the Tracks button hovered with its menu open under
// it and one item highlighted, and the toolbar while a session plays (every button dimmed).
#include "panes/CPaneToolbar.h"

#include "support/FakeUi.h"
#include "MessageSinkWindow.h"
#include "controls/CommandIds.h"
#include "model/CVornaDoc.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

QString OutputDir()
{
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    return dir;
}

struct ToolbarShot : ::testing::Test
{
    CVornaDoc doc;
    vtest::MessageSinkWindow parent;
    CPaneToolbar toolbar;

    void SetUp() override
    {
        parent.resize(1000, 420);
        ASSERT_TRUE(toolbar.Create(&parent, ID_PANE_TOOLBAR, QRect(0, 0, 1000, CPaneToolbar::kHeight)));
        toolbar.SetDocument(&doc);
        parent.show();
    }
};

TEST_F(ToolbarShot, HoveredTracksButtonWithItsMenuOpen)
{
    CIconButton* tracks = toolbar.Button(10);
    ASSERT_EQ(ui::ControlId(tracks), ID_TOOLBAR_TRACKS);
    QTest::mouseMove(tracks, QPoint(20, 30));
    ASSERT_TRUE(vtest::WaitFor([&] { return tracks->IsHovering(); }));
    // Grabbed before the menu opens: the open menu takes the mouse, and the button its hover.
    const QPixmap toolbarShot = toolbar.grab();

    QMenu& menu = toolbar.TracksMenu().Menu();
    menu.popup(toolbar.mapToGlobal(QPoint(tracks->x(), CPaneToolbar::kHeight)));
    ASSERT_TRUE(vtest::WaitFor([&] { return menu.isVisible(); }));
    menu.setActiveAction(menu.actions().at(1));
    const QPixmap menuShot = menu.grab();
    menu.hide();

    QImage shot(1000, CPaneToolbar::kHeight + menuShot.height() + 12, QImage::Format_RGB32);
    // The tracks pane's darker grey behind, so that the menu's own edges show.
    shot.fill(QColor(48, 48, 48));
    {
        QPainter p(&shot);
        p.drawPixmap(0, 0, toolbarShot);
        p.drawPixmap(tracks->x(), CPaneToolbar::kHeight, menuShot);
    }
    EXPECT_EQ(shot.pixel(tracks->x() + 1, 1), qRgb(120, 120, 120)) << "the hovered face";
    ASSERT_TRUE(shot.save(OutputDir() + QStringLiteral("/toolbar-hover-tracks-menu.png")));

    // The other two menus, for a look at every item.
    for (auto [menuOf, name] : {std::pair{&toolbar.ToolsMenu(), "tools"}, std::pair{&toolbar.SupportMenu(), "support"}})
    {
        QMenu& m = menuOf->Menu();
        m.popup(QPoint(100, 100));
        ASSERT_TRUE(vtest::WaitFor([&] { return m.isVisible(); }));
        m.setActiveAction(m.actions().at(0));
        ASSERT_TRUE(m.grab().save(OutputDir() + QStringLiteral("/toolbar-menu-%1.png").arg(QLatin1String(name))));
        m.hide();
    }
}

TEST_F(ToolbarShot, WhilePlayingEveryButtonLooksDisabled)
{
    doc.m_isPlaying = true;
    toolbar.RefreshEnabled();
    ASSERT_TRUE(toolbar.grab().save(OutputDir() + QStringLiteral("/toolbar-while-playing.png")));
}

} // namespace
