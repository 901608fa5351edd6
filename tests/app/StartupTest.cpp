// Start-up and the main frame: the screen check and the smallest window as pure functions, the
// start-up in this process (1920 x 1080 screen) and in child processes on other screens, the
// close sequence, and the real program run end to end.
#include "AppTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CVornaApp.h"
#include "app/FirstRun.h"
#include "app/ScreenCheck.h"
#include "audio/CMixer.h"
#include "controls/Accelerators.h"
#include "controls/CommandIds.h"
#include "platform/audio/AudioSystem.h"
#include "support/Fifo.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>

namespace
{

const char* const kScreenText =
    "VORNA requires the following minimal screen setting:\n\n\tScreen width\t1024 pixels\n\tScreen "
    "height\t600 "
    "pixels\n\tColor quality\t16/24/32 bits\n\tMaximum DPI\t150\n\nPlease change your screen setting and run "
    "VORNA again.\n";

// The boundary values: the limits pass, one below (or one DPI above) fails.
TEST(ScreenCheck, BoundaryValues)
{
    struct Case
    {
        const char* name;
        int w, h, bpp, dpiX, dpiY;
        bool passes;
    };
    const Case cases[] = {
        {"the limits", 1000, 600, 15, 150, 150, true},   {"a common screen", 1920, 1080, 32, 96, 96, true},
        {"999 wide", 999, 600, 15, 96, 96, false},       {"599 high", 1000, 599, 15, 96, 96, false},
        {"14 bits", 1000, 600, 14, 96, 96, false},       {"151 dpi across", 1000, 600, 32, 151, 96, false},
        {"151 dpi down", 1000, 600, 32, 96, 151, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::ScreenMeetsMinimum(c.w, c.h, c.bpp, c.dpiX, c.dpiY), c.passes) << c.name;
}

TEST(ScreenCheck, MinimumFrameSize)
{
    EXPECT_EQ(shell::MinimumFrameSize(96, 1920, 1080), QSize(1000, 600));
    EXPECT_EQ(shell::MinimumFrameSize(144, 1920, 1080), QSize(1500, 900));
    EXPECT_EQ(shell::MinimumFrameSize(144, 1280, 800), QSize(1280, 800)) << "held to the screen";
    EXPECT_EQ(shell::MinimumFrameSize(120, 1024, 768), QSize(1024, 750));
}

/** Start-up with doubles for the audio layer and the dialogs. */
struct AppFixture
{
    AppFixture()
    {
        shell::ViewServices services;
        services.audio = &audio;
        services.makeHelpWindow = [this](QWidget*)
        {
            auto h = std::make_unique<apptest::FakeHelp>();
            help = h.get();
            return h;
        };
        app.SetViewServices(services);
    }
    ~AppFixture() { app.ExitInstance(); }

    vtest::FakeUi fakeUi;
    apptest::FakeAudio audio;
    apptest::FakeHelp* help = nullptr;
    CVornaApp app;
};

TEST(CVornaApp, StartsMaximisedWithoutMenuOrStatusBar)
{
    AppFixture f;
    ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
    CMainFrame* frame = f.app.GetMainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(frame->findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(frame->findChild<QStatusBar*>(), nullptr);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled - VORNA"));
    EXPECT_EQ(frame->minimumSize(), QSize(1000, 600));
    EXPECT_EQ(GetActiveView(), f.app.GetView());
    EXPECT_EQ(ui::GetMainFrame(), frame);
    EXPECT_TRUE(ui::MainFrameHasAccelerators());
    // The document is wired to the options, the engine and the application.
    CVornaDoc* doc = f.app.GetDocument();
    EXPECT_EQ(doc->GetOptions(), f.app.GetOptions());
    EXPECT_EQ(doc->GetMixer(), f.app.GetMixer());
    EXPECT_EQ(doc->GetView(), f.app.GetView());
    EXPECT_TRUE(vtest::WaitFor([&] { return !f.audio.devices.empty(); }, 2000))
        << "audio starts after the show";
    EXPECT_TRUE(f.fakeUi.boxes.empty());
}

// A session named on the command line opens; one that does not open ends the start-up after the
// document's message.
TEST(CVornaApp, OpensTheSessionOfTheCommandLine)
{
    const QString path = vtest::TestHome() + "/command-line.vrx";
    {
        CVornaDoc doc;
        doc.m_sessionLength = 777;
        ASSERT_TRUE(doc.OnSaveDocument(path));
    }
    {
        AppFixture f;
        ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna"), QStringLiteral("-x"), path}));
        EXPECT_EQ(f.app.GetDocument()->m_sessionLength, 777);
        EXPECT_EQ(f.app.GetMainFrame()->windowTitle(), QStringLiteral("command-line - VORNA"));
    }
    {
        const QString bad = vtest::TestHome() + "/not-a-session.vrx";
        vtest::WriteFile(bad, {1, 2, 3, 4, 5, 6, 7, 8});
        AppFixture f;
        EXPECT_FALSE(f.app.InitInstance({QStringLiteral("vorna"), bad}));
        ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
        EXPECT_EQ(f.fakeUi.boxes[0].text, QStringLiteral("Invalid VORNA file."));
    }
}

// A named pipe on the command line, with nobody writing into it or with a writer that never stops:
// the start-up ends at once with the message for a file that is not a session, before any window.
TEST(CVornaApp, APipeOnTheCommandLineEndsTheStartUpWithAMessage)
{
    const QString path = vtest::TestHome() + "/command-line-pipe.vrx";
    for (const bool writer : {false, true})
    {
        SCOPED_TRACE(writer ? "with an endless writer" : "without a writer");
        vtest::Fifo fifo(path);
        ASSERT_TRUE(fifo.IsMade());
        if (writer)
            fifo.StartWriter({0x66, 0xC7, 0x40, 0x04, 0x9A, 0x01, 0x00, 0x00}, 64u << 20);
        AppFixture f;
        bool started = true;
        EXPECT_TRUE(fifo.ReturnsWithin(std::chrono::seconds(5),
                                       [&] {
                                           started = f.app.InitInstance({QStringLiteral("vorna"), path});
                                       }))
            << "the start-up waited for the pipe";
        EXPECT_FALSE(started);
        ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
        EXPECT_EQ(f.fakeUi.boxes[0].text, QStringLiteral("Invalid VORNA file."));
        EXPECT_FALSE(f.app.GetMainFrame()->isVisible());
        EXPECT_LT(fifo.Written(), std::size_t{1} << 20) << "the pipe was read";
    }
}

// The accelerator table's commands travel through the frame to the view.
TEST(CVornaApp, AcceleratorCommandsReachTheView)
{
    AppFixture f;
    ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
    // The program's engine is real, on the null device; the command arrives: P starts playing.
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"));
    ASSERT_TRUE(ui::TranslateAccelerator(&key));
    EXPECT_TRUE(f.app.GetDocument()->m_isPlaying);
    QKeyEvent stop(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    ASSERT_TRUE(ui::TranslateAccelerator(&stop));
    EXPECT_FALSE(f.app.GetDocument()->m_isPlaying);
}

/** A frame around a view of doubles, for the close sequence. */
struct FrameFixture : apptest::ViewFixture
{
    FrameFixture()
    {
        frame = std::make_unique<CMainFrame>();
        CVornaView* v = view.release();
        v->setParent(frame.get());
        frame->SetView(v);
        frame->show();
    }
    ~FrameFixture() { frame.reset(); }
    CVornaView* View() const { return frame->GetActiveView(); }
    std::unique_ptr<CMainFrame> frame;
};

// Close on a modified session asks first: Cancel keeps the window (and the playback); No closes
// with the stop before the device is freed.
TEST(CMainFrame, CloseAsksToSaveThenStopsThenFreesTheDevice)
{
    FrameFixture f;
    ui::SendMessage(f.View(), WM_APP_PLAY);
    f.doc.SetSessionModified();
    f.log.clear();

    f.fakeUi.boxAnswers = {ui::IDCANCEL};
    EXPECT_FALSE(f.frame->close());
    EXPECT_TRUE(f.frame->isVisible());
    EXPECT_TRUE(f.doc.m_isPlaying);
    ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(f.fakeUi.boxes[0].text,
              QStringLiteral("The session was modified. Do you want to save the changes?"));
    EXPECT_EQ(f.fakeUi.boxes[0].buttons, ui::MessageButtons::YesNoCancel);
    EXPECT_TRUE(f.log.empty());

    // Yes with a cancelled file dialog saves nothing and keeps the window too.
    f.fakeUi.boxAnswers = {ui::IDYES};
    EXPECT_FALSE(f.frame->close());
    EXPECT_TRUE(f.doc.IsSessionModified());
    ASSERT_EQ(f.fakeUi.fileRequests.size(), 1u);
    EXPECT_EQ(f.fakeUi.fileRequests[0].filter, QStringLiteral("VORNA Session Files (*.vrx)|*.vrx||"));

    f.fakeUi.boxAnswers = {ui::IDNO};
    EXPECT_TRUE(f.frame->close());
    EXPECT_FALSE(f.doc.m_isPlaying);
    EXPECT_EQ(f.log, (apptest::CallLog{"recorder.Close", "engine.Stop", "audio.Free"}));
}

// Yes saves to the chosen file, and the close goes on.
TEST(CMainFrame, CloseWithYesSavesTheSession)
{
    FrameFixture f;
    f.doc.SetSessionModified();
    const QString path = vtest::TestHome() + "/saved-on-close.vrx";
    f.fakeUi.boxAnswers = {ui::IDYES};
    f.fakeUi.fileAnswers = {QStringList{path}};
    EXPECT_TRUE(f.frame->close());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(f.doc.IsSessionModified());
    EXPECT_EQ(f.audio.frees, 1);
}

// The prompts installed with the program reach the user's library once; nothing is overwritten.
TEST(FirstRun, CopiesTheInstalledPromptsOnce)
{
    const QString install = vtest::TestHome() + "/install";
    const QString library = vtest::TestHome() + "/library/";
    const QString folder = "/Sound Library/Suggestions/VORNA Voice/Breathwork/";
    vtest::WriteFile(install + folder + "In.ogg", {1});
    vtest::WriteFile(install + folder + "Out.ogg", {2});
    EXPECT_EQ(shell::CopyInstalledPrompts(install, library), 2);
    EXPECT_TRUE(QFile::exists(library + "Suggestions/VORNA Voice/Breathwork/In.ogg"));
    QFile::remove(library + "Suggestions/VORNA Voice/Breathwork/Out.ogg");
    EXPECT_EQ(shell::CopyInstalledPrompts(install, library), 0) << "only on the first run";
}

// ---- Child processes: the same test executable on another screen -----------------------------

QString WriteScreen(int w, int h, int dpi)
{
    const QString path = vtest::TestHome() + QStringLiteral("/screen-%1x%2-%3.json").arg(w).arg(h).arg(dpi);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral(R"({"screens":[{"name":"S","x":0,"y":0,"width":%1,"height":%2,)"
                           R"("logicalDpi":%3,"logicalBaseDpi":96,"dpr":1}]})")
                .arg(w)
                .arg(h)
                .arg(dpi)
                .toUtf8());
    return path;
}

/** Runs @p test of this executable in a child process on @p screen; its exit code. */
int RunChild(const QString& test, const QString& screen, QString* output = nullptr)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screen);
    env.insert(QStringLiteral("VORNA_TEST_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
    EXPECT_TRUE(child.waitForFinished(60000));
    if (output)
        *output = QString::fromLocal8Bit(child.readAll());
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

bool IsChild()
{
    return qEnvironmentVariableIsSet("VORNA_TEST_CHILD");
}

TEST(StartupChild, RefusesTheScreen)
{
    if (!IsChild())
        GTEST_SKIP() << "runs in a child process on a small screen";
    AppFixture f;
    EXPECT_FALSE(f.app.InitInstance({QStringLiteral("vorna")}));
    ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
    EXPECT_EQ(f.fakeUi.boxes[0].text, QString::fromLatin1(kScreenText));
    EXPECT_EQ(f.fakeUi.boxes[0].icon, ui::MessageIcon::Stop);
    EXPECT_EQ(f.app.GetMainFrame(), nullptr) << "no main window";
}

TEST(StartupChild, FillsTheScreen)
{
    if (!IsChild())
        GTEST_SKIP() << "runs in a child process on a 1280 x 800 screen";
    AppFixture f;
    ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
    CMainFrame* frame = f.app.GetMainFrame();
    EXPECT_TRUE(vtest::WaitFor([&] { return frame->size() == QSize(1280, 800); }, 2000));
    EXPECT_TRUE(frame->isMaximized());
    CVornaView* view = f.app.GetView();
    EXPECT_EQ(view->geometry(), QRect(0, 0, 1280, 800)) << "the view fills the frame: no bars";
    EXPECT_EQ(view->GetPane(ID_PANE_CONTROLBAR)->geometry(), QRect(0, 740, 1280, 60));
    EXPECT_EQ(view->GetPane(ID_PANE_TRACKS)->geometry(),
              QRect(0, 100, 1280 - view->PropertiesWidth() - 8, 613));
}

TEST(StartupChild, MinimumSizeFollowsTheDpi)
{
    if (!IsChild())
        GTEST_SKIP() << "runs in a child process on a 144 dpi screen";
    AppFixture f;
    ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
    // Qt scales for the DPI itself: the minimum stays 1000 x 600 logical pixels, which are
    // 1500 x 900 pixels of this screen.
    CMainFrame* frame = f.app.GetMainFrame();
    EXPECT_EQ(frame->minimumSize(), QSize(1000, 600));
    EXPECT_DOUBLE_EQ(frame->devicePixelRatioF(), 1.5);
    EXPECT_EQ(frame->minimumSize() * frame->devicePixelRatioF(), QSize(1500, 900));
}

TEST(Startup, OnOtherScreens)
{
    QString out;
    EXPECT_EQ(RunChild("StartupChild.RefusesTheScreen", WriteScreen(999, 600, 96), &out), 0)
        << out.toStdString();
    EXPECT_EQ(RunChild("StartupChild.RefusesTheScreen", WriteScreen(1000, 599, 96), &out), 0)
        << out.toStdString();
    EXPECT_EQ(RunChild("StartupChild.FillsTheScreen", WriteScreen(1280, 800, 96), &out), 0)
        << out.toStdString();
    EXPECT_EQ(RunChild("StartupChild.MinimumSizeFollowsTheDpi", WriteScreen(1920, 1080, 144), &out), 0)
        << out.toStdString();
}

// ---- The program itself ---------------------------------------------------------------------

// The audio layer's start-up probe is the program itself, run afresh with VORNA_AUDIO_PROBE=1:
// it starts and ends PortAudio before main (so before it would look for a display, which this
// run has none of) and exits 0 without a word.
TEST(Program, RunsAsTheAudioProbeWhenAsked)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("VORNA_AUDIO_PROBE"), QStringLiteral("1"));
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(VORNA_PROGRAM), {});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_EQ(probe.readAll(), QByteArray());

    // Without the variable the same run is the program, which has no display to show on.
    env.remove(QStringLiteral("VORNA_AUDIO_PROBE"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(VORNA_PROGRAM), {});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.exitCode(), 1);
}

// The built program opens a session named on its command line, plays two seconds on ALSA's null
// device (which takes audio as fast as it comes, hence the long session) and closes cleanly with
// exit code 0.
TEST(Program, PlaysASessionFromTheCommandLineAndQuits)
{
    const QString session = vtest::TestHome() + "/program-run.vrx";
    {
        CVornaDoc doc;
        doc.m_sessionLength = 4 * 3600;
        ASSERT_TRUE(doc.OnSaveDocument(session));
    }
    const QString alsa = vtest::TestHome() + "/alsa-null.conf";
    const QByteArray config = "pcm.!default { type null }\n";
    vtest::WriteFile(alsa, std::vector<std::uint8_t>(config.begin(), config.end()));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), alsa);
    env.insert(QStringLiteral("VORNA_SELFTEST_PLAY_MS"), QStringLiteral("2000"));
    // Under the X platform Qt opens D-Bus, whose library keeps a buffer to the end of the process;
    // a sanitizer build must not count it against the program.
    const QString suppressions = vtest::TestHome() + "/lsan-program.supp";
    const QByteArray rules = "leak:libdbus-1.so\n";
    vtest::WriteFile(suppressions, std::vector<std::uint8_t>(rules.begin(), rules.end()));
    env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + suppressions);
    QString command = QStringLiteral(VORNA_PROGRAM);
    QStringList args{session};
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (!xvfb.isEmpty())
    {
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        args = QStringList{QStringLiteral("-a"), command, session};
        command = xvfb;
    }
    else
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + WriteScreen(1280, 800, 96));
    program.setProcessEnvironment(env);
    program.start(command, args);
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << out.toStdString() << program.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("session \"program-run\" played to"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("selftest: message"))) << "no message box stood in the way";
}

// Without any display the program says so in one line and fails.
TEST(Program, WithoutDisplaySaysSo)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VORNA_PROGRAM), {});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(program.readAllStandardError()).trimmed();
    EXPECT_TRUE(err.startsWith(QStringLiteral("vorna: no display"))) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 0);
}

} // namespace
