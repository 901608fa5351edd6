#include "messages/AppMessage.h"

#include <QCoreApplication>
#include <QPointer>

namespace ui
{

MessageEvent::MessageEvent(unsigned message, WParam wParam, LParam lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam)
{
}

QEvent::Type MessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

LResult SendMessage(QObject* receiver, unsigned message, WParam wParam, LParam lParam)
{
    if (receiver == nullptr)
        return kNotHandled;
    MessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.Result();
}

bool PostMessage(QObject* receiver, unsigned message, WParam wParam, LParam lParam)
{
    if (receiver == nullptr)
        return false;
    QCoreApplication::postEvent(receiver, new MessageEvent(message, wParam, lParam));
    return true;
}

namespace
{
QPointer<QObject>& ActiveView()
{
    static QPointer<QObject> view;
    return view;
}
} // namespace

void SetActiveView(QObject* view)
{
    ActiveView() = view;
}

} // namespace ui

QObject* GetActiveView()
{
    return ui::ActiveView().data();
}
