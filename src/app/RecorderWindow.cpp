#include "app/RecorderWindow.h"

#include "dialogs/recorder/CDlgRecorder.h"

namespace shell
{

RecorderWindow::RecorderWindow(QWidget* parent) : m_dialog(new CDlgRecorder(parent, true))
{
    m_dialog->Create(parent);
}

RecorderWindow::~RecorderWindow()
{
    // The view may already have destroyed its children.
    delete m_dialog.data();
}

CDlgRecorder* RecorderWindow::Dialog() const
{
    return m_dialog.data();
}

void RecorderWindow::Setup(COptions* options, const QString&, bool live, double sessionSeconds,
                           QWidget* owner, CSegment* effectsSource)
{
    if (m_dialog)
        m_dialog->Setup(options, nullptr, live, sessionSeconds, owner, effectsSource);
}

bool RecorderWindow::Prepare()
{
    return m_dialog && m_dialog->Prepare();
}

void RecorderWindow::Stop(const QString& reason)
{
    if (m_dialog)
        m_dialog->Stop(reason);
}

void RecorderWindow::Close()
{
    if (m_dialog)
        m_dialog->Close();
}

void RecorderWindow::ReleaseSource()
{
    if (m_dialog)
        m_dialog->ReleaseSource();
}

} // namespace shell
