#pragma once
/** @brief Renders a session without a device, through the mixer's own stream procedure and
 *  block renderer (on the thread that asks): what tests and benchmarks measure is what a
 *  playback would hand to the device.
 *
 * One thread drives it (Start, the Render calls, Stop). The mixer's read-outs (position,
 * levels, spectrum) then describe the frames rendered so far. */

#include "audio/CMixer.h"

#include <cstdint>

namespace rt
{

class OfflineRenderer
{
public:
    explicit OfflineRenderer(CMixer& mixer) : m_mixer(mixer) {}
    ~OfflineRenderer() { Stop(); }
    OfflineRenderer(const OfflineRenderer&) = delete;
    OfflineRenderer& operator=(const OfflineRenderer&) = delete;

    /** Starts the mixer on @p params; false as CMixer::Play. */
    bool Start(CPlaybackParams& params, MixerBlockSink* levelWindow = nullptr)
    {
        return m_mixer.PlayOffline(params, levelWindow);
    }

    /** One request of @p frames frames, as a stream would ask it; the frames it returned
     *  (at most CMixer::kMaxBlockFrames, 0 once the mixer stopped). */
    std::uint32_t Request(float* interleaved, std::uint32_t frames) noexcept
    {
        const std::uint32_t bytes = frames > CMixer::kMaxBlockFrames
                                        ? CMixer::kMaxBlockFrames * CMixer::kBytesPerFrame
                                        : frames * CMixer::kBytesPerFrame;
        return m_mixer.StreamProc(interleaved, bytes) / CMixer::kBytesPerFrame;
    }

    /** Fills @p frames frames in requests whose sizes @p plan gives in turn (a callable
     *  returning the next request size, 1.. frames); returns the frames filled. */
    template <class Plan> std::uint64_t Render(float* interleaved, std::uint64_t frames, Plan&& plan)
    {
        std::uint64_t done = 0;
        while (done < frames)
        {
            std::uint64_t want = plan();
            want = want == 0 ? 1 : want;
            want = std::min<std::uint64_t>(want, frames - done);
            const std::uint32_t got = Request(interleaved + done * 2, static_cast<std::uint32_t>(want));
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

    void Stop() { m_mixer.Stop(); }

private:
    CMixer& m_mixer;
};

} // namespace rt
