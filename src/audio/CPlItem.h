#pragma once
/** @brief One item of a playlist: a file of the list, played from a set segment position for
 *  the item time, looping.
 *
 * The player sets the fields and opens the item once it becomes the next one, so the file is
 * ready long before its fade-in; at the fade-in it restarts the item from the beginning.
 *
 * Threads: the mixer's worker. Open decodes the file's header and allocates its decoder, or
 * for a file no longer than kMaxSharedFrames decodes it whole into the copy every item and
 * track playing it shares (unless one holds it already); GetFrame reads one buffered frame. */

#include "audio/CSoundFile.h"

#include <QString>

#include <cstdint>

class CPlItem
{
public:
    /** Longest looping file, in frames at the rate, that is decoded once into a shared copy
     *  (audio::SharedLoops) instead of streaming through the codec pass after pass: 2^22
     *  frames (32 MiB; 95 s at 44.1 kHz, 44 s at 96 kHz), whose whole decode on the engine's
     *  worker stays well inside the output's buffer. A longer file streams. */
    static constexpr std::uint32_t kMaxSharedFrames = std::uint32_t{1} << 22;

    /** Opens @p path looping at @p rate into @p file: the shared decoded copy when the file
     *  is no longer than kMaxSharedFrames (the same frames, decoded once for every reader),
     *  else streaming. False when it cannot be opened. The engine's worker. */
    static bool OpenLooping(CSoundFile& file, const QString& path, unsigned rate);

    CPlItem() = default;
    virtual ~CPlItem() = default;
    CPlItem(const CPlItem&) = delete;
    CPlItem& operator=(const CPlItem&) = delete;

    /** The next frame of the file (silence and false when it cannot be read); counts it. */
    virtual bool GetFrame(CStereoFrame& frame);
    /** @p n frames as n GetFrame calls give them; false when any could not be read. */
    virtual bool GetFrames(CStereoFrame* frames, std::uint32_t n);

    /** Opens the file at the path looping at the rate (closing what was open), from its
     *  start; false when it cannot be opened. */
    bool Open();
    /** From the start again: a rewind when the file is open, else Open. */
    bool Restart();
    void Close();
    bool IsOpen() const noexcept { return m_open; }

    std::int32_t m_framesPlayed = 0;
    QString m_path; ///< absolute
    unsigned m_rate = 0;
    std::int32_t m_playSeconds = 0;
    std::uint32_t m_fadeFrames = 0;
    std::uint32_t m_startPosition = 0; ///< segment positions
    std::uint32_t m_endPosition = 0;
    std::uint32_t m_runningPosition = 0;

protected:
    /** The item's own state back to the start of the file. */
    virtual void OnStarted();

    CSoundFile m_file;
    bool m_open = false;
    std::uint32_t m_playFrames = 0;
};
