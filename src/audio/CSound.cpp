#include "audio/CSound.h"

#include "audio/CEffectsProcessor.h"
#include "model/CSegment.h"

#include <algorithm>

namespace
{

// A fraction held to [0, 1], NaN to 0: evaluating a graph past its end or at NaN is what
// clicked on the last frame and hung the old graph lookup.
double Fraction(double num, double den) noexcept
{
    const double t = num / den;
    if (!(t > 0.0))
        return 0.0;
    return std::min(t, 1.0);
}

} // namespace

CSound::~CSound()
{
    if (m_effectsRunning && m_effects != nullptr && !m_effects->Terminate())
        m_errorText = QString::fromLatin1(kEffectsTerminateError);
}

double CSound::BaseGainOfKind(std::int32_t kind) noexcept
{
    switch (kind)
    {
    case CSegment::kKindBells:
        return kBellsBaseGain;
    case CSegment::kKindTone:
        return kToneBaseGain;
    default:
        return kDefaultBaseGain;
    }
}

bool CSound::KindHasFades(std::int32_t kind, bool loops) noexcept
{
    switch (kind)
    {
    case CSegment::kKindVoice:
    case CSegment::kKindBreathwork:
        return false;
    case CSegment::kKindExternalAudio:
        return loops;
    default:
        return true;
    }
}

bool CSound::Init()
{
    if (m_segment == nullptr || m_effects == nullptr)
    {
        m_errorText = QString::fromLatin1(kEffectsInitError);
        return false;
    }
    CSegment& s = *m_segment;
    // One random-walk step a second. Every property evaluated frame by frame for this
    // segment gets its walk started, not only volume and balance: an unstarted walk steps at
    // a fixed 44.1 kHz pace whatever the rate.
    s.m_volume.StartAutoGraph(m_rate);
    s.m_balance.StartAutoGraph(m_rate);
    for (CSmartProperty& level : s.m_effects.m_level)
        level.StartAutoGraph(m_rate);
    s.m_brainwaves.m_depth.StartAutoGraph(m_rate);
    s.m_brainwaves.m_frequency.StartAutoGraph(m_rate);
    s.m_bilateral.m_depth.StartAutoGraph(m_rate);
    s.m_bilateral.m_delay.StartAutoGraph(m_rate);
    s.m_bilateral.m_rate.StartAutoGraph(m_rate);
    s.m_brainwaves.Setup(m_brainwavesGlobal, m_absoluteFrame, m_rate, m_segmentStart, m_segmentEnd);
    s.m_bilateral.Setup(m_bilateralGlobal, m_absoluteFrame, m_rate, m_segmentStart, m_segmentEnd);

    const auto& on = s.m_effects.m_switch;
    if (!m_effects->Init(static_cast<int>(m_rate), on[CEffectsLocal::kEnhance], on[CEffectsLocal::kReverb],
                         on[CEffectsLocal::kEcho], on[CEffectsLocal::kChorus]))
    {
        m_errorText = QString::fromLatin1(kEffectsInitError);
        return false;
    }
    m_effectsRunning = true;
    return true;
}

bool CSound::Terminate()
{
    if (!m_effectsRunning)
        return true;
    if (m_effects != nullptr && !m_effects->Terminate())
    {
        m_errorText = QString::fromLatin1(kEffectsTerminateError);
        return false;
    }
    m_effectsRunning = false;
    return true;
}

double CSound::GetFade() noexcept
{
    if (!HasFades())
        return 1.0;
    // Signed: the unsigned form wrapped for segments of 0 or 1 frames and divided 0 by 0 for
    // 2 or 3 frames.
    const std::int64_t length = m_segmentLength;
    std::int64_t fade = m_fadeFrames;
    if (length < 2 * fade)
    {
        fade = std::max<std::int64_t>(0, length / 2 - 1);
        m_fadeFrames = static_cast<std::uint32_t>(fade);
    }
    if (fade == 0)
        return 1.0;
    const std::int64_t p = m_position;
    double f = 1.0;
    if (p <= fade)
        f = double(p) / double(fade);
    else if (p >= length - fade)
        f = 1.0 - double(p - (length - fade)) / double(fade);
    // The frame after the end of a segment whose length was cut short would go negative.
    return std::clamp(f, 0.0, 1.0);
}

double CSound::GetTimeFraction() const noexcept
{
    return Fraction(double(m_position), double(m_segmentLength) - 1.0);
}

void CSound::PostProcess(CStereoFrame& frame) noexcept
{
    if (m_segment == nullptr)
        return;
    CSegment& s = *m_segment;
    const double t = GetTimeFraction();
    const double gain = GetBaseGain() * s.m_volume.GetValueAt(t) / 100.0;
    const double f = GetFade();
    double left = f * gain * frame.left;
    double right = f * gain * frame.right;

    // 50 is the centre: both channels as they are; towards 100 the left fades out, towards 0
    // the right.
    const double b = s.m_balance.GetValueAt(t) / 100.0;
    if (b >= 0.5)
        left *= 2.0 * (1.0 - b);
    if (b <= 0.5)
        right *= 2.0 * b;

    s.m_brainwaves.Process(left, right);
    s.m_bilateral.Process(left, right);
    frame.left = static_cast<float>(left);
    frame.right = static_cast<float>(right);
    UpdateEffects();
}

void CSound::UpdateEffects() noexcept
{
    if (m_segment == nullptr || m_effects == nullptr)
        return;
    // The effects follow p / L (not L - 1, as the other settings do).
    const double t = Fraction(double(m_position), double(m_segmentLength));
    auto& levels = m_segment->m_effects.m_level;
    m_effects->SetEnhanceLevel(levels[CEffectsLocal::kEnhance].GetValueAt(t) / 100.0);
    m_effects->SetReverbLevel(levels[CEffectsLocal::kReverb].GetValueAt(t) / 100.0);
    m_effects->SetEchoLevel(levels[CEffectsLocal::kEcho].GetValueAt(t) / 100.0);
    m_effects->SetChorusLevel(levels[CEffectsLocal::kChorus].GetValueAt(t) / 100.0);
}
