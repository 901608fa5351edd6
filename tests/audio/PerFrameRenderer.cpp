#include "PerFrameRenderer.h"

#include "audio/CEffectsProcessor.h"
#include "audio/CSound.h"
#include "platform/Random.h"

#include <algorithm>
#include <limits>

namespace vtest
{

void PerFrameRenderer::Attach(CMixer& mixer) noexcept
{
    mixer.SetBlockRenderer(this);
    mixer.SetRenderThreads(1);
}

void PerFrameRenderer::Use(CMixer& mixer, Renderer renderer) noexcept
{
    if (renderer == Renderer::kPerFrame)
        Attach(mixer);
    else
        mixer.SetBlockRenderer(nullptr);
}

bool PerFrameRenderer::RenderBlock(CMixer& mixer, std::uint32_t frames) noexcept
{
    CStereoFrame* out = mixer.m_block.get();
    std::fill_n(out, frames, CStereoFrame{});
    mixer.m_blockStartFrame = mixer.m_currentFrame;
    mixer.m_blockAborted = mixer.m_abort.load(std::memory_order_relaxed);
    m_brainwavesAtBlock = mixer.m_brainwavesGlobal->SaveClockState();
    m_bilateralAtBlock = mixer.m_bilateralGlobal->SaveClockState();
    m_clocksAdvanced = false;
    for (CMixerTrack& track : mixer.m_tracks)
    {
        plat::ScopedRandom random(track.m_random);
        if (!RenderTrack(mixer, track, frames))
            return mixer.PostFirstError();
    }
    mixer.SumTracks(out, frames);
    if (!m_clocksAdvanced)
    {
        // No track stepped the clocks: step them here, so that a segment starting later meets
        // the session's cycles where they are.
        mixer.m_brainwavesGlobal->RestoreClockState(m_brainwavesAtBlock);
        mixer.m_bilateralGlobal->RestoreClockState(m_bilateralAtBlock);
        for (std::uint32_t f = 0; f < frames; ++f)
        {
            mixer.m_brainwavesGlobal->AdvanceClock();
            mixer.m_bilateralGlobal->AdvanceClock();
        }
    }
    mixer.m_currentFrame = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::uint64_t{mixer.m_blockStartFrame} + frames, std::numeric_limits<std::uint32_t>::max()));
    return true;
}

bool PerFrameRenderer::RenderTrack(CMixer& mixer, CMixerTrack& track, std::uint32_t frames) noexcept
{
    CStereoFrame* block = track.m_block.get();
    std::fill_n(block, frames, CStereoFrame{});
    CEffectsProcessor& effects = *track.m_effects;
    if (!track.m_active || track.m_current < 0 || track.m_current >= track.m_segmentCount)
    {
        effects.Process(block, frames); // the last segment's effect tail fades out
        return true;
    }
    mixer.m_brainwavesGlobal->RestoreClockState(m_brainwavesAtBlock);
    mixer.m_bilateralGlobal->RestoreClockState(m_bilateralAtBlock);
    std::uint32_t e = mixer.m_blockStartFrame;
    std::uint32_t piece = 0; // where the effects' current piece began in the block
    for (std::uint32_t f = 0; f < frames; ++f)
    {
        // A piece of the effects begins at a segment's start and at each grid point; its
        // levels are those of its first frame.
        const bool starts = StartsAt(mixer, track, e);
        const bool begins = starts || e % CEffectsProcessor::kGridFrames == 0;
        if (begins && f > piece)
        {
            effects.Process(block + piece, f - piece);
            piece = f;
        }
        CStereoFrame frame;
        bool ends = false;
        if (!RenderTrackFrame(mixer, track, e, frame, ends))
            return false;
        block[f] = frame;
        if (begins && track.m_segmentStart <= e && e <= track.m_segmentEnd &&
            track.m_sound->IsEffectsRunning())
            effects.LatchSettings();
        if (ends)
        {
            effects.Process(block + piece, f + 1 - piece);
            piece = f + 1;
            mixer.EndSegment(track, e);
        }
        ++e;
        mixer.m_brainwavesGlobal->AdvanceClock();
        mixer.m_bilateralGlobal->AdvanceClock();
    }
    effects.Process(block + piece, frames - piece);
    m_clocksAdvanced = true;
    return true;
}

bool PerFrameRenderer::RenderTrackFrame(CMixer& mixer, CMixerTrack& track, std::uint32_t e, CStereoFrame& out,
                                        bool& ends) noexcept
{
    ends = false;
    if (!track.m_active || track.m_current < 0 || track.m_current >= track.m_segmentCount ||
        mixer.m_blockAborted)
    {
        if (track.m_sound)
            ++track.m_sound->m_absoluteFrame;
        return true;
    }
    CSound& sound = *track.m_sound;
    const bool inside = track.m_segmentStart <= e && e <= track.m_segmentEnd;
    if (StartsAt(mixer, track, e) && !mixer.StartSegment(track, e))
        return false;
    if (inside)
    {
        if (!sound.GetSample(out))
        {
            CMixer::Fail(track, sound.GetErrorText());
            return false;
        }
        sound.PostProcess(out);
        ++sound.m_position;
        ++sound.m_absoluteFrame;
    }
    else
    {
        out = CStereoFrame{};
    }
    ends = e == track.m_segmentEnd;
    return true;
}

bool PerFrameRenderer::StartsAt(const CMixer& mixer, const CMixerTrack& track, std::uint32_t e) noexcept
{
    if (!track.m_active || track.m_current < 0 || track.m_current >= track.m_segmentCount ||
        mixer.m_blockAborted)
        return false;
    const bool inside = track.m_segmentStart <= e && e <= track.m_segmentEnd;
    return e == track.m_segmentStart || (track.m_startPending && inside);
}

} // namespace vtest
