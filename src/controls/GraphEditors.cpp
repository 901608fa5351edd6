#include "controls/GraphEditors.h"

#include "controls/AppMessage.h"

namespace ui
{

namespace
{
GraphEditors* g_editors = nullptr;
}

void SetGraphEditors(GraphEditors* editors)
{
    g_editors = editors;
}

GraphEditors* GetGraphEditors()
{
    return g_editors;
}

SelectionSource* AskTracksPane(QObject* view)
{
    SelectionSource* pane = nullptr;
    if (view != nullptr)
        SendMessage(view, WM_APP_GET_TRACKS_PANE, reinterpret_cast<WParam>(&pane));
    return pane;
}

} // namespace ui
