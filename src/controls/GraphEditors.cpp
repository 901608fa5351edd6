#include "controls/GraphEditors.h"

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

} // namespace ui
