#include "controls/Window.h"
#include "controls/Accelerators.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"

#include "platform/Errors.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace
{

using vtest::WaitFor;

/** A window that records what its handlers saw. */
class Probe : public ui::Window
{
public:
    using ui::Window::Window;

    std::vector<int> timers;
    std::vector<std::pair<int, ui::Notify>> commands;
    int leaves = 0;
    int hovers = 0;
    QPoint lastMove{-1, -1};
    bool throwOnPress = false;
    int killOwnTimerAfter = -1;

    ui::Translate translate = ui::Translate::Continue;

    ui::Translate PreTranslateMessage(QKeyEvent*) override { return translate; }

protected:
    void OnTimer(int id) override
    {
        timers.push_back(id);
        if (killOwnTimerAfter >= 0 && int(timers.size()) >= killOwnTimerAfter)
            KillTimer(id);
    }
    bool OnCommand(int id, ui::Notify code, QWidget*) override
    {
        commands.emplace_back(id, code);
        return true;
    }
    void OnMouseMove(const QPoint& p) override { lastMove = p; }
    void OnMouseLeave() override { ++leaves; }
    void OnMouseHover() override { ++hovers; }
    void OnLButtonDown(const QPoint&) override
    {
        if (throwOnPress)
            throw plat::InvalidArgumentError("Invalid argument.");
    }
};

} // namespace

// The start-up check refuses screens under 1000 x 600 pixels; the test screen must pass it.
TEST(TestScreen, IsLargeEnoughForTheStartUpCheck)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_GE(screen->geometry().width(), 1000);
    EXPECT_GE(screen->geometry().height(), 600);
    EXPECT_GE(screen->depth(), 15);
    EXPECT_LE(std::max(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()), 150.0);
}

// Timers are told apart by their own ids (0 included), a timer may stop itself from its handler,
// and setting a running id again restarts it instead of adding a second one.
TEST(Window, TimersByIdIncludingZero)
{
    Probe w;
    w.SetTimer(0, 5);
    w.SetTimer(7, 5);
    w.SetTimer(7, 5);
    ASSERT_TRUE(WaitFor(
        [&]
        {
            return std::count(w.timers.begin(), w.timers.end(), 0) >= 2 &&
                   std::count(w.timers.begin(), w.timers.end(), 7) >= 2;
        }));
    w.KillTimer(0);
    EXPECT_FALSE(w.HasTimer(0));
    EXPECT_TRUE(w.HasTimer(7));
    w.timers.clear();
    QTest::qWait(40);
    EXPECT_EQ(std::count(w.timers.begin(), w.timers.end(), 0), 0);
    const auto sevens = std::count(w.timers.begin(), w.timers.end(), 7);
    EXPECT_GE(sevens, 1);
    EXPECT_LE(sevens, 12); // one timer of 5 ms, not two (which would fire about 16 times)
    w.KillTimer(7);
    w.KillTimer(42); // not running: nothing happens

    Probe once;
    once.killOwnTimerAfter = 1;
    once.SetTimer(3, 1);
    QTest::qWait(30);
    EXPECT_EQ(once.timers, std::vector<int>{3});
}

// A model error inside a handler is shown to the user and the program carries on.
TEST(Window, ErrorInAHandlerIsShownNotPropagated)
{
    vtest::FakeUi fake;
    Probe w;
    w.resize(100, 100);
    w.throwOnPress = true;
    w.show();
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, QStringLiteral("Invalid argument."));
    w.throwOnPress = false;
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(fake.boxes.size(), 1u);
}

TEST(Window, ChildrenAreFoundByTheirIds)
{
    Probe parent;
    auto* edit = new ui::Edit(&parent, 101);
    auto* grandchild = new ui::Button(edit, 102);
    EXPECT_EQ(parent.GetDlgItem(101), edit);
    EXPECT_EQ(parent.GetDlgItem(102), nullptr); // direct children only
    EXPECT_EQ(ui::ControlId(grandchild), 102);
    EXPECT_EQ(ui::WindowClassName(edit), QStringLiteral("Edit"));
    EXPECT_EQ(ui::WindowClassName(grandchild), QStringLiteral("Button"));

    Probe child;
    EXPECT_TRUE(child.Create(&parent, 20006, QRect(5, 6, 70, 80)));
    EXPECT_EQ(parent.GetDlgItem(20006), &child);
    EXPECT_EQ(child.GetClientRect(), QRect(0, 0, 70, 80));
    EXPECT_EQ(child.geometry(), QRect(5, 6, 70, 80));
}

// Panes read the cursor while dragging; Qt's test events do not move the real cursor, so the layer
// keeps the position of the last mouse event.
TEST(Window, CursorFollowsTheLastMouseEvent)
{
    Probe w;
    w.resize(200, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(&w, QPoint(37, 21));
    EXPECT_EQ(w.lastMove, QPoint(37, 21));
    EXPECT_EQ(w.GetCursorClientPos(), QPoint(37, 21));
    ui::SetCursorPos(w.mapToGlobal(QPoint(150, 50)));
    EXPECT_EQ(w.GetCursorClientPos(), QPoint(150, 50));
}

// Leave notices come only after they were asked for, once per request; hover after its delay.
TEST(Window, LeaveAndHoverOnlyWhenTracked)
{
    Probe w;
    w.resize(100, 100);
    w.show();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &leave);
    EXPECT_EQ(w.leaves, 0);
    w.TrackMouseEvent(true);
    QCoreApplication::sendEvent(&w, &leave);
    QCoreApplication::sendEvent(&w, &leave);
    EXPECT_EQ(w.leaves, 1);

    ui::SetCursorPos(w.mapToGlobal(QPoint(50, 50)));
    w.TrackMouseEvent(true, 1);
    EXPECT_TRUE(WaitFor([&] { return w.hovers == 1; }));
}

namespace
{
/** A main frame holding a focused line edit inside a panel, as the view holds its panels. */
struct Frame
{
    Probe frame;
    Probe* panel = new Probe(&frame);
    QLineEdit* edit = new QLineEdit(panel);

    Frame()
    {
        frame.resize(300, 200);
        panel->setGeometry(0, 0, 300, 200);
        ui::SetMainFrame(&frame, ui::MainFrameAccelerators());
        frame.show();
        frame.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
        edit->setFocus();
    }
    ~Frame() { ui::SetMainFrame(nullptr, {}); }
};
} // namespace

// The accelerator table is consulted before the focused widget: keys run workspace commands
// from a panel's edit field and never type into it.
TEST(Accelerators, RunFromAFocusedLineEdit)
{
    struct Case
    {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        int command; // 0: no command, the key types
    };
    const Case cases[] = {
        {"plain letter", Qt::Key_M, Qt::NoModifier, ID_ACCEL_MUTE_TRACK},
        {"space pauses", Qt::Key_Space, Qt::NoModifier, ID_ACCEL_PAUSE},
        {"control letter", Qt::Key_C, Qt::ControlModifier, ID_EDIT_COPY},
        {"plain C is another command", Qt::Key_C, Qt::NoModifier, ID_ACCEL_CLEAN_EMPTY_TRACKS},
        {"shift insert", Qt::Key_Insert, Qt::ShiftModifier, ID_EDIT_PASTE},
        {"plus is a character", Qt::Key_Plus, Qt::ShiftModifier, ID_ACCEL_ADD_TRACK},
        {"bound but unhandled", Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO},
        {"unbound letter types", Qt::Key_X, Qt::NoModifier, 0},
        {"shift M is not M", Qt::Key_M, Qt::ShiftModifier, 0},
    };
    Frame f;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        f.frame.commands.clear();
        f.edit->clear();
        QTest::keyClick(f.edit, Qt::Key(c.key), c.modifiers);
        if (c.command != 0)
        {
            ASSERT_EQ(f.frame.commands.size(), 1u);
            EXPECT_EQ(f.frame.commands[0].first, c.command);
            EXPECT_EQ(f.frame.commands[0].second, ui::Notify::Accelerator);
            EXPECT_TRUE(f.edit->text().isEmpty());
        }
        else
        {
            EXPECT_TRUE(f.frame.commands.empty());
            EXPECT_FALSE(f.edit->text().isEmpty());
        }
    }
}

// A window on the way may keep a key for the focused widget (a panel lets Delete edit its text)
// or take it itself; either way the frame's table does not see it.
TEST(Accelerators, WindowsOnTheWayComeFirst)
{
    Frame f;
    f.edit->setText(QStringLiteral("abc"));
    f.edit->setCursorPosition(0);
    f.panel->translate = ui::Translate::Deliver;
    QTest::keyClick(f.edit, Qt::Key_Delete);
    EXPECT_EQ(f.edit->text(), QStringLiteral("bc"));
    EXPECT_TRUE(f.frame.commands.empty());

    f.panel->translate = ui::Translate::Consume;
    QTest::keyClick(f.edit, Qt::Key_Delete);
    EXPECT_EQ(f.edit->text(), QStringLiteral("bc"));
    EXPECT_TRUE(f.frame.commands.empty());

    f.panel->translate = ui::Translate::Continue;
    QTest::keyClick(f.edit, Qt::Key_Delete);
    ASSERT_EQ(f.frame.commands.size(), 1u);
    EXPECT_EQ(f.frame.commands[0].first, ID_ACCEL_DELETE_SEGMENT);
}

// Another top-level window (a modal dialog) does not run the workspace's keys unless it passes
// them on itself, as the help window does.
TEST(Accelerators, OtherTopLevelWindowsPassKeysOnlyWhenTheyAsk)
{
    Frame f;
    class Help : public ui::Window
    {
    public:
        ui::Translate PreTranslateMessage(QKeyEvent* key) override
        {
            return passOn && ui::TranslateAccelerator(key) ? ui::Translate::Consume : ui::Translate::Continue;
        }
        bool passOn = false;
    } help;
    auto* edit = new QLineEdit(&help);
    help.show();
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_P);
    EXPECT_TRUE(f.frame.commands.empty());
    EXPECT_EQ(edit->text(), QStringLiteral("p"));
    help.passOn = true;
    QTest::keyClick(edit, Qt::Key_P);
    ASSERT_EQ(f.frame.commands.size(), 1u);
    EXPECT_EQ(f.frame.commands[0].first, ID_ACCEL_PLAY);
    EXPECT_EQ(edit->text(), QStringLiteral("p"));
}

namespace
{
class SampleDialog : public ui::Dialog
{
public:
    int inits = 0, oks = 0, cancels = 0;
    bool closeOnOk = true;
    ui::Edit* edit = new ui::Edit(this, 1006);

protected:
    bool OnInitDialog() override
    {
        ++inits;
        setWindowTitle(QStringLiteral("Edit Stages"));
        return true;
    }
    void OnOK() override
    {
        ++oks;
        if (closeOnOk)
            ui::Dialog::OnOK();
    }
    void OnCancel() override
    {
        ++cancels;
        ui::Dialog::OnCancel();
    }
};
} // namespace

TEST(Dialog, DoModalInitialisesThenRunsThroughTheBehaviour)
{
    vtest::FakeUi fake;
    fake.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            EXPECT_EQ(static_cast<SampleDialog&>(d).inits, 1); // initialised before it runs
            return int(ui::IDOK);
        });
    SampleDialog dialog;
    EXPECT_EQ(dialog.DoModal(), ui::IDOK);
    ASSERT_EQ(fake.modalTitles.size(), 1u);
    EXPECT_EQ(fake.modalTitles[0], QStringLiteral("Edit Stages"));
}

// Enter is OK and Esc is Cancel from an edit field, whichever button Qt would take as default;
// a dialog whose OK keeps it open stays open.
TEST(Dialog, EnterAndEscapeRunOkAndCancel)
{
    SampleDialog dialog;
    auto* button = new ui::Button(&dialog, 9, QStringLiteral("Help"));
    (void)button;
    dialog.Create();
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.closeOnOk = false;
    dialog.edit->setFocus();
    QTest::keyClick(dialog.edit, Qt::Key_Return);
    EXPECT_EQ(dialog.oks, 1);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(dialog.edit, Qt::Key_Escape);
    EXPECT_EQ(dialog.cancels, 1);
    EXPECT_FALSE(dialog.isVisible());
}

// A modal dialog blocks only its own window: another top-level window (the modeless help window)
// is not blocked while the dialog runs, the dialog's owner is. Application modality blocks both.
TEST(Dialog, ModalRunBlocksOnlyItsOwnWindow)
{
    struct BlockWatch : QObject
    {
        std::map<QObject*, bool> blocked;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::WindowBlocked)
                blocked[o] = true;
            else if (e->type() == QEvent::WindowUnblocked)
                blocked[o] = false;
            return false;
        }
    } watch;
    QWidget frame;
    frame.resize(400, 300);
    frame.installEventFilter(&watch);
    frame.show();
    QWidget help;
    help.resize(200, 100);
    help.installEventFilter(&watch);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));

    SampleDialog dialog;
    dialog.setParent(&frame, dialog.windowFlags() | Qt::Dialog);
    bool frameBlocked = false;
    bool helpBlocked = true;
    QTimer::singleShot(0, &dialog,
                       [&]
                       {
                           frameBlocked = watch.blocked[&frame];
                           helpBlocked = watch.blocked[&help];
                           dialog.EndDialog(ui::IDOK);
                       });
    EXPECT_EQ(dialog.DoModal(), ui::IDOK); // the real run: QDialog::exec
    EXPECT_TRUE(frameBlocked);
    EXPECT_FALSE(helpBlocked);
}

TEST(Dialog, DialogUnitsMapToPixels)
{
    EXPECT_EQ(ui::Dialog::MapDialogRect(0, 0, 4, 8), QRect(0, 0, 6, 13));
    EXPECT_EQ(ui::Dialog::MapDialogRect(7, 53, 154, 21), QRect(10, 86, 231, 34));
}

// A property panel is a child dialog inside the main window: Delete typed in its edit field edits
// the text, every other workspace key still reaches the frame's table.
TEST(Accelerators, ChildPanelLetsDeleteEditItsText)
{
    class Panel : public ui::Dialog
    {
    public:
        ui::Translate PreTranslateMessage(QKeyEvent* key) override
        {
            if (key->key() == Qt::Key_Delete && ui::WindowClassName(QApplication::focusWidget()) == "Edit")
                return ui::Translate::Deliver;
            return ui::Translate::Continue;
        }
    };
    Frame f;
    auto* panel = new Panel;
    panel->Create(f.panel, true);
    auto* edit = new ui::Edit(panel, 1006);
    panel->setGeometry(0, 0, 200, 100);
    panel->show();
    EXPECT_FALSE(panel->isWindow());
    edit->setText(QStringLiteral("xyz"));
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("yz"));
    EXPECT_TRUE(f.frame.commands.empty());
    QTest::keyClick(edit, Qt::Key_S);
    ASSERT_EQ(f.frame.commands.size(), 1u);
    EXPECT_EQ(f.frame.commands[0].first, ID_ACCEL_STOP);
}

TEST(Window, CursorIsAskedForOnEveryMove)
{
    class Pane : public Probe
    {
    public:
        int asked = 0;

    protected:
        bool OnSetCursor() override
        {
            ++asked;
            setCursor(GetCursorClientPos().x() < 50 ? Qt::SizeHorCursor : Qt::ArrowCursor);
            return true;
        }
    } pane;
    pane.resize(100, 40);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    QTest::mouseMove(&pane, QPoint(10, 10));
    EXPECT_EQ(pane.cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(&pane, QPoint(80, 10));
    EXPECT_EQ(pane.cursor().shape(), Qt::ArrowCursor);
    EXPECT_GE(pane.asked, 2);
}
