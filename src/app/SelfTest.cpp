#include "app/SelfTest.h"

#include "app/CMainFrame.h"
#include "app/CVornaApp.h"
#include "app/CVornaView.h"
#include "audio/CMixer.h"
#include "model/CVornaDoc.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace shell
{

namespace
{
int g_signalPipe[2] = {-1, -1};
bool g_selfTestRan = false;
bool g_selfTestPassed = false;

void OnSignal(int)
{
    const char c = 1;
    // Only async-signal-safe work here: the UI thread does the rest.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &c, 1);
}
} // namespace

bool HasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("wayland"))
        return !qgetenv("WAYLAND_DISPLAY").isEmpty();
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return true; // offscreen, vnc, eglfs...: Qt needs no display server
    return !qgetenv("DISPLAY").isEmpty() || (platform.isEmpty() && !qgetenv("WAYLAND_DISPLAY").isEmpty());
}

void QuitOnTerminationSignals(CVornaApp& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, app.GetMainFrame());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [&app]
                     {
                         char c;
                         [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[0], &c, 1);
                         if (CMainFrame* frame = app.GetMainFrame())
                             frame->close();
                     });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void StartSelfTest(CVornaApp& app)
{
    bool ok = false;
    const int playMs = qEnvironmentVariableIntValue("VORNA_SELFTEST_PLAY_MS", &ok);
    if (!ok || playMs <= 0 || app.GetView() == nullptr)
        return;
    g_selfTestRan = true;
    CVornaView* view = app.GetView();
    QTimer::singleShot(200, view, [view] { view->Play(false, nullptr); });
    QTimer::singleShot(200 + playMs, view,
                       [&app, view]
                       {
                           CVornaDoc* doc = view->GetDocument();
                           const double position = doc->GetMixer()->GetPosition();
                           const bool playing = doc->m_isPlaying && doc->GetMixer()->IsPlaying();
                           g_selfTestPassed = playing && position > 0.0;
                           QTextStream(stdout) << "selftest: session \"" << doc->GetTitle() << "\" played to "
                                               << QString::number(position, 'f', 2) << " s; data in "
                                               << GetInstallPath() << "\n";
                           QStringList shown;
                           for (QWidget* w : QApplication::topLevelWidgets())
                               if (w->isVisible())
                                   shown << w->windowTitle();
                           QTextStream(stdout)
                               << "selftest: windows: " << shown.join(QStringLiteral(", ")) << "\n";
                           // A message box still open (an engine that could not start) is named too.
                           if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                           {
                               QTextStream(stdout) << "selftest: message: " << box->text() << "\n";
                               box->done(QMessageBox::Ok);
                           }
                           app.GetMainFrame()->close();
                       });
}

int SelfTestResult(int loopResult)
{
    if (g_selfTestRan && !g_selfTestPassed)
        return 1;
    return loopResult;
}

} // namespace shell
