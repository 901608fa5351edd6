#pragma once
/** @brief sin(2 pi u) along a phase u that moves on by a fixed step every frame, by turning a
 *  unit vector instead of taking a sine per frame.
 *
 * Anchor takes the exact sine and cosine at a phase (the same expression a per-frame caller
 * evaluates, so the anchored frame gives the very same value) and the rotation of one step;
 * each Step turns the vector by it. A step adds at most a few units of rounding (2^-53) to
 * the vector: after k steps its sine is off the exact sin(2 pi (u + k step)) by less than
 * 4 k 2^-53 + 2 pi k |step| 2^-53, so a caller that anchors again at least every kAnchorFrames
 * frames stays within 3e-13 of the per-frame sine (the tests hold it to that). The phase itself
 * is never accumulated here: whoever anchors passes the exact phase, so the frequency does not
 * drift however long the phase runs.
 *
 * A plain value; every member is noexcept and allocates nothing. */

#include <cmath>
#include <cstdint>
#include <numbers>

namespace model
{

class SinePhasor
{
public:
    /** Most frames a caller lets the phasor turn before anchoring it again. */
    static constexpr std::uint32_t kAnchorFrames = 256;

    /** Stands the phasor at phase @p u (cycles), turning by @p step cycles a frame. */
    void Anchor(double u, double step) noexcept
    {
        constexpr double kTwoPi = 2.0 * std::numbers::pi;
        m_sin = std::sin(kTwoPi * u);
        m_cos = std::cos(kTwoPi * u);
        if (step != m_step)
        {
            m_step = step;
            m_stepSin = std::sin(kTwoPi * step);
            m_stepCos = std::cos(kTwoPi * step);
        }
    }
    /** sin(2 pi u) at the current frame. */
    double Sin() const noexcept { return m_sin; }
    /** One frame on. */
    void Step() noexcept
    {
        const double s = m_sin * m_stepCos + m_cos * m_stepSin;
        m_cos = m_cos * m_stepCos - m_sin * m_stepSin;
        m_sin = s;
    }

private:
    double m_sin = 0.0;
    double m_cos = 1.0;
    double m_step = 0.0;
    double m_stepSin = 0.0;
    double m_stepCos = 1.0;
};

} // namespace model
