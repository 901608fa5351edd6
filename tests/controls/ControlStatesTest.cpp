// The states the panes and the property rows rely on: disabled skinned controls look disabled, the
// spin button repeats while held, steps its buddy with the arrow keys and lights the arrow under
// the mouse, the edit takes a background colour, and the progress bar fills to its position.
#include "controls/CHoverButton.h"
#include "controls/CSkinSliderCtrl.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QTest>

namespace
{

using vtest::WaitFor;

class Parent : public ui::Window
{
public:
    Parent() { resize(300, 120); }
    std::vector<std::pair<ui::ScrollCode, int>> vscrolls;
    int clicks = 0;

protected:
    bool OnCommand(int, ui::Notify code, QWidget*) override
    {
        clicks += code == ui::Notify::Clicked;
        return true;
    }
    void OnVScroll(ui::ScrollCode code, int pos, QWidget*) override { vscrolls.emplace_back(code, pos); }
};

QImage Grab(QWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

/** The largest difference in grey between a pixel and the left column of its row: how much of a
 *  glyph stands out from the surface it is drawn on. */
int Contrast(const QImage& image)
{
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            most = std::max(most, std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(0, y))));
    return most;
}

} // namespace

// A disabled transport button must not look like an enabled one (nor light up under the mouse):
// its glyph keeps a third of its contrast, and the surface around it stays the bar's.
TEST(CHoverButton, DisabledShowsAFadedFaceAndNoHover)
{
    Parent parent;
    auto* button = new CHoverButton(&parent, ID_TRANSPORT_PLAY);
    ASSERT_TRUE(button->SetBitmap(362));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QImage enabled = Grab(*button);
    QTest::mouseMove(button, QPoint(20, 20));
    ASSERT_TRUE(WaitFor([&] { return button->IsHovering(); }));

    button->setEnabled(false);
    EXPECT_FALSE(button->IsHovering());
    const QImage disabled = Grab(*button);
    EXPECT_EQ(disabled, button->DisabledFrame().toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(disabled, enabled);
    EXPECT_LE(Contrast(disabled), Contrast(enabled) * 0.4);
    EXPECT_EQ(disabled.pixel(0, 20), enabled.pixel(0, 20)); // the surface is untouched
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(parent.clicks, 0);

    button->setEnabled(true);
    EXPECT_EQ(Grab(*button), enabled);
}

TEST(CSkinSliderCtrl, DisabledDimsTheChannelAndFadesTheThumb)
{
    Parent parent;
    auto* slider = new CSkinSliderCtrl(&parent, ID_SESSION_LENGTH_SLIDER);
    slider->setGeometry(10, 10, 123, 20);
    slider->SetRange(1, 99);
    slider->SetPos(50);
    ASSERT_TRUE(slider->SetBitmaps(371, 372));
    parent.show();
    const QImage enabled = Grab(*slider);
    slider->setEnabled(false);
    const QImage disabled = Grab(*slider);
    EXPECT_LT(Contrast(disabled), Contrast(enabled) / 2);
    // Away from the thumb the channel's teal groove has turned grey.
    const QRgb groove = disabled.pixel(10, 10);
    EXPECT_EQ(qRed(groove), qBlue(groove));
    EXPECT_NE(enabled.pixel(10, 10), groove);
}

// Held down, an arrow keeps stepping until it is released; the step then stops.
TEST(SpinButton, RepeatsWhileHeldAndStopsOnRelease)
{
    vtest::FakeUi fake;
    Parent parent;
    auto* edit = new ui::Edit(&parent, 101);
    auto* spin = new ui::SpinButton(&parent, 102);
    spin->setGeometry(100, 0, 14, 20);
    spin->SetBuddy(edit);
    spin->SetRange(0, 1000);
    spin->SetPos(10);
    parent.show();
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(7, 3));
    EXPECT_EQ(spin->GetPos(), 11); // the press itself steps at once
    ASSERT_TRUE(WaitFor([&] { return spin->GetPos() >= 14; }, 5000));
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(7, 3));
    const int released = spin->GetPos();
    EXPECT_EQ(edit->text(), QString::number(released));
    QTest::qWait(3 * ui::SpinButton::kRepeatPeriodMs);
    EXPECT_EQ(spin->GetPos(), released);
    ASSERT_EQ(int(parent.vscrolls.size()), released - 10); // one scroll event per step
    for (const auto& [code, pos] : parent.vscrolls)
        EXPECT_EQ(code, ui::ScrollCode::ThumbPosition);

    // Held for more than two seconds (the test's clock), each repeat steps by five.
    parent.vscrolls.clear();
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(7, 17));
    fake.tickCount += 2500;
    const int start = spin->GetPos();
    ASSERT_TRUE(WaitFor([&] { return spin->GetPos() <= start - 5; }, 5000));
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(7, 17));
    ASSERT_GE(parent.vscrolls.size(), 2u);
    EXPECT_EQ(parent.vscrolls[0].second - parent.vscrolls[1].second, 5);
}

// The Up and Down keys in the buddy step the spin (the buddy does not see them), starting from a
// whole number typed into the buddy; the range still holds.
TEST(SpinButton, ArrowKeysInTheBuddyStepFromItsText)
{
    Parent parent;
    auto* edit = new ui::Edit(&parent, 101);
    auto* spin = new ui::SpinButton(&parent, 102);
    spin->setGeometry(100, 0, 14, 20);
    spin->SetBuddy(edit);
    spin->SetRange(0, 20);
    spin->SetPos(3);
    parent.show();
    edit->setFocus();
    edit->setText(QStringLiteral("7"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(spin->GetPos(), 8);
    EXPECT_EQ(edit->text(), QStringLiteral("8"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), QStringLiteral("6"));
    ASSERT_EQ(parent.vscrolls.size(), 3u);
    EXPECT_EQ(parent.vscrolls.back(), std::make_pair(ui::ScrollCode::ThumbPosition, 6));

    // A text that is not a whole number in range leaves the step where the spin stood.
    for (const char* text : {"4.75", "99", "abc"})
    {
        SCOPED_TRACE(text);
        spin->SetPos(6);
        edit->setText(QString::fromLatin1(text));
        QTest::keyClick(edit, Qt::Key_Up);
        EXPECT_EQ(spin->GetPos(), 7);
    }
    spin->SetPos(20);
    edit->setText(QStringLiteral("20"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(spin->GetPos(), 20);

    // Disabled, the keys are the edit's own again.
    spin->setEnabled(false);
    parent.vscrolls.clear();
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_TRUE(parent.vscrolls.empty());
}

TEST(SpinButton, LightsTheArrowUnderTheMouseAndDrawsDisabledFlat)
{
    Parent parent;
    auto* spin = new ui::SpinButton(&parent, 102);
    spin->setGeometry(100, 0, 14, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QImage idle = Grab(*spin);
    QTest::mouseMove(spin, QPoint(7, 3));
    EXPECT_EQ(spin->HotArrow(), 1);
    const QImage hot = Grab(*spin);
    EXPECT_NE(hot.pixel(2, 2), idle.pixel(2, 2));   // the upper face is lit
    EXPECT_EQ(hot.pixel(2, 17), idle.pixel(2, 17)); // the lower one is not
    QTest::mouseMove(spin, QPoint(7, 16));
    EXPECT_EQ(spin->HotArrow(), -1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(spin, &leave);
    EXPECT_EQ(spin->HotArrow(), 0);
    EXPECT_EQ(Grab(*spin), idle);

    spin->setEnabled(false);
    const QImage off = Grab(*spin);
    EXPECT_NE(off.pixel(2, 2), idle.pixel(2, 2));
    EXPECT_NE(off.pixel(7, 5), idle.pixel(7, 5)); // the arrow is dim
}

// The property row's warning: the edit's background takes the colour and the text stays readable;
// an invalid colour gives the palette back, and a disabled edit keeps its disabled look.
TEST(Edit, BackgroundColourCanBeSetAndCleared)
{
    Parent parent;
    auto* edit = new ui::Edit(&parent, 101);
    edit->setGeometry(10, 10, 80, 22);
    edit->setText(QStringLiteral("140"));
    parent.show();
    const QImage plain = Grab(*edit);
    const QColor warning(255, 200, 200);
    edit->SetBackgroundColor(warning);
    EXPECT_EQ(edit->GetBackgroundColor(), warning);
    EXPECT_EQ(QColor(Grab(*edit).pixel(70, 11)), warning);
    EXPECT_LT(edit->palette().color(QPalette::Active, QPalette::Text).lightness(), 100);

    edit->setEnabled(false);
    EXPECT_NE(QColor(Grab(*edit).pixel(70, 11)), warning);
    edit->setEnabled(true);

    edit->SetBackgroundColor(QColor());
    EXPECT_FALSE(edit->GetBackgroundColor().isValid());
    EXPECT_EQ(Grab(*edit), plain);
}

TEST(ProgressBar, FillsToItsPositionWithinTheRange)
{
    Parent parent;
    auto* bar = new ui::ProgressBar(&parent, 1117);
    bar->setGeometry(10, 10, 102, 8); // 100 pixels inside the frame
    parent.show();
    EXPECT_EQ(ui::FindControl(&parent, 1117), bar);
    EXPECT_EQ(bar->GetRangeMin(), 0);
    EXPECT_EQ(bar->GetRangeMax(), 100);

    struct Case
    {
        const char* name;
        int min, max, pos, filled;
    };
    const Case cases[] = {
        {"empty at the start", 0, 100, 0, 0},
        {"a quarter", 0, 100, 25, 25},
        {"full at the end", 0, 100, 100, 100},
        {"held to the range", 0, 100, 150, 100},
        {"below the range", 0, 100, -5, 0},
        {"an offset range", 50, 150, 75, 25},
        {"an empty range shows nothing", 10, 10, 10, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        bar->SetRange(c.min, c.max);
        bar->SetPos(c.pos);
        EXPECT_EQ(bar->FilledWidth(), c.filled);
        const QImage shot = Grab(*bar);
        const QColor teal(86, 186, 202);
        if (c.filled > 0)
        {
            EXPECT_EQ(QColor(shot.pixel(c.filled, 4)), teal);
        }
        if (c.filled < 100)
        {
            EXPECT_NE(QColor(shot.pixel(c.filled + 1, 4)), teal);
        }
    }
    bar->SetRange(0, 100);
    bar->SetPos(40);
    EXPECT_EQ(bar->SetPos(60), 40); // the previous position
    bar->setEnabled(false);
    const QColor fill(Grab(*bar).pixel(30, 4));
    EXPECT_EQ(fill.red(), fill.blue()); // grey, not the accent
}
