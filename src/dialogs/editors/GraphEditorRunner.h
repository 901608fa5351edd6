#pragma once
/** @brief The graph editors a property row opens, as the application installs them at start-up
 *  (ui::SetGraphEditors): each run builds its dialog on the stack and runs it modally. UI thread. */

#include "controls/GraphEditors.h"

namespace dlg
{

class GraphEditorRunner : public ui::GraphEditors
{
public:
    int RunGraphEditor(QWidget* parent, const ui::GraphEditorInputs& inputs) override;
    int RunAutoGraphEditor(QWidget* parent, CAutoGraph* graph, const QString& name,
                           const QString& unit) override;
};

} // namespace dlg
