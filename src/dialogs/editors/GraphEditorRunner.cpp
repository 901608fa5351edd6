#include "dialogs/editors/GraphEditorRunner.h"

#include "dialogs/editors/CDlgAutoGraph.h"
#include "dialogs/editors/CDlgGraph.h"

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
