#include "controls/AppMessage.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>

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

void MessageEvent::TakeText(QString text)
{
    m_text = std::move(text);
    m_wParam = reinterpret_cast<WParam>(&*m_text);
}

void MessageEvent::CopyFrames(const float* interleaved, std::uint32_t frames)
{
    m_frames.assign(interleaved, interleaved + std::size_t(frames) * 2);
    m_wParam = reinterpret_cast<WParam>(m_frames.data());
    m_lParam = static_cast<LParam>(frames);
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

bool PostMixerBlock(QObject* receiver, const float* interleaved, std::uint32_t frames)
{
    if (receiver == nullptr)
        return false;
    auto event = std::make_unique<MessageEvent>(WM_APP_MIXER_BLOCK, 0, 0);
    if (interleaved != nullptr)
        event->CopyFrames(interleaved, frames);
    QCoreApplication::postEvent(receiver, event.release());
    return true;
}

bool PostMixerError(QObject* receiver, QString text)
{
    if (receiver == nullptr)
        return false;
    auto event = std::make_unique<MessageEvent>(WM_APP_MIXER_ERROR, 0, 0);
    event->TakeText(std::move(text));
    QCoreApplication::postEvent(receiver, event.release());
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
