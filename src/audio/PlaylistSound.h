#pragma once
/** @brief What the ambient-music and nature sounds share: the segment's file list played
 *  through a CPlaylistPlayer. The kinds differ in the crossfade length and their message.
 *
 * Threads: the mixer's worker. */

#include "audio/CPlaylistPlayer.h"
#include "audio/CSound.h"

namespace audio
{

class PlaylistSound : public CSound
{
public:
    static constexpr std::int32_t kMinChangeMinutes = 1;
    static constexpr std::int32_t kMaxChangeMinutes = 10;

    /** Takes the list, order, play style and change time from the segment and starts the
     *  player at the sound's position; false with the player's message when a file cannot
     *  be opened. */
    bool Init() override;
    /** Stops the player, then the base part. */
    bool Terminate() override;
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kDefaultBaseGain; }
    bool HasFades() const noexcept override { return true; }

protected:
    /** The player's frames in spans between its switches. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;
    /** The crossfade between items, in frames. */
    virtual std::uint32_t CrossfadeFrames() const noexcept = 0;
    /** The text of a failed frame. */
    virtual QString ReadErrorText() const = 0;

    CPlaylistPlayer m_player;
};

} // namespace audio
