#pragma once
/** @brief What a dialog's Help button does: the active view shows the topic's page in the help
 *  window. UI thread. */

#include "messages/ViewMessages.h"

namespace dlg
{

/** The active view shows @p topic in the help window (nothing without a view). */
inline void ShowHelpTopic(const char* topic)
{
    if (ui::ViewMessages* view = ActiveView())
        view->ShowHelpTopic(QString::fromLatin1(topic), ui::HelpFollow::Always);
}

} // namespace dlg
