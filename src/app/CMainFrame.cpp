#include "app/CMainFrame.h"

#include "app/AppIcon.h"
#include "app/CVornaView.h"
#include "app/ScreenCheck.h"
#include "controls/Window.h"
#include "model/CVornaDoc.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

CMainFrame::CMainFrame()
{
    setWindowTitle(QString::fromLatin1(kTitle));
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addPixmap(QPixmap::fromImage(shell::DrawAppIcon(size)));
    setWindowIcon(icon);
    UpdateMinimumSize();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetView(CVornaView* view)
{
    m_view = view;
    setCentralWidget(view);
    OnUpdateFrameTitle();
}

void CMainFrame::OnUpdateFrameTitle()
{
    if (m_view != nullptr && m_view->GetDocument() != nullptr)
        setWindowTitle(m_view->GetDocument()->GetTitle() + QStringLiteral(" - ") +
                       QString::fromLatin1(kTitle));
    else
        setWindowTitle(QString::fromLatin1(kTitle));
}

void CMainFrame::UpdateMinimumSize()
{
    QScreen* screen = windowHandle() != nullptr ? windowHandle()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize size = screen->size();
    setMinimumSize(shell::MinimumFrameSize(static_cast<int>(screen->logicalDotsPerInchX()), size.width(),
                                           size.height()));
}

void CMainFrame::showEvent(QShowEvent* event)
{
    if (!m_screenHooked && windowHandle() != nullptr)
    {
        m_screenHooked = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { UpdateMinimumSize(); });
        UpdateMinimumSize();
    }
    QMainWindow::showEvent(event);
}

bool CMainFrame::event(QEvent* event)
{
    // Commands of the accelerator table come to the frame; the view handles every command.
    if (event->type() == ui::CommandEvent::EventType() && m_view != nullptr)
        return QCoreApplication::sendEvent(m_view, event);
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_view != nullptr)
    {
        // Closing never drops unsaved edits without asking; Cancel keeps the window.
        if (!m_view->QuerySaveModified())
        {
            event->ignore();
            return;
        }
        m_view->StopAll();
        m_view->FreeAudio();
        if (shell::HelpWindow* help = m_view->GetHelpWindow())
            help->Hide();
    }
    event->accept();
}
