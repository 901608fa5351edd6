#include "platform/dsp/Echo.h"

#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace dsp
{

void Echo::Prepare(double rate)
{
    m_rate = rate > 0.0 ? rate : 44100.0;
    const std::size_t size = MsToFrames(kMaxDelay, m_rate) + 1;
    ZeroedFloats left, right;
    left.Allocate(size);
    right.Allocate(size);
    m_line[0] = std::move(left);
    m_line[1] = std::move(right);
    m_size = size;
    m_write = 0;
    const EchoParams p = m_params;
    SetParams(p); // the delays in frames depend on the rate
}

void Echo::Reset() noexcept
{
    m_line[0].Clear();
    m_line[1].Clear();
    m_write = 0;
}

void Echo::SetParams(const EchoParams& params) noexcept
{
    m_params.wetDryMix = static_cast<float>(Clamp(params.wetDryMix, 0.0, 100.0));
    m_params.feedback = static_cast<float>(Clamp(params.feedback, 0.0, 100.0));
    m_params.leftDelay = static_cast<float>(Clamp(params.leftDelay, kMinDelay, kMaxDelay));
    m_params.rightDelay = static_cast<float>(Clamp(params.rightDelay, kMinDelay, kMaxDelay));
    m_params.panDelay = params.panDelay != 0 ? 1 : 0;
    if (m_size > 1)
    {
        m_delay[0] = std::clamp<std::size_t>(MsToFrames(m_params.leftDelay, m_rate), 1, m_size - 1);
        m_delay[1] = std::clamp<std::size_t>(MsToFrames(m_params.rightDelay, m_rate), 1, m_size - 1);
    }
}

void Echo::Process(float* interleaved, std::size_t frames) noexcept
{
    if (m_size == 0)
        return;
    const float w = m_params.wetDryMix / 100.0f;
    const float fb = m_params.feedback / 100.0f;
    const float in = std::sqrt(std::max(0.0f, 1.0f - fb * fb));
    const bool pan = m_params.panDelay != 0;
    float* const lineL = m_line[0].data();
    float* const lineR = m_line[1].data();
    const std::size_t size = m_size;
    // Without pan delay each side reads its own line; with it, the other side's line at the
    // other side's delay.
    const float* const readL = pan ? lineR : lineL;
    const float* const readR = pan ? lineL : lineR;
    const std::size_t delayL = pan ? m_delay[1] : m_delay[0];
    const std::size_t delayR = pan ? m_delay[0] : m_delay[1];
    std::size_t write = m_write;
    std::size_t posL = (write + size - delayL) % size;
    std::size_t posR = (write + size - delayR) % size;
    for (std::size_t n = 0; n < frames; ++n)
    {
        const float xl = interleaved[2 * n];
        const float xr = interleaved[2 * n + 1];
        const float dl = readL[posL];
        const float dr = readR[posR];
        lineL[write] = xl * in + dl * fb;
        lineR[write] = xr * in + dr * fb;
        if (w != 0.0f)
        {
            interleaved[2 * n] = xl * (1.0f - w) + dl * w;
            interleaved[2 * n + 1] = xr * (1.0f - w) + dr * w;
        }
        write = write + 1 == size ? 0 : write + 1;
        posL = posL + 1 == size ? 0 : posL + 1;
        posR = posR + 1 == size ? 0 : posR + 1;
    }
    m_write = write;
}

} // namespace dsp
