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
    m_leftPhasor.at = -1.0;
    m_rightPhasor.at = -1.0;
    return true;
}

bool CSoundTone::BeatIsBuilt() const noexcept
{
    return m_brainwaves != nullptr && m_brainwaves->m_enabled.load(std::memory_order_relaxed) &&
           m_brainwaves->m_method.load(std::memory_order_relaxed) == CBrainwavesLocal::kMethodBinaural &&
           m_brainwaves->IsTrueBinaural();
}

bool CSoundTone::NeedsBeat() const noexcept
{
    return BeatIsBuilt();
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

void CSoundTone::StartPhasor(const Oscillator& osc, Phasor& ph, double p, int overtones) const noexcept
{
    // The carrier from its place in the period; each partial from its own running phase.
    ph.partial[0].Anchor((p - osc.m_periodStart) / osc.m_period, 1.0 / osc.m_period);
    for (int k = 1; k <= overtones; ++k)
    {
        const auto i = static_cast<std::size_t>(k - 1);
        ph.partial[k].Anchor(osc.m_partialPhase[i], kOvertoneMultipliers[i] / osc.m_period);
    }
    ph.overtones = overtones;
}

double CSoundTone::Turn(Oscillator& osc, Phasor& ph, double p, int overtones) const noexcept
{
    bool anchor = p != ph.at || overtones != ph.overtones ||
                  static_cast<std::uint32_t>(p) % model::SinePhasor::kAnchorFrames == 0;
    if (osc.m_nextBoundary <= p)
    {
        osc.m_period = PeriodOf(osc.m_frequency);
        osc.m_periodStart = osc.m_nextBoundary;
        osc.m_nextBoundary += osc.m_period;
        anchor = true;
    }
    if (anchor)
        StartPhasor(osc, ph, p, overtones);
    ph.at = p + 1.0;
    double s = ph.partial[0].Sin();
    ph.partial[0].Step();
    if (overtones <= 0)
        return s;
    double a = 1.0;
    double sum = 1.0;
    for (int k = 1; k <= overtones; ++k)
    {
        a *= kOvertoneDecay;
        s += a * ph.partial[k].Sin();
        sum += a;
        ph.partial[k].Step();
        // The running phase as GetSample keeps it, so either path may take over from the other.
        const auto i = static_cast<std::size_t>(k - 1);
        double& phase = osc.m_partialPhase[i];
        phase += kOvertoneMultipliers[i] / osc.m_period;
        phase -= std::floor(phase);
    }
    return s / sum;
}

bool CSoundTone::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    if (n == 0)
        return true;
    const bool enabled = m_brainwaves->m_enabled.load(std::memory_order_relaxed);
    const bool binaural =
        m_brainwaves->m_method.load(std::memory_order_relaxed) == CBrainwavesLocal::kMethodBinaural;
    const bool beatBuilt = BeatIsBuilt() && m_blockBeat != nullptr;
    const bool twoCarriers = enabled && binaural;
    const double overtoneSetting = m_tone->m_overtones.GetValue();
    const int overtones =
        overtoneSetting >= 1.0 ? static_cast<int>(std::min(overtoneSetting, double(kMaxOvertones))) : 0;
    CSmartProperty& carrier = m_tone->m_carrier;
    const bool carrierConstant = carrier.IsConstant();
    const double constantCarrier = carrier.GetValue();
    std::size_t hint = 1;
    if (overtones == 0 && n <= kChunkFrames)
    {
        // Each carrier on its own over the frames: runs between its period boundaries and the
        // anchors only turn its phasor.
        double f[kChunkFrames];
        double frequency[kChunkFrames];
        double value[kChunkFrames];
        for (std::uint32_t i = 0; i < n; ++i)
        {
            f[i] = constantCarrier;
            if (!carrierConstant)
            {
                const std::uint32_t position = m_position + i;
                const double t =
                    m_segmentLength == 0 ? 0.0 : std::min(1.0, double(position) / double(m_segmentLength));
                f[i] = carrier.GetValueAt(t, hint);
            }
        }
        for (std::uint32_t i = 0; i < n; ++i)
            frequency[i] = f[i] - (beatBuilt ? m_blockBeat[i] : 0.0) / 2.0;
        Run(m_left, m_leftPhasor, frequency, value, n);
        for (std::uint32_t i = 0; i < n; ++i)
            out[i].left = out[i].right = static_cast<float>(value[i]);
        for (std::uint32_t i = 0; i < n; ++i)
            frequency[i] = f[i] + (beatBuilt ? m_blockBeat[i] : 0.0) / 2.0;
        if (twoCarriers)
        {
            Run(m_right, m_rightPhasor, frequency, value, n);
            for (std::uint32_t i = 0; i < n; ++i)
                out[i].right = static_cast<float>(value[i]);
        }
        m_right.m_frequency = frequency[n - 1];
        return true;
    }
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const std::uint32_t position = m_position + i;
        const double beat = beatBuilt ? m_blockBeat[i] : 0.0;
        double f = constantCarrier;
        if (!carrierConstant)
        {
            const double t =
                m_segmentLength == 0 ? 0.0 : std::min(1.0, double(position) / double(m_segmentLength));
            f = carrier.GetValueAt(t, hint);
        }
        m_left.m_frequency = f - beat / 2.0;
        m_right.m_frequency = f + beat / 2.0;
        const double p = double(position);
        const double l = Turn(m_left, m_leftPhasor, p, overtones);
        const double r = twoCarriers ? Turn(m_right, m_rightPhasor, p, overtones) : l;
        out[i].left = static_cast<float>(l);
        out[i].right = static_cast<float>(r);
    }
    return true;
}

void CSoundTone::Run(Oscillator& osc, Phasor& ph, const double* frequency, double* value,
                     std::uint32_t n) const noexcept
{
    const double p0 = double(m_position);
    for (std::uint32_t i = 0; i < n;)
    {
        // The frame that may open a period or anchor, as Turn has it.
        osc.m_frequency = frequency[i];
        value[i] = Turn(osc, ph, p0 + i, 0);
        ++i;
        // Then the frames before the next boundary and the next anchor.
        const double p = p0 + i;
        constexpr std::uint32_t anchors = model::SinePhasor::kAnchorFrames;
        const std::uint32_t grid = static_cast<std::uint32_t>(p) % anchors;
        std::uint32_t run = std::min(n - i, grid == 0 ? 0u : anchors - grid);
        const double toBoundary = osc.m_nextBoundary - p;
        run = toBoundary > 0.0 ? static_cast<std::uint32_t>(std::min<double>(run, std::ceil(toBoundary))) : 0;
        ph.partial[0].Sines(value + i, run);
        ph.at = p + run;
        i += run;
    }
    osc.m_frequency = frequency[n - 1];
}
