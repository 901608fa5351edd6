#include "model/CBrainwavesLocal.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr std::int32_t kCurrentRecordsVersion = 400;
} // namespace

CBrainwavesLocal::CBrainwavesLocal()
{
    m_depth.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    m_frequency.Init(CSmartProperty::kModeConstant, CBrainwavesGlobal::kMinHz, CBrainwavesGlobal::kMaxHz);
}

void CBrainwavesLocal::SetDefaults()
{
    m_enabled = false;
    m_method = kMethodBinaural;
    m_depth.SetValue(kDefaultDepth);
    m_ownFrequency = false;
    m_frequency.SetValue(kDefaultHz);
}

void CBrainwavesLocal::CopyFrom(const CBrainwavesLocal& other)
{
    if (this == &other)
        return;
    m_enabled = other.m_enabled.load();
    m_method = other.m_method.load();
    m_depth = other.m_depth;
    m_ownFrequency = other.m_ownFrequency.load();
    m_frequency = other.m_frequency;
}

void CBrainwavesLocal::Setup(CBrainwavesGlobal* global, std::uint32_t currentFrame, std::uint32_t sampleRate,
                             std::uint32_t firstFrame, std::uint32_t endFrame) noexcept
{
    m_global = global;
    m_run.Bind(currentFrame, sampleRate, firstFrame, endFrame);
}

void CBrainwavesLocal::AdvanceOwnClock() noexcept
{
    m_run.AdvanceOwn(m_frequency, 1.0);
}

double CBrainwavesLocal::GetFrequency() noexcept
{
    if (m_ownFrequency.load(std::memory_order_relaxed))
        return m_frequency.GetValueAt(m_run.Fraction());
    return m_global != nullptr ? m_global->GetFrequency() : 0.0;
}

void CBrainwavesLocal::Process(double& left, double& right) noexcept
{
    if (!m_enabled.load(std::memory_order_relaxed))
        return;
    const CCycleClock* clock = nullptr;
    if (m_ownFrequency.load(std::memory_order_relaxed))
    {
        AdvanceOwnClock();
        clock = &m_run.m_ownClock;
    }
    else if (m_global != nullptr)
        clock = &m_global->GetClock();

    if (clock != nullptr)
    {
        const double phase = clock->PhaseAt(m_run.m_frame);
        m_depthFactor = m_depth.GetValueAt(m_run.Fraction()) / 100.0;
        switch (m_method.load(std::memory_order_relaxed))
        {
        case kMethodBinaural:
            if (!IsTrueBinaural())
                ApplyBinaural((std::sin(2.0 * kPi * phase) + 1.0) / 2.0, left, right);
            break;
        case kMethodMonaural:
            ApplyMonaural((std::sin(2.0 * kPi * phase) + 1.0) / 2.0, left, right);
            break;
        case kMethodIsochronic:
            ApplyIsochronic(0.5, phase, left, right);
            break;
        case kMethodIsochronicWide:
            ApplyIsochronic(0.75, phase, left, right);
            break;
        case kMethodIsochronicNarrow:
            ApplyIsochronic(0.25, phase, left, right);
            break;
        default:
            break;
        }
    }
    ++m_run.m_frame;
}

void CBrainwavesLocal::ProcessBlock(const model::ClockBlock& shared, std::uint32_t offset, double* gainLeft,
                                    double* gainRight, double* beat, std::uint32_t n) noexcept
{
    if (!m_enabled.load(std::memory_order_relaxed))
    {
        std::fill_n(gainLeft, n, 1.0);
        std::fill_n(gainRight, n, 1.0);
        // The tone asks for the beat only while the entrainment is on.
        if (beat != nullptr)
            std::fill_n(beat, n, 0.0);
        return;
    }
    const bool own = m_ownFrequency.load(std::memory_order_relaxed);
    const std::int32_t method = m_method.load(std::memory_order_relaxed);
    const bool trueBinaural = IsTrueBinaural();
    const bool depthConstant = m_depth.IsConstant();
    const double constantDepth = m_depth.GetValue() / 100.0;
    // The track stands on the session clock's frames: the swing worked out once for every
    // track serves, and only the depth is this track's.
    const bool onShared = !own && m_run.m_frame == shared.firstFrame + offset;
    const bool swings = method == kMethodMonaural || (method == kMethodBinaural && !trueBinaural);
    if (onShared && depthConstant && (swings || method == kMethodBinaural))
    {
        if (beat != nullptr)
            std::copy_n(shared.frequency.data() + offset, n, beat);
        m_depthFactor = constantDepth;
        const double* wave = shared.wave.data() + offset;
        const double d = constantDepth;
        if (!swings) // the tone makes this beat itself
        {
            std::fill_n(gainLeft, n, 1.0);
            std::fill_n(gainRight, n, 1.0);
        }
        else if (method == kMethodBinaural)
        {
            for (std::uint32_t i = 0; i < n; ++i)
            {
                gainLeft[i] = 1.0 - (1.0 - wave[i]) * d;
                gainRight[i] = 1.0 - wave[i] * d;
            }
        }
        else
        {
            for (std::uint32_t i = 0; i < n; ++i)
            {
                const double g = 1.0 - (1.0 - wave[i]) * d;
                gainLeft[i] = g;
                gainRight[i] = g;
            }
        }
        m_run.m_frame += n;
        return;
    }
    std::size_t depthHint = 1;
    std::size_t frequencyHint = 1;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const std::uint32_t k = offset + i;
        if (beat != nullptr)
            beat[i] = own ? m_frequency.GetValueAt(m_run.Fraction(), frequencyHint) : shared.frequency[k];
        const CCycleClock* clock = &shared.clock[k];
        if (own)
        {
            AdvanceOwnClock();
            clock = &m_run.m_ownClock;
        }
        const double phase = clock->PhaseAt(m_run.m_frame);
        m_depthFactor =
            depthConstant ? constantDepth : m_depth.GetValueAt(m_run.Fraction(), depthHint) / 100.0;
        const bool sharedWave = onShared;
        double l = 1.0;
        double r = 1.0;
        switch (method)
        {
        case kMethodBinaural:
            if (!trueBinaural)
                ApplyBinaural(sharedWave ? shared.wave[k] : (std::sin(2.0 * kPi * phase) + 1.0) / 2.0, l, r);
            break;
        case kMethodMonaural:
            ApplyMonaural(sharedWave ? shared.wave[k] : (std::sin(2.0 * kPi * phase) + 1.0) / 2.0, l, r);
            break;
        case kMethodIsochronic:
            ApplyIsochronic(0.5, phase, l, r);
            break;
        case kMethodIsochronicWide:
            ApplyIsochronic(0.75, phase, l, r);
            break;
        case kMethodIsochronicNarrow:
            ApplyIsochronic(0.25, phase, l, r);
            break;
        default:
            break;
        }
        gainLeft[i] = l;
        gainRight[i] = r;
        ++m_run.m_frame;
    }
}

void CBrainwavesLocal::ApplyBinaural(double a, double& left, double& right) const noexcept
{
    left *= 1.0 - (1.0 - a) * m_depthFactor;
    right *= 1.0 - a * m_depthFactor;
}

void CBrainwavesLocal::ApplyMonaural(double a, double& left, double& right) const noexcept
{
    const double gain = 1.0 - (1.0 - a) * m_depthFactor;
    left *= gain;
    right *= gain;
}

double CBrainwavesLocal::PulseEnvelope(double duty, double phase) noexcept
{
    // One pulse per cycle: a sine-shaped rise over the ramp, on until the ramp before the
    // end of the duty share, a sine-shaped fall, then off for the rest of the cycle.
    const double ramp = kRampShare * duty;
    double envelope = 0.0;
    if (phase >= 0.0 && phase < ramp)
        envelope = (std::sin(kPi * phase / ramp + 3.0 * kPi / 2.0) + 1.0) / 2.0;
    else if (phase >= duty - ramp && phase < duty)
        envelope = (std::sin(kPi * (phase - (duty - ramp)) / ramp + kPi / 2.0) + 1.0) / 2.0;
    else if (phase >= ramp && phase < duty - ramp)
        envelope = 1.0;
    else
        envelope = 0.0;
    return envelope;
}

void CBrainwavesLocal::ApplyIsochronic(double duty, double phase, double& left, double& right) const noexcept
{
    const double envelope = PulseEnvelope(duty, phase);
    const double gain = 1.0 - (1.0 - envelope) * m_depthFactor;
    left *= gain;
    right *= gain;
}

void CBrainwavesLocal::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteFlag(m_enabled);
        ar.WriteInt32(m_method);
        // The own-frequency flag comes before the depth in the record.
        ar.WriteFlag(m_ownFrequency);
        m_depth.Serialize(ar);
        m_frequency.Serialize(ar);
        return;
    }
    if (LoadOld(ar))
        return;
    m_enabled = ar.ReadFlag();
    m_method = ar.ReadInt32();
    m_ownFrequency = ar.ReadFlag();
    m_depth.Serialize(ar);
    m_frequency.Serialize(ar);
}

bool CBrainwavesLocal::LoadOld(plat::Archive& ar)
{
    if (ar.IsStoring() || ar.GetFileVersion() >= kCurrentRecordsVersion)
        return false;
    m_enabled = ar.ReadFlag();
    m_method = ar.ReadInt32();
    m_depth.LoadOld(ar, true, true); // old files hold the depth as a fraction
    m_ownFrequency = ar.ReadFlag();
    m_frequency.LoadOld(ar, true, false);
    return true;
}
