#pragma once
/** @brief Writes float frames to a sound file: WAV through the file writer, MP3 and OGG
 *  through the command-line encoders lame and oggenc.
 *
 * WAV keeps the session rate and the chosen sample format (16, 24 or 32-bit integer, or
 * float); integer samples clip instead of wrapping, and a file that passes 4 GB becomes
 * RF64. MP3 and OGG go to the encoder program on its standard input as a WAV stream of
 * 16-bit samples (clipped) whose header carries the file's real rate: at most 48000 Hz,
 * so higher session rates are resampled to 48000 Hz first, and for OGG at least 44100 Hz,
 * because oggenc refuses the offered bitrates at 11025 Hz and most of them at 22050 Hz.
 * The programs are started with an argument vector, never through a shell, so a path is
 * one argument whatever characters it holds.
 *
 * Threads: Start and Stop on the UI thread; Write on one other thread (the recording
 * thread) between them. (A session export writes and then stops on its own worker: its
 * Stop comes after its last Write, on the same thread.) Write only tries the lock that Stop holds while it
 * finishes the file, so the recording thread never waits for a Stop; frames that arrive while or after the
 * file is finished are not part of the recording and are dropped. */

#include "audio/CStereoFrame.h"
#include "platform/ChildProcess.h"
#include "platform/audio/Resampler.h"
#include "platform/audio/SoundWriter.h"

#include <QString>

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

class CEncoder
{
public:
    /** kbps by compression index. */
    static constexpr std::array<int, 7> kBitrates{112, 128, 160, 192, 224, 256, 320};
    /** The index used for one outside the table (only a hand-edited setting gives one). */
    static constexpr int kDefaultCompression = 3;
    static constexpr unsigned kMaxCompressedRate = 48000;
    static constexpr unsigned kMinOggRate = 44100;

    CEncoder() = default;
    /** Finishes an open file (as Stop). */
    ~CEncoder();
    CEncoder(const CEncoder&) = delete;
    CEncoder& operator=(const CEncoder&) = delete;

    /** Opens @p path for frames of @p channels (1 or 2) channels at @p rate Hz: @p format 1
     *  MP3, 2 OGG, anything else WAV with @p sampleFormat 0 16-bit, 1 24-bit, 2 32-bit
     *  integer, else float; @p compression indexes kBitrates. Finishes an open file first.
     *  False after its message box. UI thread. */
    bool Start(const QString& path, int channels, int format, int compression, int sampleFormat,
               unsigned rate);

    /** Encodes @p count frames (count x 8 bytes of float samples: @p count stereo frames, or
     *  2 x @p count mono ones). A count of 0 is a success. False after the message box
     *  "Failed to write to the encoder." when the file or the encoder refuses the frames
     *  (the encoder died, the disc is full), and when nothing was started. The writing
     *  thread. */
    bool Write(const CStereoFrame* frames, std::uint32_t count);

    /** Finishes the file. True when it is complete: the file was closed without error, or
     *  the encoder took every frame and exited with status 0; true too when nothing was
     *  open. Otherwise false after the message box "Failed to finish the encoder stream.".
     *  UI thread. */
    bool Stop();

    /** Whether a file can be made at @p path: a missing one is created and removed again, an
     *  existing one is left as it is. Any thread. */
    static bool CanCreate(const QString& path);

    /** The command-line template of @p format (1 MP3, 2 OGG), else empty. The encoder
     *  program's arguments are the template's words with %d the bitrate and "%s" the path. */
    static QString GetCommandLine(int format);
    /** kbps of compression index @p compression (kDefaultCompression outside the table). */
    static int GetBitrate(int compression);
    /** The rate the file is written at for a session at @p rate Hz. */
    static unsigned FileRate(int format, unsigned rate);

private:
    enum class State
    {
        Idle,    ///< never started, or Start failed
        Open,    ///< frames go to the file
        Stopped, ///< the file is finished; late frames are dropped
    };

    bool StartEncoder(const QString& path, int format, int compression, unsigned rate);
    bool SendPcm(const float* samples, std::size_t frames);
    bool FinishLocked();

    std::mutex m_mutex; // held by Start and Stop; Write only tries it
    State m_state = State::Idle;
    int m_channels = 2;
    bool m_compressed = false;
    bool m_writeFailed = false;

    plat::SoundWriter m_writer;
    plat::ChildProcess m_child;
    plat::Resampler m_resampler;
    bool m_resampling = false;
    std::vector<float> m_resampled;
    std::vector<std::uint8_t> m_pcm;
};
