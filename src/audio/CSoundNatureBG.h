#pragma once
/** @brief The nature sound: the segment's playlist, each item crossfading into the next over
 *  the segment fade of the options. Threads: the mixer's worker. */

#include "audio/PlaylistSound.h"

class CSoundNatureBG : public audio::PlaylistSound
{
protected:
    std::uint32_t CrossfadeFrames() const noexcept override { return m_fadeFrames; }
    QString ReadErrorText() const override { return QStringLiteral("Failed to read the nature playlist."); }
};
