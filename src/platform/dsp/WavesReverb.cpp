#include "platform/dsp/WavesReverb.h"

#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dsp
{

namespace
{

// Delay lengths in milliseconds, chosen without common factors at the usual rates so the
// combs' echoes do not pile up on each other.
constexpr double kCombMs[WavesReverb::kCombs] = {29.7, 31.9, 33.7, 35.9, 37.3, 39.1, 41.3, 43.1};
constexpr double kAllpassMs[WavesReverb::kAllpasses] = {11.3, 8.9, 6.7, 4.3};
constexpr double kRightSpreadMs = 0.53;
constexpr float kAllpassGain = 0.6f;
// A lowpass pole of 1 would stop the loop at every frequency; this keeps the darkest setting
// a lowpass of about 35 Hz at 44.1 kHz.
constexpr double kMaxDamp = 0.995;

// A run never passes a line's end, so the position wraps only onto it.
template <typename Line> void Advance(Line& l, std::size_t run) noexcept
{
    l.pos = l.pos + run == l.length ? 0 : l.pos + run;
}

std::size_t OddFrames(double ms, double rate)
{
    return std::max<std::size_t>(1, MsToFrames(ms, rate) | 1u);
}

} // namespace

void WavesReverb::Prepare(double rate)
{
    m_rate = rate > 0.0 ? rate : 44100.0;
    std::size_t total = 0;
    for (int ch = 0; ch < 2; ++ch)
    {
        const double spread = ch == 0 ? 0.0 : kRightSpreadMs;
        for (int i = 0; i < kCombs; ++i)
        {
            m_comb[ch][i] = {total, OddFrames(kCombMs[i] + spread, m_rate), 0};
            total += m_comb[ch][i].length;
        }
        for (int i = 0; i < kAllpasses; ++i)
        {
            m_allpass[ch][i] = {total, OddFrames(kAllpassMs[i] + spread, m_rate), 0};
            total += m_allpass[ch][i].length;
        }
    }
    m_buffer.assign(total, 0.0f);
    Reset();
    UpdateCoefficients();
}

void WavesReverb::Reset() noexcept
{
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
    for (int ch = 0; ch < 2; ++ch)
    {
        for (Line& l : m_comb[ch])
            l.pos = 0;
        for (Line& l : m_allpass[ch])
            l.pos = 0;
        std::fill(std::begin(m_lowpass[ch]), std::end(m_lowpass[ch]), 0.0f);
        m_dcIn[ch] = m_dcOut[ch] = 0.0f;
    }
}

void WavesReverb::SetParams(const WavesReverbParams& params) noexcept
{
    WavesReverbParams p;
    p.inGain = static_cast<float>(Clamp(params.inGain, kMinInGain, kMaxInGain));
    p.reverbMix = static_cast<float>(Clamp(params.reverbMix, kMinMix, kMaxMix));
    p.reverbTime = static_cast<float>(Clamp(params.reverbTime, kMinTime, kMaxTime));
    p.highFreqRTRatio = static_cast<float>(Clamp(params.highFreqRTRatio, kMinRatio, kMaxRatio));
    if (p.inGain == m_params.inGain && p.reverbMix == m_params.reverbMix &&
        p.reverbTime == m_params.reverbTime && p.highFreqRTRatio == m_params.highFreqRTRatio)
        return;
    m_params = p;
    if (m_rate > 0.0)
        UpdateCoefficients();
}

void WavesReverb::UpdateCoefficients() noexcept
{
    const double rt = m_params.reverbTime / 1000.0;
    const double ratio = m_params.highFreqRTRatio;
    const double w = 2.0 * std::numbers::pi * std::min(kHighFreqReference, 0.45 * m_rate) / m_rate;
    const double cosW = std::cos(w);
    double power = 0.0;
    for (int ch = 0; ch < 2; ++ch)
    {
        for (int i = 0; i < kCombs; ++i)
        {
            const double g = std::pow(10.0, -3.0 * double(m_comb[ch][i].length) / (rt * m_rate));
            // Loop gain wanted at the reference relative to DC: g^(1/ratio) / g. Solve
            // |(1 - a) / (1 - a e^-jw)| = q for the lowpass pole a (the stable root).
            const double q = std::pow(g, 1.0 / ratio - 1.0);
            const double e = 1.0 - q * q;
            const double d = 1.0 - q * q * cosW;
            double a = e / (d + std::sqrt(std::max(0.0, d * d - e * e)));
            a = Clamp(a, 0.0, kMaxDamp);
            m_combGain[ch][i] = static_cast<float>(g);
            m_damp[ch][i] = static_cast<float>(a);
            if (ch == 0)
            {
                // Energy gain of the damped comb for white noise: the mean over frequency of
                // 1 / |1 - g H(w) e^-jwd|^2, which for a one-pole H has this closed form.
                const double c = g * g * (1.0 - a) * (1.0 - a);
                const double big = 1.0 + a * a;
                power += 1.0 + c / std::sqrt((big - c) * (big - c) - 4.0 * a * a);
            }
        }
    }
    m_dcPole = static_cast<float>(1.0 - 2.0 * std::numbers::pi * kDcBlockHz / m_rate);
    const double inGain = DbToGain(m_params.inGain);
    const double wet = Clamp(DbToGain(m_params.reverbMix), 0.0, 1.0);
    m_dry = static_cast<float>(inGain * std::sqrt(1.0 - wet * wet));
    m_wet = static_cast<float>(inGain * wet / std::sqrt(power));
}

void WavesReverb::ProcessChannel(float* samples, std::size_t frames, int channel) noexcept
{
    float* const buf = m_buffer.data();
    Line* const combs = m_comb[channel];
    Line* const allpasses = m_allpass[channel];
    const float dry = m_dry;
    const float wet = m_wet;
    const float dcPole = m_dcPole;
    float dcIn = m_dcIn[channel];
    float dcOut = m_dcOut[channel];
    // Local copies, which no store into the delay lines can alias, so they stay in registers.
    float lowpass[kCombs];
    float gains[kCombs];
    float damps[kCombs];
    for (int i = 0; i < kCombs; ++i)
    {
        lowpass[i] = m_lowpass[channel][i];
        gains[i] = m_combGain[channel][i];
        damps[i] = m_damp[channel][i];
    }
    for (std::size_t n = 0; n < frames;)
    {
        // A run of frames in which no line wraps: each line is read and written at its own
        // pointer plus the frame's index in the run.
        std::size_t run = frames - n;
        for (int i = 0; i < kCombs; ++i)
            run = std::min(run, combs[i].length - combs[i].pos);
        for (int i = 0; i < kAllpasses; ++i)
            run = std::min(run, allpasses[i].length - allpasses[i].pos);
        float* comb[kCombs];
        float* allpass[kAllpasses];
        for (int i = 0; i < kCombs; ++i)
            comb[i] = buf + combs[i].offset + combs[i].pos;
        for (int i = 0; i < kAllpasses; ++i)
            allpass[i] = buf + allpasses[i].offset + allpasses[i].pos;
        float* const io = samples + 2 * n;
        for (std::size_t k = 0; k < run; ++k)
        {
            const float in = io[2 * k];
            dcOut = in - dcIn + dcPole * dcOut;
            dcIn = in;
            const float toCombs = dcOut;
            float acc = 0.0f;
            for (int i = 0; i < kCombs; ++i)
            {
                const float out = comb[i][k];
                lowpass[i] = out + (lowpass[i] - out) * damps[i];
                comb[i][k] = toCombs + gains[i] * lowpass[i];
                acc += out;
            }
            for (int i = 0; i < kAllpasses; ++i)
            {
                const float delayed = allpass[i][k];
                const float v = acc + kAllpassGain * delayed;
                allpass[i][k] = v;
                acc = delayed - kAllpassGain * v;
            }
            io[2 * k] = dry * in + wet * acc;
        }
        for (int i = 0; i < kCombs; ++i)
            Advance(combs[i], run);
        for (int i = 0; i < kAllpasses; ++i)
            Advance(allpasses[i], run);
        n += run;
    }
    for (int i = 0; i < kCombs; ++i)
        m_lowpass[channel][i] = lowpass[i];
    m_dcIn[channel] = dcIn;
    m_dcOut[channel] = dcOut;
}

void WavesReverb::Process(float* interleaved, std::size_t frames) noexcept
{
    if (m_buffer.empty())
        return;
    ProcessChannel(interleaved, frames, 0);
    ProcessChannel(interleaved + 1, frames, 1);
}

} // namespace dsp
