#include "platform/MessagePump.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

int PumpMessages()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

void WaitPumping()
{
    for (int i = 0; i < 100; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        PumpMessages();
    }
}
