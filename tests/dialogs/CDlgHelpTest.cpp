// The help window over the installed pages: topics, the toolbar's history buttons, hiding instead
// of closing, the workspace keys inside it, and that it stays usable beside a modal dialog.
#include "dialogs/session/CDlgHelp.h"

#include "controls/Accelerators.h"
#include "controls/Behaviour.h"
#include "controls/CWebBrowser2.h"
#include "controls/CWndToolbarHelp.h"
#include "controls/CommandIds.h"
#include "controls/Style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace
{

/** The main frame: takes the accelerator table's commands and records them. */
class Frame : public ui::Window
{
public:
    Frame()
    {
        resize(900, 700);
        ui::SetMainFrame(this, ui::MainFrameAccelerators());
    }
    ~Frame() override { ui::SetMainFrame(nullptr, {}); }
    std::vector<int> commands;

protected:
    bool OnCommand(int id, ui::Notify code, QWidget*) override
    {
        if (code == ui::Notify::Accelerator)
            commands.push_back(id);
        return true;
    }
};

class HelpTest : public ::testing::Test
{
protected:
    HelpTest() { help.Create(&frame); }

    QString Page() const { return help.Browser()->source().toLocalFile(); }
    void Click(int button)
    {
        QTest::mouseClick(help.Toolbar()->Button(button), Qt::LeftButton, {}, QPoint(10, 10));
    }

    Frame frame;
    CDlgHelp help;
};

TEST_F(HelpTest, ShowTopicShowsTheWindowAtTheTopicsPage)
{
    EXPECT_FALSE(help.isVisible());
    help.ShowTopic(QStringLiteral("Options"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle(), QStringLiteral("VORNA Help"));
    EXPECT_TRUE(Page().endsWith(QStringLiteral("/Help/help_files/Options.html"))) << Page().toStdString();
    EXPECT_EQ(Page(), CDlgHelp::PagePath(QStringLiteral("Options")));
    EXPECT_FALSE(help.Browser()->toPlainText().isEmpty());
}

// Back and Forward walk the history and do nothing at its ends; Home goes to the index.
TEST_F(HelpTest, ToolbarMovesThroughTheHistory)
{
    enum
    {
        kBack,
        kForward,
        kHome
    };
    help.ShowTopic(QStringLiteral("Tone"));
    Click(kBack); // no page before the first
    EXPECT_TRUE(Page().endsWith("/Tone.html"));
    help.ShowTopic(QStringLiteral("Noise"));
    Click(kHome);
    EXPECT_TRUE(Page().endsWith("/index.html"));
    Click(kBack);
    EXPECT_TRUE(Page().endsWith("/Noise.html"));
    Click(kBack);
    EXPECT_TRUE(Page().endsWith("/Tone.html"));
    Click(kForward);
    Click(kForward);
    EXPECT_TRUE(Page().endsWith("/index.html"));
    Click(kForward); // no page after the last
    EXPECT_TRUE(Page().endsWith("/index.html"));
}

// The close box and Esc hide the window; the next topic shows it again with its history.
TEST_F(HelpTest, ClosingHidesAndTheNextTopicShowsItAgain)
{
    help.ShowTopic(QStringLiteral("Bells"));
    EXPECT_TRUE(help.close());
    EXPECT_FALSE(help.isVisible());
    help.ShowTopic(QStringLiteral("Breathwork"));
    EXPECT_TRUE(help.isVisible());
    QTest::keyClick(help.Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
    help.ShowTopic(QStringLiteral("Voice"));
    help.Browser()->GoBack();
    EXPECT_TRUE(Page().endsWith("/Breathwork.html"));
}

TEST_F(HelpTest, CannotBeMadeSmallerThan450By600)
{
    help.ShowTopic(QStringLiteral("index"));
    help.resize(200, 300);
    EXPECT_EQ(help.size(), QSize(450, 600));
    help.resize(700, 800);
    // The strip keeps its 40 pixels and the browser takes the rest.
    EXPECT_EQ(help.Toolbar()->geometry(), QRect(0, 0, 700, 40));
    EXPECT_EQ(help.Browser()->geometry(), QRect(0, 40, 700, 760));
}

// A topic without a page (a kind whose page is missing) shows our own page naming it.
TEST_F(HelpTest, MissingTopicShowsTheNotFoundPage)
{
    help.ShowTopic(QStringLiteral("NoSuchKind"));
    const QString text = help.Browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("This help page is missing"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("NoSuchKind")));
}

// The workspace's keys work in the help window: Space pauses the session, also while the browser
// has the focus.
TEST_F(HelpTest, WorkspaceKeysReachTheMainFrame)
{
    help.ShowTopic(QStringLiteral("index"));
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    help.Browser()->setFocus();
    QTest::keyClick(help.Browser(), Qt::Key_Space);
    EXPECT_EQ(frame.commands, std::vector<int>{ID_ACCEL_PAUSE});
}

// A dialog modal to the main frame leaves the help window usable (its Help buttons show pages
// there).
TEST_F(HelpTest, UsableWhileADialogIsModalToTheFrame)
{
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    help.ShowTopic(QStringLiteral("Tone"));
    ui::Dialog modal(&frame);
    modal.setWindowModality(Qt::WindowModal);
    modal.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&modal));
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    Click(2); // Home
    EXPECT_TRUE(Page().endsWith("/index.html"));
    modal.hide();
}

// Every kind of modal dialog the program runs leaves the help window usable: a dialog of the
// program's own modal to the frame, one without an owner, and a message box. The events arrive as
// a person's do, through the window system (a click or key sent to a widget directly would pass
// Qt's modal blocking and prove nothing): the toolbar's Home, a link in the page, a click on the
// scroll bar and Page Down.
TEST_F(HelpTest, UsableBesideEveryKindOfModalDialog)
{
    struct Case
    {
        const char* name;
        std::function<void()> run; // runs the modal dialog until the checks close it
    };
    const Case cases[] = {
        {"a dialog modal to the frame", [&] { ui::Dialog(&frame).DoModal(); }},
        {"a dialog without an owner", [] { ui::Dialog().DoModal(); }},
        {"a message box", [&] { ui::MessageBox(&frame, QStringLiteral("A message.")); }},
    };
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        help.ShowTopic(QStringLiteral("Tone"));
        help.resize(CDlgHelp::kMinWidth, CDlgHelp::kMinHeight);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
        bool checked = false;
        QTimer::singleShot(0,
                           [&]
                           {
                               QWidget* modal = QApplication::activeModalWidget();
                               EXPECT_NE(modal, nullptr);
                               QWindow* window = help.windowHandle();
                               auto at = [&](QWidget* w, QPoint p) { return w->mapTo(&help, p); };

                               CHoverButton* home = help.Toolbar()->Button(2);
                               QTest::mouseClick(window, Qt::LeftButton, {}, at(home, home->rect().center()));
                               EXPECT_TRUE(Page().endsWith("/index.html")) << Page().toStdString();

                               // The first link of the index.
                               CWebBrowser2* browser = help.Browser();
                               QTextCursor link(browser->document());
                               while (!link.atEnd() && !link.charFormat().isAnchor())
                                   link.movePosition(QTextCursor::NextCharacter);
                               link.movePosition(QTextCursor::NextCharacter);
                               const QString href = link.charFormat().anchorHref();
                               EXPECT_FALSE(href.isEmpty());
                               const QPoint onLink = browser->cursorRect(link).center() - QPoint(2, 0);
                               QTest::mouseClick(window, Qt::LeftButton, {}, at(browser->viewport(), onLink));
                               EXPECT_TRUE(Page().endsWith(QFileInfo(href).fileName()))
                                   << Page().toStdString();

                               help.ShowTopic(QStringLiteral("index"));
                               QScrollBar* bar = browser->verticalScrollBar();
                               EXPECT_GT(bar->maximum(), 2 * bar->pageStep());
                               bar->setValue(0);
                               browser->setFocus();
                               QTest::keyClick(window, Qt::Key_PageDown);
                               const int paged = bar->value();
                               EXPECT_GT(paged, 0);
                               QTest::mouseClick(window, Qt::LeftButton, {},
                                                 at(bar, QPoint(bar->width() / 2, bar->height() - 30)));
                               EXPECT_GT(bar->value(), paged);

                               checked = true;
                               if (modal != nullptr)
                                   modal->close();
                           });
        c.run();
        EXPECT_TRUE(checked);
    }
}

// The help window has no owner, yet an open help window does not keep the program running once
// the main window has closed.
TEST_F(HelpTest, AnOpenHelpWindowDoesNotOutliveTheFrame)
{
    frame.show();
    help.ShowTopic(QStringLiteral("index"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    // The application reports its last window only from its own event loop.
    bool last = false;
    const auto connection = QObject::connect(qApp, &QGuiApplication::lastWindowClosed,
                                             [&]
                                             {
                                                 last = true;
                                                 QCoreApplication::exit(0);
                                             });
    QTimer::singleShot(0, &frame, [&] { frame.close(); });
    QTimer::singleShot(3000, qApp, [] { QCoreApplication::exit(1); });
    QApplication::exec();
    QObject::disconnect(connection);
    EXPECT_TRUE(last);
    help.hide();
}

TEST_F(HelpTest, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    for (const char* topic : {"index", "TheGraphEditor"})
    {
        help.ShowTopic(QString::fromLatin1(topic));
        help.resize(600, 720);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
        EXPECT_TRUE(help.grab().save(dir + "/help-" + topic + ".png"));
    }
}

} // namespace
