// Vorna's entry point: the application object runs the start-up, then the event loop.
#include "app/CVornaApp.h"
#include "app/SelfTest.h"
#include "app/UpdateCheck.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    if (!shell::HasDisplay())
    {
        QTextStream(stderr) << "vorna: no display to show the window on (DISPLAY or WAYLAND_DISPLAY is not set).\n";
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
    return result;
}
