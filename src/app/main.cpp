// Vorna's entry point: the application object runs the start-up, then the event loop.
#include "app/CVornaApp.h"
#include "app/SelfTest.h"
#include "app/UpdateCheck.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (!shell::HasDisplay())
    {
        QTextStream(stderr)
            << "vorna: no display to show the window on (DISPLAY or WAYLAND_DISPLAY is not set).\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VORNA_VERSION));
    int result = 1;
    // The program checks for a newer version once a week after start-up.
    shell::WeeklyUpdateCheck weeklyCheck;
    shell::ViewServices services;
    services.updateCheck = &weeklyCheck;
    theApp.SetViewServices(services);
    if (theApp.InitInstance(QApplication::arguments()))
    {
        shell::StartSelfTest(theApp);
        shell::QuitOnTerminationSignals(theApp);
        result = QApplication::exec();
        result = shell::SelfTestResult(result);
    }
    theApp.ExitInstance();
    // Everything of the program's own is closed now: the session, the engine, the recorder and
    // the audio device; the settings were written as they changed. What would follow is the
    // libraries' teardown, and Qt's waits for its host-lookup threads: a lookup for the update
    // check still running keeps the process alive, without its window, for as long as the
    // resolver takes. The program ends here instead. (A sanitizer build runs the teardown, so that
    // its checks at exit still run.)
    std::fflush(nullptr);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    ::_exit(result);
#endif
    return result;
}
