#pragma once
/** @brief The base of the eight per-segment sample generators of a track.
 *
 * The mixer keeps one object per track and, for each segment of it in turn, fills the
 * playback fields (PrepareSound), calls Init when the segment starts, GetSample and
 * PostProcess once per frame, and Terminate when it ends. The base owns what every kind
 * shares: the per-frame gain, volume, fades, balance, entrainment and bilateral movement, and
 * the effect levels handed to the track's effects processor.
 *
 * Threads: everything runs on the mixer's worker. GetFade, PostProcess and UpdateEffects never
 * allocate; Init may (the bilateral line, the effects' first Init at a rate). */

#include "audio/CStereoFrame.h"

#include <QString>

#include <cstdint>

class CBilateralGlobal;
class CBrainwavesGlobal;
namespace model
{
struct ClockBlock;
}
class CEffectsProcessor;
class CSegment;

class CSound
{
public:
    static constexpr double kDefaultBaseGain = 1.0;
    static constexpr double kBellsBaseGain = 0.25;
    static constexpr double kToneBaseGain = 0.15;

    CSound() = default;
    /** Terminates the effects when they are still running (a stop in mid-segment). */
    virtual ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    /** The base part, run first by every kind: starts the walks of the volume, balance and
     *  effect level properties, binds the entrainment and bilateral settings for this
     *  playback and initialises the effects with the segment's switches. False with the
     *  error text set when the effects cannot start. */
    virtual bool Init();
    /** The base part, run last by every kind: terminates the effects when running. */
    virtual bool Terminate();
    /** Whether Init and Terminate edit state the process shares (a library's statics), so
     *  that the engine runs them one at a time across the process; other kinds start their
     *  segments side by side on the engine's threads. */
    virtual bool EdgesShareProcessState() const noexcept { return false; }
    /** The next frame of the kind's sound; false with the error text set on a read failure. */
    virtual bool GetSample(CStereoFrame& frame) = 0;
    /** Hands the segment's four effect levels at the time fraction position / length to the
     *  effects processor. */
    virtual void UpdateEffects() noexcept;
    virtual double GetBaseGain() const noexcept = 0;
    virtual bool HasFades() const noexcept = 0;

    /** Base gain by segment kind: 0.25 for bells (3), 0.15 for tone (4), 1 otherwise. */
    static double BaseGainOfKind(std::int32_t kind) noexcept;
    /** Whether a kind fades in and out: not voice (0) nor breathwork (6); external audio (7)
     *  only when it loops. */
    static bool KindHasFades(std::int32_t kind, bool loops) noexcept;

    /** The fade factor at the current position, 0..1. A segment shorter than two fades
     *  shortens them to L / 2 - 1 frames for the rest of the segment; no fade frames at all
     *  means no fade. */
    double GetFade() noexcept;
    /** Gain, fade, balance, entrainment then bilateral on one frame, then UpdateEffects. */
    void PostProcess(CStereoFrame& frame) noexcept;

    /** The session-wide clocks of the engine's current block, and where in them the next
     *  frame of this sound lies. */
    struct SessionClocks
    {
        const model::ClockBlock* brainwaves = nullptr;
        const model::ClockBlock* bilateral = nullptr;
        std::uint32_t offset = 0;
    };
    /** The engine's block renderer: @p n frames into @p out, as n rounds of GetSample,
     *  PostProcess and the steps of the position and absolute frame would give them (the
     *  same values, automatic walks included), with the position and absolute frame stepped
     *  over them. Properties are read once when constant, graphs walked forward, the gains
     *  applied over arrays, and the effect levels worked out for the last frame only, which
     *  is all the effects read. False with the error text set when the sound fails. */
    bool RenderBlock(CStereoFrame* out, std::uint32_t n, SessionClocks clocks) noexcept;

    /** Time fraction of the current position for the segment's settings: p / (L - 1), held
     *  to [0, 1] (the last frames pass 1; a segment of one frame divides 0 by 0). */
    double GetTimeFraction() const noexcept;

    const QString& GetErrorText() const noexcept { return m_errorText; }
    bool IsEffectsRunning() const noexcept { return m_effectsRunning; }

    // Playback fields, set by the mixer before Init.
    std::uint32_t m_rate = 0;
    std::uint32_t m_sessionSeconds = 0;
    CSegment* m_segment = nullptr;          ///< not owned
    CEffectsProcessor* m_effects = nullptr; ///< the track's, not owned
    std::uint32_t m_segmentStart = 0;       ///< session frames
    std::uint32_t m_segmentEnd = 0;
    std::uint32_t m_position = 0;      ///< frames since the segment start; the mixer advances it
    std::uint32_t m_segmentLength = 0; ///< frames
    std::uint32_t m_absoluteFrame = 0; ///< session frame of the next frame
    std::uint32_t m_fadeFrames = 0;    ///< may be shortened by GetFade
    std::uint32_t m_playlistFadeFrames = 0;
    CBrainwavesGlobal* m_brainwavesGlobal = nullptr; ///< not owned
    CBilateralGlobal* m_bilateralGlobal = nullptr;   ///< not owned

protected:
    /** Frames a block is worked on in at a time (the scratch arrays live on the stack). */
    static constexpr std::uint32_t kChunkFrames = 256;

    /** The kind's sound for @p n frames (at most kChunkFrames) from m_position, as n GetSample
     *  calls with the position and absolute frame stepped after each would give them; leaves
     *  both where they were. The default calls GetSample. */
    virtual bool GetSamples(CStereoFrame* out, std::uint32_t n);
    /** Whether GetSamples reads the entrainment's beat of each frame (m_blockBeat). */
    virtual bool NeedsBeat() const noexcept { return false; }
    /** The fade factor at position @p p (GetFade at that position). */
    double FadeAt(std::int64_t p) noexcept;
    /** FadeAt(p) * @p gain for the @p n positions from m_position; only the fade frames are
     *  worked out, the others are @p gain. */
    void FadeGains(double* out, double gain, std::uint32_t n) noexcept;
    /** The effect levels of the last of @p n frames from m_position, with n steps of every
     *  automatic walk among them (UpdateEffects n times). */
    void UpdateEffectsBlock(std::uint32_t n) noexcept;

    /** During GetSamples of the block renderer when NeedsBeat: the beat of each frame as
     *  the entrainment's GetFrequency gives it; null otherwise. */
    const double* m_blockBeat = nullptr;

    static constexpr const char* kEffectsInitError = "Failed to initialize the segment effects.";
    static constexpr const char* kEffectsTerminateError = "Failed to terminate a segment effects.";

    bool m_effectsRunning = false;
    QString m_errorText;
};
