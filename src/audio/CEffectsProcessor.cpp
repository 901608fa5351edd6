#include "audio/CEffectsProcessor.h"

#include "platform/dsp/DenormalGuard.h"
#include "platform/dsp/DspUtil.h"

#include <cmath>
#include <new>

namespace
{

// The fixed settings of the chain; the levels scale the rest.
constexpr float kEnhanceLowCentre = 125.0f;
constexpr float kEnhanceLowBandwidth = 36.0f;
constexpr double kEnhanceLowGain = 15.0;
constexpr float kEnhanceHighCentre = 8000.0f;
constexpr float kEnhanceHighBandwidth = 9.0f;
constexpr double kEnhanceHighGain = 7.0;
constexpr float kReverbHighFreqRatio = 0.5f;
constexpr float kEchoLeftDelay = 423.0f;
constexpr float kEchoRightDelay = 479.0f;
constexpr float kChorusDepth = 50.0f;
constexpr float kChorusDelay = 20.0f;
constexpr double kFilterGain = 15.0;

// Runs one effect in place and clears it when its output went non-finite (NaN input, or a
// state that blew up): a recursive effect would otherwise repeat the bad values forever.
template <typename Effect> void RunGuarded(Effect& effect, float* samples, std::size_t frames) noexcept
{
    effect.Process(samples, frames);
    if (!dsp::AllFinite(samples, 2 * frames))
        effect.Reset();
}

} // namespace

bool CEffectsProcessor::Init(int rate, bool enhance, bool reverb, bool echo, bool chorus)
{
    // Nothing of the previous segment survives: not its switches, levels, filter or tails.
    m_running = false;
    m_enhanceOn = m_reverbOn = m_echoOn = m_chorusOn = m_filterOn = false;
    m_enhanceLevel = m_reverbLevel = m_echoLevel = m_chorusLevel = 0.0;
    m_filterGain = m_filterCentre = m_filterSharpness = 0.0;
    if (rate <= 0 || rate > kMaxRate)
        return false;
    m_rate = rate;

    // Every delay line is sized at the first Init at a rate, whichever effects that segment
    // uses, so that later segments of the track start without allocating.
    const bool fresh = m_preparedRate != rate;
    if (fresh)
    {
        m_preparedRate = 0;
        try
        {
            m_reverb.Prepare(rate);
            m_echo.Prepare(rate);
            m_chorus.Prepare(rate);
        }
        catch (const std::bad_alloc&)
        {
            return false;
        }
        m_preparedRate = rate;
    }
    m_enhanceLow.Prepare(rate);
    m_enhanceHigh.Prepare(rate);
    m_filter.Prepare(rate);
    if (!fresh)
    {
        if (reverb)
            m_reverb.Reset();
        if (echo)
            m_echo.Reset();
        if (chorus)
            m_chorus.Reset();
    }
    m_enhanceOn = enhance;
    m_reverbOn = reverb;
    m_echoOn = echo;
    m_chorusOn = chorus;
    m_running = true;
    return true;
}

bool CEffectsProcessor::AddFilter()
{
    if (!m_running)
        return false;
    m_filterGain = m_filterCentre = m_filterSharpness = 0.0;
    m_filter.Reset();
    m_filterOn = true;
    return true;
}

void CEffectsProcessor::SetEnhanceLevel(double level) noexcept
{
    m_enhanceLevel = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetReverbLevel(double level) noexcept
{
    m_reverbLevel = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetEchoLevel(double level) noexcept
{
    m_echoLevel = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetChorusLevel(double level) noexcept
{
    m_chorusLevel = dsp::Clamp(level, 0.0, 1.0);
}

void CEffectsProcessor::SetFilter(double gainFraction, double centreHz, double sharpness) noexcept
{
    m_filterGain = gainFraction;
    m_filterCentre = centreHz;
    m_filterSharpness = sharpness;
}

void CEffectsProcessor::UpdateParameters() noexcept
{
    if (m_enhanceOn)
    {
        const double e = std::sqrt(m_enhanceLevel);
        m_enhanceLow.SetParams(
            {kEnhanceLowCentre, kEnhanceLowBandwidth, static_cast<float>(e * kEnhanceLowGain)});
        m_enhanceHigh.SetParams(
            {kEnhanceHighCentre, kEnhanceHighBandwidth, static_cast<float>(e * kEnhanceHighGain)});
    }
    if (m_reverbOn)
    {
        // -96 dB (dry) at level 0 up to -2 dB at 1; 500 ms up to 2.5 s.
        const double r = m_reverbLevel;
        dsp::WavesReverbParams p = m_reverb.GetParams();
        p.reverbMix = static_cast<float>(-2.0 - (1.0 - std::pow(r, 0.05)) * 94.0);
        p.reverbTime = static_cast<float>(std::pow(r, 0.3) * 2000.0 + 500.0);
        p.highFreqRTRatio = kReverbHighFreqRatio;
        m_reverb.SetParams(p);
    }
    if (m_echoOn)
    {
        dsp::EchoParams p = m_echo.GetParams();
        p.wetDryMix = static_cast<float>(std::sqrt(m_echoLevel) * 25.0);
        p.leftDelay = kEchoLeftDelay;
        p.rightDelay = kEchoRightDelay;
        p.panDelay = 1;
        m_echo.SetParams(p);
    }
    if (m_chorusOn)
    {
        const double c = std::sqrt(m_chorusLevel);
        dsp::ChorusParams p = m_chorus.GetParams();
        p.wetDryMix = static_cast<float>(c * 50.0);
        p.depth = kChorusDepth;
        p.feedback = static_cast<float>(c * 50.0);
        p.delay = kChorusDelay;
        m_chorus.SetParams(p);
    }
    if (m_filterOn)
    {
        m_filter.SetParams({static_cast<float>(m_filterCentre),
                            static_cast<float>((1.0 - m_filterSharpness) * 35.0 + 1.0),
                            static_cast<float>(m_filterGain * kFilterGain)});
    }
}

std::uint32_t CEffectsProcessor::Process(CStereoFrame* block, std::uint32_t frames) noexcept
{
    if (!m_running || block == nullptr)
        return 0;
    dsp::ScopedFlushDenormals noDenormals;
    UpdateParameters();
    float* const samples = &block->left; // CStereoFrame is a pair of floats, so this is interleaved
    const std::size_t n = frames;
    if (m_reverbOn)
        RunGuarded(m_reverb, samples, n);
    if (m_echoOn)
        RunGuarded(m_echo, samples, n);
    if (m_chorusOn)
        RunGuarded(m_chorus, samples, n);
    if (m_enhanceOn)
    {
        RunGuarded(m_enhanceLow, samples, n);
        RunGuarded(m_enhanceHigh, samples, n);
    }
    if (m_filterOn)
        RunGuarded(m_filter, samples, n);
    return frames;
}

bool CEffectsProcessor::Terminate() noexcept
{
    m_running = false;
    m_enhanceOn = m_reverbOn = m_echoOn = m_chorusOn = m_filterOn = false;
    return true;
}

void CEffectsProcessor::Free() noexcept
{
    Terminate();
}
