#pragma once
/** @brief The ambient-music sound: the segment's playlist, each item crossfading into the next
 *  over the playlist fade of the options. Threads: the mixer's worker. */

#include "audio/PlaylistSound.h"

class CSoundAmbientMusic : public audio::PlaylistSound
{
protected:
    std::uint32_t CrossfadeFrames() const noexcept override { return m_playlistFadeFrames; }
    QString ReadErrorText() const override
    {
        return QStringLiteral("Failed to read the ambient music playlist.");
    }
};
