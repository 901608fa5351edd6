#pragma once
/** @brief What the session-wide beat frequency and bilateral rate share: one setting over
 *  the whole session and the cycle clock the engine steps frame by frame.
 *
 * Threads: the property and the record belong to the UI thread (the property rows, the
 * status pane and the file). The clock operations (StartClock, AdvanceClock, GetClock,
 * GetFrequency, SaveClockState, RestoreClockState) run on the audio worker during playback;
 * they are noexcept and allocate nothing. */

#include "model/CCycleClock.h"
#include "model/CSmartProperty.h"
#include "model/SinePhasor.h"

#include <cstdint>
#include <vector>

namespace plat
{
class Archive;
}

namespace model
{

/** One block of a session-wide clock as every track reads it, frame by frame: filled once per
 *  block before the tracks render (FillBlock), then only read, by as many threads as render. */
struct ClockBlock
{
    std::uint32_t firstFrame = 0; ///< session frame of entry 0
    std::uint32_t frames = 0;
    std::vector<CCycleClock> clock; ///< the clock as a track reads it at frame firstFrame + i
    std::vector<double> frequency;  ///< GetFrequency() at that frame
    std::vector<double> wave;       ///< (sin(2 pi PhaseAt(firstFrame + i)) + 1) / 2

    /** Room for @p frames frames; allocates, so before playback. */
    void Reserve(std::uint32_t frames);
};

class SessionClockSetting
{
public:
    /** The whole state of a session-wide clock, so that every track of a block can be
     *  rendered against the clocks as they stood at the block's first frame. */
    struct ClockState
    {
        std::uint32_t clockFrame = 0;
        std::uint32_t sampleRate = 0;
        std::uint32_t totalFrames = 0;
        CCycleClock clock;
    };

    virtual ~SessionClockSetting() = default;
    SessionClockSetting(const SessionClockSetting&) = delete;
    SessionClockSetting& operator=(const SessionClockSetting&) = delete;

    /** The setting over the session (time fraction = clock frame / total frames). */
    CSmartProperty m_property;

    /** The setting back to its default constant. UI thread. */
    void SetDefault();

    /** Starts the clock at @p startFrame for a session of @p totalFrames at @p sampleRate:
     *  the first cycle opens at once, its boundary a whole unrounded period later. */
    void StartClock(std::uint32_t startFrame, std::uint32_t sampleRate, std::uint32_t totalFrames) noexcept;
    /** One frame step, after the frame has been rendered: at or past the next boundary the
     *  setting is read afresh and a new cycle opens, the next boundary a whole number of
     *  frames further; then the clock frame moves on by one. */
    const CCycleClock& AdvanceClock() noexcept;
    /** The clock as it stands, without stepping. */
    const CCycleClock& GetClock() const noexcept { return m_state.clock; }
    std::uint32_t GetClockFrame() const noexcept { return m_state.clockFrame; }
    /** The clock's frequency source now, in cycles per second (the setting at the session
     *  fraction of the clock frame, divided by the setting's cycles-per-second divisor). */
    double GetFrequency() noexcept;

    /** Records the next @p frames frames of the clock into @p block (at most the room it was
     *  given) as a track stepping with it would read them, and steps the clock over them. The
     *  frequencies are read only @p withFrequency (an automatic setting steps on each read). */
    void FillBlock(ClockBlock& block, std::uint32_t frames, bool withFrequency) noexcept;

    ClockState SaveClockState() const noexcept { return m_state; }
    void RestoreClockState(const ClockState& state) noexcept { m_state = state; }

    /** The current record is the property's; files before version 400 hold an int32 that
     *  is skipped and a graph the property takes in graph mode (range and value kept). */
    virtual void Serialize(plat::Archive& ar);
    /** The reader of files before version 400; reads nothing and returns false from 400. */
    bool LoadOld(plat::Archive& ar);

protected:
    /** @p divisor turns the setting's unit into cycles per second (1 for Hz, 60 for a
     *  rate per minute). */
    SessionClockSetting(double min, double max, double defaultValue, double divisor);

private:
    double SessionFraction() const noexcept;

    /** The swings (sin(2 pi phase) + 1) / 2 of @p n frames from @p first, all on @p clock. */
    void Wave(const CCycleClock& clock, std::uint32_t first, double* out, std::uint32_t n) noexcept;

    double m_default;
    double m_divisor;
    ClockState m_state;
    // The swing's phasor over FillBlock calls, anchored on every kAnchorFrames-th session frame
    // and at each cycle's start, so the values do not depend on how the blocks were cut.
    SinePhasor m_wave;
    double m_waveFrame = -1.0; ///< the frame the phasor stands on
    double m_waveCycleStart = 0.0;
    double m_wavePeriod = 0.0;
};

} // namespace model
