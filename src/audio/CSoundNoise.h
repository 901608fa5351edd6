#pragma once
/** @brief The noise sound: looping brown noise blended with pink or white noise, shaped by
 *  an equaliser band that the segment moves.
 *
 * The loops are "Internals/Noise/Brown.ogg" and "Pink.ogg" or "White.ogg" of the
 * installation. "Smoothness" is the share of brown noise; "Filter", "Frequency" and
 * "Sharpness" drive the extra band of the track's effects processor every frame.
 *
 * Threads: the mixer's worker. Init opens the files; GetSample reads them through the
 * sound-file buffers. */

#include "audio/CSound.h"
#include "audio/CSoundFile.h"

class CSegmentNoise;

class CSoundNoise : public CSound
{
public:
    /** Adds the filter band and opens both loops at the session rate. */
    bool Init() override;
    /** Closes the loops, then the base part. */
    bool Terminate() override;
    /** One frame of the blend (silence unless both loops are open), then the filter. */
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kDefaultBaseGain; }
    bool HasFades() const noexcept override { return true; }

protected:
    /** The block form: both loops read a block at a time, the blend over arrays, the filter
     *  worked out for the last frame (the effects read no other). */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;

private:
    void UpdateFilter(double t) noexcept;

    CSegmentNoise* m_noise = nullptr; ///< the segment as a noise segment, not owned
    CSoundFile m_brown;
    bool m_brownOpen = false;
    CSoundFile m_colored;
    bool m_coloredOpen = false;
};
