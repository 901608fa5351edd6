#pragma once
/** @brief The effect chain of one track (or of the live recording) over float stereo blocks.
 *
 * Initialised for every segment with that segment's four switches: Enhance (two equaliser
 * bands, 125 Hz and 8 kHz), reverb, echo and chorus; the noise sound adds one more band as
 * its filter. The levels are set frame by frame, but only their values when a block is
 * processed count: Process turns them into effect parameters and runs the enabled effects in
 * place in the order reverb, echo, chorus, then the equaliser bands.
 *
 * Threads: one thread at a time (the mixer's worker for a track, the recording callback for
 * the live recording). Process and the setters never allocate, lock or throw; the first Init
 * at a sample rate allocates the delay lines, later Inits at that rate reuse them. Init,
 * AddFilter and Terminate are virtual so that a test can stand in a processor that fails. */

#include "audio/CStereoFrame.h"
#include "platform/dsp/Chorus.h"
#include "platform/dsp/Echo.h"
#include "platform/dsp/ParamEq.h"
#include "platform/dsp/WavesReverb.h"

#include <cstdint>

class CEffectsProcessor
{
public:
    /** Highest sample rate Init accepts. */
    static constexpr int kMaxRate = 384000;

    CEffectsProcessor() = default;
    virtual ~CEffectsProcessor() = default;
    CEffectsProcessor(const CEffectsProcessor&) = delete;
    CEffectsProcessor& operator=(const CEffectsProcessor&) = delete;

    /** Starts a segment's chain at @p rate with the chosen effects, every one of them cleared
     *  and every level 0; effects not chosen do not run, the filter band is not added. False
     *  (and not running) for a rate outside 1..kMaxRate or when memory runs out. */
    virtual bool Init(int rate, bool enhance, bool reverb, bool echo, bool chorus);
    /** Adds the filter band, cleared, with gain, centre and sharpness 0. False when not running. */
    virtual bool AddFilter();

    /** Levels 0..1 (outside values are limited to it; NaN counts as 0). */
    void SetEnhanceLevel(double level) noexcept;
    void SetReverbLevel(double level) noexcept;
    void SetEchoLevel(double level) noexcept;
    void SetChorusLevel(double level) noexcept;
    /** Filter band: gain fraction (x 15 dB), centre in Hz, sharpness fraction (0 is a
     *  36-semitone band, 1 a 1-semitone band). */
    void SetFilter(double gainFraction, double centreHz, double sharpness) noexcept;

    /** Runs the chain in place over @p frames frames and returns @p frames; 0 and the block
     *  untouched when not running or without a block. An effect whose output is not finite is
     *  cleared, so one bad block cannot poison its state for the rest of the segment. */
    std::uint32_t Process(CStereoFrame* block, std::uint32_t frames) noexcept;

    /** Stops the chain. Always succeeds; true. */
    virtual bool Terminate() noexcept;
    /** As Terminate, without a result. */
    void Free() noexcept;

    bool IsRunning() const noexcept { return m_running; }
    double GetEnhanceLevel() const noexcept { return m_enhanceLevel; }
    double GetReverbLevel() const noexcept { return m_reverbLevel; }
    double GetEchoLevel() const noexcept { return m_echoLevel; }
    double GetChorusLevel() const noexcept { return m_chorusLevel; }
    double GetFilterGain() const noexcept { return m_filterGain; }
    double GetFilterCentre() const noexcept { return m_filterCentre; }
    double GetFilterSharpness() const noexcept { return m_filterSharpness; }

private:
    void UpdateParameters() noexcept;

    dsp::ParamEq m_enhanceLow;
    dsp::ParamEq m_enhanceHigh;
    dsp::WavesReverb m_reverb;
    dsp::Echo m_echo;
    dsp::Chorus m_chorus;
    dsp::ParamEq m_filter;
    bool m_enhanceOn = false;
    bool m_reverbOn = false;
    bool m_echoOn = false;
    bool m_chorusOn = false;
    bool m_filterOn = false;

    double m_enhanceLevel = 0.0;
    double m_reverbLevel = 0.0;
    double m_echoLevel = 0.0;
    double m_chorusLevel = 0.0;
    double m_filterGain = 0.0;
    double m_filterCentre = 0.0;
    double m_filterSharpness = 0.0;

    int m_rate = 0;
    int m_preparedRate = 0; ///< rate the delay lines are sized for; 0 before the first Init
    bool m_running = false;
};
