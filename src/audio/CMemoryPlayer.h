#pragma once
/** @brief Plays a caller-owned buffer of float stereo frames, once or looping without a gap.
 *
 * The buffer is not copied: it must stay alive and unchanged until Free. The output stream's
 * update thread reads it through StreamProc; the position is the next frame to be read (the
 * output buffers a little ahead of what is heard). Not looping, the player clears its playing
 * flag when the last frame has been read and the stream ends after it; looping, reading
 * continues at frame 0 in the same block.
 *
 * Create, Play, Stop, Free and SetPosition on the UI thread; GetPosition and IsPlaying from
 * any thread. */

#include "audio/CStereoFrame.h"
#include "platform/audio/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CMemoryPlayer
{
public:
    CMemoryPlayer() = default;
    ~CMemoryPlayer();
    CMemoryPlayer(const CMemoryPlayer&) = delete;
    CMemoryPlayer& operator=(const CMemoryPlayer&) = delete;

    /** A stream at @p rate Hz over @p frames frames of @p buffer; position 0, not playing.
     *  Frees a stream made before. False after the message box "Failed to create playback
     *  stream." */
    bool Create(unsigned rate, const CStereoFrame* buffer, std::uint32_t frames, bool loop);
    /** Playing flag set, then the stream plays. False without a stream, or when the device
     *  failed (the stream then plays on the null device). */
    bool Play();
    /** Playing flag cleared, then the stream pauses. */
    bool Stop();
    /** The next frame to be read; a frame past the end is the end. */
    void SetPosition(std::uint32_t frame);
    std::uint32_t GetPosition() const;
    bool IsPlaying() const;
    /** Playing flag cleared, stream stopped and freed; false when there was none. */
    bool Free();

private:
    /** Fills @p count frames from the buffer (the stream's update thread). */
    std::uint32_t StreamProc(float* out, std::uint32_t count) noexcept;

    std::unique_ptr<plat::AudioOutput> m_stream;
    unsigned m_rate = 0;
    bool m_loop = false;
    std::atomic<bool> m_playing{false};
    const CStereoFrame* m_buffer = nullptr;
    std::uint32_t m_frames = 0;
    std::uint64_t m_bytes = 0;
    std::atomic<std::uint64_t> m_position{0}; // bytes
};
