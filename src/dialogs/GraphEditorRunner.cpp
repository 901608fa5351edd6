#include "dialogs/GraphEditorRunner.h"

#include "dialogs/CDlgAutoGraph.h"
#include "dialogs/CDlgGraph.h"

namespace dlg
{

int GraphEditorRunner::RunGraphEditor(QWidget* parent, const ui::GraphEditorInputs& inputs)
{
    if (inputs.graph == nullptr)
        return ui::IDCANCEL;
    CDlgGraph dialog(parent);
    dialog.SetInputs(inputs);
    return dialog.DoModal();
}

int GraphEditorRunner::RunAutoGraphEditor(QWidget* parent, CAutoGraph* graph, const QString& name,
                                          const QString& unit)
{
    if (graph == nullptr)
        return ui::IDCANCEL;
    CDlgAutoGraph dialog(parent);
    dialog.SetProperty(graph, name, unit);
    return dialog.DoModal();
}

} // namespace dlg
