#pragma once
/** @brief The application's side of the document: its message boxes go to the main window and a
 *  replaced session resets the view and the frame's title. */

#include "model/DocumentHost.h"

class CMainFrame;

namespace shell
{

class AppHost : public model::DocumentHost
{
public:
    void SetFrame(CMainFrame* frame) { m_frame = frame; }
    void ShowMessage(const QString& text) override;
    void OnSessionReplaced() override;
    CVornaView* GetView() const override;

private:
    CMainFrame* m_frame = nullptr;
};

} // namespace shell
