#include "controls/Controls.h"
#include "controls/Behaviour.h"
#include "controls/CEditFloat.h"
#include "controls/CEditTime.h"
#include "controls/CHoverButton.h"
#include "controls/CSkinSliderCtrl.h"
#include "controls/CWebBrowser2.h"
#include "controls/CWndToolbarHelp.h"
#include "controls/CommandIds.h"
#include "controls/Dc.h"
#include "controls/Resources.h"

#include "support/FakeUi.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDialog>
#include <QFontInfo>
#include <QPainter>
#include <QTest>
#include <QTimer>

namespace
{

using vtest::WaitFor;

/** A parent that records the commands, scrolls and messages of its children. */
class Parent : public ui::Window
{
public:
    Parent() { resize(400, 200); }
    std::vector<std::pair<int, ui::Notify>> commands;
    std::vector<std::pair<ui::ScrollCode, int>> vscrolls;
    std::vector<unsigned> messages;

    int Count(int id, ui::Notify code) const
    {
        return int(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }

protected:
    bool OnCommand(int id, ui::Notify code, QWidget*) override
    {
        commands.emplace_back(id, code);
        return true;
    }
    void OnVScroll(ui::ScrollCode code, int pos, QWidget*) override { vscrolls.emplace_back(code, pos); }
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        messages.push_back(m.Message());
        return 0;
    }
};

QImage Frame(const QPixmap& strip, int frame, QSize size)
{
    return strip.copy(frame * size.width(), 0, size.width(), size.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage Grab(QWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

// The three states each show their own frame: 0 idle, 2 while the mouse rests over the button,
// 1 while pressed, and 0 again once the mouse has left.
TEST(CHoverButton, ShowsTheFrameOfEachState)
{
    Parent parent;
    auto* button = new CHoverButton(&parent, ID_TRANSPORT_PLAY);
    ASSERT_TRUE(button->SetBitmap(362));
    EXPECT_EQ(button->size(), QSize(40, 40));
    button->move(20, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QPixmap strip = ui::LoadBitmap(362);

    EXPECT_EQ(Grab(*button), Frame(strip, 0, button->size()));
    QTest::mouseMove(button, QPoint(20, 20));
    ASSERT_TRUE(WaitFor([&] { return button->IsHovering(); }));
    EXPECT_EQ(Grab(*button), Frame(strip, 2, button->size()));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(Grab(*button), Frame(strip, 1, button->size()));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(parent.Count(ID_TRANSPORT_PLAY, ui::Notify::Clicked), 1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->IsHovering());
    EXPECT_EQ(Grab(*button), Frame(strip, 0, button->size()));
}

// A quick second click must not be lost as a double click.
TEST(CHoverButton, DoubleClickGivesTwoClicks)
{
    Parent parent;
    auto* button = new CHoverButton(&parent, ID_TRANSPORT_STOP);
    button->SetBitmap(366);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    // A double click arrives as press, release, double click, release (QTest::mouseDClick sends
    // only the double-click event itself).
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(parent.Count(ID_TRANSPORT_STOP, ui::Notify::Clicked), 2);
}

TEST(CHoverButton, SetBitmapFromStripPicksImageN)
{
    Parent parent;
    CHoverButton button(&parent, ID_HELP_BACK);
    const QPixmap all = ui::LoadBitmap(337);
    for (int n = 0; n < 3; ++n)
    {
        SCOPED_TRACE(n);
        ASSERT_TRUE(button.SetBitmapFromStrip(337, n));
        EXPECT_EQ(button.size(), QSize(28, 28));
        EXPECT_EQ(button.FrameSize(), QSize(28, 28));
        EXPECT_EQ(button.Strip().toImage(), all.copy(84 * n, 0, 84, 28).toImage());
    }
    EXPECT_FALSE(button.SetBitmapFromStrip(337, 3)); // the strip holds three images
    ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, 362);
    EXPECT_FALSE(button.SetBitmap(362));
    EXPECT_EQ(button.size(), QSize(28, 28)); // unchanged
}

// The thumb bitmap is drawn centred in the slider's thumb rectangle wherever the thumb stands.
TEST(CSkinSliderCtrl, ThumbIsCentredInItsRectangle)
{
    Parent parent;
    auto* slider = new CSkinSliderCtrl(&parent, ID_SESSION_LENGTH_SLIDER);
    slider->setGeometry(43, 10, 123, 20);
    slider->SetRange(1, 120);
    ASSERT_TRUE(slider->SetBitmaps(371, 372));
    parent.show();
    const QPixmap thumb = ui::LoadBitmap(372);
    for (int pos : {1, 5, 60, 120})
    {
        SCOPED_TRACE(pos);
        slider->SetPos(pos);
        const QRect thumbRect = slider->GetThumbRect();
        const QRect drawn = slider->ThumbDrawRect();
        EXPECT_EQ(drawn.size(), thumb.size());
        EXPECT_LE(std::abs((drawn.left() + drawn.right()) - (thumbRect.left() + thumbRect.right())), 1);
        EXPECT_LE(std::abs((drawn.top() + drawn.bottom()) - (thumbRect.top() + thumbRect.bottom())), 1);
        // The thumb's opaque middle pixel is where the drawing rectangle says.
        const QImage shot = Grab(*slider);
        const QPoint mid = drawn.center();
        const QRgb expected = thumb.toImage().pixel(thumb.width() / 2, thumb.height() / 2 - 5);
        EXPECT_EQ(shot.pixel(mid.x(), mid.y() - 5), expected);
    }
    ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, 372);
    EXPECT_FALSE(slider->SetBitmaps(371, 372));
}

TEST(Slider, ReportsUserMovesOnlyAndKeepsTheOldVerticalDirection)
{
    class Receiver : public ui::Window
    {
    public:
        std::vector<int> h, v;

    protected:
        void OnHScroll(ui::ScrollCode, int pos, QWidget*) override { h.push_back(pos); }
        void OnVScroll(ui::ScrollCode, int pos, QWidget*) override { v.push_back(pos); }
    } parent;
    auto* horizontal = new ui::Slider(&parent, 1044);
    auto* vertical = new ui::Slider(&parent, 1060, Qt::Vertical);
    horizontal->SetRange(0, 100);
    horizontal->SetPos(40);
    EXPECT_TRUE(parent.h.empty()); // setting from code is silent
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(parent.h, std::vector<int>{41});
    vertical->SetRange(0, 400);
    vertical->setGeometry(0, 0, 20, 200);
    vertical->SetPos(0);
    parent.show();
    EXPECT_LT(vertical->GetThumbRect().center().y(), 100); // the minimum is at the top
    vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(parent.v, std::vector<int>{1});
}

// What is typed stays as typed and reads as a number only when it is a plain decimal: dropping the
// characters that do not fit turned "-7" into 7 and "1e9" into 19, and an empty text read as 0.
TEST(CEditFloat, TypedTextIsANumberOnlyWhenPlain)
{
    struct Case
    {
        const char* typed;
        bool number;
        double value;
    };
    const Case cases[] = {
        {"12.5", true, 12.5}, {"40", true, 40},  {"5.", true, 5},    {".5", true, 0.5}, {"007", true, 7},
        {"", false, 0},       {".", false, 0},   {"1..5", false, 0}, {"-7", false, 0},  {"1e9", false, 0},
        {"a1b2", false, 0},   {"1 2", false, 0}, {"1,5", false, 0},  {"+3", false, 0},  {"4.5.1", false, 0},
    };
    Parent parent;
    auto* edit = new CEditFloat(&parent, 1058);
    parent.show();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
        double v = -1.0;
        EXPECT_EQ(edit->GetNumber(v), c.number);
        if (c.number)
        {
            EXPECT_DOUBLE_EQ(v, c.value);
        }
    }
    edit->SetRange(-5.0f, 40.0f);
    EXPECT_EQ(edit->GetLower(), -5.0f);
    EXPECT_EQ(edit->GetUpper(), 40.0f);
}

TEST(CEditFloat, DefaultRangeIsZeroToHundred)
{
    CEditFloat edit(nullptr, 1);
    EXPECT_EQ(edit.GetLower(), 0.0f);
    EXPECT_EQ(edit.GetUpper(), 100.0f);
}

// Times are typed as on a clock. A mask of fixed digit places read "0200" as 20:00 and "1000"
// after Home as 100:05; every such text must read as the time a person means, or as no time.
TEST(CEditTime, ReadsTypedTimesAsOnAClock)
{
    struct Case
    {
        const char* typed;
        bool time;
        int minutes;
        int seconds;
    };
    const Case cases[] = {
        {"02:00", true, 2, 0},   {"0200", true, 2, 0},      {"2:00", true, 2, 0},
        {"200", true, 2, 0},     {"45", true, 0, 45},       {"5", true, 0, 5},
        {":30", true, 0, 30},    {"07:45", true, 7, 45},    {"100:00", true, 100, 0},
        {"10000", true, 100, 0}, {"999:59", true, 999, 59}, {"00:00", true, 0, 0},
        {"", false, 0, 0},       {":", false, 0, 0},        {"2:5", false, 0, 0},
        {"2:500", false, 0, 0},  {"02:60", false, 0, 0},    {"275", false, 0, 0},
        {"1:2:3", false, 0, 0},  {"1000:00", false, 0, 0},  {"100002:00", false, 0, 0},
    };
    Parent parent;
    auto* edit = new CEditTime(&parent, 1050);
    parent.show();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed)) << "every digit and colon is typed";
        int m = -1, s = -1;
        EXPECT_EQ(edit->GetTime(m, s), c.time);
        if (c.time)
        {
            EXPECT_EQ(m, c.minutes);
            EXPECT_EQ(s, c.seconds);
        }
    }
    // Anything else is dropped with a beep.
    vtest::FakeUi fake;
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1a2 -3"));
    EXPECT_EQ(edit->text(), QStringLiteral("123"));
    EXPECT_EQ(fake.beeps, 3);
    EXPECT_EQ(CEditTime::FormatTime(7, 5), QStringLiteral("07:05"));
    EXPECT_EQ(CEditTime::FormatTime(125, 0), QStringLiteral("125:00"));
}

// A time shown in the field is replaced by what is typed when the field was reached by the keys
// (or by the dialog), and a refused entry is marked until it is edited.
TEST(CEditTime, FocusSelectsTheTimeAndARefusalShowsUntilEdited)
{
    Parent parent;
    auto* other = new ui::Edit(&parent, 1);
    auto* edit = new CEditTime(&parent, 1077);
    edit->move(0, 30);
    parent.show();
    parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    edit->setText(QStringLiteral("07:45"));
    other->setFocus();
    edit->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(edit, QStringLiteral("0200"));
    EXPECT_EQ(edit->text(), QStringLiteral("0200"));

    edit->ShowRefused();
    EXPECT_TRUE(edit->IsShowingRefused());
    EXPECT_EQ(edit->GetBackgroundColor(), ui::Edit::kRefusedColour);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(edit->IsShowingRefused());
    EXPECT_FALSE(edit->GetBackgroundColor().isValid());
}

TEST(SpinButton, ClicksStepWithinTheRangeAndWriteTheBuddy)
{
    Parent parent;
    auto* edit = new ui::Edit(&parent, 101);
    auto* spin = new ui::SpinButton(&parent, 102);
    spin->setGeometry(100, 0, 14, 20);
    spin->SetBuddy(edit);
    spin->SetRange(0, 2);
    spin->SetPos(1);
    parent.show();
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(7, 3));
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(7, 3)); // at the top already: nothing
    EXPECT_EQ(spin->GetPos(), 2);
    EXPECT_EQ(edit->text(), QStringLiteral("2"));
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(7, 17));
    EXPECT_EQ(spin->GetPos(), 1);
    ASSERT_EQ(parent.vscrolls.size(), 2u);
    EXPECT_EQ(parent.vscrolls[0], std::make_pair(ui::ScrollCode::ThumbPosition, 2));
    EXPECT_EQ(parent.vscrolls[1], std::make_pair(ui::ScrollCode::ThumbPosition, 1));
}

TEST(PopupMenu, ChosenItemReachesTheOwnerAsACommand)
{
    vtest::FakeUi fake;
    Parent owner;
    ui::PopupMenu menu;
    menu.AppendItem(105, QStringLiteral("Set value"));
    menu.AppendItem(106, QStringLiteral("Set Graph"));
    menu.AppendItem(107, QStringLiteral("Set AutoGraph"), false);
    menu.CheckItem(106, true);
    const auto items = menu.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(items[1].checked);
    EXPECT_FALSE(items[2].enabled);
    fake.menuChoices = {106, 0};
    EXPECT_EQ(menu.Track(QPoint(10, 10), &owner), 106);
    EXPECT_EQ(menu.Track(QPoint(10, 10), &owner), 0);
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0], std::make_pair(106, ui::Notify::Menu));
}

// Buttons at a, a + 34 and a + 68 with a = (H - 28) / 2, kept in place on every resize.
TEST(CWndToolbarHelp, LaysOutItsButtonsAndSendsTheirMessages)
{
    Parent parent;
    CWndToolbarHelp toolbar;
    ASSERT_TRUE(toolbar.Create(&parent, ID_HELP_TOOLBAR, QRect(0, 0, 300, 40)));
    parent.show();
    for (int height : {40, 50, 28, 33})
    {
        SCOPED_TRACE(height);
        toolbar.resize(300, height);
        const int a = (height - 28) / 2;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(toolbar.Button(i)->geometry(), QRect(a + 34 * i, a, 28, 28));
    }
    EXPECT_EQ(toolbar.Button(0)->toolTip(), QStringLiteral("Back"));
    EXPECT_EQ(toolbar.Button(2)->toolTip(), QStringLiteral("Home"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(toolbar.Button(i), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.messages,
              (std::vector<unsigned>{WM_APP_HELP_BACK, WM_APP_HELP_FORWARD, WM_APP_HELP_HOME}));
}

TEST(CWndToolbarHelp, CreationFailsWithoutItsBackground)
{
    Parent parent;
    ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, CWndToolbarHelp::kBackgroundBitmap);
    CWndToolbarHelp toolbar;
    EXPECT_FALSE(toolbar.Create(&parent, ID_HELP_TOOLBAR, QRect(0, 0, 300, 40)));
    EXPECT_FALSE(toolbar.isVisible());
}

namespace
{
QString WritePage(const QString& name, const QString& body)
{
    const QString path = vtest::TestHome() + "/help/" + name;
    vtest::WriteFile(path, {});
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("<html><body>" + body + "</body></html>").toUtf8());
    return path;
}
} // namespace

TEST(CWebBrowser2, GoesBackAndForwardOverLocalPages)
{
    const QString index = WritePage("index.html", "The index page");
    const QString tone = WritePage("Tone.html", "All about tones");
    CWebBrowser2 browser;
    browser.Navigate(index);
    EXPECT_TRUE(browser.toPlainText().contains("The index page"));
    browser.Navigate(QString(tone).replace('/', '\\')); // a path written with backslashes
    EXPECT_TRUE(browser.toPlainText().contains("All about tones"));
    browser.GoBack();
    EXPECT_TRUE(browser.toPlainText().contains("The index page"));
    browser.GoBack(); // no page before the first: nothing happens
    EXPECT_TRUE(browser.toPlainText().contains("The index page"));
    browser.GoForward();
    EXPECT_TRUE(browser.toPlainText().contains("All about tones"));
    browser.GoForward();
    EXPECT_TRUE(browser.toPlainText().contains("All about tones"));
}

// A topic without a page shows our own page naming the missing file, which stays in the history.
TEST(CWebBrowser2, MissingPageShowsItsOwnNotice)
{
    const QString index = WritePage("index.html", "The index page");
    const QString missing = vtest::TestHome() + "/help/ExternalAudio.html";
    CWebBrowser2 browser;
    browser.Navigate(index);
    browser.Navigate(missing);
    EXPECT_TRUE(browser.toPlainText().contains("This help page is missing"));
    EXPECT_TRUE(browser.toPlainText().contains("ExternalAudio.html"));
    browser.GoBack();
    EXPECT_TRUE(browser.toPlainText().contains("The index page"));
}

TEST(CWebBrowser2, WebLinksOpenOutsideTheHelp)
{
    vtest::FakeUi fake;
    const QString index = WritePage("links.html", "<a href=\"https://example.org/videos\">videos</a>");
    CWebBrowser2 browser;
    browser.Navigate(index);
    browser.setSource(QUrl("https://example.org/videos"));
    ASSERT_EQ(fake.openedUrls.size(), 1u);
    EXPECT_EQ(fake.openedUrls[0], QUrl("https://example.org/videos"));
    EXPECT_TRUE(browser.toPlainText().contains("videos"));
}

TEST(Behaviour, FolderPickerAndFilters)
{
    vtest::FakeUi fake;
    fake.folderAnswers = {QStringLiteral("/music/loops"), std::nullopt};
    QString path = QStringLiteral("unchanged");
    EXPECT_TRUE(BrowseForFolder(nullptr, path, QStringLiteral("Select destination folder")));
    EXPECT_EQ(path, QStringLiteral("/music/loops"));
    EXPECT_FALSE(BrowseForFolder(nullptr, path, QStringLiteral("Select destination folder")));
    EXPECT_EQ(path, QStringLiteral("/music/loops"));
    EXPECT_EQ(fake.folderTitles.size(), 2u);

    EXPECT_EQ(ui::ToQtFilter(QStringLiteral("VORNA Session Files (*.vrx)|*.vrx||")),
              QStringLiteral("VORNA Session Files (*.vrx)"));
    EXPECT_EQ(ui::ToQtFilter(QStringLiteral(
                  "Streamable files (wav/aif/mp3/mp2/mp1/ogg)|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.ogg|All "
                  "files|*.*||")),
              QStringLiteral("Streamable files (*.wav *.aif *.mp3 *.mp2 *.mp1 *.ogg);;All files (*.*)"));
}

// A worker or the recording thread must never open a window itself: its box is queued to the UI
// thread and the worker goes on at once.
TEST(Behaviour, MessageBoxFromAnotherThreadIsQueuedToTheUiThread)
{
    vtest::FakeUi fake;
    int answer = 0;
    std::thread worker(
        [&]
        { answer = ui::MessageBox(nullptr, QStringLiteral("Failed to write to the recorded sound file.")); });
    worker.join();
    EXPECT_EQ(answer, ui::IDOK);
    EXPECT_TRUE(fake.boxes.empty());
    ASSERT_TRUE(WaitFor([&] { return fake.boxes.size() == 1; }));
    EXPECT_EQ(fake.boxes[0].text, QStringLiteral("Failed to write to the recorded sound file."));
}

// Owner-drawn menus measure and draw every item themselves (the toolbar's menus are 44 pixels a row).
TEST(PopupMenu, OwnerDrawnItemsUseTheirMeasureAndDraw)
{
    ui::PopupMenu menu;
    menu.AppendItem(20085, QStringLiteral("Add Track\t+"));
    menu.AppendItem(20091, QStringLiteral("Mute All Tracks"));
    std::vector<int> drawn;
    menu.SetOwnerDraw([](const ui::PopupMenu::Item& item) { return QSize(100 + int(item.text.size()), 44); },
                      [&](QPainter& p, const QRect& r, const ui::PopupMenu::Item& item, bool)
                      {
                          p.fillRect(r, QColor(70, 70, 70));
                          drawn.push_back(item.id);
                      });
    const QList<QAction*> actions = menu.Menu().actions();
    ASSERT_EQ(actions.size(), 2);
    for (QAction* action : actions)
        EXPECT_EQ(menu.Menu().actionGeometry(action).height(), 44);
    EXPECT_EQ(menu.Menu().actionGeometry(actions[1]).top(), 44);
    (void)menu.Menu().grab();
    EXPECT_EQ(drawn, (std::vector<int>{20085, 20091}));
}

TEST(TabBar, OnlyTheUsersChoiceIsReported)
{
    Parent parent;
    auto* tabs = new ui::TabBar(&parent, ID_PROPERTIES_TAB);
    for (const char* name : {"Sound", "Effects", "Brainwaves", "Bilateral"})
        tabs->addTab(QString::fromLatin1(name));
    parent.commands.clear();
    tabs->SetActiveTab(2);
    EXPECT_TRUE(parent.commands.empty());
    tabs->setCurrentIndex(1); // as a click does
    EXPECT_EQ(parent.Count(ID_PROPERTIES_TAB, ui::Notify::SelChange), 1);
}

// Emoji in stage, segment and file names: drawn with the workspace's text font, the moon in
// "End 🌙" comes out in its own colours (from the colour emoji font the set-up installs), not as a
// box in the text's grey.
TEST(Text, EmojiInNamesDrawInColour)
{
    const QString name = QStringLiteral("End \U0001F319");
    for (const char* face : {"Verdana", "Arial"})
    {
        SCOPED_TRACE(face);
        QImage image(160, 40, QImage::Format_RGB32);
        image.fill(QColor(70, 70, 70));
        {
            QPainter painter(&image);
            ui::Dc dc(painter);
            dc.SetFont(ui::MakeFont(-20, 400, QString::fromLatin1(face)));
            dc.SetTextColor(QColor(200, 200, 200));
            dc.TextOut(4, 6, name);
        }
        int coloured = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
            {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - c.blue()) > 40 || std::abs(c.green() - c.blue()) > 40)
                    ++coloured;
            }
        EXPECT_GT(coloured, 20) << "the emoji drew in the text's grey: no colour emoji font";
    }
}

// The real font dialog opens on the face the script is drawn in and its size, not on the first
// family of its list: "Arial" is drawn in a substitute the list names instead, and a pixel-sized
// font has no point size of its own.
TEST(Behaviour, FontDialogOpensOnTheFontInUse)
{
    const QFont script = ui::MakeFont(-ui::PointsToPixels(14), 400, QStringLiteral("Arial"));
    QString family;
    int points = 0;
    QTimer::singleShot(0,
                       [&]
                       {
                           auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
                           ASSERT_NE(dialog, nullptr);
                           family = dialog->currentFont().family();
                           points = dialog->currentFont().pointSize();
                           dialog->reject();
                       });
    ui::Behaviour desktop;
    EXPECT_FALSE(desktop.ChooseFont(nullptr, script, 10, 28).has_value());
    EXPECT_EQ(family, QFontInfo(script).family());
    EXPECT_NE(family, QStringLiteral("Arial"));
    EXPECT_EQ(points, 14);
}
