#include "audio/CSoundBreathwork.h"

#include "model/CSegmentBreathwork.h"
#include "platform/Random.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// Prompts by phase: the short one, and the first and count of the long ones.
struct PhasePrompts
{
    int shortPrompt;
    int firstLong;
    int longCount;
};
constexpr PhasePrompts kPrompts[CSoundBreathwork::kPhaseCount] = {
    {0, 3, 3}, // in: "In"; "Breathe in", "Take a deep breath", "Take in a deep and slow breath"
    {2, 9, 2}, // hold: "Hold"; "Hold your breath", "Hold your breath and relax"
    {1, 6, 3}, // out: "Out"; "Breathe out", "Breathe out slowly", "Breathe out the air completely"
    {2, 9, 2},
};

} // namespace

double CSoundBreathwork::SpanFraction() const noexcept
{
    return m_segmentLength == 0 ? 0.0 : std::min(1.0, double(m_position) / double(m_segmentLength));
}

bool CSoundBreathwork::Init()
{
    if (!CSound::Init())
        return false;
    CloseAll();
    m_breathwork = dynamic_cast<CSegmentBreathwork*>(m_segment);
    m_done = true;
    if (m_breathwork == nullptr)
        return true;
    // A stored pattern outside the table plays as pattern 0.
    const auto& row = kPatterns[m_breathwork->GetPattern()];
    std::copy(std::begin(row), std::end(row), m_ratios.begin());
    m_done = false;
    // The cycle is read once a cycle and the breathing every frame: both walk at one step a
    // second of the session rate, as the other properties do.
    m_breathwork->m_cycle.StartAutoGraph(m_rate);
    m_breathwork->m_breathing.StartAutoGraph(m_rate);
    if (!OpenPrompts())
    {
        m_errorText = QStringLiteral("Failed to open a breathwork sound file.");
        return false;
    }
    NextCycle();
    m_firstCycle = true;
    return OpenBreathNoise();
}

bool CSoundBreathwork::OpenPrompts()
{
    // Each prompt is opened (a decoder and a resampler) when it is first said, so that the
    // segment's start does not wait for all eleven; a missing one still fails the start.
    for (int i = 0; i < CBreathworkVoice::kPhraseCount; ++i)
        if (!m_voices[static_cast<std::size_t>(i)].Choose(i, m_rate))
            return false;
    return true;
}

bool CSoundBreathwork::OpenPrompt(int index)
{
    if (m_voices[static_cast<std::size_t>(index)].OpenChosen())
        return true;
    m_errorText = QStringLiteral("Failed to open a breathwork sound file.");
    m_promptFailed = true;
    return false;
}

bool CSoundBreathwork::OpenBreathNoise()
{
    const QString folder = GetInstallPath() + QStringLiteral("/Internals/Noise/");
    m_brownOpen = m_brown.OpenSharedLoop(folder + QStringLiteral("Brown.ogg"), m_rate);
    if (!m_brownOpen)
    {
        m_errorText = QStringLiteral("Failed to open the breathwork brown noise.");
        return false;
    }
    m_pinkOpen = m_pink.OpenSharedLoop(folder + QStringLiteral("Pink.ogg"), m_rate);
    if (!m_pinkOpen)
    {
        m_errorText = QStringLiteral("Failed to open the breathwork white noise.");
        return false;
    }
    return true;
}

void CSoundBreathwork::CloseAll()
{
    for (CBreathworkVoice& voice : m_voices)
        voice.Close();
    m_brown.Close();
    m_brownOpen = false;
    m_pink.Close();
    m_pinkOpen = false;
    m_prompt = -1;
    m_promptFailed = false;
}

bool CSoundBreathwork::Terminate()
{
    CloseAll();
    return CSound::Terminate();
}

void CSoundBreathwork::NextCycle()
{
    const std::uint32_t p = m_position;
    m_cycleSeconds = m_breathwork->m_cycle.GetValueAt(SpanFraction());
    m_cycleFrames = static_cast<std::uint32_t>(std::max(0.0, m_cycleSeconds * m_rate));
    m_cycleEnd = p + m_cycleFrames;
    const std::int32_t sum = m_ratios[0] + m_ratios[1] + m_ratios[2] + m_ratios[3];
    for (int i = 0; i < kPhaseCount; ++i)
        m_phaseLength[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(
            std::uint64_t(m_cycleFrames) * std::uint32_t(m_ratios[i]) / std::uint32_t(sum));
    m_nextPhase = 0;
    m_phase = -1;
    m_firstCycle = false;
    // Never begin a cycle that cannot end inside the segment.
    if (std::uint64_t(p) + m_cycleFrames > std::uint64_t(m_segmentLength) + 1 || m_cycleFrames == 0)
        m_done = true;
}

int CSoundBreathwork::ChoosePrompt()
{
    const PhasePrompts& prompts = kPrompts[m_phase];
    const bool takeShort = !m_firstCycle && RandomInt(2) == 0;
    if (takeShort)
        return prompts.shortPrompt;
    const int longPrompt = prompts.firstLong + RandomInt(static_cast<std::uint32_t>(prompts.longCount));
    if (!OpenPrompt(longPrompt))
        return longPrompt;
    // A long prompt that would still be speaking when the phase ends gives way to the short one.
    if (m_voices[static_cast<std::size_t>(longPrompt)].GetLength() >
        m_phaseLength[static_cast<std::size_t>(m_phase)])
        return prompts.shortPrompt;
    return longPrompt;
}

void CSoundBreathwork::StartPhase()
{
    m_prompt = ChoosePrompt();
    // A long prompt that failed in ChoosePrompt is not tried a second time.
    if (m_promptFailed || !OpenPrompt(m_prompt))
        return; // the prompt is silent; the render reports the failure
    m_voices[static_cast<std::size_t>(m_prompt)].Rewind();
    m_phaseStart = m_position;
    m_envelopeAt = ~0u;
}

double CSoundBreathwork::Envelope(std::uint32_t p) const noexcept
{
    double e = 0.0;
    if (m_phase == kPhaseIn || m_phase == kPhaseOut)
    {
        const std::uint32_t length = m_phaseLength[static_cast<std::size_t>(m_phase)];
        const double u = length == 0 ? 1.0 : double(p - m_phaseStart) / double(length);
        if (u > 0.0)
            e = std::sin(std::numbers::pi * std::min(u, 1.0));
    }
    return e;
}

void CSoundBreathwork::FillEnvelope(std::uint32_t p, std::uint32_t n, double* out) noexcept
{
    const bool breathing = m_phase == kPhaseIn || m_phase == kPhaseOut;
    const std::uint32_t length = breathing ? m_phaseLength[static_cast<std::size_t>(m_phase)] : 0;
    if (!breathing || length == 0 || p - m_phaseStart + std::uint64_t{n} > length)
    {
        for (std::uint32_t k = 0; k < n; ++k)
            out[k] = Envelope(p + k);
        return;
    }
    // sin(pi u) is sin(2 pi u / 2): half a cycle over the phase.
    constexpr std::uint32_t kAnchor = model::SinePhasor::kAnchorFrames;
    const double step = 0.5 / double(length);
    for (std::uint32_t k = 0; k < n;)
    {
        const std::uint32_t d = p + k - m_phaseStart;
        if (d % kAnchor == 0 || d != m_envelopeAt)
        {
            // A phasor that is not where this frame is starts from the anchor before it.
            const std::uint32_t anchor = d - d % kAnchor;
            m_envelope.Anchor(double(anchor) / double(length) * 0.5, step);
            double skipped[kAnchor];
            m_envelope.Sines(skipped, d - anchor);
        }
        const std::uint32_t run = std::min(n - k, kAnchor - d % kAnchor);
        m_envelope.Sines(out + k, run);
        m_envelopeAt = d + run;
        k += run;
    }
}

void CSoundBreathwork::GetBreathNoise(CStereoFrame& frame)
{
    const double v = std::clamp(m_breathwork->m_breathing.GetValueAt(SpanFraction()) / 100.0, 0.0, 1.0);
    const double e = Envelope(m_position);
    CStereoFrame b;
    CStereoFrame k;
    m_brown.ReadFrame(b); // a failed read is a silent frame
    m_pink.ReadFrame(k);
    const double g = std::sqrt(v) * e;
    frame.left = static_cast<float>(((1.0 - v) * b.left + v * k.left) * g);
    frame.right = static_cast<float>(((1.0 - v) * b.right + v * k.right) * g);
}

bool CSoundBreathwork::StepPhase()
{
    if (m_done)
        return false;
    const std::uint32_t p = m_position;
    if (p >= m_cycleEnd)
    {
        NextCycle();
        if (m_done)
            return false;
    }
    if (p >= m_nextPhase)
    {
        m_phase = (m_phase + 1) % kPhaseCount;
        m_nextPhase = p + m_phaseLength[static_cast<std::size_t>(m_phase)];
        StartPhase();
    }
    return true;
}

bool CSoundBreathwork::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    CStereoFrame voice[kChunkFrames];
    CStereoFrame brown[kChunkFrames];
    CStereoFrame pink[kChunkFrames];
    n = std::min(n, kChunkFrames);
    if (m_done || m_breathwork == nullptr)
    {
        std::fill_n(out, n, CStereoFrame{});
        return true;
    }
    const std::uint32_t start = m_position;
    CSmartProperty& breathing = m_breathwork->m_breathing;
    for (std::uint32_t i = 0; i < n;)
    {
        m_position = start + i;
        const bool stepped = StepPhase();
        if (m_promptFailed)
        {
            m_position = start;
            return false;
        }
        if (!stepped)
        {
            std::fill(out + i, out + n, CStereoFrame{});
            break;
        }
        // Up to the next phase or cycle (a phase of no frames still has its one).
        const std::uint32_t p = m_position;
        const std::uint32_t edge = std::min(m_cycleEnd, m_nextPhase);
        const std::uint32_t span = std::min(n - i, std::max<std::uint32_t>(1, edge > p ? edge - p : 0));
        m_voices[static_cast<std::size_t>(m_prompt)].ReadFrames(voice, span);
        m_brown.ReadFrames(brown, span); // a failed read is silence
        m_pink.ReadFrames(pink, span);
        const bool constant = breathing.IsConstant();
        const double constantV = std::clamp(breathing.GetValue() / 100.0, 0.0, 1.0);
        const double constantRoot = std::sqrt(constantV);
        double envelope[kChunkFrames];
        FillEnvelope(p, span, envelope);
        for (std::uint32_t k = 0; k < span; ++k)
        {
            m_position = p + k;
            const double v =
                constant ? constantV : std::clamp(breathing.GetValueAt(SpanFraction()) / 100.0, 0.0, 1.0);
            const double g = (constant ? constantRoot : std::sqrt(v)) * envelope[k];
            CStereoFrame& f = out[i + k];
            f.left = static_cast<float>(((1.0 - v) * brown[k].left + v * pink[k].left) * g);
            f.right = static_cast<float>(((1.0 - v) * brown[k].right + v * pink[k].right) * g);
            f.left += voice[k].left;
            f.right += voice[k].right;
        }
        i += span;
    }
    m_position = start;
    return true;
}

bool CSoundBreathwork::GetSample(CStereoFrame& frame)
{
    frame = {};
    const bool stepped = StepPhase();
    if (m_promptFailed)
        return false;
    if (!stepped)
        return true;
    CStereoFrame voice;
    m_voices[static_cast<std::size_t>(m_prompt)].ReadFrame(voice);
    GetBreathNoise(frame);
    frame.left += voice.left;
    frame.right += voice.right;
    return true;
}
