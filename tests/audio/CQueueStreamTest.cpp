#include "audio/CQueueStream.h"

#include "ServiceSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

std::vector<CStereoFrame> Numbered(std::uint32_t from, std::uint32_t count)
{
    std::vector<CStereoFrame> v(count);
    for (std::uint32_t i = 0; i < count; ++i)
        v[i] = {static_cast<float>(from + i), -static_cast<float>(from + i)};
    return v;
}

// Frames come out in the order they went in, also across the ring's wrap; a read of more
// than is queued is short; a put that does not fit is refused whole and changes nothing.
TEST(CQueueStream, FifoOrderShortReadsAndRefusalWhenFull)
{
    CQueueStream queue;
    ASSERT_TRUE(queue.Create(100, 2)); // ten seconds: at least 1000 frames
    std::vector<CStereoFrame> out(2000);
    std::uint32_t next = 0;
    std::uint32_t expected = 0;
    for (int round = 0; round < 6; ++round) // 6 x 700 frames: past the ring's end more than once
    {
        ASSERT_TRUE(queue.PutData(Numbered(next, 700).data(), 700));
        next += 700;
        const std::uint32_t got = queue.GetData(out.data(), round % 2 ? 1000 : 500);
        EXPECT_EQ(got, round % 2 ? next - expected : 500u);
        for (std::uint32_t i = 0; i < got; ++i, ++expected)
            ASSERT_EQ(out[i].left, static_cast<float>(expected)) << "round " << round;
    }
    EXPECT_EQ(queue.GetData(out.data(), 10), 0u) << "empty";

    std::uint32_t room = 0;
    while (queue.PutData(Numbered(next + room, 1).data(), 1))
        ++room;
    EXPECT_GE(room, 1000u);
    const std::uint32_t queued = queue.Queued();
    EXPECT_FALSE(queue.PutData(Numbered(0, 1).data(), 1));
    EXPECT_EQ(queue.GetData(out.data(), 1), 1u);
    EXPECT_FALSE(queue.PutData(Numbered(0, 2).data(), 2)) << "one frame of room: two are refused whole";
    EXPECT_EQ(queue.Queued(), queued - 1);
    EXPECT_TRUE(queue.PutData(out.data(), 0));
}

TEST(CQueueStream, WithoutAQueueNothingIsTakenOrQueued)
{
    vtest::MessageLog messages;
    CQueueStream queue;
    CStereoFrame f{};
    EXPECT_EQ(queue.GetData(&f, 1), 0u);
    EXPECT_FALSE(queue.PutData(&f, 1));
    EXPECT_FALSE(queue.Create(0, 2));
    EXPECT_FALSE(queue.Create(44100, 1));
    EXPECT_EQ(messages.Texts(),
              (QStringList{"Failed to create a queue stream.", "Failed to create a queue stream."}));
    ASSERT_TRUE(queue.Create(44100, 2));
    ASSERT_TRUE(queue.PutData(&f, 1));
    queue.Free();
    EXPECT_EQ(queue.GetData(&f, 1), 0u);
}

// The UI thread fills the queue while the recording thread empties it: every frame arrives
// once, in order (under ThreadSanitizer also without a data race).
TEST(CQueueStream, OneProducerAndOneConsumerThread)
{
    CQueueStream queue;
    ASSERT_TRUE(queue.Create(4410, 2)); // small, so the producer often finds it full
    constexpr std::uint32_t kTotal = 300000;
    std::atomic<bool> quit{false};
    std::thread producer(
        [&]
        {
            for (std::uint32_t at = 0; at < kTotal && !quit.load();)
            {
                const std::uint32_t n = std::min<std::uint32_t>(441, kTotal - at);
                if (queue.PutData(Numbered(at, n).data(), n))
                    at += n;
                else
                    std::this_thread::yield();
            }
        });
    std::vector<CStereoFrame> out(441);
    std::uint32_t expected = 0;
    bool inOrder = true;
    while (expected < kTotal && inOrder)
    {
        const std::uint32_t got = queue.GetData(out.data(), 441);
        for (std::uint32_t i = 0; i < got; ++i, ++expected)
            inOrder = inOrder && out[i].left == static_cast<float>(expected) &&
                      out[i].right == -static_cast<float>(expected);
        if (got == 0)
            std::this_thread::yield();
    }
    quit = true;
    producer.join();
    EXPECT_TRUE(inOrder) << "frame " << expected;
    EXPECT_EQ(expected, kTotal);
}

} // namespace
