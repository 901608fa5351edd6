#pragma once
/** @brief The effect chain of one track (or of the live recording) over float stereo blocks.
 *
 * Initialised for every segment with that segment's four switches: Enhance (two equaliser
 * bands, 125 Hz and 8 kHz), reverb, echo and chorus; the noise sound adds one more band as
 * its filter. The levels are set frame by frame, but only their values when a block is
 * processed count: Process turns them into effect parameters and runs the enabled effects in
 * place in the order reverb, echo, chorus, then the equaliser bands.
 *
 * The mixer runs a track's chain in pieces that begin at the segment's start and at every
 * kGridFrames-th session frame, whatever the device's requests are: after the first frame of
 * a piece it latches the levels that frame set (LatchSettings), and every Process call of the
 * piece works with them. So the sound does not depend on how the session was cut into blocks,
 * and levels on graphs still follow their graphs.
 *
 * When a segment ends (Terminate) its chain is not cut: its tail, what the chain still gives
 * for silence, fades out over kTailSeconds in the Process calls that follow, on top of the
 * next segment's chain, which runs in a second set of effects.
 *
 * Threads: one thread at a time (the mixer's worker for a track, the recording callback for
 * the live recording). Process and the setters never allocate, lock or throw; the first Init
 * at a sample rate allocates the delay lines of both sets, later Inits at that rate reuse
 * them. Init, AddFilter and Terminate are virtual so that a test can stand in a processor
 * that fails. */

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
    /** Session frames between the points where a track's effect levels are taken. */
    static constexpr std::uint32_t kGridFrames = 256;
    /** How long an ended segment's effect tail takes to fade out. */
    static constexpr double kTailSeconds = 0.02;

    CEffectsProcessor() = default;
    virtual ~CEffectsProcessor() = default;
    CEffectsProcessor(const CEffectsProcessor&) = delete;
    CEffectsProcessor& operator=(const CEffectsProcessor&) = delete;

    /** Starts a segment's chain at @p rate with the chosen effects, every one of them cleared
     *  and every level 0; effects not chosen do not run, the filter band is not added. A
     *  fading tail of the previous segment goes on fading. False (and not running) for a rate
     *  outside 1..kMaxRate or when memory runs out. */
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

    /** From now on Process works with the levels and filter settings set so far, whatever is
     *  set afterwards, until the next latch or Init. Without a latch since Init it works with
     *  the latest ones. */
    void LatchSettings() noexcept;

    /** Runs the chain in place over @p frames frames and returns @p frames; 0 when not
     *  running or without a block. A fading tail of an ended segment is added to the block,
     *  running or not. An effect whose output is not finite is cleared, so one bad block
     *  cannot poison its state for the rest of the segment. */
    std::uint32_t Process(CStereoFrame* block, std::uint32_t frames) noexcept;

    /** Stops the chain; its tail, when an effect ran, starts fading out. Always succeeds;
     *  true. */
    virtual bool Terminate() noexcept;
    /** Stops the chain and drops any tail, without a result. */
    void Free() noexcept;

    bool IsRunning() const noexcept { return m_running; }
    /** An ended segment's tail is still fading out. */
    bool IsTailing() const noexcept { return m_tailing; }
    double GetEnhanceLevel() const noexcept { return m_set.enhance; }
    double GetReverbLevel() const noexcept { return m_set.reverb; }
    double GetEchoLevel() const noexcept { return m_set.echo; }
    double GetChorusLevel() const noexcept { return m_set.chorus; }
    double GetFilterGain() const noexcept { return m_set.filterGain; }
    double GetFilterCentre() const noexcept { return m_set.filterCentre; }
    double GetFilterSharpness() const noexcept { return m_set.filterSharpness; }

private:
    // One set of effects with its switches: the running segment's, or the fading tail's.
    struct Chain
    {
        dsp::ParamEq enhanceLow;
        dsp::ParamEq enhanceHigh;
        dsp::WavesReverb reverb;
        dsp::Echo echo;
        dsp::Chorus chorus;
        dsp::ParamEq filter;
        bool enhanceOn = false;
        bool reverbOn = false;
        bool echoOn = false;
        bool chorusOn = false;
        bool filterOn = false;

        bool AnyOn() const noexcept { return enhanceOn || reverbOn || echoOn || chorusOn || filterOn; }
        void SwitchOff() noexcept { enhanceOn = reverbOn = echoOn = chorusOn = filterOn = false; }
    };
    struct Settings
    {
        double enhance = 0.0;
        double reverb = 0.0;
        double echo = 0.0;
        double chorus = 0.0;
        double filterGain = 0.0;
        double filterCentre = 0.0;
        double filterSharpness = 0.0;
    };
    static constexpr std::uint32_t kTailChunk = 256;

    static void UpdateParameters(Chain& chain, const Settings& s) noexcept;
    static void Run(Chain& chain, float* samples, std::size_t frames) noexcept;
    void AddTail(CStereoFrame* block, std::uint32_t frames) noexcept;
    Chain& Current() noexcept { return m_chains[m_current]; }

    Chain m_chains[2];
    int m_current = 0; ///< the running segment's set; the other one holds the tail
    Settings m_set;
    Settings m_latched;
    bool m_latchedValid = false;

    bool m_tailing = false;
    std::uint32_t m_tailFrames = 1; ///< the fade's length at the prepared rate
    std::uint32_t m_tailDone = 0;
    float m_tailScratch[2 * kTailChunk] = {};

    int m_rate = 0;
    int m_preparedRate = 0; ///< rate the delay lines are sized for; 0 before the first Init
    bool m_running = false;
};
