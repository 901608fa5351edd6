#pragma once
/** @brief One struck instrument of a bells segment and its next strike.
 *
 * The bells sound owns one per entry of the segment's instrument list, made when the
 * segment starts and freed when it ends. Used only on the mixer's worker. */

#include <stk/Instrmnt.h>

#include <cstdint>
#include <memory>

struct CBell
{
    /** Types 0..3 are banded waveguides, 4..11 modal bars. */
    static constexpr int kTypeCount = 12;
    static constexpr int kFirstModalBarType = 4;
    static constexpr double kWaveguideGain = 3.0;
    static constexpr double kModalBarGain = 0.1;

    /** The waveguides ring far quieter than the bars for the same strike. */
    static constexpr double GainOfType(int type) noexcept
    {
        return type >= kFirstModalBarType ? kModalBarGain : kWaveguideGain;
    }

    std::unique_ptr<stk::Instrmnt> m_instrument;
    int m_type = 0;
    double m_frequency = 0.0; ///< Hz of the next strike
    double m_pan = 0.5;       ///< 0 left .. 1 right
    double m_gain = 0.0;
    std::uint32_t m_nextStrike = 0; ///< segment position in frames
    int m_note = -1;                ///< index into the note table; -1 before the first strike
    /** Decayed out of hearing: not ticked, and silent, until its next strike. */
    bool m_resting = false;
    std::uint32_t m_quietFrames = 0; ///< frames in a row below the rest level
    std::uint32_t m_restStart = 0;   ///< segment position of the first frame not ticked
};
