#include "audio/CEffectsProcessor.h"

#include "platform/dsp/DenormalGuard.h"
#include "platform/dsp/DspUtil.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

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
    // Nothing of the previous segment survives in the new chain: not its switches, levels,
    // filter or tails (its tail fades in the other set).
    m_running = false;
    Current().SwitchOff();
    m_set = {};
    m_latchedValid = false;
    if (rate <= 0 || rate > kMaxRate)
        return false;
    m_rate = rate;

    // Every delay line of both sets is sized at the first Init at a rate, whichever effects
    // that segment uses, so that later segments of the track start without allocating.
    const bool fresh = m_preparedRate != rate;
    if (fresh)
    {
        m_preparedRate = 0;
        m_tailing = false; // a tail at another rate has nothing to go on with
        try
        {
            for (Chain& c : m_chains)
            {
                c.SwitchOff();
                c.reverb.Prepare(rate);
                c.echo.Prepare(rate);
                c.chorus.Prepare(rate);
            }
        }
        catch (const std::bad_alloc&)
        {
            return false;
        }
        m_preparedRate = rate;
        m_tailFrames =
            std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(rate * kTailSeconds)));
    }
    Chain& c = Current();
    c.enhanceLow.Prepare(rate);
    c.enhanceHigh.Prepare(rate);
    c.filter.Prepare(rate);
    if (!fresh)
    {
        if (reverb)
            c.reverb.Reset();
        if (echo)
            c.echo.Reset();
        if (chorus)
            c.chorus.Reset();
    }
    c.enhanceOn = enhance;
    c.reverbOn = reverb;
    c.echoOn = echo;
    c.chorusOn = chorus;
    m_running = true;
    return true;
}

bool CEffectsProcessor::AddFilter()
{
    if (!m_running)
        return false;
    m_set.filterGain = m_set.filterCentre = m_set.filterSharpness = 0.0;
    Current().filter.Reset();
    Current().filterOn = true;
    return true;
}

void CEffectsProcessor::SetEnhanceLevel(double level) noexcept
{
    m_set.enhance = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetReverbLevel(double level) noexcept
{
    m_set.reverb = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetEchoLevel(double level) noexcept
{
    m_set.echo = dsp::Clamp(level, 0.0, 1.0);
}
void CEffectsProcessor::SetChorusLevel(double level) noexcept
{
    m_set.chorus = dsp::Clamp(level, 0.0, 1.0);
}

void CEffectsProcessor::SetFilter(double gainFraction, double centreHz, double sharpness) noexcept
{
    m_set.filterGain = gainFraction;
    m_set.filterCentre = centreHz;
    m_set.filterSharpness = sharpness;
}

void CEffectsProcessor::LatchSettings() noexcept
{
    m_latched = m_set;
    m_latchedValid = true;
}

void CEffectsProcessor::UpdateParameters(Chain& c, const Settings& s) noexcept
{
    if (c.enhanceOn)
    {
        const double e = std::sqrt(s.enhance);
        c.enhanceLow.SetParams(
            {kEnhanceLowCentre, kEnhanceLowBandwidth, static_cast<float>(e * kEnhanceLowGain)});
        c.enhanceHigh.SetParams(
            {kEnhanceHighCentre, kEnhanceHighBandwidth, static_cast<float>(e * kEnhanceHighGain)});
    }
    if (c.reverbOn)
    {
        // -96 dB (dry) at level 0 up to -2 dB at 1; 500 ms up to 2.5 s.
        const double r = s.reverb;
        dsp::WavesReverbParams p = c.reverb.GetParams();
        p.reverbMix = static_cast<float>(-2.0 - (1.0 - std::pow(r, 0.05)) * 94.0);
        p.reverbTime = static_cast<float>(std::pow(r, 0.3) * 2000.0 + 500.0);
        p.highFreqRTRatio = kReverbHighFreqRatio;
        c.reverb.SetParams(p);
    }
    if (c.echoOn)
    {
        dsp::EchoParams p = c.echo.GetParams();
        p.wetDryMix = static_cast<float>(std::sqrt(s.echo) * 25.0);
        p.leftDelay = kEchoLeftDelay;
        p.rightDelay = kEchoRightDelay;
        p.panDelay = 1;
        c.echo.SetParams(p);
    }
    if (c.chorusOn)
    {
        const double ch = std::sqrt(s.chorus);
        dsp::ChorusParams p = c.chorus.GetParams();
        p.wetDryMix = static_cast<float>(ch * 50.0);
        p.depth = kChorusDepth;
        p.feedback = static_cast<float>(ch * 50.0);
        p.delay = kChorusDelay;
        c.chorus.SetParams(p);
    }
    if (c.filterOn)
    {
        c.filter.SetParams({static_cast<float>(s.filterCentre),
                            static_cast<float>((1.0 - s.filterSharpness) * 35.0 + 1.0),
                            static_cast<float>(s.filterGain * kFilterGain)});
    }
}

void CEffectsProcessor::Run(Chain& c, float* samples, std::size_t n) noexcept
{
    if (c.reverbOn)
        RunGuarded(c.reverb, samples, n);
    if (c.echoOn)
        RunGuarded(c.echo, samples, n);
    if (c.chorusOn)
        RunGuarded(c.chorus, samples, n);
    if (c.enhanceOn)
    {
        RunGuarded(c.enhanceLow, samples, n);
        RunGuarded(c.enhanceHigh, samples, n);
    }
    if (c.filterOn)
        RunGuarded(c.filter, samples, n);
}

void CEffectsProcessor::AddTail(CStereoFrame* block, std::uint32_t frames) noexcept
{
    Chain& tail = m_chains[1 - m_current];
    std::uint32_t at = 0;
    while (at < frames && m_tailing)
    {
        const std::uint32_t n = std::min({frames - at, kTailChunk, m_tailFrames - m_tailDone});
        std::fill_n(m_tailScratch, 2 * n, 0.0f);
        Run(tail, m_tailScratch, n);
        // A raised cosine from 1 down to exactly 0 at the tail's last frame.
        const double step = std::numbers::pi / m_tailFrames;
        for (std::uint32_t i = 0; i < n; ++i)
        {
            const auto gain = static_cast<float>(0.5 * (1.0 + std::cos(step * (m_tailDone + i + 1))));
            block[at + i].left += m_tailScratch[2 * i] * gain;
            block[at + i].right += m_tailScratch[2 * i + 1] * gain;
        }
        at += n;
        m_tailDone += n;
        if (m_tailDone >= m_tailFrames)
        {
            m_tailing = false;
            tail.SwitchOff();
        }
    }
}

std::uint32_t CEffectsProcessor::Process(CStereoFrame* block, std::uint32_t frames) noexcept
{
    if (block == nullptr || (!m_running && !m_tailing))
        return 0;
    dsp::ScopedFlushDenormals noDenormals;
    std::uint32_t done = 0;
    if (m_running)
    {
        Chain& c = Current();
        UpdateParameters(c, m_latchedValid ? m_latched : m_set);
        Run(c, &block->left, frames); // CStereoFrame is a pair of floats, so this is interleaved
        done = frames;
    }
    if (m_tailing)
        AddTail(block, frames);
    return done;
}

bool CEffectsProcessor::Terminate() noexcept
{
    if (m_running && Current().AnyOn())
    {
        // The ended chain fades out in its set; the next segment starts in the other one.
        m_tailing = true;
        m_tailDone = 0;
        m_current = 1 - m_current;
    }
    m_running = false;
    Current().SwitchOff();
    return true;
}

void CEffectsProcessor::Free() noexcept
{
    m_running = false;
    m_tailing = false;
    m_chains[0].SwitchOff();
    m_chains[1].SwitchOff();
}
