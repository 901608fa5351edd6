#pragma once
/** @brief A chorus with the parameters of the DirectX 8 chorus effect.
 *
 * The mono sum of the input, (L + R) / 2, feeds one delay line with feedback. Two taps, left
 * and right, swing around a base delay of delay ms + 2 frames by up to depth / 100 x delay / 2,
 * each moved by its own low-frequency oscillator; the right oscillator runs the phase setting
 * ahead of the left (0..4 = -180, -90, 0, +90, +180 degrees). Taps interpolate linearly. Each
 * channel's output is in + (tap - in) x wet/dry mix / 100. */

#include <cstddef>
#include <vector>

namespace dsp
{

struct ChorusParams
{
    float wetDryMix = 50.0f; ///< %, 0 .. 100
    float depth = 10.0f;     ///< %, 0 .. 100 of the delay by which the oscillators move the taps
    float feedback = 25.0f;  ///< %, -99 .. 99
    float frequency = 1.1f;  ///< Hz, 0 .. 10
    int waveform = 1;        ///< 0 triangle, 1 sine
    float delay = 16.0f;     ///< ms, 0 .. 20
    int phase = 3;           ///< 0 .. 4
};

/** Used by one thread at a time; only Prepare allocates. */
class Chorus
{
public:
    static constexpr int kTriangle = 0;
    static constexpr int kSine = 1;
    static constexpr double kMaxDelay = 20.0;

    /** Sizes the line for @p rate (throws std::bad_alloc) and clears it; preparing again at
     *  the same rate reuses the memory. */
    void Prepare(double rate);
    /** Clears the line and puts both oscillators back to their start. */
    void Reset() noexcept;
    void SetParams(const ChorusParams& params) noexcept;
    const ChorusParams& GetParams() const noexcept { return m_params; }
    /** Works in place; does nothing before Prepare. At a mix of 0 the block is left exactly
     *  as it was while the line and the oscillators keep running. */
    void Process(float* interleaved, std::size_t frames) noexcept;

private:
    double m_rate = 0.0;
    ChorusParams m_params;
    std::vector<float> m_line;
    std::size_t m_mask = 0;
    std::size_t m_write = 0;
    double m_phase = 0.0; ///< left oscillator, in cycles [0, 1)
    /** The sine oscillator's phasor (cos, sin of the phase), carried from block to block and
     *  set back to the exact phase every kPhasorResync frames of the running count, so the
     *  output does not depend on where blocks begin. */
    double m_cos = 1.0;
    double m_sin = 0.0;
    std::size_t m_sinceResync = 0;
    static constexpr std::size_t kPhasorResync = 1024;
};

} // namespace dsp
