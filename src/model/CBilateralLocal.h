#pragma once
/** @brief A segment's bilateral settings and the per-frame panning gains of its law.
 *
 * Settings (public data, edited by the panels on the UI thread, stored with the segment):
 * enabled, depth in percent, delay (0..10; frames = value / 100 x sample rate, so the top
 * of the range delays the sweep by a tenth of a second), invert, cubic, own rate (false =
 * follow the session-wide rate) and the own rate in cycles per minute. The flags are
 * relaxed atomics because a panel may write them while the audio worker reads them.
 *
 * Run time: Setup binds the object for one playback and sizes the delay line; Process
 * then runs once per frame of the segment. Both run on the audio worker. Process is
 * noexcept and allocates nothing; Setup may grow the delay line (at most one second of
 * frames), which allocates and can throw std::bad_alloc. */

#include "model/CBilateralGlobal.h"
#include "model/CSmartProperty.h"
#include "model/SegmentClock.h"
#include "model/SessionClockSetting.h"

#include <stk/Delay.h>

#include <atomic>
#include <cstdint>

namespace plat
{
class Archive;
}

class CBilateralLocal
{
public:
    static constexpr double kDefaultDepth = 100.0;
    static constexpr double kMaxDelay = 10.0;
    static constexpr double kDefaultPerMinute = 60.0;
    /** Samples the delay line holds before any Setup grows it: none, so that a segment costs
     *  no line memory until playback prepares it (a session of many segments would otherwise
     *  hold 32 KB for each of them). */
    static constexpr unsigned long kInitialLineMaximum = 0;

    CBilateralLocal();
    virtual ~CBilateralLocal() = default;
    CBilateralLocal(const CBilateralLocal&) = delete;
    CBilateralLocal& operator=(const CBilateralLocal&) = delete;

    std::atomic<bool> m_enabled{false};
    CSmartProperty m_depth; ///< percent, 0..100
    CSmartProperty m_delay; ///< 0..10, hundredths of a second
    std::atomic<bool> m_invert{false};
    std::atomic<bool> m_cubic{false};
    std::atomic<bool> m_ownRate{false};
    CSmartProperty m_rate; ///< cycles per minute, 1..1200; used with m_ownRate

    /** The settings' defaults. UI thread. */
    void SetDefaults();
    /** Copies the settings, no run-time state. UI thread. */
    virtual void CopyFrom(const CBilateralLocal& other);

    /** Binds one playback (see CBrainwavesLocal::Setup) and prepares the delay line for
     *  the delay at @p currentFrame: its length, cut to whole frames and held to at most
     *  one second, is set afresh and the line is cleared, so every playback starts like
     *  the first. Audio worker. */
    void Setup(CBilateralGlobal* global, std::uint32_t currentFrame, std::uint32_t sampleRate,
               std::uint32_t firstFrame, std::uint32_t endFrame);
    /** Multiplies one stereo frame by the panning gains and steps the frame. Disabled:
     *  untouched, and the frame does not move. Audio worker. */
    void Process(double& left, double& right) noexcept;

    /** Process over @p n frames for the engine's block renderer: stores in @p gainLeft and
     *  @p gainRight the panning gains Process would multiply by (1 when off), reading the
     *  session-wide clock from @p shared at entry @p offset on. The same values as n Process
     *  calls (automatic walks and the delay line included). Audio worker. */
    void ProcessBlock(const model::ClockBlock& shared, std::uint32_t offset, double* gainLeft,
                      double* gainRight, std::uint32_t n) noexcept;

    /** The frame the next Process call works on. */
    std::uint32_t GetFrame() const noexcept { return m_run.m_frame; }
    /** The delay in frames that the last Setup gave the line. */
    unsigned long GetDelayFrames() const noexcept { return m_line.getDelay(); }

    /** The current record: enabled, invert, cubic, own rate, depth, delay, rate. Files
     *  before version 400 are read by LoadOld. */
    virtual void Serialize(plat::Archive& ar);
    /** The record of files before version 400 (depth as a fraction, the delay as a plain
     *  double in tenths of the current unit); reads nothing and returns false from 400. */
    bool LoadOld(plat::Archive& ar);

private:
    void AdvanceOwnClock() noexcept;
    /** The swing @p a through the delay line; 0.5 (centred) while the line still gives back
     *  the zeros it was cleared to. */
    double ThroughLine(double a) noexcept;

    CBilateralGlobal* m_global = nullptr;
    model::SegmentClock m_run;
    stk::Delay m_line{0, kInitialLineMaximum};
    // Ticks of the line since Setup, counted up to its delay: until then the line
    // answers with the zeros it was cleared to, which stand for the middle position.
    unsigned long m_lineTicks = 0;
};
