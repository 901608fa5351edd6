#include "audio/CSoundTone.h"

#include "model/CBrainwavesLocal.h"
#include "model/CSegmentTone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A carrier of 0 Hz would never end its period.
constexpr double kLowestHz = 1.0;

} // namespace

bool CSoundTone::Init()
{
    m_tone = dynamic_cast<CSegmentTone*>(m_segment);
    if (m_tone == nullptr)
    {
        m_errorText = QString::fromLatin1(kEffectsInitError);
        return false;
    }
    if (!CSound::Init())
        return false;
    m_tone->m_carrier.StartAutoGraph(m_rate);
    m_brainwaves = &m_tone->m_brainwaves;

    const double f0 = m_tone->m_carrier.GetValueAt(0.0);
    for (Oscillator* osc : {&m_left, &m_right})
    {
        osc->m_frequency = f0;
        osc->m_periodStart = double(m_position);
        osc->m_period = PeriodOf(f0);
        osc->m_nextBoundary = double(m_position) + osc->m_period;
        osc->m_partialPhase.fill(0.0);
    }
    return true;
}

bool CSoundTone::GetSample(CStereoFrame& frame)
{
    const double t = m_segmentLength == 0 ? 0.0 : std::min(1.0, double(m_position) / double(m_segmentLength));
    const bool enabled = m_brainwaves->m_enabled.load(std::memory_order_relaxed);
    const bool binaural =
        m_brainwaves->m_method.load(std::memory_order_relaxed) == CBrainwavesLocal::kMethodBinaural;
    // The beat is built here only while the entrainment is on: a disabled binaural setting
    // once detuned the tone by half a beat all the same.
    const double beat =
        enabled && binaural && m_brainwaves->IsTrueBinaural() ? m_brainwaves->GetFrequency() : 0.0;

    const double f = m_tone->m_carrier.GetValueAt(t);
    m_left.m_frequency = f - beat / 2.0;
    m_right.m_frequency = f + beat / 2.0;

    // The constant, even when the row follows a graph; held to the multiplier table.
    const double n = m_tone->m_overtones.GetValue();
    const int overtones = n >= 1.0 ? static_cast<int>(std::min(n, double(kMaxOvertones))) : 0;
    const double left = Oscillate(m_left, overtones);
    const double right = enabled && binaural ? Oscillate(m_right, overtones) : left;
    frame.left = static_cast<float>(left);
    frame.right = static_cast<float>(right);
    return true;
}

double CSoundTone::PeriodOf(double hz) const noexcept
{
    // A damaged carrier (not a number, 0, beyond half the rate) must not stall or race the
    // period boundaries.
    const double f = hz > kLowestHz ? std::min(hz, double(m_rate) / 2.0) : kLowestHz;
    return double(m_rate) / f;
}

double CSoundTone::Oscillate(Oscillator& osc, int overtones) const noexcept
{
    const double p = double(m_position);
    if (osc.m_nextBoundary <= p)
    {
        osc.m_period = PeriodOf(osc.m_frequency);
        osc.m_periodStart = osc.m_nextBoundary;
        osc.m_nextBoundary += osc.m_period;
    }
    const double u = (p - osc.m_periodStart) / osc.m_period;
    double s = std::sin(kTwoPi * u);
    if (overtones <= 0)
        return s;
    double a = 1.0;
    double sum = 1.0;
    for (int i = 0; i < overtones; ++i)
    {
        const auto k = static_cast<std::size_t>(i);
        a *= kOvertoneDecay;
        double& phase = osc.m_partialPhase[k];
        s += a * std::sin(kTwoPi * phase);
        sum += a;
        // At the carrier's present frequency, so that the partials glide with it.
        phase += kOvertoneMultipliers[k] / osc.m_period;
        phase -= std::floor(phase);
    }
    return s / sum;
}
