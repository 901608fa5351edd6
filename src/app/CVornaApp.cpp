#include "app/CVornaApp.h"

#include "app/CMainFrame.h"
#include "app/CVornaView.h"
#include "app/FirstRun.h"
#include "app/ScreenCheck.h"
#include "audio/AudioMessage.h"
#include "audio/CMixer.h"
#include "audio/COptions.h"
#include "audio/CRecorder.h"
#include "audio/CSoundFile.h"
#include "audio/StkSetup.h"
#include "controls/Accelerators.h"
#include "controls/Behaviour.h"
#include "controls/GraphEditors.h"
#include "controls/Style.h"
#include "dialogs/editors/GraphEditorRunner.h"
#include "model/CSegment.h"
#include "model/CVornaDoc.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include <stk/Stk.h>

CVornaApp theApp;

namespace
{
constexpr int kViewId = 0xE900; // the first view of a frame
}

CVornaApp::CVornaApp() = default;

CVornaApp::~CVornaApp()
{
    ExitInstance();
}

CVornaView* CVornaApp::GetView() const
{
    return m_frame != nullptr ? m_frame->GetActiveView() : nullptr;
}

void CVornaApp::WireServices()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app != nullptr)
        ui::ApplyWorkspaceStyle(*app);

    // Measuring a sound file opens it; anything but a regular file (a folder, a device, a pipe
    // named in a session) is not opened at all.
    CSegment::SetDurationFunction(
        [](const QString& path) -> double
        {
            if (path.isEmpty() || !QFileInfo(path).isFile())
                return 0.0;
            return CSoundFile::GetFileDuration(path);
        });
    audio::SetMessageSink([](const QString& text) { ui::MessageBox(ui::GetMainFrame(), text); });
    stk::Stk::setRawwavePath(audio::StkRawwaveFolder(GetInstallPath()).toStdString());
    shell::CopyInstalledPrompts(GetInstallPath(), GetSoundLibraryFolder());
}

bool CVornaApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(plat::kRegOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(plat::kRegApplication));

    if (QScreen* screen = QGuiApplication::primaryScreen())
    {
        const QSize size = screen->size();
        if (!shell::ScreenMeetsMinimum(size.width(), size.height(), screen->depth(),
                                       static_cast<int>(screen->logicalDotsPerInchX()),
                                       static_cast<int>(screen->logicalDotsPerInchY())))
        {
            ui::MessageBox(nullptr, QString::fromLatin1(shell::kScreenMessage), ui::MessageButtons::Ok,
                           ui::MessageIcon::Stop);
            return false;
        }
    }

    WireServices();

    m_options = std::make_unique<COptions>();
    m_options->Load();
    CRecorder::SetStartLevel(m_options->m_recordingLevel);
    m_mixer = std::make_unique<CMixer>();
    m_doc = std::make_unique<CVornaDoc>();
    m_doc->SetOptions(m_options.get());
    m_doc->SetMixer(m_mixer.get());
    m_doc->SetHost(&m_host);

    // The property rows open the graph editors of the dialogs library through this.
    static dlg::GraphEditorRunner graphEditors;
    ui::SetGraphEditors(&graphEditors);

    m_frame = std::make_unique<CMainFrame>();
    m_host.SetFrame(m_frame.get());
    auto* view = new CVornaView(m_doc.get(), m_services);
    if (!view->Create(m_frame.get(), kViewId, QRect()))
        return false;
    m_frame->SetView(view);
    ui::SetActiveView(view);
    ui::SetMainFrame(m_frame.get(), ui::MainFrameAccelerators());

    // The first argument that is not an option names a session to open. A file that does not
    // open ends the program, after the document's own message.
    QString path;
    for (int i = 1; i < arguments.size(); ++i)
        if (!arguments[i].startsWith(QLatin1Char('-')))
        {
            path = arguments[i];
            break;
        }
    const bool opened = path.isEmpty() ? m_doc->OnNewDocument() : m_doc->OnOpenDocument(path);
    if (!opened)
        return false;
    view->ResetSelection();
    m_frame->OnUpdateFrameTitle();

    view->OnInitialUpdate();
    // Without a window manager (a bare X server) maximising does nothing: start at the screen's
    // size, which a window manager then maximises.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_frame->setGeometry(screen->availableGeometry());
    m_frame->showMaximized();
    return true;
}

void CVornaApp::ExitInstance()
{
    if (m_frame != nullptr)
    {
        ui::SetMainFrame(nullptr, {});
        ui::SetActiveView(nullptr);
        ui::SetGraphEditors(nullptr);
        m_host.SetFrame(nullptr);
        m_frame.reset();
    }
    if (m_mixer != nullptr)
        m_mixer->Stop();
    m_doc.reset();
    m_mixer.reset();
    m_options.reset();
}
