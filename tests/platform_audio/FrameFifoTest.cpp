#include "platform/audio/FrameFifo.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace
{

std::vector<float> Frames(std::uint32_t first, std::uint32_t count)
{
    std::vector<float> v;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        v.push_back(static_cast<float>(first + i));
        v.push_back(-static_cast<float>(first + i));
    }
    return v;
}

// Writes and reads that straddle the end of the storage must keep frames whole and in order.
TEST(FrameFifo, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit)
{
    plat::FrameFifo fifo(6); // rounds up to 8
    ASSERT_EQ(fifo.Capacity(), 8u);
    std::vector<float> out(16);
    std::uint32_t next = 0;
    std::uint32_t expect = 0;
    for (int round = 0; round < 5; ++round)
    {
        auto in = Frames(next, 5);
        ASSERT_EQ(fifo.Write(in.data(), 5), 5u);
        next += 5;
        ASSERT_EQ(fifo.Read(out.data(), 5), 5u);
        for (std::uint32_t i = 0; i < 5; ++i, ++expect)
        {
            EXPECT_EQ(out[2 * i], static_cast<float>(expect));
            EXPECT_EQ(out[2 * i + 1], -static_cast<float>(expect));
        }
    }
    auto big = Frames(0, 10);
    EXPECT_EQ(fifo.Write(big.data(), 10), 8u) << "only the room there is";
    EXPECT_EQ(fifo.Space(), 0u);
    EXPECT_EQ(fifo.Read(out.data(), 3), 3u);
    EXPECT_EQ(fifo.Available(), 5u);
    fifo.Clear();
    EXPECT_EQ(fifo.Read(out.data(), 8), 0u);
}

// A writer thread and a reader thread: every frame arrives once, in order (run under TSan too).
TEST(FrameFifo, HandsFramesBetweenTwoThreadsIntact)
{
    plat::FrameFifo fifo(64);
    constexpr std::uint32_t kTotal = 200000;
    std::thread writer(
        [&]
        {
            std::uint32_t next = 0;
            while (next < kTotal)
            {
                auto in = Frames(next, std::min<std::uint32_t>(17, kTotal - next));
                next += fifo.Write(in.data(), static_cast<std::uint32_t>(in.size() / 2));
            }
        });
    std::vector<float> out(2 * 23);
    std::uint32_t expect = 0;
    bool ok = true;
    while (expect < kTotal && ok)
    {
        const std::uint32_t n = fifo.Read(out.data(), 23);
        for (std::uint32_t i = 0; i < n; ++i, ++expect)
            ok = ok && out[2 * i] == static_cast<float>(expect) &&
                 out[2 * i + 1] == -static_cast<float>(expect);
    }
    writer.join();
    EXPECT_TRUE(ok) << "frame " << expect << " arrived wrong";
}

} // namespace
