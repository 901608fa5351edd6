// The whole program playing: the real main window (CVornaApp with its frame, view and every pane)
// opens a rich session and plays it on the null device in real time. Printed: the share of one
// core the process takes over a span of playing after a warm-up, the share of it spent on the GUI
// thread (the panes' repaints and the view's timer), and the same two figures with the window
// shown and stopped.
//
//   bench_window_playback [seconds to measure, default 6] [warm-up seconds, default 2]
//
// Runs on the offscreen platform with a desktop-sized screen unless QT_QPA_PLATFORM is set (for
// example to xcb under Xvfb). HOME points at a scratch folder, so the user's settings and sound
// library stay untouched.
#include "app/CVornaApp.h"
#include "app/CVornaView.h"
#include "app/ViewServices.h"
#include "messages/AppMessage.h"
#include "messages/AppMessages.h"
#include "model/CVornaDoc.h"
#include "model/RichSession.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundWriter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

/** The help window stays hidden (the first start would otherwise open it over the window). */
class HiddenHelp : public shell::HelpWindow
{
public:
    void Show() override {}
    void Hide() override {}
    bool IsVisible() const override { return false; }
    void ShowTopic(const QString&) override {}
};

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

/** CPU seconds (user and system) of the process and of the calling thread. */
struct CpuTimes
{
    double process = 0.0;
    double thread = 0.0;
    std::chrono::steady_clock::time_point wall;

    static CpuTimes Now()
    {
        CpuTimes t;
        rusage self{}, thread{};
        getrusage(RUSAGE_SELF, &self);
        getrusage(RUSAGE_THREAD, &thread);
        t.process = Seconds(self.ru_utime) + Seconds(self.ru_stime);
        t.thread = Seconds(thread.ru_utime) + Seconds(thread.ru_stime);
        t.wall = std::chrono::steady_clock::now();
        return t;
    }
};

/** Runs the event loop for @p seconds. */
void Run(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

/** Runs the event loop for @p seconds and prints the shares of one core taken meanwhile. */
void Measure(const char* what, double seconds)
{
    const CpuTimes before = CpuTimes::Now();
    Run(seconds);
    const CpuTimes after = CpuTimes::Now();
    const double wall = std::chrono::duration<double>(after.wall - before.wall).count();
    std::printf("%-9s process %6.2f %% of one core, GUI thread %6.2f %%  (over %.1f s)\n", what,
                100.0 * (after.process - before.process) / wall,
                100.0 * (after.thread - before.thread) / wall, wall);
}

/** A 20-second stereo tone at 44.1 kHz, so that every file of the session plays. */
bool WriteTone(const QString& path)
{
    plat::SoundWriter writer;
    if (!writer.Open(path, plat::SoundWriter::Format::Wav16, 44100, 2))
        return false;
    std::vector<float> block(2 * 44100);
    for (std::size_t i = 0; i < block.size(); i += 2)
        block[i] = block[i + 1] =
            0.2f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 220.0 * double(i / 2) / 44100.0));
    for (int second = 0; second < 20; ++second)
        if (!writer.Write(block.data(), 44100))
            return false;
    return writer.Close();
}

/** Points every file of @p doc's segments at a tone written under @p folder. */
bool GiveFilesSound(CVornaDoc& doc, const QString& folder)
{
    QDir().mkpath(folder);
    int n = 0;
    auto tone = [&]
    {
        const QString path = folder + QStringLiteral("/%1.wav").arg(n++);
        return WriteTone(path) ? path : QString();
    };
    auto list = [&](std::vector<CFileListEntry>& files)
    {
        for (CFileListEntry& f : files)
        {
            f.m_path = tone();
            f.m_libraryRelative = 0;
        }
    };
    for (int t = 0; t < doc.m_tracks.GetCount(); ++t)
    {
        const CSegments& segments = doc.m_tracks.GetTrack(t).m_segments;
        for (int i = 0; i < segments.GetCount(); ++i)
        {
            CSegment* s = segments.GetSegment(i).get();
            if (auto* voice = dynamic_cast<CSegmentSuggestions*>(s))
                list(voice->m_files);
            else if (auto* ambient = dynamic_cast<CSegmentAmbientMusic*>(s))
                list(ambient->m_files);
            else if (auto* nature = dynamic_cast<CSegmentNatureBG*>(s))
                list(nature->m_files);
            else if (auto* external = dynamic_cast<CSegmentMusicExt*>(s))
                external->m_path = tone();
        }
    }
    return n > 0;
}

double Argument(int argc, char** argv, int index, double fallback)
{
    if (argc <= index)
        return fallback;
    const double value = std::atof(argv[index]);
    return value > 0.0 ? value : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const double span = Argument(argc, argv, 1, 6.0);
    const double warmUp = Argument(argc, argv, 2, 2.0);

    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    {
        const QString config = home.path() + "/screen.json";
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(R"({"screens": [{"name": "Bench", "x": 0, "y": 0, "width": 1920, "height": 1080,
                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        file.close();
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit().constData(), 1);
    }
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);

    QApplication qapp(argc, argv);
    const QString session = home.path() + "/rich.vrx";
    {
        CVornaDoc rich;
        vtest::FillRichSession(rich);
        if (!GiveFilesSound(rich, home.path() + "/sounds") || !rich.OnSaveDocument(session))
        {
            std::fprintf(stderr, "cannot save the session\n");
            return 1;
        }
    }

    // A message the program shows (a missing sound file of the session, a device problem) would
    // hold the measurement in its modal loop: it is printed and answered.
    QTimer dismisser;
    QObject::connect(&dismisser, &QTimer::timeout,
                     []
                     {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr)
                             return;
                         const auto* box = qobject_cast<QMessageBox*>(modal);
                         std::printf("(dismissed: %s)\n",
                                     qPrintable(box != nullptr ? box->text() : modal->windowTitle()));
                         if (auto* dialog = qobject_cast<QDialog*>(modal))
                             dialog->reject();
                         else
                             modal->close();
                     });
    dismisser.start(200);

    CVornaApp app;
    shell::ViewServices services;
    services.makeHelpWindow = [](QWidget*) { return std::make_unique<HiddenHelp>(); };
    app.SetViewServices(services);
    if (!app.InitInstance({QStringLiteral("vorna"), session}))
    {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    CVornaView* view = app.GetView();
    CVornaDoc* doc = app.GetDocument();
    std::printf("platform %s, window %dx%d, session %d s\n", qPrintable(QGuiApplication::platformName()),
                view->window()->width(), view->window()->height(), doc->m_sessionLength);

    Run(warmUp);
    Measure("stopped", span);

    ui::SendMessage(view, WM_APP_PLAY);
    if (!doc->m_isPlaying)
    {
        std::fprintf(stderr, "the session did not play\n");
        return 1;
    }
    Run(warmUp);
    Measure("playing", span);
    if (!doc->m_isPlaying)
        std::printf("(the playback ended during the span)\n");

    ui::SendMessage(view, WM_APP_STOP);
    Run(0.2);
    app.ExitInstance();
    return 0;
}
