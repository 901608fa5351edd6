#pragma once
/** @brief An automatic random walk between two limits at one of seven change rates.
 *
 * The settings (UI thread) are stored; the walk state is not. StartWalk and NextValue run
 * on the thread that evaluates the property (the audio worker during playback); a walk
 * owns its random generator, so no two threads share one. */

#include "platform/Random.h"

#include <atomic>
#include <cstdint>

namespace plat
{
class Archive;
}

class CAutoGraph
{
public:
    static constexpr std::int32_t kFastestRate = 0;
    static constexpr std::int32_t kSlowestRate = 6;
    static constexpr std::int32_t kDefaultRate = 3;
    /** Samples per step of a walk nobody started: one new target a second at 44100 Hz. */
    static constexpr std::uint32_t kUnstartedSamplesPerStep = 44100;

    CAutoGraph();
    CAutoGraph(const CAutoGraph& other);
    /** Copies the five settings, not the walk state. */
    CAutoGraph& operator=(const CAutoGraph& other);

    /** Prepares a walk with a new target every @p samplesPerStep calls (at least 2). */
    void StartWalk(std::uint32_t samplesPerStep) noexcept;
    /** The next value of the walk, always within [lower limit, upper limit]. */
    double NextValue() noexcept;
    /** The value NextValue gave last, without stepping the walk: a read-out on the UI thread
     *  must not move the walk the engine is stepping, and may run while it does. Before the
     *  first step: the middle of the limits, where a walk starts. */
    double LastValue() const noexcept;

    /** Largest step of a new target as a fraction of the span, for a change rate
     *  (clamped to 0..6): 0.25 at rate 0 down to 0.04 at rate 6. */
    static double MaxStepForRate(std::int32_t rate) noexcept;

    void Serialize(plat::Archive& ar);

    // Settings: the automatic-graph editor reads min and max and writes the others directly.
    double m_min = 0.0;
    double m_max = 1.0;
    double m_lowerLimit = 0.0;
    double m_upperLimit = 1.0;
    std::int32_t m_changeRate = kDefaultRate;

private:
    // Walk state, neither stored nor copied.
    plat::Random15 m_random;
    std::uint32_t m_counter = kUnstartedSamplesPerStep;
    std::uint32_t m_samplesPerStep = kUnstartedSamplesPerStep;
    double m_span = 1.0;
    double m_previousLevel = 0.5;
    double m_targetLevel = 0.5;
    bool m_started = false;
    std::atomic<double> m_lastValue; // NaN until the first step
};
