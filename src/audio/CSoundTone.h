#pragma once
/** @brief The tone sound: a sine carrier with overtones and, for a true binaural beat, two
 *  carriers half a beat below and above it.
 *
 * Each oscillator takes a new frequency only when its period ends, so a carrier that follows
 * a graph glides without a phase jump. The overtones are partials at fixed multiples of the
 * carrier (1.25 to 3.25 times), each with its own continuous phase, so that they are heard at
 * those frequencies and never step at a carrier period; amplitudes 0.72^k, and the sum is divided
 * by the total amplitude so the peak stays at 1.
 *
 * Threads: the mixer's worker. GetSample allocates nothing. */

#include "audio/CSound.h"
#include "model/SinePhasor.h"

#include <array>

class CBrainwavesLocal;
class CSegmentTone;

class CSoundTone : public CSound
{
public:
    static constexpr int kMaxOvertones = 9;
    static constexpr std::array<double, kMaxOvertones> kOvertoneMultipliers = {1.25, 1.5,  1.75, 2.0, 2.25,
                                                                               2.5,  2.75, 3.0,  3.25};
    static constexpr double kOvertoneDecay = 0.72;

    struct Oscillator
    {
        double m_frequency = 0.0;    ///< Hz, taken at the next period end
        double m_periodStart = 0.0;  ///< segment position in frames
        double m_nextBoundary = 0.0; ///< segment position in frames
        double m_period = 0.0;       ///< frames
        /** Each partial's phase in cycles (0 .. 1), advanced by its multiple of the carrier. */
        std::array<double, kMaxOvertones> m_partialPhase{};
    };

    /** Starts the carrier's walk and both oscillators at the carrier's value at the start. */
    bool Init() override;
    /** One frame: the left carrier on both channels, or the right carrier on the right when
     *  the entrainment is on with the binaural method. */
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kToneBaseGain; }
    bool HasFades() const noexcept override { return true; }

protected:
    /** The block form: each oscillator turns a phasor through its period instead of taking
     *  a sine per frame and overtone; the period boundaries are those of GetSample. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;
    bool NeedsBeat() const noexcept override;

private:
    /** A phasor per partial of one oscillator. It is anchored at the exact phases at each
     *  period start and on every SinePhasor::kAnchorFrames-th position, so the values do not
     *  depend on how the blocks were cut; between anchors it only turns. */
    struct Phasor
    {
        model::SinePhasor partial[kMaxOvertones + 1];
        double at = -1.0; ///< the position it stands on
        int overtones = -1;
    };
    /** Anchors @p ph at the phases of position @p p in the oscillator's period. */
    void StartPhasor(const Oscillator& osc, Phasor& ph, double p, int overtones) const noexcept;
    /** The oscillator's value at @p p as Oscillate gives it, and the phasor a frame on. */
    double Turn(Oscillator& osc, Phasor& ph, double p, int overtones) const noexcept;
    /** Turn over @p n frames from m_position with no overtones into @p value, the oscillator
     *  taking frequency[i] on frame i. */
    void Run(Oscillator& osc, Phasor& ph, const double* frequency, double* value,
             std::uint32_t n) const noexcept;
    bool BeatIsBuilt() const noexcept;

    double Oscillate(Oscillator& osc, int overtones) const noexcept;
    double PeriodOf(double hz) const noexcept;

    CSegmentTone* m_tone = nullptr;           ///< the segment as a tone segment, not owned
    CBrainwavesLocal* m_brainwaves = nullptr; ///< the segment's entrainment settings
    Oscillator m_left;
    Oscillator m_right;
    Phasor m_leftPhasor;
    Phasor m_rightPhasor;
};
