// Vorna's entry point. The main window comes with the workspace; until then the program
// checks its installation and says what this build holds.
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(plat::kRegOrganization);
    QCoreApplication::setApplicationName(plat::kRegApplication);

    QTextStream out(stdout);
    out << "Vorna " << VORNA_VERSION << "\n"
        << "This build holds the session model, the audio engine and the controls; the main window is not built yet.\n"
        << "Installed data: " << GetInstallPath() << "\n"
        << "Documents folder: " << GetDocumentsFolder() << "\n";
    return 0;
}
