#pragma once
/** @brief A playlist item that plays random slices of its file, each joined to the next by a
 *  crossfade of its own.
 *
 * A slice lasts between 3 s and max(6 s, min(file length - 2 C, 20 s)) (the difference in
 * unsigned frames, so a file shorter than two crossfades allows 20 s) and starts at a random
 * point of the looping file; C = 132300 frames whatever the rate (3 s at 44.1 kHz, 12 s at
 * 11025 Hz). At the end of a slice, C frames of its continuation (buffer B) fade linearly into
 * the first C frames of the next slice (buffer A), and the next slice's body goes on from
 * where A ended. A file of no frames is silent.
 *
 * Threads: the mixer's worker. The two buffers (2 x 1 MB) are allocated by the constructor;
 * the first frame of each crossfade decodes 2 x C frames at once (a few milliseconds, taken
 * up by the output stream's buffer). */

#include "audio/CPlItem.h"

#include <cstdint>

class CPlItemSlicing : public CPlItem
{
public:
    static constexpr std::uint32_t kCrossfadeFrames = 132300;
    static constexpr std::uint32_t kMinSliceSeconds = 3;
    static constexpr std::uint32_t kShortestLongestSliceSeconds = 6;
    static constexpr std::uint32_t kLongestSliceSeconds = 20;

    CPlItemSlicing();

    bool GetFrame(CStereoFrame& frame) override;
    /** The slice body read in one go; the crossfades from their buffers. */
    bool GetFrames(CStereoFrame* frames, std::uint32_t n) override;

    /** The length of the slice in progress, in frames. */
    std::uint32_t GetSliceLength() const noexcept { return m_sliceLength; }

private:
    void OnStarted() override;
    void Start();
    void PickSlice();
    void FillCrossfade();
    void GetCrossfadeFrame(CStereoFrame& frame) const noexcept;

    std::uint32_t m_sliceLength = 0;
    std::uint32_t m_fileLength = 0;     ///< frames at the rate
    std::uint32_t m_bodyPosition = 0;   ///< file position of the slice body
    std::uint32_t m_nextSliceStart = 0; ///< file position
    std::uint32_t m_sliceCounter = 0;
    std::uint32_t m_crossfadeCounter = 0;
    bool m_started = false;
    // Not cleared when made (each crossfade fills both before it reads them): two items of a
    // track hold 4 MiB, and clearing them cost the track's start tens of page faults a MiB.
    audio::LoopFrames m_a; ///< the next slice's opening
    audio::LoopFrames m_b; ///< the current slice's continuation
};
