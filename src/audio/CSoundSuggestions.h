#pragma once
/** @brief The voice sound: plays a voice segment's files one after another with pauses, in
 *  list order, shuffled, or one at a time as the voice panel requests them.
 *
 * Sequential: a fixed pause (the interval's constant, at least 1 s) after each file.
 * Shuffle: a pause of c x (0.5 + U) seconds, c being the interval at that time, and an
 * order of n / 2 random swaps rebuilt at the end of each round, which never starts with the
 * file that ended the previous round (nor the first round with file 0). Prerecorded: the file
 * the panel last asked for plays from its start. The live-recording placeholder is silent.
 * A file starts only when it ends inside the segment; one that does not fit ends the voice
 * for the rest of the segment. The first file starts at the segment start, every pause runs
 * from the end of the previous file.
 *
 * Threads: the mixer's worker. Opening a file (at its start time) decodes its header and
 * allocates the decoder; that happens on the worker, whose output is buffered ahead of the
 * device, never on the device thread. */

#include "audio/CSound.h"
#include "audio/CSoundFile.h"

#include <cstdint>
#include <vector>

class CSegmentSuggestions;

class CSoundSuggestions : public CSound
{
public:
    static constexpr double kMinPauseSeconds = 1.0;

    bool Init() override;
    /** Closes the file and frees the order, then the base part. */
    bool Terminate() override;
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kDefaultBaseGain; }
    bool HasFades() const noexcept override { return false; }

protected:
    /** The file's frames and the pauses in spans; each file's first and last frame as
     *  GetSample gives them. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;

private:
    void ShuffleOrder();
    void NextIndex();
    bool OpenNextFile();
    void CloseFile();
    bool ReadFileFrame(CStereoFrame& frame);

    CSegmentSuggestions* m_voice = nullptr; ///< the segment as a voice segment, not owned
    bool m_shuffle = false;
    bool m_prerecorded = false;
    bool m_sounding = false;
    std::int32_t m_fileCount = 0; ///< 0 ends the voice for the segment
    std::uint32_t m_framesRemaining = 0;
    std::uint32_t m_nextFileStart = 0; ///< segment position
    std::int32_t m_index = 0;
    std::int32_t m_requestedIndex = -1; ///< the panel's last request (prerecorded)
    std::vector<std::int32_t> m_order;  ///< shuffle only
    double m_interval = 0.0;            ///< seconds, the interval's constant
    CSoundFile m_file;
};
