#pragma once
/** @brief What a dialog's Help button does: the active view shows the topic's page in the help
 *  window. UI thread. */

#include "controls/AppMessage.h"

namespace dlg
{

/** Sends WM_APP_HELP_TOPIC with @p topic to the active view (nothing without one). */
inline void ShowHelpTopic(const char* topic)
{
    QString text = QString::fromLatin1(topic);
    ui::SendMessage(GetActiveView(), WM_APP_HELP_TOPIC, reinterpret_cast<ui::WParam>(&text), 0);
}

} // namespace dlg
