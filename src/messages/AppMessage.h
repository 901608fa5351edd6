#pragma once
/** @brief Application messages as Qt events: sent (synchronous, with a result) or posted (queued).
 *
 * SendMessage runs the receiver's handler at once on the calling thread, which must be the UI
 * thread, and returns the handler's result. PostMessage may be called from any thread; the message
 * is handled later on the receiver's thread. What travels between our own windows with a payload
 * is a typed call (ViewMessages and the receivers' own interfaces), not a message.
 *
 * This part links Qt Core only, so that the engine can post to a window without the widgets. */

#include "messages/AppMessages.h"

#include <QEvent>
#include <QString>

#include <cstdint>
#include <limits>

class QObject;

namespace ui
{

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

/** What SendMessage returns when no handler took the message: the receiver is null, is no
 *  window of this layer, or does not know the message. No handler answers it, so a sender that
 *  reads the result can tell "nobody did this" from every answer, 0 included. */
inline constexpr LResult kNotHandled = std::numeric_limits<LResult>::min();

/** One application message on its way to a receiver. */
class MessageEvent : public QEvent
{
public:
    MessageEvent(unsigned message, WParam wParam, LParam lParam);
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;

    /** The event type every application message is delivered as. */
    static QEvent::Type EventType();

    unsigned Message() const { return m_message; }
    WParam GetWParam() const { return m_wParam; }
    LParam GetLParam() const { return m_lParam; }

    /** What SendMessage returns; the handler sets it (kNotHandled unless set). */
    LResult Result() const { return m_result; }
    void SetResult(LResult result) { m_result = result; }

private:
    unsigned m_message;
    WParam m_wParam;
    LParam m_lParam;
    LResult m_result = kNotHandled;
};

/** Delivers the message to @p receiver now and returns the handler's result; kNotHandled when no
 *  handler took it (a null receiver too). */
LResult SendMessage(QObject* receiver, unsigned message, WParam wParam = 0, LParam lParam = 0);

/** Queues the message for @p receiver's thread. Any thread. False for a null receiver. */
bool PostMessage(QObject* receiver, unsigned message, WParam wParam = 0, LParam lParam = 0);

/** Sets the window that GetActiveView returns (the main frame's view); UI thread. */
void SetActiveView(QObject* view);

} // namespace ui

/** The active view of the main frame: the receiver of WM_APP_PROPERTY_CHANGED and WM_APP_HELP_TOPIC
 *  from dialogs that are not its children. Null before the view exists and after it is gone. */
QObject* GetActiveView();
