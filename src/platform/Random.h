#pragma once
/** @brief Random numbers with the contract of a 15-bit generator: 0 <= RandomUnit() < 1.
 *
 * Each user of random numbers owns a plat::Random15 (every automatic walk has its own, so
 * the audio worker and the UI never share one). The free functions SeedRandom,
 * RandomUnit and RandomInt use the generator current on the calling thread: the thread's own,
 * or one made current with plat::ScopedRandom (the mixer makes each track's own generator
 * current while the track renders, so that what a track draws does not depend on the thread
 * that renders it). */

#include <cstdint>
#include <ctime>
#include <optional>

namespace plat
{

class Random15
{
public:
    static constexpr std::uint32_t kMax = 32767;
    static constexpr double kLargestUnit = 0.999999999999;

    explicit Random15(std::uint32_t seed = 1) noexcept : m_state(seed) {}

    void Seed(std::uint32_t seed) noexcept { m_state = seed; }
    /** 0 .. kMax. */
    std::uint32_t Next() noexcept
    {
        m_state = m_state * 214013u + 2531011u;
        return (m_state >> 16) & kMax;
    }
    /** Next() / 32767, limited to kLargestUnit: 0 <= u < 1. */
    double Unit() noexcept { return UnitFrom(Next()); }
    /** 0 .. n-1 for n > 0 (n taken as unsigned 32-bit). */
    std::uint32_t Int(std::uint32_t n) noexcept { return static_cast<std::uint32_t>(Unit() * n); }

    static double UnitFrom(std::uint32_t raw) noexcept
    {
        const double u = raw / static_cast<double>(kMax);
        return u > kLargestUnit ? kLargestUnit : u;
    }

private:
    std::uint32_t m_state;
};

/** h = h x 257 + byte over the 8 bytes of the 64-bit time value, least significant first. */
std::uint32_t TimeHash(std::int64_t time) noexcept;

/** A fresh seed: the time hash of now mixed with a counter, so that generators seeded in the
 *  same second still differ; while a ScopedRandom is current on the calling thread, drawn from
 *  its generator instead (what a track seeds then depends on the track alone). Thread-safe. */
std::uint32_t NewRandomSeed() noexcept;

/** Test hook: while set, NewRandomSeed() returns this base mixed with the counter. */
void SetRandomSeedOverride(std::optional<std::uint32_t> base) noexcept;

/** Makes @p generator the one the free functions use on this thread while the object lives,
 *  then restores the one that was current before. The generator must outlive the scope and
 *  be used by one thread at a time. */
class ScopedRandom
{
public:
    explicit ScopedRandom(Random15& generator) noexcept;
    ~ScopedRandom();
    ScopedRandom(const ScopedRandom&) = delete;
    ScopedRandom& operator=(const ScopedRandom&) = delete;

private:
    Random15* m_previous;
};

} // namespace plat

/** Seeds the generator current on this thread with plat::NewRandomSeed(). */
void SeedRandom() noexcept;
/** 0 <= u < 1 from the generator current on this thread. */
double RandomUnit() noexcept;
/** Truncation of RandomUnit() x n: 0 .. n-1 for n > 0. */
int RandomInt(std::uint32_t n) noexcept;
