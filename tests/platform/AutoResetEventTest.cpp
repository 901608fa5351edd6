#include "platform/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(AutoResetEvent, SetReleasesOneWaitAndResets)
{
    plat::AutoResetEvent e;
    EXPECT_FALSE(e.WaitFor(1ms));
    e.Set();
    e.Set(); // setting a set event leaves it set, once
    EXPECT_TRUE(e.WaitFor(1ms));
    EXPECT_FALSE(e.WaitFor(1ms));
}

TEST(AutoResetEvent, WakesAWaiterOnAnotherThread)
{
    plat::AutoResetEvent request, done;
    std::thread worker(
        [&]
        {
            request.Wait();
            done.Set();
        });
    request.Set();
    EXPECT_TRUE(done.WaitFor(5s));
    worker.join();
}
