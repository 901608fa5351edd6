// The help window over the installed pages: topics, the toolbar's history buttons, hiding instead
// of closing, the workspace keys inside it, and that it stays usable beside a modal dialog.
#include "dialogs/CDlgHelp.h"

#include "controls/Accelerators.h"
#include "controls/CWebBrowser2.h"
#include "controls/CWndToolbarHelp.h"
#include "controls/CommandIds.h"
#include "controls/Style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

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
    void Click(int button) { QTest::mouseClick(help.Toolbar()->Button(button), Qt::LeftButton, {}, QPoint(10, 10)); }

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
