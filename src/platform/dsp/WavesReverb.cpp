#include "platform/dsp/WavesReverb.h"

#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
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

// Moves a line on by @p frames, which are never more than its length.
void Advance(std::size_t& pos, std::size_t length, std::size_t frames) noexcept
{
    pos += frames;
    if (pos >= length)
        pos -= length;
}

// Four floats in one vector register (SSE, NEON): each operation on it is the operation on a
// float, lane by lane, so the results are the same bits as the scalar code's.
typedef float Float4 __attribute__((vector_size(16)));

Float4 Load4(const float* p) noexcept
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store4(float* p, Float4 v) noexcept
{
    std::memcpy(p, &v, sizeof v);
}

// Rows r0..r3 become columns: afterwards r[j] holds element j of each former row.
void Transpose(Float4& r0, Float4& r1, Float4& r2, Float4& r3) noexcept
{
    const Float4 t0 = __builtin_shufflevector(r0, r1, 0, 4, 1, 5);
    const Float4 t1 = __builtin_shufflevector(r0, r1, 2, 6, 3, 7);
    const Float4 t2 = __builtin_shufflevector(r2, r3, 0, 4, 1, 5);
    const Float4 t3 = __builtin_shufflevector(r2, r3, 2, 6, 3, 7);
    r0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    r1 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    r2 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    r3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
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
    m_buffer.Allocate(total);
    m_chunk = kMaxChunk;
    for (int ch = 0; ch < 2; ++ch)
    {
        for (const Line& l : m_comb[ch])
            m_chunk = std::min(m_chunk, l.length);
        for (const Line& l : m_allpass[ch])
            m_chunk = std::min(m_chunk, l.length);
    }
    ResetState(); // the lines are new, and cleared
    UpdateCoefficients();
}

void WavesReverb::Reset() noexcept
{
    m_buffer.Clear();
    ResetState();
}

void WavesReverb::ResetState() noexcept
{
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

// Both DC blockers, frame by frame (each is a recursion); their outputs feed the combs.
void WavesReverb::DcBlock(const float* interleaved, std::size_t frames, float (*toCombs)[kMaxChunk]) noexcept
{
    const float dcPole = m_dcPole;
    float inL = m_dcIn[0], outL = m_dcOut[0];
    float inR = m_dcIn[1], outR = m_dcOut[1];
    for (std::size_t k = 0; k < frames; ++k)
    {
        const float l = interleaved[2 * k];
        const float r = interleaved[2 * k + 1];
        outL = l - inL + dcPole * outL;
        outR = r - inR + dcPole * outR;
        inL = l;
        inR = r;
        toCombs[0][k] = outL;
        toCombs[1][k] = outR;
    }
    m_dcIn[0] = inL;
    m_dcOut[0] = outL;
    m_dcIn[1] = inR;
    m_dcOut[1] = outR;
}

// What the combs give out is what they took in a line's length ago, none of it written in
// this chunk: it is summed over the chunk, comb after comb in the frame's order.
void WavesReverb::SumCombs(int channel, std::size_t frames, float* acc) const noexcept
{
    const float* const buf = m_buffer.data();
    std::fill_n(acc, frames, 0.0f);
    for (const Line& l : m_comb[channel])
    {
        const std::size_t first = std::min(frames, l.length - l.pos);
        const float* const a = buf + l.offset + l.pos;
        for (std::size_t k = 0; k < first; ++k)
            acc[k] += a[k];
        const float* const b = buf + l.offset; // past the wrap
        for (std::size_t k = first; k < frames; ++k)
            acc[k] += b[k - first];
    }
}

// The combs' loops: each comb's lowpass is a recursion over the frames, so the sixteen combs
// (two channels of eight) go side by side in four vectors of four, four frames at a time read
// and written through a transpose.
void WavesReverb::FeedCombs(std::size_t frames, const float (*toCombs)[kMaxChunk]) noexcept
{
    constexpr int kGroups = 2 * kCombs / 4;
    float* const buf = m_buffer.data();
    Float4 lowpass[kGroups];
    Float4 damp[kGroups];
    Float4 gain[kGroups];
    for (int g = 0; g < kGroups; ++g)
    {
        lowpass[g] = Load4(&m_lowpass[g / 2][4 * (g % 2)]);
        damp[g] = Load4(&m_damp[g / 2][4 * (g % 2)]);
        gain[g] = Load4(&m_combGain[g / 2][4 * (g % 2)]);
    }
    for (std::size_t n = 0; n < frames;)
    {
        // A run of frames in which no comb wraps.
        std::size_t run = frames - n;
        for (int ch = 0; ch < 2; ++ch)
            for (const Line& l : m_comb[ch])
                run = std::min(run, l.length - l.pos);
        float* line[kGroups][4];
        for (int g = 0; g < kGroups; ++g)
            for (int c = 0; c < 4; ++c)
            {
                const Line& l = m_comb[g / 2][4 * (g % 2) + c];
                line[g][c] = buf + l.offset + l.pos;
            }
        std::size_t k = 0;
        for (; k + 4 <= run; k += 4)
            for (int g = 0; g < kGroups; ++g)
            {
                const float* const in = toCombs[g / 2] + n + k;
                Float4 f[4] = {Load4(line[g][0] + k), Load4(line[g][1] + k), Load4(line[g][2] + k),
                               Load4(line[g][3] + k)};
                Transpose(f[0], f[1], f[2], f[3]); // f[j]: the four combs at frame k + j
                Float4 lp = lowpass[g];
                for (int j = 0; j < 4; ++j)
                {
                    lp = f[j] + (lp - f[j]) * damp[g];
                    f[j] = in[j] + gain[g] * lp;
                }
                lowpass[g] = lp;
                Transpose(f[0], f[1], f[2], f[3]); // back to comb by comb
                for (int c = 0; c < 4; ++c)
                    Store4(line[g][c] + k, f[c]);
            }
        for (; k < run; ++k)
            for (int g = 0; g < kGroups; ++g)
            {
                const Float4 f = {line[g][0][k], line[g][1][k], line[g][2][k], line[g][3][k]};
                lowpass[g] = f + (lowpass[g] - f) * damp[g];
                const Float4 w = toCombs[g / 2][n + k] + gain[g] * lowpass[g];
                for (int c = 0; c < 4; ++c)
                    line[g][c][k] = w[c];
            }
        for (int ch = 0; ch < 2; ++ch)
            for (Line& l : m_comb[ch])
                Advance(l.pos, l.length, run);
        n += run;
    }
    for (int g = 0; g < kGroups; ++g)
        Store4(&m_lowpass[g / 2][4 * (g % 2)], lowpass[g]);
}

// The allpasses in series, one after the other over the whole chunk: a frame's path through
// them reads only what was written a line's length ago, before this chunk.
void WavesReverb::Allpasses(int channel, std::size_t frames, float* acc) noexcept
{
    float* const buf = m_buffer.data();
    for (Line& l : m_allpass[channel])
    {
        const std::size_t first = std::min(frames, l.length - l.pos);
        float* const a = buf + l.offset + l.pos;
        for (std::size_t k = 0; k < first; ++k)
        {
            const float delayed = a[k];
            const float v = acc[k] + kAllpassGain * delayed;
            a[k] = v;
            acc[k] = delayed - kAllpassGain * v;
        }
        float* const b = buf + l.offset; // past the wrap
        for (std::size_t k = first; k < frames; ++k)
        {
            const float delayed = b[k - first];
            const float v = acc[k] + kAllpassGain * delayed;
            b[k - first] = v;
            acc[k] = delayed - kAllpassGain * v;
        }
        Advance(l.pos, l.length, frames);
    }
}

void WavesReverb::Process(float* interleaved, std::size_t frames) noexcept
{
    if (m_buffer.empty())
        return;
    float toCombs[2][kMaxChunk];
    float acc[2][kMaxChunk];
    const float dry = m_dry;
    const float wet = m_wet;
    for (std::size_t n = 0; n < frames;)
    {
        const std::size_t count = std::min(frames - n, m_chunk);
        float* const io = interleaved + 2 * n;
        DcBlock(io, count, toCombs);
        SumCombs(0, count, acc[0]);
        SumCombs(1, count, acc[1]);
        FeedCombs(count, toCombs);
        Allpasses(0, count, acc[0]);
        Allpasses(1, count, acc[1]);
        for (std::size_t k = 0; k < count; ++k)
        {
            io[2 * k] = dry * io[2 * k] + wet * acc[0][k];
            io[2 * k + 1] = dry * io[2 * k + 1] + wet * acc[1][k];
        }
        n += count;
    }
}

} // namespace dsp
