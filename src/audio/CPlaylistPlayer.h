#pragma once
/** @brief Plays a playlist segment's files one after another, each for the item time, with a
 *  linear crossfade of the fade length from one into the next.
 *
 * The files come in list order or shuffled (n / 2 random swaps; a new round never starts with
 * the file that ended the previous one). Each fade-in begins an item time after the previous
 * one, counted from where playback started, and the two items overlap for fade + 1 frames;
 * a single file plays (or keeps slicing) for the whole segment. Items are whole looping files
 * or random slices (CPlItemLoop, CPlItemSlicing).
 *
 * Threads: the mixer's worker. Start allocates the items (a slicing item's buffers among
 * them); each switch opens the following item's file right away, an item time ahead of its
 * fade-in, which then only rewinds it. */

#include "audio/CPlItem.h"
#include "model/CFileListEntry.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class CPlaylistPlayer
{
public:
    enum Mode : std::int32_t
    {
        kModeWholeFiles = 0,
        kModeSlices = 1,
    };

    CPlaylistPlayer() = default;

    /** Builds the order and opens the first two items. True with nothing running when the
     *  list is empty; false with the error text set when a file cannot be opened. */
    bool Start();
    /** The next frame with switching and crossfades; false with the error text set when the
     *  next file cannot be opened. */
    bool GetFrame(CStereoFrame& frame);
    /** @p n frames as n GetFrame calls give them, read in spans between the item switches. */
    bool GetFrames(CStereoFrame* out, std::uint32_t n);
    /** Frees the order and both items; true. */
    bool Stop();
    /** Stop; not running. */
    bool Terminate();

    // Set by the owning sound before Start.
    const std::vector<CFileListEntry>* m_fileList = nullptr; ///< not owned
    bool m_shuffle = false;
    std::int32_t m_mode = kModeWholeFiles;
    std::int32_t m_itemSeconds = 60;
    unsigned m_rate = 0;
    std::uint32_t m_fadeFrames = 0;
    std::uint32_t m_position = 0;   ///< segment position of the next frame
    QString* m_errorText = nullptr; ///< the owning sound's

private:
    std::int32_t FileCount() const noexcept;
    void BuildOrder();
    bool OpenItems();
    bool NextItem();
    bool OpenItem(CPlItem& item, std::int32_t file, std::uint32_t start);
    void Crossfade(CStereoFrame& current, const CStereoFrame& next) const noexcept;
    /** The crossfade weight of the next item at segment position @p position. */
    float CrossfadeWeight(std::uint32_t position) const noexcept;
    bool Fail(const QString& text);

    std::uint32_t m_itemFrames = 0;
    std::vector<std::int32_t> m_order;
    std::int32_t m_orderIndex = 0;
    std::unique_ptr<CPlItem> m_current;
    std::unique_ptr<CPlItem> m_next;
    std::uint32_t m_crossfadeStart = 0;
    std::uint32_t m_crossfadeEnd = 0;
    bool m_running = false;
    CStereoFrame m_scratch[256] = {}; ///< the next item's frames of a span in a crossfade
};
