#pragma once
/** @brief How the mixer reaches the windows that listen to it, without knowing any window.
 *
 * The view implements MixerEvents (it is the notify window); the live recorder implements a
 * MixerBlockSink (it is the level window), or uses rt::MixerBlockQueue. The engine's message
 * boxes (a playback that cannot start) go through audio::ShowMessage, as the other audio
 * services' do. Everything handed over
 * is a value or is copied during the call: the mixer reuses its buffers for the next block. */

#include <QString>

#include <cstdint>

namespace rt
{

class MixerEvents
{
public:
    virtual ~MixerEvents() = default;
    /** A generator failed: the view stops playback and shows @p text (WM_APP_MIXER_ERROR).
     *  Called on the mixer's worker thread, at most once per playback: queue the text for the
     *  UI thread and return; never wait for the UI thread here. */
    virtual void PostMixerError(QString text) = 0;
};

/** The session frame the listener hears now (CMixer::GetHeardFrame), for a level window that
 *  lines its own audio up with what was heard. */
class HeardClock
{
public:
    virtual ~HeardClock() = default;
    /** Any thread, between the OnMixerClock calls that hand the clock over and take it back. */
    virtual std::uint64_t HeardFrame() const noexcept = 0;
};

class MixerBlockSink
{
public:
    virtual ~MixerBlockSink() = default;
    /** Every block handed to the output stream, in order, as interleaved stereo floats
     *  (WM_APP_MIXER_BLOCK). On the stream's update thread; @p interleaved is valid only during
     *  the call, so copy it. Must not block: the output waits for this call. */
    virtual void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept = 0;
    /** As OnMixerBlock, with the session frame the block's first frame stands for: the start's
     *  frame plus every frame handed over before it, counted as CMixer::GetHeardFrame counts the
     *  heard ones. A live recorder delays the session audio by (stamp - heard frame), the frames
     *  between the mixer and the listener's ears. The default passes the block on without it. */
    virtual void OnMixerBlockAt(const float* interleaved, std::uint32_t frames,
                                std::uint64_t sessionFrame) noexcept
    {
        static_cast<void>(sessionFrame);
        OnMixerBlock(interleaved, frames);
    }
    /** The mixer's heard clock once its stream plays (UI thread, in CMixer::Play), and null first
     *  thing in CMixer::Stop: once this call returns with null, the sink must no longer read the
     *  clock, for the stream behind it is about to go. The default ignores the clock. */
    virtual void OnMixerClock(const HeardClock* clock) noexcept { static_cast<void>(clock); }
};

} // namespace rt
