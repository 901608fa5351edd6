#pragma once
/** @brief A stereo reverb with the four parameters of the DirectX 8 "waves" reverb effect.
 *
 * Our own design: per channel, eight feedback combs in parallel, each with a one-pole lowpass
 * in its loop, then four allpasses in series; the right channel's delays are a little longer,
 * so the two sides decorrelate. A comb of d frames loops with gain 10^(-3 d / (RT60 x rate)),
 * which makes low frequencies fall 60 dB in the reverb time; its lowpass is tuned so that
 * the loop gain at the high-frequency reference corresponds to a decay of ratio x RT60.
 * The mix is an equal-power crossfade (wet = 10^(mix / 20), dry = sqrt(1 - wet^2)) with the
 * wet path normalised to the combs' energy gain, so the overall level stays about constant
 * whatever the mix and the reverb time. The combs' peak at 0 Hz is far above that energy gain
 * (about 1 / (1 - g) against 1 / sqrt(1 - g^2)), so a DC offset or sub-audio rumble would come
 * out many times louder: a DC blocker (a first-order highpass at kDcBlockHz) feeds the wet path. */

#include "platform/dsp/ZeroedFloats.h"

#include <cstddef>

namespace dsp
{

struct WavesReverbParams
{
    float inGain = 0.0f;            ///< dB, -96 .. 0
    float reverbMix = 0.0f;         ///< dB, -96 .. 0; 0 is all wet
    float reverbTime = 1000.0f;     ///< ms, 0.001 .. 3000 (RT60)
    float highFreqRTRatio = 0.001f; ///< 0.001 .. 0.999, high-frequency decay time / reverb time
};

/** Used by one thread at a time; only Prepare allocates. */
class WavesReverb
{
public:
    static constexpr double kMinInGain = -96.0, kMaxInGain = 0.0;
    static constexpr double kMinMix = -96.0, kMaxMix = 0.0;
    static constexpr double kMinTime = 0.001, kMaxTime = 3000.0;
    static constexpr double kMinRatio = 0.001, kMaxRatio = 0.999;
    /** Frequency at which the high-frequency decay time holds (lowered below Nyquist). */
    static constexpr double kHighFreqReference = 8000.0;
    static constexpr int kCombs = 8;
    static constexpr int kAllpasses = 4;
    /** Corner of the DC blocker in front of the combs. */
    static constexpr double kDcBlockHz = 3.0;

    /** Sizes the delay lines for @p rate (throws std::bad_alloc) and clears them. Preparing
     *  again at the same rate reuses the memory. */
    void Prepare(double rate);
    void Reset() noexcept;
    void SetParams(const WavesReverbParams& params) noexcept;
    const WavesReverbParams& GetParams() const noexcept { return m_params; }
    /** Works in place; does nothing before Prepare. */
    void Process(float* interleaved, std::size_t frames) noexcept;

private:
    /** The lines' positions and the filters' states back to the start (not the lines). */
    void ResetState() noexcept;
    struct Line
    {
        std::size_t offset = 0;
        std::size_t length = 1;
        std::size_t pos = 0;
    };
    /** Frames worked on at once: never more than the shortest line, so that within a chunk
     *  each place of a line is read and then written once, as frame by frame. */
    static constexpr std::size_t kMaxChunk = 128;

    void UpdateCoefficients() noexcept;
    void DcBlock(const float* interleaved, std::size_t frames, float (*toCombs)[kMaxChunk]) noexcept;
    void SumCombs(int channel, std::size_t frames, float* acc) const noexcept;
    void FeedCombs(std::size_t frames, const float (*toCombs)[kMaxChunk]) noexcept;
    void Allpasses(int channel, std::size_t frames, float* acc) noexcept;

    double m_rate = 0.0;
    WavesReverbParams m_params;
    ZeroedFloats m_buffer;
    std::size_t m_chunk = 1;
    Line m_comb[2][kCombs];
    Line m_allpass[2][kAllpasses];
    float m_combGain[2][kCombs] = {};
    float m_damp[2][kCombs] = {};
    float m_lowpass[2][kCombs] = {};
    float m_dcPole = 0.0f;
    float m_dcIn[2] = {};  ///< the DC blocker's previous input, per channel
    float m_dcOut[2] = {}; ///< and its previous output
    float m_dry = 1.0f;
    float m_wet = 0.0f;
};

} // namespace dsp
