#pragma once
/** @brief What the view asks the mixer to play: filled by the view on its stack and read by
 *  CMixer::Play on the UI thread. */

#include <cstdint>

class CBilateralGlobal;
class CBrainwavesGlobal;
class CTracks;

namespace rt
{
class MixerEvents;
}

struct CPlaybackParams
{
    CTracks* m_tracks = nullptr;        ///< the session's tracks, not owned
    std::uint32_t m_rate = 44100;       ///< Hz, the options' sample rate
    std::uint32_t m_sessionSeconds = 0; ///< whole seconds
    /** 0..1 of the session. In preview mode Play overwrites it with the previewed segment's
     *  begin, here too. */
    double m_startFraction = 0.0;
    bool m_previewOnly = false; ///< play one segment of one track
    std::int32_t m_previewTrack = -1;
    std::int32_t m_previewSegment = -1;
    double m_segmentFadeSeconds = 0.0;
    double m_playlistFadeSeconds = 0.0;
    /** The session-wide clocks, not owned; when null the mixer uses default settings of its own. */
    CBrainwavesGlobal* m_brainwavesGlobal = nullptr;
    CBilateralGlobal* m_bilateralGlobal = nullptr;
    /** Receives a generator's error text during playback (the view). May be null. */
    rt::MixerEvents* m_notifyWindow = nullptr;
};
