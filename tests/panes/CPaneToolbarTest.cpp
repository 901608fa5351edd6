#include "panes/CPaneToolbar.h"

#include "MessageSinkWindow.h"
#include "controls/CommandIds.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "model/CVornaDoc.h"
#include "support/FakeUi.h"

#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

struct ToolbarFixture : ::testing::Test
{
    CVornaDoc doc;
    vtest::MessageSinkWindow parent;
    CPaneToolbar toolbar;

    void SetUp() override
    {
        parent.resize(1280, 200);
        ASSERT_TRUE(toolbar.Create(&parent, ID_PANE_TOOLBAR, QRect(0, 0, 1280, CPaneToolbar::kHeight)));
        toolbar.SetDocument(&doc);
        toolbar.RefreshEnabled();
        parent.show();
    }

    CIconButton* ButtonWithId(int id) const
    {
        for (int i = 0; i < CPaneToolbar::kButtonCount; ++i)
            if (ui::ControlId(toolbar.Button(i)) == id)
                return toolbar.Button(i);
        return nullptr;
    }
    void Click(int id) { QTest::mouseClick(ButtonWithId(id), Qt::LeftButton); }
};

struct ButtonCase
{
    const char* caption;
    int id;
    int left;
    int right;
    unsigned message; // 0: opens a menu
};

const ButtonCase kButtons[] = {
    {"New\nSession", 20015, 0, 50, WM_APP_NEW_SESSION},
    {"Open\nSession", 20016, 50, 100, WM_APP_OPEN_SESSION},
    {"Save\nSession", 20017, 100, 150, WM_APP_SAVE_SESSION},
    {"Save As\nSession", 20018, 150, 200, WM_APP_SAVE_SESSION_AS},
    {"Record\nVoice", 20024, 232, 274, WM_APP_RECORD_VOICE},
    {"Live\nRecording", 20025, 274, 332, WM_APP_LIVE_RECORDING},
    {"Export\nSession", 20026, 332, 380, WM_APP_EXPORT_SESSION},
    {"Delete\nSegment", 20019, 412, 462, WM_APP_DELETE_SEGMENT},
    {"Copy\nSegment", 20020, 462, 512, WM_APP_COPY_SEGMENT},
    {"Paste\nSegment", 20021, 512, 562, WM_APP_PASTE_SEGMENT},
    {"Tracks", 20022, 594, 636, 0},
    {"Tools", 20023, 636, 678, 0},
    {"Options", 20027, 678, 726, WM_APP_OPTIONS},
    {"Help", 20029, 758, 798, WM_APP_HELP_INDEX},
    {"Support", 20030, 798, 846, 0},
};

struct ItemCase
{
    const char* text;
    int id;
    unsigned message;
};

const ItemCase kTracks[] = {
    {"Add Track\t+", 20085, WM_APP_ADD_TRACK},
    {"Duplicate Track\tD", 20086, WM_APP_DUPLICATE_TRACK},
    {"Remove Track\tR", 20087, WM_APP_REMOVE_TRACK},
    {"Clean Empty Tracks\tC", 20088, WM_APP_CLEAN_EMPTY_TRACKS},
    {"Mute Track\tM", 20089, WM_APP_MUTE_TRACK},
    {"Activate Track\tA", 20090, WM_APP_ACTIVATE_TRACK},
    {"Mute All Tracks", 20091, WM_APP_MUTE_ALL_TRACKS},
    {"Activate All Tracks", 20092, WM_APP_ACTIVATE_ALL_TRACKS},
};
const ItemCase kTools[] = {
    {"Create Ambient Music Loops", 20093, WM_APP_AMBIENT_MUSIC_TOOL},
    {"Edit Stages", 20094, WM_APP_EDIT_STAGES},
    {"Edit Notes", 20095, WM_APP_EDIT_NOTES},
    {"Global Entrainment & Bilateral", 20096, WM_APP_SHOW_GLOBALS},
    {"Transcript", 20097, WM_APP_TRANSCRIPT},
};
const ItemCase kSupport[] = {
    {"VORNA Web Site", 20099, WM_APP_OPEN_WEB_SITE},
    {"VORNA Videos", 20100, WM_APP_OPEN_VIDEOS},
    {"Contact Us", 20101, WM_APP_OPEN_CONTACT},
    {"Check for Updates", 20102, WM_APP_CHECK_UPDATES},
    {"About VORNA", 20103, WM_APP_ABOUT},
};

TEST_F(ToolbarFixture, FifteenButtonsAtTheirPlacesFullStripHigh)
{
    ASSERT_EQ(std::size(kButtons), std::size_t(CPaneToolbar::kButtonCount));
    for (int i = 0; i < CPaneToolbar::kButtonCount; ++i)
    {
        const ButtonCase& c = kButtons[i];
        SCOPED_TRACE(c.caption);
        CIconButton* button = toolbar.Button(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(ui::ControlId(button), c.id);
        EXPECT_EQ(button->Caption(), QString::fromLatin1(c.caption));
        EXPECT_EQ(button->geometry(), QRect(c.left, 0, c.right - c.left, 73));
        EXPECT_TRUE(button->isVisible());
    }
}

// Every button sends exactly its message, once per click; the menu buttons send nothing of their
// own when the menu is closed without a choice.
TEST_F(ToolbarFixture, EachButtonSendsItsMessageOnceAndNothingWhilePlaying)
{
    vtest::FakeUi fake;
    for (const ButtonCase& c : kButtons)
    {
        SCOPED_TRACE(c.caption);
        parent.messages.clear();
        Click(c.id);
        if (c.message != 0)
        {
            EXPECT_EQ(parent.messages, std::vector<unsigned>{c.message});
        }
        else
        {
            EXPECT_TRUE(parent.messages.empty());
        }
    }

    parent.messages.clear();
    doc.m_isPlaying = true;
    toolbar.grab(); // a repaint disables the toolbar
    EXPECT_FALSE(toolbar.isEnabled());
    EXPECT_FALSE(toolbar.Button(0)->isEnabled());
    fake.menuChoices = {ID_TRACKS_ADD};
    for (const ButtonCase& c : kButtons)
    {
        Click(c.id);
        // A click that arrives before the repaint that disables the toolbar.
        ui::SendCommand(&toolbar, c.id, ui::Notify::Clicked);
    }
    ui::SendCommand(&toolbar, ID_TRACKS_ADD, ui::Notify::Menu);
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_EQ(fake.menuChoices.size(), 1u) << "no menu opened while playing";

    doc.m_isPlaying = false;
    toolbar.grab();
    EXPECT_TRUE(toolbar.isEnabled());
    Click(ID_TOOLBAR_HELP);
    EXPECT_EQ(parent.messages, std::vector<unsigned>{WM_APP_HELP_INDEX});
}

TEST_F(ToolbarFixture, WithoutADocumentTheToolbarIsDisabled)
{
    toolbar.SetDocument(nullptr);
    toolbar.grab();
    EXPECT_FALSE(toolbar.isEnabled());
    ui::SendCommand(&toolbar, ID_TOOLBAR_NEW_SESSION, ui::Notify::Clicked);
    EXPECT_TRUE(parent.messages.empty());
}

void ExpectMenu(CMenuPopup& menu, std::span<const ItemCase> expected)
{
    const auto items = menu.Items();
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        EXPECT_EQ(items[i].id, expected[i].id) << i;
        EXPECT_EQ(items[i].text, QString::fromLatin1(expected[i].text)) << i;
        EXPECT_FALSE(menu.Icon(items[i].id).isNull()) << expected[i].text;
    }
}

TEST_F(ToolbarFixture, MenusHoldTheirItemsInOrder)
{
    ExpectMenu(toolbar.TracksMenu(), kTracks);
    ExpectMenu(toolbar.ToolsMenu(), kTools);
    ExpectMenu(toolbar.SupportMenu(), kSupport);
}

// Each item chosen from its menu sends exactly its message; a menu closed without a choice sends
// nothing.
TEST_F(ToolbarFixture, EachMenuItemSendsItsMessageOnce)
{
    vtest::FakeUi fake;
    const struct
    {
        int button;
        std::span<const ItemCase> items;
    } menus[] = {{ID_TOOLBAR_TRACKS, kTracks}, {ID_TOOLBAR_TOOLS, kTools}, {ID_TOOLBAR_SUPPORT, kSupport}};
    for (const auto& m : menus)
        for (const ItemCase& item : m.items)
        {
            SCOPED_TRACE(item.text);
            parent.messages.clear();
            fake.menuChoices = {item.id};
            Click(m.button);
            EXPECT_TRUE(fake.menuChoices.empty()) << "the menu opened";
            EXPECT_EQ(parent.messages, std::vector<unsigned>{item.message});
        }
    parent.messages.clear();
    fake.menuChoices = {0};
    Click(ID_TOOLBAR_SUPPORT);
    EXPECT_TRUE(parent.messages.empty());
}

TEST(CMenuPopupText, SplitsAtTheTabIntoLabelAndBracketedShortcut)
{
    const struct
    {
        const char* text;
        const char* label;
        const char* shortcut;
    } cases[] = {
        {"Add Track\t+", "Add Track", "[ + ]"},
        {"Duplicate Track\tD", "Duplicate Track", "[ D ]"},
        {"Mute All Tracks", "Mute All Tracks", ""},
        {"Global Entrainment & Bilateral", "Global Entrainment & Bilateral", ""},
    };
    for (const auto& c : cases)
    {
        const CMenuPopup::ItemText parts = CMenuPopup::SplitItemText(QString::fromLatin1(c.text));
        EXPECT_EQ(parts.label, QString::fromLatin1(c.label));
        EXPECT_EQ(parts.shortcut, QString::fromLatin1(c.shortcut));
    }
}

// The shortcut is placed from the item's own right edge: an item that does not start at x = 0
// (a menu with a frame or margins) must not pull it left by its left edge.
TEST(CMenuPopupLayout, ShortcutSitsTenPixelsFromTheItemsRightEdgeWhereverTheItemStarts)
{
    for (int left : {0, 5, 37})
    {
        SCOPED_TRACE(left);
        const QRect item(left, 88, 220, 44);
        const CMenuPopup::ItemLayout layout = CMenuPopup::LayoutItem(item, 14, 30);
        EXPECT_EQ(layout.shortcut.x(), left + 220 - 30 - 10);
        EXPECT_EQ(layout.label, QPoint(left + 52, 88 + 15));
        EXPECT_EQ(layout.shortcut.y(), layout.label.y());
        EXPECT_EQ(layout.icon, QPoint(left + 8, 88 + 6));
    }
}

// Rows are 44 high, and each is wide enough that the label never runs into the shortcut: the
// measure and the rows of the real menu.
TEST_F(ToolbarFixture, MenuRowsAreFortyFourHighAndHoldLabelAndShortcut)
{
    for (CMenuPopup* menu : {&toolbar.TracksMenu(), &toolbar.ToolsMenu(), &toolbar.SupportMenu()})
    {
        const QFontMetrics metrics(menu->Font());
        QMenu& qmenu = menu->Menu();
        qmenu.adjustSize();
        const auto items = menu->Items();
        const QList<QAction*> actions = qmenu.actions();
        ASSERT_EQ(actions.size(), qsizetype(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i)
        {
            SCOPED_TRACE(items[i].text.toStdString());
            const QSize measured = menu->MeasureItem(items[i].text);
            EXPECT_EQ(measured.height(), 44);
            const CMenuPopup::ItemText parts = CMenuPopup::SplitItemText(items[i].text);
            const QRect row = qmenu.actionGeometry(actions[qsizetype(i)]);
            EXPECT_EQ(row.height(), 44);
            const CMenuPopup::ItemLayout layout =
                CMenuPopup::LayoutItem(row, metrics.height(), metrics.horizontalAdvance(parts.shortcut));
            const int labelEnd = layout.label.x() + metrics.horizontalAdvance(parts.label);
            if (!parts.shortcut.isEmpty())
            {
                EXPECT_LT(labelEnd + 8, layout.shortcut.x());
            }
            EXPECT_LT(labelEnd, row.right() - 8) << "the label ends inside the row";
        }
    }
}

// GDI-style caption placement: a caption of one line sits 5 pixels lower than the first line of a
// two-line caption, and line 2 follows line 1 at the line height.
TEST(CIconButtonCaption, OneLineCaptionsSitFivePixelsLower)
{
    const QFont font = ui::MakeFont(12, 700);
    const QFontMetrics metrics(font);
    const CIconButton::CaptionLayout two = CIconButton::LayoutCaption("Save\nSession", 50, 73, metrics);
    const CIconButton::CaptionLayout one = CIconButton::LayoutCaption("Tracks", 42, 73, metrics);
    const int cy = metrics.ascent() + metrics.descent();
    EXPECT_EQ(two.line1, "Save");
    EXPECT_EQ(two.line2, "Session");
    EXPECT_EQ(two.at1.y(), 73 - cy - 22);
    EXPECT_EQ(two.at2.y(), two.at1.y() + cy);
    EXPECT_EQ(one.line2, "");
    EXPECT_EQ(one.at1.y(), two.at1.y() + 5);
    EXPECT_EQ(two.at1.x(), 25 - metrics.horizontalAdvance("Save") / 2 - 1);
}

// Captions fit their buttons and the captions of neighbouring buttons never touch, whatever the
// width of the face standing in for the one the captions were made for.
TEST_F(ToolbarFixture, CaptionsFitTheirButtonsAndNeverTouchTheirNeighbours)
{
    int previousEnd = -1000; // toolbar x where the previous button's caption ends
    int previousRight = -1;
    for (int i = 0; i < CPaneToolbar::kButtonCount; ++i)
    {
        CIconButton* button = toolbar.Button(i);
        SCOPED_TRACE(button->Caption().toStdString());
        const QFontMetrics metrics(button->Font());
        const auto layout =
            CIconButton::LayoutCaption(button->Caption(), button->width(), button->height(), metrics);
        int start = button->width(), end = 0;
        for (const auto& [line, at] :
             {std::pair{layout.line1, layout.at1}, std::pair{layout.line2, layout.at2}})
        {
            if (line.isEmpty())
                continue;
            const int w = metrics.horizontalAdvance(line);
            EXPECT_GE(at.x(), 1);
            EXPECT_LE(at.x() + w, button->width() - 1);
            start = std::min(start, at.x());
            end = std::max(end, at.x() + w);
        }
        EXPECT_LE(layout.at2.y() + metrics.height(), button->height()) << "nothing cut at the bottom";
        if (button->x() == previousRight)
        {
            EXPECT_GE(button->x() + start - previousEnd, 3) << "touches the caption on its left";
        }
        EXPECT_EQ(button->Font(), toolbar.Button(0)->Font()) << "one caption size for the strip";
        previousEnd = button->x() + end;
        previousRight = button->x() + button->width();
    }
}

// Hovering shows the highlighted face on (120, 120, 120); pressed shows the normal face; a
// disabled button shows its dimmed face, which differs from the normal one.
TEST_F(ToolbarFixture, HoverHighlightsAndDisabledLooksDimmed)
{
    CIconButton* button = ButtonWithId(ID_TOOLBAR_OPTIONS);
    const QRgb normalCorner = button->grab().toImage().pixel(1, 1);
    EXPECT_NE(normalCorner, qRgb(120, 120, 120));
    QTest::mouseMove(button, QPoint(20, 20));
    ASSERT_TRUE(vtest::WaitFor([&] { return button->IsHovering(); }));
    EXPECT_EQ(button->grab().toImage().pixel(1, 1), qRgb(120, 120, 120));

    QTest::mouseMove(ButtonWithId(ID_TOOLBAR_HELP), QPoint(20, 20));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->IsHovering());

    const QImage normal = button->grab().toImage();
    EXPECT_EQ(normal.pixel(1, 1), normalCorner);
    doc.m_isPlaying = true;
    toolbar.RefreshEnabled();
    const QImage disabled = button->grab().toImage();
    EXPECT_EQ(disabled.pixel(1, 1), normalCorner) << "the same background";
    // The icon and the caption are fainter: the sum of brightness over the face drops.
    auto brightness = [](const QImage& image)
    {
        long long sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y));
        return sum;
    };
    EXPECT_LT(brightness(disabled), brightness(normal) - 2000);
}

TEST(CPaneToolbarCreate, FailsWithoutItsBackground)
{
    ui::ScopedResourceFailure missing(ui::ResourceKind::Bitmap, CPaneToolbar::kBackgroundBitmap);
    vtest::MessageSinkWindow parent;
    CPaneToolbar toolbar;
    EXPECT_FALSE(toolbar.Create(&parent, ID_PANE_TOOLBAR, QRect(0, 0, 900, 73)));
}

} // namespace
