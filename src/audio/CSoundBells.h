#pragma once
/** @brief The bells sound: physical-model bells and bars struck at random times, each on
 *  its own random walk over a fixed table of notes, at a random place in the stereo field.
 *
 * One instrument per entry of the segment's list. A bell waits w = U + 1 + U' x 15 N x
 * (1 - density) seconds between strikes (N instruments, U and U' uniform in [0, 1)), a third
 * of that before its first strike; its note steps up or down by up to half the scale's width
 * times the segment's "Range".
 *
 * A bell whose output (after its type's gain) has stayed below kRestLevel (-100 dBFS) for
 * kRestSeconds rests: its state is cleared, and it is not ticked and adds exactly nothing
 * until its next strike wakes it. Both renderers meet the same rule, as it lives here.
 *
 * Threads: the mixer's worker. Init and Terminate make and free the instruments; GetSample
 * allocates nothing. */

#include "audio/CBell.h"
#include "audio/CSound.h"

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

class CSegmentBells;

class CSoundBells : public CSound
{
public:
    static constexpr int kNoteCount = 21;
    /** Hz; three bands of seven notes: low, medium, high. */
    static constexpr std::array<double, kNoteCount> kNotes = {
        110.0, 128.3, 146.7, 155.9, 174.2, 192.5, 210.9, 220.0, 256.7, 293.3, 311.7,
        348.3, 385.0, 421.7, 440.0, 513.4, 586.6, 623.4, 696.6, 770.0, 843.4};

    struct NoteRange
    {
        int lo; ///< first note index
        int hi; ///< last note index, inclusive
    };
    /** Note ranges by the segment's tone range (CSegmentBells::ToneRange). */
    static constexpr std::array<NoteRange, 6> kScales = {NoteRange{0, 6},   NoteRange{7, 13},
                                                         NoteRange{14, 20}, NoteRange{0, 13},
                                                         NoteRange{7, 20},  NoteRange{0, 20}};

    /** Full scale; a bell's output times its type gain under this is out of hearing. */
    static constexpr double kRestLevel = 1e-5;
    /** How long a bell stays under kRestLevel before it rests: longer than a period of the
     *  vibraphone's 6 Hz tremolo, so a trough of it is not taken for the end of the note. */
    static constexpr double kRestSeconds = 0.25;

    /** Makes one bell per entry of the segment's list, each with its first strike due.
     *  False with "Failed to initialize a bell sound." when an instrument cannot be made
     *  (STK's raw wave missing, no memory). */
    bool Init() override;
    /** Frees the instruments, then the base part. */
    bool Terminate() override;
    /** STK keeps its sample rate and the objects told of rate changes in statics. */
    bool EdgesShareProcessState() const noexcept override { return true; }
    /** Strikes the bells that are due, then sums one sample of every bell that does not
     *  rest, panned. */
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kBellsBaseGain; }
    bool HasFades() const noexcept override { return true; }

    /** A new instrument of bell type @p type (0..11), tuned by STK's current sample rate; null
     *  when it cannot be made. Call audio::PrepareStk first. */
    static std::unique_ptr<stk::Instrmnt> CreateInstrument(int type);

    const std::vector<CBell>& GetBells() const noexcept { return m_bells; }

protected:
    /** A uniform draw in [0, 1): this thread's RandomUnit. */
    virtual double DrawUnit() noexcept;
    /** The block renderer's: the strikes at the frames GetSample meets them, and each bell
     *  ticked over the frames between them. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;

    /** The level under which a bell counts as quiet; 0 keeps every bell ticking. */
    double m_restLevel = kRestLevel;

private:
    /** Strikes @p bell when it is due at m_position (waking it first), and schedules its next. */
    void StrikeIfDue(CBell& bell) noexcept;
    /** One sample of a bell that does not rest, and the count towards its rest. */
    double TickBell(CBell& bell) noexcept;
    void ScheduleStrike(CBell& bell) noexcept;
    double NextNote(int& index, int scale, double width) noexcept;
    static void ApplyPanGain(const CBell& bell, double& left, double& right) noexcept;
    double SegmentFraction() const noexcept;

    CSegmentBells* m_bellsSegment = nullptr; ///< the segment as a bells segment, not owned
    std::vector<CBell> m_bells;
    std::uint32_t m_restFrames = 1; ///< kRestSeconds at the segment's rate
};
