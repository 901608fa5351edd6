#pragma once
/** @brief Reads a sound file frame by frame as float stereo at a chosen sample rate.
 *
 * Every file-based generator, the segment panels (file lengths) and the ambient-loop tool
 * read their files through this. Frames come out of a 5000-frame buffer refilled from the
 * decoder (a large bulk read takes them from the decoder straight); a refill that comes back
 * short is the last one, and from then on ReadFrame gives silence and false until Rewind or
 * Seek. A looping file repeats without end. A loop opened
 * with OpenSharedLoop reads the frames of an audio::SharedLoops copy instead: the same frames,
 * decoded once for every reader of the file at that rate.
 *
 * Each instance is used by one thread at a time (the UI thread's panels and the engine's
 * worker have their own); the static helpers may be called from any thread. Reports no text
 * of its own: failures return false (or a duration of 0) and the caller words them. */

#include "audio/CStereoFrame.h"
#include "audio/SharedLoops.h"
#include "platform/audio/SoundDecoder.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class CSoundFile
{
public:
    static constexpr std::uint32_t kBufferFrames = 5000;
    /** A ReadFrames of at least this many frames, when the buffer has been used up, is decoded
     *  straight into the caller's frames. */
    static constexpr std::uint32_t kDirectFrames = 1024;

    CSoundFile() = default;
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    /** Opens @p path for reading at @p rate Hz, looping when @p loop; rewinds. Closes what was
     *  open first. False when the file is missing or cannot be decoded. */
    bool Open(const QString& path, unsigned rate, bool loop);
    /** Opens @p path as a loop, as Open(path, rate, true) would, reading the frames of the
     *  shared decoded copy (its decode started here when no one holds it yet; a read of frames
     *  not yet decoded waits for them). A file that cannot be shared
     *  streams as Open would; false when that fails too. The engine's threads at a segment's
     *  Init: it opens the file and starts a thread. A file whose copy would hold more than
     *  @p maxFrames frames and that no one holds yet streams too. */
    bool OpenSharedLoop(const QString& path, unsigned rate,
                        std::uint32_t maxFrames = audio::SharedLoops::kMaxFrames);
    /** Frees the file; true. A shared loop's frames stay held until the next Open, the next
     *  OpenSharedLoop of another file or the destructor, so a track that closes its loop at
     *  the end of a segment and opens it again for the next one does not decode it again. */
    bool Close();
    bool IsOpen() const { return m_sharedOpen || m_decoder.IsOpen(); }

    /** The next frame; false with silence at the end of the file, on a failed read or when
     *  nothing is open. */
    bool ReadFrame(CStereoFrame& frame);
    /** Up to @p count frames into @p frames, as that many ReadFrame calls would give them;
     *  returns the frames read, and the rest of the @p count frames are silence. */
    std::uint32_t ReadFrames(CStereoFrame* frames, std::uint32_t count);

    /** Frames at the target rate: trunc(source frames / (source rate / target rate)); 0 when
     *  nothing is open. */
    unsigned GetLength() const;
    /** Back to the start, buffer emptied. */
    bool Rewind();
    /** Moves to @p frame at the target rate, buffer emptied. A shared loop moves to the frame
     *  its unbroken stream from the start gives there. */
    bool Seek(unsigned frame);

    /** Seconds of the file (source frames / source rate); 0 for an empty path or a file that
     *  cannot be opened. */
    static double GetFileDuration(const QString& path);
    /** "File length mm:ss" of the whole seconds of the file; empty for an empty path. */
    static QString FormatFileLength(const QString& path);

private:
    bool Refill();
    std::uint32_t ReadShared(CStereoFrame* frames, std::uint32_t count) noexcept;
    /** Waits for the shared loop's frames [0, @p end); false when its file failed before. */
    bool AwaitShared(std::uint32_t end) noexcept;

    plat::SoundDecoder m_decoder;
    audio::LoopFrames m_buffer{kBufferFrames}; ///< not cleared: only frames a refill wrote are read
    std::uint32_t m_bufferFrames = 0;          // frames in the buffer
    std::int64_t m_readOffset = -1;            // next frame in the buffer; -1 when the buffer is empty
    unsigned m_targetRate = 0;
    std::shared_ptr<const audio::SharedLoop> m_shared; // kept past Close, see there
    bool m_sharedOpen = false;
    std::uint32_t m_sharedAt = 0;    // next frame of m_shared
    std::uint32_t m_sharedReady = 0; // frames of m_shared known to be ready
};
