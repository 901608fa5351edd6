// Writes the program's icon as PNG files for the desktop's icon theme: AppIconTool <folder> <size>...
#include "app/AppIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i)
    {
        const int size = std::atoi(argv[i]);
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !shell::DrawAppIcon(size).save(dir + QStringLiteral("/vorna.png")))
        {
            std::fprintf(stderr, "cannot write the %d px icon under %s\n", size, argv[1]);
            return 1;
        }
    }
    return 0;
}
