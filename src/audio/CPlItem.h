#pragma once
/** @brief One item of a playlist: a file of the list, played from a set segment position for
 *  the item time, looping.
 *
 * The player sets the fields and opens the item once it becomes the next one, so the file is
 * ready long before its fade-in; at the fade-in it restarts the item from the beginning.
 *
 * Threads: the mixer's worker. Open decodes the file's header and allocates its decoder;
 * GetFrame reads one buffered frame. */

#include "audio/CSoundFile.h"

#include <QString>

#include <cstdint>

class CPlItem
{
public:
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
