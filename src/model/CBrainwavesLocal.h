#pragma once
/** @brief A segment's entrainment settings and the per-frame gains of its method.
 *
 * Settings (public data, edited by the panels on the UI thread, stored with the segment):
 * enabled, method, depth in percent, own frequency (false = follow the session-wide beat)
 * and the own frequency in Hz. The flags and the method are relaxed atomics because a
 * panel may write them while the audio worker reads them.
 *
 * Run time: Setup binds the object for one playback of its segment; Process then runs
 * once per frame of the segment. Both run on the audio worker, are noexcept and allocate
 * nothing. The true-binaural flag is set by the segment factory for tone segments and is
 * neither stored nor copied. */

#include "model/CBrainwavesGlobal.h"
#include "model/CSmartProperty.h"
#include "model/SegmentClock.h"
#include "model/SessionClockSetting.h"

#include <atomic>
#include <cstdint>

namespace plat
{
class Archive;
}

class CBrainwavesLocal
{
public:
    enum Method : std::int32_t
    {
        kMethodBinaural = 0,         ///< "Binaural Beat": the channels swing in opposite phase
        kMethodMonaural = 1,         ///< "Monaural Beat"
        kMethodIsochronic = 2,       ///< "Isochronic Beat", duty 0.5
        kMethodIsochronicWide = 3,   ///< "Isochronic Beat (wide)", duty 0.75
        kMethodIsochronicNarrow = 4, ///< "Isochronic Beat (narrow)", duty 0.25
    };
    static constexpr double kDefaultDepth = 40.0;
    static constexpr double kDefaultHz = 4.0;
    /** Share of the duty cycle taken by each of the pulse's rising and falling ramps. */
    static constexpr double kRampShare = 0.2;

    CBrainwavesLocal();
    virtual ~CBrainwavesLocal() = default;
    CBrainwavesLocal(const CBrainwavesLocal&) = delete;
    CBrainwavesLocal& operator=(const CBrainwavesLocal&) = delete;

    std::atomic<bool> m_enabled{false};
    std::atomic<std::int32_t> m_method{kMethodBinaural}; ///< a stored value outside 0..4 modulates nothing
    CSmartProperty m_depth;                              ///< percent, 0..100
    std::atomic<bool> m_ownFrequency{false};
    CSmartProperty m_frequency; ///< Hz, 0..40; used with m_ownFrequency

    /** The settings' defaults; the true-binaural flag is left alone. UI thread. */
    void SetDefaults();
    /** Copies the settings, not the true-binaural flag nor any run-time state. UI thread. */
    virtual void CopyFrom(const CBrainwavesLocal& other);

    /** Set by the segment factory for tone segments: method 0 then leaves the samples to
     *  the tone generator, which makes the beat from two carriers. */
    void SetTrueBinaural(bool on) noexcept { m_trueBinaural.store(on, std::memory_order_relaxed); }
    bool IsTrueBinaural() const noexcept { return m_trueBinaural.load(std::memory_order_relaxed); }

    /** Binds one playback. @p global is the session-wide beat (needed unless the object
     *  follows its own frequency); @p currentFrame is the absolute frame of the first
     *  Process call; the segment spans @p firstFrame to @p endFrame. Audio worker. */
    void Setup(CBrainwavesGlobal* global, std::uint32_t currentFrame, std::uint32_t sampleRate,
               std::uint32_t firstFrame, std::uint32_t endFrame) noexcept;
    /** Multiplies one stereo frame by the method's gains and steps the frame. Disabled:
     *  untouched, and the frame does not move. Audio worker. */
    void Process(double& left, double& right) noexcept;
    /** Process over @p n frames for the engine's block renderer: stores in @p gainLeft and
     *  @p gainRight frame by frame the gains Process would multiply by (1 when off), reading the session-wide
     *  clock from @p shared at entry @p offset on. With @p beat, stores there first the
     *  GetFrequency() of each frame, as the tone generator reads it before the frame's step.
     *  The same values as n Process calls (automatic walks included). Audio worker. */
    void ProcessBlock(const model::ClockBlock& shared, std::uint32_t offset, double* gainLeft,
                      double* gainRight, double* beat, std::uint32_t n) noexcept;
    /** The beat in Hz now: the own frequency at the segment fraction, or the bound
     *  global's. 0 when neither is available. Audio worker (the tone generator). */
    double GetFrequency() noexcept;

    /** The frame the next Process call works on. */
    std::uint32_t GetFrame() const noexcept { return m_run.m_frame; }

    /** The current record: enabled, method, own frequency, depth, frequency. Files before
     *  version 400 are read by LoadOld. */
    virtual void Serialize(plat::Archive& ar);
    /** The record of files before version 400 (depth stored as a fraction); reads nothing
     *  and returns false from version 400 on. */
    bool LoadOld(plat::Archive& ar);

private:
    void AdvanceOwnClock() noexcept;
    void ApplyBinaural(double a, double& left, double& right) const noexcept;
    void ApplyMonaural(double a, double& left, double& right) const noexcept;
    void ApplyIsochronic(double duty, double phase, double& left, double& right) const noexcept;
    static double PulseEnvelope(double duty, double phase) noexcept;

    std::atomic<bool> m_trueBinaural{false};
    CBrainwavesGlobal* m_global = nullptr;
    model::SegmentClock m_run;
    double m_depthFactor = 0.0; // depth / 100 of the current frame
};
