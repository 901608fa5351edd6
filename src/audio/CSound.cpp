#include "audio/CSound.h"

#include "audio/CEffectsProcessor.h"
#include "model/CSegment.h"
#include "model/SessionClockSetting.h"

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
    return FadeAt(m_position);
}

double CSound::FadeAt(std::int64_t p) noexcept
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

bool CSound::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    const std::uint32_t position = m_position;
    const std::uint32_t absolute = m_absoluteFrame;
    bool ok = true;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        if (!GetSample(out[i]))
        {
            ok = false;
            break;
        }
        ++m_position;
        ++m_absoluteFrame;
    }
    m_position = position;
    m_absoluteFrame = absolute;
    return ok;
}

void CSound::UpdateEffectsBlock(std::uint32_t n) noexcept
{
    if (m_segment == nullptr || m_effects == nullptr || n == 0)
        return;
    auto& levels = m_segment->m_effects.m_level;
    const double t = Fraction(double(m_position + (n - 1)), double(m_segmentLength));
    double value[CEffectsLocal::kEffectCount];
    for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
    {
        CSmartProperty& level = levels[e];
        if (level.GetMode() == CSmartProperty::kModeAutoGraph)
        {
            // Each frame steps the walk; the effects read the last value only.
            for (std::uint32_t i = 1; i < n; ++i)
                (void)level.GetValueAt(t);
        }
        value[e] = level.GetValueAt(t) / 100.0;
    }
    m_effects->SetEnhanceLevel(value[CEffectsLocal::kEnhance]);
    m_effects->SetReverbLevel(value[CEffectsLocal::kReverb]);
    m_effects->SetEchoLevel(value[CEffectsLocal::kEcho]);
    m_effects->SetChorusLevel(value[CEffectsLocal::kChorus]);
}

void CSound::FadeGains(double* out, double gain, std::uint32_t n) noexcept
{
    std::fill_n(out, n, gain);
    (void)FadeAt(m_position); // settles a fade too long for the segment
    if (!HasFades() || m_fadeFrames == 0)
        return;
    // Fade frames: positions up to the fade length and from the length less the fade on.
    const std::int64_t first = m_position;
    const std::int64_t end = first + n;
    const std::int64_t fade = m_fadeFrames;
    const std::int64_t inEnd = std::min<std::int64_t>(end, fade + 1);
    for (std::int64_t p = first; p < inEnd; ++p)
        out[p - first] = FadeAt(p) * gain;
    const std::int64_t outFirst =
        std::max<std::int64_t>(std::max(first, inEnd), std::int64_t{m_segmentLength} - fade);
    for (std::int64_t p = outFirst; p < end; ++p)
        out[p - first] = FadeAt(p) * gain;
}

bool CSound::RenderBlock(CStereoFrame* out, std::uint32_t n, SessionClocks clocks) noexcept
{
    if (m_segment == nullptr || clocks.brainwaves == nullptr || clocks.bilateral == nullptr)
        return false;
    CSegment& s = *m_segment;
    const double baseGain = GetBaseGain();
    double fadeGain[kChunkFrames];
    double scaledLeft[kChunkFrames]; // the samples through gain, fade and balance
    double scaledRight[kChunkFrames];
    double beatLeft[kChunkFrames];
    double beatRight[kChunkFrames];
    double panLeft[kChunkFrames];
    double panRight[kChunkFrames];
    double beat[kChunkFrames];
    std::size_t volumeHint = 1;
    std::size_t balanceHint = 1;
    for (std::uint32_t done = 0; done < n;)
    {
        const std::uint32_t count = std::min(n - done, kChunkFrames);
        CStereoFrame* chunk = out + done;
        const std::uint32_t offset = clocks.offset + done;

        // What the sound's own generator needs first: the beat is read before the frame's
        // entrainment step, as the per-frame order has it.
        const bool needsBeat = NeedsBeat();
        s.m_brainwaves.ProcessBlock(*clocks.brainwaves, offset, beatLeft, beatRight,
                                    needsBeat ? beat : nullptr, count);
        s.m_bilateral.ProcessBlock(*clocks.bilateral, offset, panLeft, panRight, count);
        m_blockBeat = needsBeat ? beat : nullptr;
        try
        {
            if (!GetSamples(chunk, count))
            {
                m_blockBeat = nullptr;
                return false;
            }
        }
        catch (...)
        {
            m_blockBeat = nullptr;
            return false;
        }
        m_blockBeat = nullptr;

        const bool volumeConstant = s.m_volume.IsConstant();
        const bool balanceConstant = s.m_balance.IsConstant();
        if (volumeConstant && balanceConstant)
        {
            // Read once; a fade touches only its own frames.
            const double gain = baseGain * s.m_volume.GetValue() / 100.0;
            const double b = s.m_balance.GetValue() / 100.0;
            const double toLeft = b >= 0.5 ? 2.0 * (1.0 - b) : 1.0;
            const double toRight = b <= 0.5 ? 2.0 * b : 1.0;
            FadeGains(fadeGain, gain, count);
            for (std::uint32_t i = 0; i < count; ++i)
            {
                double left = fadeGain[i] * chunk[i].left;
                double right = fadeGain[i] * chunk[i].right;
                left *= toLeft;
                right *= toRight;
                scaledLeft[i] = left;
                scaledRight[i] = right;
            }
        }
        else
        {
            for (std::uint32_t i = 0; i < count; ++i)
            {
                const std::uint32_t p = m_position + i;
                const double t = Fraction(double(p), double(m_segmentLength) - 1.0);
                const double gain = volumeConstant ? baseGain * s.m_volume.GetValue() / 100.0
                                                   : baseGain * s.m_volume.GetValueAt(t, volumeHint) / 100.0;
                fadeGain[i] = FadeAt(p) * gain;
                const double b = balanceConstant ? s.m_balance.GetValue() / 100.0
                                                 : s.m_balance.GetValueAt(t, balanceHint) / 100.0;
                const double toLeft = b >= 0.5 ? 2.0 * (1.0 - b) : 1.0;
                const double toRight = b <= 0.5 ? 2.0 * b : 1.0;
                scaledLeft[i] = fadeGain[i] * chunk[i].left * toLeft;
                scaledRight[i] = fadeGain[i] * chunk[i].right * toRight;
            }
        }
        // The multiplications in the order of the per-frame path, so the results are the same.
        for (std::uint32_t i = 0; i < count; ++i)
        {
            double left = scaledLeft[i];
            double right = scaledRight[i];
            left *= beatLeft[i];
            right *= beatRight[i];
            left *= panLeft[i];
            right *= panRight[i];
            chunk[i].left = static_cast<float>(left);
            chunk[i].right = static_cast<float>(right);
        }
        UpdateEffectsBlock(count);
        m_position += count;
        m_absoluteFrame += count;
        done += count;
    }
    return true;
}
