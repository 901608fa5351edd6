#pragma once
/** @brief One parametric equaliser band on interleaved stereo floats.
 *
 * A peaking biquad (the audio-EQ-cookbook design) with the parameter record, ranges and
 * defaults of the DirectX 8 equaliser effect, whose behaviour stored sessions were tuned
 * against. A centre outside the supported range is moved to the nearest supported value, as
 * that effect does; the upper limit is a third of the sample rate, so an 8 kHz band at
 * 11025 Hz sits at 3675 Hz. */

#include <cstddef>

namespace dsp
{

struct ParamEqParams
{
    float center = 8000.0f;  ///< Hz, 80 .. min(16000, rate / 3)
    float bandwidth = 12.0f; ///< semitones between the half-gain points, 1 .. 36
    float gain = 0.0f;       ///< dB at the centre, -15 .. 15
};

/** Used by one thread at a time; nothing here allocates. */
class ParamEq
{
public:
    static constexpr double kMinCenter = 80.0;
    static constexpr double kMaxCenter = 16000.0;
    static constexpr double kMinBandwidth = 1.0;
    static constexpr double kMaxBandwidth = 36.0;
    static constexpr double kMinGain = -15.0;
    static constexpr double kMaxGain = 15.0;

    ParamEq() noexcept;

    /** Sets the sample rate, keeps the parameters and clears the state. */
    void Prepare(double rate) noexcept;
    void Reset() noexcept;
    /** Takes @p params clamped to the ranges; coefficients change only when a value does. */
    void SetParams(const ParamEqParams& params) noexcept;
    /** The parameters in effect, after clamping. */
    const ParamEqParams& GetParams() const noexcept { return m_params; }
    void Process(float* interleaved, std::size_t frames) noexcept;

private:
    ParamEqParams Clamped(const ParamEqParams& params) const noexcept;
    void UpdateCoefficients() noexcept;

    double m_rate = 44100.0;
    ParamEqParams m_params;
    double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
    // Transposed direct form II, in double: low centres at high rates put the poles very
    // close to the unit circle, where float coefficients would detune the band.
    double m_s1[2] = {0.0, 0.0};
    double m_s2[2] = {0.0, 0.0};
};

} // namespace dsp
