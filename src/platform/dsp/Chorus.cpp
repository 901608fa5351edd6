#include "platform/dsp/Chorus.h"

#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace dsp
{

namespace
{

constexpr double kExtraFrames = 2.0;

// A triangle with the sine's phase: 0 at the start of a cycle, rising to 1 at a quarter.
inline double Triangle(double cycles) noexcept
{
    const double u = cycles + 0.25;
    return 1.0 - 4.0 * std::abs(u - std::floor(u) - 0.5);
}

} // namespace

void Chorus::Prepare(double rate)
{
    m_rate = rate > 0.0 ? rate : 44100.0;
    // Longest tap: the longest delay plus half of it at full depth, the extra frames and one
    // more for the interpolation.
    const double longest = kMaxDelay * 1.5 * m_rate / 1000.0 + kExtraFrames + 2.0;
    const std::size_t size = std::bit_ceil(static_cast<std::size_t>(longest) + 1);
    m_line.assign(size, 0.0f);
    m_mask = size - 1;
    Reset();
}

void Chorus::Reset() noexcept
{
    std::fill(m_line.begin(), m_line.end(), 0.0f);
    m_write = 0;
    m_phase = 0.0;
    m_cos = 1.0;
    m_sin = 0.0;
    m_sinceResync = 0;
}

void Chorus::SetParams(const ChorusParams& params) noexcept
{
    m_params.wetDryMix = static_cast<float>(Clamp(params.wetDryMix, 0.0, 100.0));
    m_params.depth = static_cast<float>(Clamp(params.depth, 0.0, 100.0));
    m_params.feedback = static_cast<float>(Clamp(params.feedback, -99.0, 99.0));
    m_params.frequency = static_cast<float>(Clamp(params.frequency, 0.0, 10.0));
    m_params.waveform = params.waveform == kTriangle ? kTriangle : kSine;
    m_params.delay = static_cast<float>(Clamp(params.delay, 0.0, kMaxDelay));
    m_params.phase = std::clamp(params.phase, 0, 4);
}

void Chorus::Process(float* interleaved, std::size_t frames) noexcept
{
    if (m_line.empty())
        return;
    const float w = m_params.wetDryMix / 100.0f;
    const float fb = m_params.feedback / 100.0f;
    const double delayFrames = m_params.delay * m_rate / 1000.0;
    const double base = delayFrames + kExtraFrames;
    const double deviation = m_params.depth / 100.0 * delayFrames / 2.0;
    const double step = m_params.frequency / m_rate;
    const double offset = (m_params.phase - 2) * 0.25; // cycles the right oscillator leads by
    const bool sine = m_params.waveform == kSine;
    float* const line = m_line.data();
    const std::size_t mask = m_mask;

    // The sine oscillators turn a phasor frame by frame instead of calling sin() twice a
    // frame. It runs on across blocks (restarting it at each block made the output depend on
    // the block sizes) and is set back to the exact phase at a fixed count of frames, so
    // rounding cannot build up.
    const double turnC = std::cos(2.0 * std::numbers::pi * step);
    const double turnS = std::sin(2.0 * std::numbers::pi * step);
    double c = m_cos;
    double s = m_sin;
    const double offC = std::cos(2.0 * std::numbers::pi * offset);
    const double offS = std::sin(2.0 * std::numbers::pi * offset);
    double phase = m_phase;
    std::size_t write = m_write;
    std::size_t sinceResync = m_sinceResync;

    for (std::size_t n = 0; n < frames; ++n)
    {
        if (sinceResync == 0)
        {
            c = std::cos(2.0 * std::numbers::pi * phase);
            s = std::sin(2.0 * std::numbers::pi * phase);
        }
        sinceResync = sinceResync + 1 == kPhasorResync ? 0 : sinceResync + 1;
        double lfoL, lfoR;
        if (sine)
        {
            lfoL = s;
            lfoR = s * offC + c * offS;
        }
        else
        {
            lfoL = Triangle(phase);
            lfoR = Triangle(phase + offset + 1.0);
        }
        float taps[2];
        const double delays[2] = {base + deviation * lfoL, base + deviation * lfoR};
        for (int ch = 0; ch < 2; ++ch)
        {
            // The newest frame sits at write - 1; a delay of d frames reads write - d.
            const double whole = std::floor(delays[ch]);
            const float frac = static_cast<float>(delays[ch] - whole);
            const std::size_t i0 = (write - static_cast<std::size_t>(whole)) & mask;
            const std::size_t i1 = (i0 - 1) & mask;
            taps[ch] = line[i0] + (line[i1] - line[i0]) * frac;
        }
        const float xl = interleaved[2 * n];
        const float xr = interleaved[2 * n + 1];
        line[write] = 0.5f * (xl + xr) + fb * 0.5f * (taps[0] + taps[1]);
        write = (write + 1) & mask;
        if (w != 0.0f)
        {
            interleaved[2 * n] = xl + (taps[0] - xl) * w;
            interleaved[2 * n + 1] = xr + (taps[1] - xr) * w;
        }
        phase += step;
        if (phase >= 1.0)
            phase -= 1.0;
        const double nc = c * turnC - s * turnS;
        s = s * turnC + c * turnS;
        c = nc;
    }
    m_phase = phase;
    m_cos = c;
    m_sin = s;
    m_sinceResync = sinceResync;
    m_write = write;
}

} // namespace dsp
