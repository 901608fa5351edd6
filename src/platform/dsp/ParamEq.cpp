#include "platform/dsp/ParamEq.h"

#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dsp
{

ParamEq::ParamEq() noexcept
{
    Prepare(m_rate);
}

void ParamEq::Prepare(double rate) noexcept
{
    m_rate = rate > 0.0 ? rate : 44100.0;
    // The centre's upper limit depends on the rate.
    m_params = Clamped(m_params);
    UpdateCoefficients();
    Reset();
}

void ParamEq::Reset() noexcept
{
    m_s1[0] = m_s1[1] = m_s2[0] = m_s2[1] = 0.0;
}

ParamEqParams ParamEq::Clamped(const ParamEqParams& params) const noexcept
{
    ParamEqParams p;
    p.center = static_cast<float>(Clamp(params.center, kMinCenter, std::min(kMaxCenter, m_rate / 3.0)));
    p.bandwidth = static_cast<float>(Clamp(params.bandwidth, kMinBandwidth, kMaxBandwidth));
    p.gain = static_cast<float>(Clamp(params.gain, kMinGain, kMaxGain));
    return p;
}

void ParamEq::SetParams(const ParamEqParams& params) noexcept
{
    const ParamEqParams p = Clamped(params);
    if (p.center == m_params.center && p.bandwidth == m_params.bandwidth && p.gain == m_params.gain)
        return;
    m_params = p;
    UpdateCoefficients();
}

void ParamEq::UpdateCoefficients() noexcept
{
    const double a = std::pow(10.0, m_params.gain / 40.0);
    const double w0 = 2.0 * std::numbers::pi * m_params.center / m_rate;
    const double sinW0 = std::sin(w0);
    const double octaves = m_params.bandwidth / 12.0;
    // The w0 / sin(w0) term corrects the band for the bilinear transform's frequency warping.
    const double alpha = sinW0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sinW0);
    const double cosW0 = std::cos(w0);
    const double a0 = 1.0 + alpha / a;
    m_b0 = (1.0 + alpha * a) / a0;
    m_b1 = -2.0 * cosW0 / a0;
    m_b2 = (1.0 - alpha * a) / a0;
    m_a1 = m_b1;
    m_a2 = (1.0 - alpha / a) / a0;
}

void ParamEq::Process(float* interleaved, std::size_t frames) noexcept
{
    // A flat band (0 dB) at rest gives back its input bit for bit: b equals a, so y = x and both
    // state terms stay exactly 0. Skip it then; once the band has been boosted or cut, its state
    // rings down through the loop below.
    if (m_b0 == 1.0 && m_b1 == m_a1 && m_b2 == m_a2 && m_s1[0] == 0.0 && m_s1[1] == 0.0 && m_s2[0] == 0.0 &&
        m_s2[1] == 0.0)
        return;
    double s1l = m_s1[0], s2l = m_s2[0], s1r = m_s1[1], s2r = m_s2[1];
    const double b0 = m_b0, b1 = m_b1, b2 = m_b2, a1 = m_a1, a2 = m_a2;
    for (std::size_t i = 0; i < frames; ++i)
    {
        const double xl = interleaved[2 * i];
        const double xr = interleaved[2 * i + 1];
        const double yl = b0 * xl + s1l;
        const double yr = b0 * xr + s1r;
        s1l = b1 * xl - a1 * yl + s2l;
        s1r = b1 * xr - a1 * yr + s2r;
        s2l = b2 * xl - a2 * yl;
        s2r = b2 * xr - a2 * yr;
        interleaved[2 * i] = static_cast<float>(yl);
        interleaved[2 * i + 1] = static_cast<float>(yr);
    }
    m_s1[0] = s1l;
    m_s2[0] = s2l;
    m_s1[1] = s1r;
    m_s2[1] = s2r;
}

} // namespace dsp
