#pragma once
/** @brief The reference the mixer's block renderer is checked against: every track, one after
 *  the other, steps its generator and both session clocks frame by frame, on the worker alone.
 *
 * It drives the mixer's own tracks, segment edges and error reporting, so the two renderers
 * differ only in how a block is walked. Worker thread (the mixer calls RenderBlock). */

#include "audio/CMixer.h"
#include "model/SessionClockSetting.h"

#include <cstdint>

namespace vtest
{

/** Which renderer a rendering test plays with. */
enum class Renderer
{
    kBlock,
    kPerFrame,
};

class PerFrameRenderer final : public CMixer::BlockRenderer
{
public:
    /** Makes @p mixer's next playbacks render through this reference, on one thread. UI thread,
     *  while idle; this object outlives them. */
    void Attach(CMixer& mixer) noexcept;
    /** Attach when @p renderer is the per-frame one; the mixer's own renderer otherwise. */
    void Use(CMixer& mixer, Renderer renderer) noexcept;

    bool RenderBlock(CMixer& mixer, std::uint32_t frames) noexcept override;

private:
    bool RenderTrack(CMixer& mixer, CMixerTrack& track, std::uint32_t frames) noexcept;
    /** One frame of @p track at session frame @p e; @p ends says the segment ended on it (the
     *  caller runs the effects of the piece, then ends the segment). */
    static bool RenderTrackFrame(CMixer& mixer, CMixerTrack& track, std::uint32_t e, CStereoFrame& out,
                                 bool& ends) noexcept;
    /** Whether @p track's segment starts (is initialised) at session frame @p e. */
    static bool StartsAt(const CMixer& mixer, const CMixerTrack& track, std::uint32_t e) noexcept;

    // Both clocks as they stood at the block's first frame: every track is rendered against
    // them, so that each sees the cycles the session has there, whatever the tracks before it did.
    model::SessionClockSetting::ClockState m_brainwavesAtBlock;
    model::SessionClockSetting::ClockState m_bilateralAtBlock;
    bool m_clocksAdvanced = false; ///< a track stepped the clocks over this block
};

} // namespace vtest
