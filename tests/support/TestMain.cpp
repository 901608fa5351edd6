// The main of every test executable: a private HOME and XDG folders, so that no test reads
// or writes a real user's settings or documents, and a Qt application object for code that
// pumps events.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

#ifdef VORNA_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + "/vorna-test-XXXXXX");
    if (!home.isValid())
        return 2;
    const QByteArray h = home.path().toLocal8Bit();
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", (h + "/.config").constData(), 1);
    setenv("XDG_CONFIG_DIRS", (h + "/etc-xdg").constData(), 1);
    setenv("XDG_DATA_HOME", (h + "/.local/share").constData(), 1);
    setenv("XDG_CACHE_HOME", (h + "/.cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", h.constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#if defined(VORNA_TEST_GUI) && defined(VORNA_TEST_SCREEN_CONFIG)
    // Widget tests get a desktop-sized offscreen screen unless another platform was asked for.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        setenv("QT_QPA_PLATFORM", "offscreen:configfile=" VORNA_TEST_SCREEN_CONFIG, 1);
#endif

    ::testing::InitGoogleTest(&argc, argv);
#ifdef VORNA_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
