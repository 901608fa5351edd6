#pragma once
/** @brief The plan of notes: which source frame feeds the grains at each output time.
 *
 * Each note holds one source position for its first quarter, then hands over to the next note
 * along a random raised-cosine crossfade. The first and last notes start at the same source frame,
 * so the rendered sound can be closed into a loop. Used by the grain engine on the thread that runs
 * its render (the UI thread); not shared between threads. */

#include "grains/CNote.h"

#include "platform/Random.h"

#include <cstdint>
#include <vector>

class CNoteSequence
{
public:
    /** Rebuilds the notes for an output of @p outputCount frames: one note per scanFactor seconds of
     *  whole output seconds, at least two, placed along a fractal curve over the selection. */
    void Build(double scanFactor, std::uint32_t sourceStart, std::uint32_t sourceLength,
               std::uint32_t outputCount, double grainSeconds, std::uint32_t rate, plat::Random15& random);
    /** The source frame for a grain starting at output frame @p a. Calls must come in increasing
     *  order of @p a (the sequence steps forward by at most one note per call); draws from @p random
     *  only inside a crossfade. */
    int GetSourcePosition(std::uint32_t a, plat::Random15& random) noexcept;

    int GetNoteCount() const noexcept { return m_noteCount; }
    const CNote& GetNote(int i) const { return m_notes.at(static_cast<std::size_t>(i)); }
    double GetNoteLength() const noexcept { return m_noteLength; }

private:
    std::vector<CNote> m_notes;
    int m_noteCount = 0;
    std::uint32_t m_sourceStart = 0;
    std::uint32_t m_sourceLength = 0;
    std::uint32_t m_outputCount = 0;
    double m_scanFactor = 0.0;
    double m_noteLength = 0.0;
    double m_grainSeconds = 0.0;
    std::uint32_t m_rate = 0;
    int m_current = 0;
    int m_next = 0;
    std::uint32_t m_noteBegin = 0;
    int m_currentLength = 0;
};
