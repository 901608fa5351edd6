#pragma once
/** @brief sin(2 pi u) along a phase u that moves on by a fixed step every frame, by turning unit
 *  vectors instead of taking a sine per frame.
 *
 * Anchor takes the exact sine and cosine at a phase (the same expression a per-frame caller
 * evaluates, so the anchored frame gives the very same value). The next four frames are four
 * vectors, each turned by four steps when its frame has been read, so that a block of frames is
 * four independent recurrences the compiler can run side by side; which vector serves a frame
 * depends only on how far the frame lies from the anchor, so reading the frames one at a time or
 * a block at a time gives the same values. A turn adds at most a few units of rounding (2^-53)
 * to a vector: after k frames the sine is off the exact sin(2 pi (u + k step)) by less than
 * 4 (k / 4 + 3) 2^-53 + 2 pi k |step| 2^-53, under 1.3e-13 for a caller that anchors again at
 * least every kAnchorFrames frames with steps up to half a cycle (the tests measure it under
 * 1e-13, the per-frame sine's own rounding of a phase below 1 being some 1e-16). The
 * phase itself is never accumulated here: whoever anchors passes the exact phase, so the
 * frequency does not drift however long the phase runs.
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
        if (step != m_step)
        {
            m_step = step;
            m_stepSin = std::sin(kTwoPi * step);
            m_stepCos = std::cos(kTwoPi * step);
            m_turnSin = std::sin(kTwoPi * 4.0 * step);
            m_turnCos = std::cos(kTwoPi * 4.0 * step);
        }
        m_sin[0] = std::sin(kTwoPi * u);
        m_cos[0] = std::cos(kTwoPi * u);
        for (int j = 1; j < 4; ++j)
        {
            m_sin[j] = m_sin[j - 1] * m_stepCos + m_cos[j - 1] * m_stepSin;
            m_cos[j] = m_cos[j - 1] * m_stepCos - m_sin[j - 1] * m_stepSin;
        }
        m_next = 0;
    }
    /** sin(2 pi u) at the current frame. */
    double Sin() const noexcept { return m_sin[m_next]; }
    /** One frame on. */
    void Step() noexcept
    {
        Turn(m_next);
        m_next = (m_next + 1) & 3;
    }
    /** The sines of the @p n frames from the current one into @p out, and the phasor @p n
     *  frames on: the values Sin and Step would give. */
    void Sines(double* out, std::uint32_t n) noexcept
    {
        std::uint32_t i = 0;
        for (; i < n && m_next != 0; ++i)
        {
            out[i] = Sin();
            Step();
        }
        if (i + 4 <= n)
        {
            // The four vectors side by side, held apart from the output they fill.
            double s[4];
            double c[4];
            for (int j = 0; j < 4; ++j)
            {
                s[j] = m_sin[j];
                c[j] = m_cos[j];
            }
            const double turnSin = m_turnSin;
            const double turnCos = m_turnCos;
            for (; i + 4 <= n; i += 4)
                for (int j = 0; j < 4; ++j)
                {
                    out[i + j] = s[j];
                    const double t = s[j] * turnCos + c[j] * turnSin;
                    c[j] = c[j] * turnCos - s[j] * turnSin;
                    s[j] = t;
                }
            for (int j = 0; j < 4; ++j)
            {
                m_sin[j] = s[j];
                m_cos[j] = c[j];
            }
        }
        for (; i < n; ++i)
        {
            out[i] = Sin();
            Step();
        }
    }

private:
    void Turn(int j) noexcept
    {
        const double s = m_sin[j] * m_turnCos + m_cos[j] * m_turnSin;
        m_cos[j] = m_cos[j] * m_turnCos - m_sin[j] * m_turnSin;
        m_sin[j] = s;
    }

    double m_sin[4] = {0.0, 0.0, 0.0, 0.0};
    double m_cos[4] = {1.0, 1.0, 1.0, 1.0};
    int m_next = 0;
    double m_step = 0.0;
    double m_stepSin = 0.0;
    double m_stepCos = 1.0;
    double m_turnSin = 0.0;
    double m_turnCos = 1.0;
};

} // namespace model
