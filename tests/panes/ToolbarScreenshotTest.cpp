// Screenshots of the toolbar for a reviewer: the Tracks button hovered with its menu open under
// it and one item highlighted, and the toolbar while a session plays (every button dimmed).
#include "panes/CPaneToolbar.h"

#include "MessageSinkWindow.h"
#include "controls/CommandIds.h"
#include "model/CVornaDoc.h"
#include "support/FakeUi.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <algorithm>

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
    for (auto [menuOf, name] :
         {std::pair{&toolbar.ToolsMenu(), "tools"}, std::pair{&toolbar.SupportMenu(), "support"}})
    {
        QMenu& m = menuOf->Menu();
        m.popup(QPoint(100, 100));
        ASSERT_TRUE(vtest::WaitFor([&] { return m.isVisible(); }));
        m.setActiveAction(m.actions().at(0));
        ASSERT_TRUE(
            m.grab().save(OutputDir() + QStringLiteral("/toolbar-menu-%1.png").arg(QLatin1String(name))));
        m.hide();
    }
}

/** The largest spread between the channels of one pixel in @p area: 0 for pure greys. */
int Colourfulness(const QImage& image, const QRect& area)
{
    int most = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
        {
            const QColor c = image.pixelColor(x, y);
            most = std::max(most, std::max({c.red(), c.green(), c.blue()}) -
                                      std::min({c.red(), c.green(), c.blue()}));
        }
    return most;
}

TEST_F(ToolbarShot, WhilePlayingEveryButtonLooksDisabled)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QImage idle = toolbar.grab().toImage();
    doc.m_isPlaying = true;
    toolbar.RefreshEnabled();
    const QImage playing = toolbar.grab().toImage();
    ASSERT_TRUE(playing.save(OutputDir() + QStringLiteral("/toolbar-while-playing.png")));

    // Each button changes its face, and the disabled face has its icon in greys only.
    int colouredWhenIdle = 0;
    for (int i = 0; i < CPaneToolbar::kButtonCount; ++i)
    {
        const QRect r = toolbar.Button(i)->geometry();
        EXPECT_NE(idle.copy(r), playing.copy(r)) << "button " << i;
        EXPECT_LE(Colourfulness(playing, r), 6) << "button " << i;
        colouredWhenIdle += Colourfulness(idle, r) > 40 ? 1 : 0;
    }
    EXPECT_GT(colouredWhenIdle, CPaneToolbar::kButtonCount / 2) << "the enabled icons have their colours";
}

} // namespace
