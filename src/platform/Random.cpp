#include "platform/Random.h"

#include <atomic>
#include <cstring>

namespace plat
{

namespace
{

std::atomic<std::uint32_t> g_seedCounter{0};
std::atomic<bool> g_overrideSet{false};
std::atomic<std::uint32_t> g_overrideBase{0};

// A 32-bit finaliser: the counter must change every bit of the seed, not only the low ones.
std::uint32_t Mix(std::uint32_t x) noexcept
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// The generator a ScopedRandom made current on this thread; null for the thread's own.
thread_local Random15* t_current = nullptr;

Random15& ThreadGenerator() noexcept
{
    if (t_current != nullptr)
        return *t_current;
    thread_local Random15 generator(NewRandomSeed());
    return generator;
}

} // namespace

std::uint32_t TimeHash(std::int64_t time) noexcept
{
    std::uint8_t bytes[8];
    std::memcpy(bytes, &time, 8); // memory order on a little-endian host: least significant first
    std::uint32_t h = 0;
    for (std::uint8_t b : bytes)
        h = h * 257u + b;
    return h;
}

std::uint32_t NewRandomSeed() noexcept
{
    if (t_current != nullptr)
    {
        // From the current stream, so that a walk seeded while a track renders gets the same
        // seed whichever thread renders the track and whatever the other tracks seeded meanwhile.
        const std::uint32_t a = t_current->Next();
        const std::uint32_t b = t_current->Next();
        const std::uint32_t c = t_current->Next();
        return Mix(a | (b << 15) | (c << 30)) ^ Mix(c + 0x9e3779b9u);
    }
    const std::uint32_t n = g_seedCounter.fetch_add(1, std::memory_order_relaxed);
    const std::uint32_t base = g_overrideSet.load(std::memory_order_acquire)
                                   ? g_overrideBase.load(std::memory_order_relaxed)
                                   : TimeHash(static_cast<std::int64_t>(std::time(nullptr)));
    return base ^ Mix(n + 0x9e3779b9u);
}

void SetRandomSeedOverride(std::optional<std::uint32_t> base) noexcept
{
    if (base)
    {
        g_overrideBase.store(*base, std::memory_order_relaxed);
        g_seedCounter.store(0, std::memory_order_relaxed);
    }
    g_overrideSet.store(base.has_value(), std::memory_order_release);
}

ScopedRandom::ScopedRandom(Random15& generator) noexcept : m_previous(t_current)
{
    t_current = &generator;
}

ScopedRandom::~ScopedRandom()
{
    t_current = m_previous;
}

} // namespace plat

void SeedRandom() noexcept
{
    plat::ThreadGenerator().Seed(plat::NewRandomSeed());
}

double RandomUnit() noexcept
{
    return plat::ThreadGenerator().Unit();
}

int RandomInt(std::uint32_t n) noexcept
{
    return static_cast<int>(plat::ThreadGenerator().Int(n));
}
