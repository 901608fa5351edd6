#pragma once
/** @brief A stereo echo with the parameters of the DirectX 8 echo effect.
 *
 * One delay line per channel. Each channel's output is in x (1 - w) + delayed x w with
 * w = wet/dry mix / 100 (linear, 100 is all wet). The line is written with
 * in x sqrt(1 - fb^2) + delayed x fb, so every echo after the first is fb times the one
 * before and the echoes together carry the input's energy. With pan delay on, each channel
 * reads the other channel's line at that channel's delay: the echoes bounce from side to
 * side and the two delays alternate. */

#include "platform/dsp/ZeroedFloats.h"

#include <cstddef>

namespace dsp
{

struct EchoParams
{
    float wetDryMix = 50.0f;   ///< %, 0 .. 100
    float feedback = 50.0f;    ///< %, 0 .. 100
    float leftDelay = 500.0f;  ///< ms, 1 .. 2000
    float rightDelay = 500.0f; ///< ms, 1 .. 2000
    int panDelay = 0;          ///< 0 or 1: swap the sides on each successive echo
};

/** Used by one thread at a time; only Prepare allocates. */
class Echo
{
public:
    static constexpr double kMinDelay = 1.0, kMaxDelay = 2000.0;

    /** Sizes both lines for the longest delay at @p rate (throws std::bad_alloc), cleared. */
    void Prepare(double rate);
    void Reset() noexcept;
    void SetParams(const EchoParams& params) noexcept;
    const EchoParams& GetParams() const noexcept { return m_params; }
    /** Works in place; does nothing before Prepare. At a mix of 0 the block is left exactly
     *  as it was while the lines keep running, so a later mix picks up the echoes. */
    void Process(float* interleaved, std::size_t frames) noexcept;

private:
    double m_rate = 0.0;
    EchoParams m_params;
    ZeroedFloats m_line[2];
    std::size_t m_size = 0;
    std::size_t m_write = 0;
    std::size_t m_delay[2] = {1, 1};
};

} // namespace dsp
