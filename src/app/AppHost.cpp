#include "app/AppHost.h"

#include "app/CMainFrame.h"
#include "app/CVornaView.h"
#include "controls/Behaviour.h"

namespace shell
{

void AppHost::ShowMessage(const QString& text)
{
    ui::MessageBox(m_frame, text);
}

void AppHost::OnSessionReplaced()
{
    if (CVornaView* view = GetView())
    {
        view->ResetSelection();
        view->Invalidate();
    }
    if (m_frame != nullptr)
        m_frame->OnUpdateFrameTitle();
}

CVornaView* AppHost::GetView() const
{
    return m_frame != nullptr ? m_frame->GetActiveView() : nullptr;
}

} // namespace shell
