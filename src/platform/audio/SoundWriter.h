#pragma once
/** @brief Writes interleaved float frames to a sound file: WAV (8, 16, 24 or 32-bit integer,
 *  or float; written here, with a plain header), or through libsndfile FLAC, OGG Vorbis or Opus.
 *
 * Integer formats clip instead of wrapping. One thread at a time; Close (or destruction)
 * finishes the file. */

#include <QString>

#include <cstdint>
#include <memory>

namespace plat
{

class SoundWriter
{
public:
    enum class Format
    {
        Wav8,
        Wav16,
        Wav24,
        Wav32,
        WavFloat,
        Flac16,
        OggVorbis,
        Opus,
    };

    SoundWriter();
    ~SoundWriter();
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    /** @p quality 0..1 for OGG Vorbis (ignored otherwise). False when the file cannot be
     *  created or the format does not take the rate or channels (Opus: 8000, 12000, 16000,
     *  24000 or 48000 Hz). */
    bool Open(const QString& path, Format format, unsigned rate, int channels, double quality = 0.5);
    /** WAV files opened from now on may grow past 4 GB (@p plainBytes, the most a plain
     *  file's RIFF chunk holds; smaller only in tests): a file closed beyond it is RF64, one
     *  within it a plain WAV with the PCM or IEEE float header every reader takes. Without
     *  this, writing past 4 GB fails. */
    void SetRf64WhenLarge(bool on, std::uint64_t plainBytes = 0xFFFFFFFFull);
    /** @p frames frames of the channels given to Open. False on a write error. */
    bool Write(const float* frames, std::uint64_t count);
    /** Finishes the file; false when it could not be finished. */
    bool Close();
    bool IsOpen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
