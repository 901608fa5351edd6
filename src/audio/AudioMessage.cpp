#include "audio/AudioMessage.h"

#include <QDebug>

#include <mutex>

namespace audio
{
namespace
{

std::mutex g_mutex;
MessageSink g_sink;

} // namespace

void ShowMessage(const QString& text)
{
    MessageSink sink;
    {
        std::lock_guard lock(g_mutex);
        sink = g_sink;
    }
    if (sink)
        sink(text);
    else
        qWarning().noquote() << text;
}

MessageSink SetMessageSink(MessageSink sink)
{
    std::lock_guard lock(g_mutex);
    std::swap(g_sink, sink);
    return sink;
}

} // namespace audio
