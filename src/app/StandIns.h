#pragma once
/** @brief Stand-ins for the windows the view opens before their own dialogs exist: a plain pane
 *  for a place of the workspace whose pane is not built. It does the least that keeps the
 *  workspace usable. */

#include "app/ViewServices.h"
#include "controls/GraphEditors.h"
#include "controls/Window.h"
#include "panes/CAppPane.h"

namespace shell
{

/** A pane of the workspace shown as a plain surface with its name. */
class PlaceholderPane : public CAppPane, public ui::SelectionSource
{
public:
    PlaceholderPane(const QString& name, QWidget* parent = nullptr);
    /** The whole session, as a tracks pane without a selection answers. */
    void GetSelectedRange(double& begin, double& end) const override
    {
        begin = 0.0;
        end = 1.0;
    }
    int GetSelectedTrack() const override { return -1; }

protected:
    void OnPaint(QPainter& painter) override;

private:
    QString m_name;
};

} // namespace shell
