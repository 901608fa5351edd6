#pragma once
/** @brief A sound file's frames stored decoded beside it ("<file>.f32"), so that a loop the
 *  program installs starts without running the codec.
 *
 * The copy holds what SoundDecoder gives for the file at the file's own rate, looping, over
 * one pass: Length() frames of interleaved float stereo, bit for bit. It names the file it
 * was made from by its size and a hash of its bytes; a copy that does not match the file
 * beside it (the file was replaced, the copy is truncated or of another format) is not used,
 * and the caller decodes the file as it would without one.
 *
 * The frames are mapped read-only from the copy and read in at once (no page fault while a
 * block renders). Any thread; a mapping may be read from any number of threads. */

#include <QString>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace plat
{

class DecodedCopy
{
public:
    /** The copy's path for @p source. */
    static QString PathFor(const QString& source);

    /** Decodes @p source at its own rate and writes the copy to @p out (replacing it). False
     *  when the file cannot be decoded through or the copy cannot be written. */
    static bool Write(const QString& source, const QString& out);

    /** The copy of @p source at @p rate Hz: mapped when PathFor(source) exists, matches the
     *  file and was made at @p rate; empty otherwise. */
    static DecodedCopy Map(const QString& source, unsigned rate);

    DecodedCopy() = default;
    ~DecodedCopy();
    DecodedCopy(DecodedCopy&& other) noexcept
        : m_mapping(std::exchange(other.m_mapping, nullptr)), m_bytes(std::exchange(other.m_bytes, 0)),
          m_frames(std::exchange(other.m_frames, nullptr)), m_count(std::exchange(other.m_count, 0))
    {
    }
    DecodedCopy& operator=(DecodedCopy&& other) noexcept;
    DecodedCopy(const DecodedCopy&) = delete;
    DecodedCopy& operator=(const DecodedCopy&) = delete;

    explicit operator bool() const noexcept { return m_frames != nullptr; }
    /** Interleaved stereo, Frames() frames. */
    const float* Data() const noexcept { return m_frames; }
    std::uint32_t Frames() const noexcept { return m_count; }

private:
    void* m_mapping = nullptr;
    std::size_t m_bytes = 0;
    const float* m_frames = nullptr;
    std::uint32_t m_count = 0;
};

} // namespace plat
