#pragma once
/** @brief Reads a sound file (WAV, FLAC, OGG Vorbis, Opus, MP3 and whatever else libsndfile
 *  decodes) as interleaved float stereo at a chosen rate.
 *
 * Mono plays on both channels; of more than two channels the first two are kept. The file is
 * resampled (high quality) when its rate differs. Without looping exactly Length() frames
 * come out: the resampler's delay is flushed at the end, and a tail that the decoder ends a
 * few frames early or late (an MP3 without a length tag) is padded with silence or cut.
 * Looping seeks back to the start at the end of the file and keeps feeding the resampler, so
 * the wrap is seamless.
 *
 * With SetReadAhead on, a Read of at least kReadAheadFrames frames of a resampled file (a
 * whole file at once, as a shared loop is decoded) decodes on a thread of its own while the
 * caller's thread resamples: the same frames, in about the time of the decoding alone. Off
 * (as made), and for smaller reads and seeks, everything stays on the caller's thread and no
 * thread is made: the players' reads on the engine's threads make none.
 *
 * One thread at a time per instance; nothing is shared between instances. Nothing leaks when
 * Open fails half-way; Open on an open decoder closes it first. */

#include <QString>

#include <cstdint>
#include <memory>

namespace plat
{

class SoundDecoder
{
public:
    struct Info
    {
        std::uint64_t frames = 0; ///< at the file's own rate (as the file's header reports it)
        unsigned rate = 0;
        int channels = 0;
    };

    /** With SetReadAhead on, reads of at least this many frames decode ahead on a thread. */
    static constexpr std::uint32_t kReadAheadFrames = 65536;

    SoundDecoder();
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    /** False (and closed) when the file is missing, cannot be decoded or has no rate. */
    bool Open(const QString& path, unsigned targetRate, bool loop);
    void Close();
    bool IsOpen() const;

    const Info& Source() const;
    /** Frames at the target rate: trunc(source frames x target rate / source rate). */
    std::uint64_t Length() const;

    /** On: reads of at least kReadAheadFrames frames of a resampled file decode ahead on a
     *  thread made for the read, while the caller's thread resamples (the same frames). Off
     *  when made; kept across Open. */
    void SetReadAhead(bool on);

    /** Up to @p count frames into @p out; fewer only at the end of a file that does not loop
     *  (then 0 on every later call until Seek). */
    std::uint32_t Read(float* out, std::uint32_t count);

    /** Moves to frame @p targetFrame (at the target rate; taken modulo the length when
     *  looping) and empties the resampler; the frames that follow do not depend on what was
     *  read before. False when the file cannot seek there. */
    bool Seek(std::uint64_t targetFrame);

    /** The header's frames, rate and channels, without a resampler. False when the file
     *  cannot be opened. */
    static bool ReadInfo(const QString& path, Info& info);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
