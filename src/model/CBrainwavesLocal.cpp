#include "model/CBrainwavesLocal.h"

#include "platform/Archive.h"

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

void CBrainwavesLocal::ApplyIsochronic(double duty, double phase, double& left, double& right) const noexcept
{
    // One pulse per cycle: a sine-shaped rise over the ramp, on until the ramp before the
    // end of the duty share, a sine-shaped fall, then off for the rest of the cycle.
    const double ramp = kRampShare * duty;
    double envelope;
    if (phase >= 0.0 && phase < ramp)
        envelope = (std::sin(kPi * phase / ramp + 3.0 * kPi / 2.0) + 1.0) / 2.0;
    else if (phase >= duty - ramp && phase < duty)
        envelope = (std::sin(kPi * (phase - (duty - ramp)) / ramp + kPi / 2.0) + 1.0) / 2.0;
    else if (phase >= ramp && phase < duty - ramp)
        envelope = 1.0;
    else
        envelope = 0.0;
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
