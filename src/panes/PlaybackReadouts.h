#pragma once
/** @brief What the view's playback timer reads from the engine and hands to the transport bar's
 *  panes, so that no pane calls the engine while painting.
 *
 * The view fills it from CMixer (GetPosition, GetLevels, GetSpectrum with 16 bands, GetCpuLoad)
 * on every tick while the session plays and passes it to CPaneControlbar::SetReadouts. The panes
 * show these values only while the document's playing flag is set; otherwise they show zeros (the
 * meters) or the hover position (the status), whatever was handed in last. */

#include <array>

struct PlaybackReadouts
{
    /** The spectrum's band count, as the sound meter draws it. */
    static constexpr int kBands = 16;

    double positionSeconds = 0.0;          ///< playback position in seconds (CMixer::GetPosition)
    double levelLeft = 0.0;                ///< output level 0..1
    double levelRight = 0.0;               ///< output level 0..1
    std::array<double, kBands> spectrum{}; ///< band magnitudes 0..1, lowest band first
    double load = 0.0;                     ///< playback load 0..1 (CMixer::GetCpuLoad)
};
