#pragma once
/** @brief The breathwork sound: breathing cycles split into in, hold, out and hold phases by a
 *  pattern of ratios, a spoken prompt at the start of each phase and a breath noise that
 *  swells and fades over each inhale and exhale.
 *
 * A cycle lasts the cycle setting (8..60 s) read at its start; a cycle that could not end
 * inside the segment is not begun, and the rest of the segment is silent. In the first cycle
 * every prompt is a long one that fits its phase (else the short one); later the short one is
 * taken at random half of the time. A hold of ratio 0 lasts one frame. The breath noise is
 * ((1 - v) brown + v pink) x sqrt(v) x sin(pi u), v the breathing setting / 100 and u the
 * fraction of the phase gone; it is silent in the holds.
 *
 * Threads: the mixer's worker. Init opens thirteen files (eleven prompts, two noise loops). */

#include "audio/CBreathworkVoice.h"
#include "audio/CSound.h"
#include "audio/CSoundFile.h"
#include "model/SinePhasor.h"

#include <array>
#include <cstdint>

class CSegmentBreathwork;

class CSoundBreathwork : public CSound
{
public:
    static constexpr int kPhaseCount = 4;
    /** in : hold : out : hold by pattern. */
    static constexpr std::int32_t kPatterns[10][kPhaseCount] = {
        {1, 0, 1, 0}, {2, 1, 2, 1}, {1, 0, 2, 0}, {1, 1, 2, 0}, {1, 2, 2, 0},
        {1, 3, 2, 0}, {1, 4, 2, 0}, {1, 4, 2, 1}, {1, 1, 1, 0}, {1, 1, 1, 1},
    };

    bool Init() override;
    /** Closes the prompts and the noise loops, then the base part. */
    bool Terminate() override;
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kDefaultBaseGain; }
    bool HasFades() const noexcept override { return false; }

protected:
    /** The frames between the phase starts in spans, each source read in one go. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;

private:
    static constexpr int kPhaseIn = 0;
    static constexpr int kPhaseOut = 2;

    void NextCycle();
    /** Finds every prompt's file; none is opened yet. */
    bool OpenPrompts();
    /** Opens prompt @p index when it is not open; false (the error text set) when it fails. */
    bool OpenPrompt(int index);
    int ChoosePrompt();
    void StartPhase();
    void GetBreathNoise(CStereoFrame& frame);
    /** The breath noise's envelope sin(pi u) at segment position @p p of the phase. */
    double Envelope(std::uint32_t p) const noexcept;
    /** Envelope at the @p n positions from @p p, all in the current phase, by a phasor
     *  anchored at the phase's start and every SinePhasor::kAnchorFrames-th frame of it, so
     *  the values do not depend on how requests cut the phase (within 1e-12 of Envelope). */
    void FillEnvelope(std::uint32_t p, std::uint32_t n, double* out) noexcept;
    /** The events of a frame at m_position: the next cycle or phase when due; false when the
     *  segment's breathing is over. */
    bool StepPhase();
    bool OpenBreathNoise();
    void CloseAll();
    double SpanFraction() const noexcept;

    CSegmentBreathwork* m_breathwork = nullptr; ///< the segment as a breathwork segment, not owned
    std::array<std::int32_t, kPhaseCount> m_ratios{};
    std::array<std::uint32_t, kPhaseCount> m_phaseLength{};
    double m_cycleSeconds = 0.0;
    bool m_done = false;
    bool m_firstCycle = false;
    std::uint32_t m_cycleEnd = 0; ///< segment positions
    std::uint32_t m_nextPhase = 0;
    int m_phase = -1; ///< -1 before the first phase of a cycle
    std::uint32_t m_phaseStart = 0;
    std::uint32_t m_cycleFrames = 0;
    std::array<CBreathworkVoice, CBreathworkVoice::kPhraseCount> m_voices;
    CSoundFile m_brown;
    bool m_brownOpen = false;
    CSoundFile m_pink;
    bool m_pinkOpen = false;
    int m_prompt = -1;                ///< the prompt being said
    bool m_promptFailed = false;      ///< a prompt failed to open: the render fails
    model::SinePhasor m_envelope;     ///< sin(pi u) of the block renderer
    std::uint32_t m_envelopeAt = ~0u; ///< frames into the phase the phasor stands at; ~0u: nowhere
};
