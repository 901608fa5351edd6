#pragma once
/** @brief The external-audio sound: one file from anywhere, played once or looping.
 *
 * A playback that starts inside the segment continues the file from there: position p of
 * the segment plays file frame p, or p modulo the file's length when it loops. A file that
 * does not loop plays once from the segment start and then falls silent; only a looping one
 * fades in and out. An empty path, and a looping file with no frames, are silent.
 *
 * Threads: the mixer's worker. Init opens the file (a looping one no longer than
 * CPlItem::kMaxSharedFrames is decoded whole, once for every track that loops it); GetSample
 * reads one buffered frame. */

#include "audio/CSound.h"
#include "audio/CSoundFile.h"

#include <QString>

#include <cstdint>

class CSoundMusicExt : public CSound
{
public:
    bool Init() override;
    /** Closes the file, then the base part. */
    bool Terminate() override;
    bool GetSample(CStereoFrame& frame) override;
    double GetBaseGain() const noexcept override { return kDefaultBaseGain; }
    bool HasFades() const noexcept override { return m_loop; }

protected:
    /** The frames read from the file in one go. */
    bool GetSamples(CStereoFrame* out, std::uint32_t n) override;

private:
    bool m_loop = false;
    QString m_path; ///< a full path, used as stored
    CSoundFile m_file;
    std::uint32_t m_length = 0; ///< frames at the session rate
};
