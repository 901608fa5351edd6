#pragma once
/** @brief What the session document asks of the application around it: showing a message
 *  box, refreshing the views when the session was replaced, and the view itself.
 *
 * The model links no window code, so the application implements this and attaches it with
 * CVornaDoc::SetHost; tests attach one that records the messages. UI thread. */

#include <QString>

class CVornaView;

namespace model
{

class DocumentHost
{
public:
    virtual ~DocumentHost() = default;

    /** A plain message box with an OK button, shown modally. */
    virtual void ShowMessage(const QString& text) = 0;
    /** A new or opened session replaced the document's content: the view resets its selection
     *  and every view is redrawn. */
    virtual void OnSessionReplaced() {}
    /** The document's first view; none by default. */
    virtual CVornaView* GetView() const { return nullptr; }
};

} // namespace model
